// The page viewer's HTML subset: any page text (as much as the viewer
// keeps) is laid out in both passes, for the windowed viewer and for an
// embedded one without bars. The page image stays within its caps and at
// least the canvas high; every link starts at an "<A " tag of the text,
// keeps at most 32 areas and a bounded target, and each area it can be hit
// in lies within the page image; pressing and releasing a link redraws it
// without changing the page's extent or its links; and a layout that showed
// a page before gives the same page as a fresh one.
#include <strings.h>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "framework/draw/font.h"
#include "framework/image/image.h"
#include "fuzz/fuzz_support.h"
#include "services/browser/pagelayout.h"
#include "services/browser/webbrowsercore.h"

namespace {

struct View {
    int w, h;
    bool noBars;
};

// The number of "<A " tags in the text (any case): no pass records more links.
std::size_t linkTags(const std::string& text) {
    std::size_t n = 0;
    for (std::size_t i = 0; i + 3 <= text.size(); ++i)
        if (strncasecmp(text.c_str() + i, "<A ", 3) == 0) ++n;
    return n;
}

void checkPage(const PageLayout& layout, const View& view, const std::string& text) {
    const Image& page = layout.pageImage();
    const int W = page.iWidth, H = page.iHeight;
    FUZZ_CHECK(W >= 1 && W <= PageLayout::kMaxImageWidth);
    FUZZ_CHECK(H >= 1 && H <= PageLayout::kMaxImageHeight);
    FUZZ_CHECK(int64_t(W) * H <= PageLayout::kMaxImagePixels);
    FUZZ_CHECK(page.iPixels24.size() == std::size_t(W) * std::size_t(H) * 3);
    FUZZ_CHECK(page.iAlpha.size() == std::size_t(W) * std::size_t(H));
    // The page is at least the canvas high, unless a cap held it lower;
    // without a horizontal bar it is as wide as the canvas and what lies
    // beyond is cut.
    const bool clippedW = W == PageLayout::kMaxImageWidth || view.noBars;
    const bool clippedH = H == PageLayout::kMaxImageHeight || int64_t(W) * (H + 1) > PageLayout::kMaxImagePixels;
    FUZZ_CHECK(H >= view.h || clippedH);
    FUZZ_CHECK(layout.title().size() <= PageLayout::kMaxTitle);

    // The text the passes ran over ends at its first zero byte.
    const std::size_t length = std::strlen(text.c_str());
    FUZZ_CHECK(layout.links().size() <= linkTags(text.substr(0, length)));
    for (const LinkRecord& link : layout.links()) {
        FUZZ_CHECK(link.sourcePosition + 3 <= length);
        FUZZ_CHECK(strncasecmp(text.c_str() + link.sourcePosition, "<A ", 3) == 0);
        FUZZ_CHECK(link.target.size() <= PageLayout::kMaxTarget);
        FUZZ_CHECK(!link.areas.empty() && link.areas.size() <= LinkRecord::kMaxAreas);
        for (const LinkArea& a : link.areas) {
            // Only areas that span a rectangle: one closed before anything
            // was laid out in it is empty, and one opened last (a link left
            // open at the end of the page, or the line after a picture in a
            // link, which opens a line lower) may be a point or a line.
            if (a.x2 <= a.x1 || a.y2 <= a.y1) continue;
            FUZZ_CHECK(a.x1 >= 0 && a.y1 >= 0);
            FUZZ_CHECK(a.x2 <= W || clippedW);
            FUZZ_CHECK(a.y2 <= H || clippedH);
            FUZZ_CHECK(link.x1 <= a.x1 && link.y1 <= a.y1 && a.x2 <= link.x2 && a.y2 <= link.y2);
            FUZZ_CHECK(layout.linkAt(a.x1, a.y1) != nullptr);
        }
    }
}

// A page that leaves everything it can switched on: colours, face,
// underline, the private tags, an open link.
const std::string kEarlierPage =
    "<BODY bgcolor=#102030 text=#405060><TITLE>earlier</TITLE><!BIG><B><U><FONT color=#FF0000>"
    "<!POPUP><!CODECALL><A HREF=\"earlier.html\">open";

bool samePage(const PageLayout& a, const PageLayout& b) {
    if (a.pageImage().iWidth != b.pageImage().iWidth || a.pageImage().iHeight != b.pageImage().iHeight ||
        a.pageImage().iPixels24 != b.pageImage().iPixels24 || a.links().size() != b.links().size())
        return false;
    for (std::size_t i = 0; i < a.links().size(); ++i) {
        const LinkRecord &x = a.links()[i], &y = b.links()[i];
        if (x.target != y.target || x.sourcePosition != y.sourcePosition || x.areas.size() != y.areas.size() ||
            x.opensNewWindow != y.opensNewWindow || x.codeCall != y.codeCall)
            return false;
        for (std::size_t k = 0; k < x.areas.size(); ++k)
            if (x.areas[k].x1 != y.areas[k].x1 || x.areas[k].y1 != y.areas[k].y1 || x.areas[k].x2 != y.areas[k].x2 ||
                x.areas[k].y2 != y.areas[k].y2)
                return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static bool ready = false;
    if (!ready) {
        ready = true;
        fuzz::enterProgramFolder();
        // The font and the format table; small pictures under the names of
        // the help pages' pictures, which "<IMG" tags may name (the picture
        // readers have entries of their own).
        for (const char* file : {"fonts/text1i.dat", "fonts/text1d.dat", "mformats"})
            fuzz::copyFromSource(std::string("data/system/") + file, std::string("system/") + file);
        Image picture;
        picture.iWidth = 30;
        picture.iHeight = 20;
        picture.iDepth = 24;
        picture.iPixels24.assign(30 * 20 * 3, 120);
        FUZZ_CHECK(picture.save("picture.png", "PNG") == 1);
        const std::string bytes = fuzz::readFile("picture.png");
        for (const char* name : {"beam-bomb", "beam-mirror", "beam-splitter", "beam-stomper", "board-gkv", "board-kv"})
            fuzz::writeFile(std::string("system/docs/vurnorvex/") + name + ".png", bytes);
        loadFont();
    }
    const std::string text(reinterpret_cast<const char*>(data), std::min(size, WebBrowserCore::kMaxPageText));

    const View views[] = {{600, 400, false}, {200, 100, true}};
    for (const View& view : views) {
        PageLayout layout;
        layout.setView(view.w, view.h, view.noBars, view.noBars);
        layout.layOut(text);
        checkPage(layout, view, text);

        // A layout that showed a page before gives the same page (with
        // both bars, whose width never depends on the page before).
        if (!view.noBars) {
            PageLayout used;
            used.setView(view.w, view.h, false, false);
            used.layOut(kEarlierPage);
            used.layOut(text);
            FUZZ_CHECK(samePage(used, layout));
        }

        // Press and release the first and the last link of the page where
        // they stand (each redraw may run to the end of the text).
        const int pressed[3] = {155, 0, 0}, released[3] = {0, 0, 155};
        const std::size_t links = layout.links().size();
        const int W = layout.imageWidth(), H = layout.imageHeight();
        for (std::size_t i = 0; i < links; i += std::max<std::size_t>(links - 1, 1)) {
            const LinkRecord link = layout.links()[i];
            layout.redrawLink(link, pressed, true);
            layout.redrawLink(link, released, false);
        }
        FUZZ_CHECK(layout.links().size() == links);
        FUZZ_CHECK(layout.imageWidth() == W && layout.imageHeight() == H);
        FUZZ_CHECK(layout.pageWidth() == W && layout.pageHeight() == H);
        FUZZ_CHECK(layout.pageImage().iPixels24.size() == std::size_t(W) * std::size_t(H) * 3);
    }
    return 0;
}
