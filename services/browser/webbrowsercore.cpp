#include "services/browser/webbrowsercore.h"

#include <algorithm>
#include <cstdio>

#include "framework/app/datafiles.h"
#include "framework/app/debuglog.h"
#include "framework/app/options.h"
#include "framework/canvas/supercanvas.h"
#include "framework/draw/font.h"
#include "framework/draw/render.h"
#include "framework/draw/view.h"
#include "framework/util/bounded.h"
#include "framework/window/superwindow.h"

namespace {

constexpr const char* kWindowName = "webBrowserWindow";
constexpr const char* kExternalScheme = "http://";
constexpr int kPressedColour[3] = {155, 0, 0};
constexpr int kReleasedColour[3] = {0, 0, 155};

// The colour the canvas's background is painted in.
void canvasBackground(SuperCanvas* canvas, int rgb[3]) {
    const platform::ui::Rgb c = canvas->platformCanvas()->background();
    rgb[0] = c.r, rgb[1] = c.g, rgb[2] = c.b;
}

// A first start (no saved placement) opens wide enough for a page.
int firstStartSize(const char* suffix, int size) {
    return getStringOption((std::string(kWindowName) + suffix).c_str()) ? 0 : size;
}

// The first 65,535 bytes of a file opened through the user/system look-up;
// false when it cannot be opened or read (a folder, for one).
[[nodiscard]] bool readPageFile(const std::string& path, std::string* text) {
    FILE* f = openDataFile(path.c_str(), "rb");
    if (!f) return false;
    std::string buffer(WebBrowserCore::kMaxPageText, '\0');
    const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), f);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return false;
    buffer.resize(n);
    *text = std::move(buffer);
    return true;
}

}  // namespace

WebBrowserCore::WebBrowserCore(const char* pageName)
    : SuperCore(kWindowName, firstStartSize("OW", kFirstWidth), firstStartSize("OH", kFirstHeight), 0),
      iPageName(boundedText(pageName, kMaxPageName)) {
    createVisual();
}

WebBrowserCore::WebBrowserCore(SuperCore* parent, const char* pageName, int x, int y, int w, int h, int noHorizontalBar,
                               int noVerticalBar)
    : iPageName(boundedText(pageName, kMaxPageName)), iNoHBar(noHorizontalBar != 0), iNoVBar(noVerticalBar != 0) {
    if (parent && parent->canvas()) {
        createCanvas(parent->canvas(), x, y, w, h);
        parent->canvas()->addEmbeddedCore(this);
    }
    createVisual();
}

WebBrowserCore::~WebBrowserCore() = default;

void WebBrowserCore::createVisual() {
    if (iFrame) iFrame->setTitle("Web Browser");
    renderFile(iPageName.c_str());
}

// ---------------------------------------------------------------- pages

std::string WebBrowserCore::blankPage() {
    return "<html><head><title>Blank</title></head><body bgcolor=\"#FFFFFF\"><p>"
           "Blank---------------------------------<p></body></html>";
}

std::string WebBrowserCore::greyPage(const int rgb[3]) {
    return std::string("<html><head><title>Blank</title></head><body bgcolor=\"#") + byteToHex(unsigned(rgb[0])) +
           byteToHex(unsigned(rgb[1])) + byteToHex(unsigned(rgb[2])) + "\"><p> <p></body></html>";
}

std::string WebBrowserCore::missingPage(const std::string& pageName) {
    return "<html><head><title>404 - Missing</title></head><body bgcolor=\"#FFFFFF\"><p>404 - \"" + pageName +
           "\" Missing---------------------------------<p></body></html>";
}

std::string WebBrowserCore::pageTextFor(const std::string& name) {
    const bool builtIn = name == "blank" || name == "gray" || name == "grey";
    std::string text;
    // Only names inside the help folders are looked up; anything else is
    // a missing page.
    if (!builtIn && isDocumentName(name) &&
        (readPageFile("system/docs/vurnorvex/" + name, &text) || readPageFile("system/docs/" + name, &text)))
        return text;
    if (name == "blank") {
        debugLog("setUrl create blank\n");
        return blankPage();
    }
    if (name == "gray" || name == "grey") {
        int rgb[3] = {192, 192, 192};
        if (iCanvas) canvasBackground(iCanvas, rgb);
        return greyPage(rgb);
    }
    return missingPage(name);
}

void WebBrowserCore::renderFile(const char* pageName) {
    const std::string name = boundedText(pageName, kMaxPageName);
    iRendering = true;
    showWaitPointer(this);
    loadFont();
    std::string text = pageTextFor(name);
    if (iCustomText) text = *iCustomText;

    // A resize that the frame's new size limits cause is taken up below.
    for (int pass = 0; pass < 3; ++pass) {
        iResizePending = false;
        const int w = iCanvas ? iCanvas->width() : 0, h = iCanvas ? iCanvas->height() : 0;
        iLayout.setView(w, h, iNoHBar, iNoVBar);
        debugPrintfI("iRenderW=%d\n", w);
        iLayout.layOut(text);
        if (iFrame && iCanvas) {
            // The frame grows no larger than the page and its bars.
            const int clientW = iLayout.imageWidth() + iLayout.verticalBarWidth() + 1;
            const int clientH = iLayout.imageHeight() + iLayout.horizontalBarHeight() + 1;
            const int maxW = clientW + iFrame->width() - iCanvas->width() - 1;
            const int maxH = clientH + iFrame->height() - iCanvas->height() - 1;
            iFrame->setSizeLimits(5, 5, std::max(5, maxW), std::max(5, maxH));
        }
        if (!iResizePending) break;
    }
    if (iFrame && iLayout.hasTitle()) iFrame->setTitle(("Browser - " + iLayout.title()).c_str());
    showDefaultPointer(this);
    makeScrollBars();
    setScrollRanges();
    iRendering = false;
}

void WebBrowserCore::setHtml(const char* text) {
    if (!text) {
        iCustomText.reset();
        return;
    }
    iCustomText = boundedText(text, kMaxPageText);
    onResize(iCanvas ? iCanvas->width() : 0, iCanvas ? iCanvas->height() : 0);
}

int WebBrowserCore::onResize(int w, int h) {
    saveWindowMetrics();
    if (iRendering) {
        iResizePending = true;
        return 1;
    }
    renderFile(iPageName.c_str());
    repaintPage();
    return 1;
}

// ---------------------------------------------------------------- bars

void WebBrowserCore::makeScrollBars() {
    if (!iCanvas) return;
    const int w = iCanvas->width(), h = iCanvas->height();
    if (w == iLastW && h == iLastH) return;
    iLastW = w, iLastH = h;
    const int vbw = iLayout.verticalBarWidth(), hbh = iLayout.horizontalBarHeight();
    if (!iNoHBar) {
        iCanvas->deleteWidget("hb");
        iCanvas->addHorizontalScrollBar("hb", 0, h - PageLayout::kBarSize, w - vbw, PageLayout::kBarSize);
    }
    if (!iNoVBar) {
        iCanvas->deleteWidget("vb");
        iCanvas->addVerticalScrollBar("vb", w - vbw, 0, vbw, h - hbh);
    }
}

void WebBrowserCore::setScrollRanges() {
    if (!iCanvas) return;
    const int visibleW = iCanvas->width() - iLayout.verticalBarWidth();
    const int visibleH = iCanvas->height() - iLayout.horizontalBarHeight();
    if (iCanvas->getControl("hb")) {
        iCanvas->setScrollBarRange("hb", 0, std::max(iLayout.imageWidth(), visibleW) - 1, visibleW);
        iCanvas->setIntValue("hb", 0);
    }
    if (iCanvas->getControl("vb")) {
        iCanvas->setScrollBarRange("vb", 0, std::max(iLayout.imageHeight(), visibleH) - 1, visibleH);
        iCanvas->setIntValue("vb", 0);
    }
}

int WebBrowserCore::barValue(const char* name) {
    return iCanvas && iCanvas->getControl(name) ? iCanvas->getIntValue(name) : 0;
}

void WebBrowserCore::setIntValue(const char* name, int value) {
    if (!name) return;
    const std::string n = name;
    if (n == "hb" || n == "vb") repaintPage();
}

// ---------------------------------------------------------------- paint

void WebBrowserCore::repaintPage() {
    if (iCanvas) iCanvas->platformCanvas()->repaint();
}

int WebBrowserCore::paint(int, int, int, int) {
    debugLog("WebBrowserCore::onPaint\n");
    return onPaint(0, 0, 99999, 99999);
}

int WebBrowserCore::onPaint(int x0, int y0, int x1, int y1) {
    if (iHidden || !iCanvas || iLayout.imageWidth() <= 0) return 0;
    const int w = iCanvas->width(), h = iCanvas->height();
    const int vbw = iLayout.verticalBarWidth(), hbh = iLayout.horizontalBarHeight();
    if (vbw > 0 && hbh > 0) {
        // The corner between the two bars.
        int rgb[3];
        canvasBackground(iCanvas, rgb);
        std::vector<uint8_t> corner(std::size_t(vbw) * hbh * 3 + std::size_t(vbw) * 3);
        for (std::size_t i = 0; i + 2 < corner.size(); i += 3)
            corner[i] = uint8_t(rgb[2]), corner[i + 1] = uint8_t(rgb[1]), corner[i + 2] = uint8_t(rgb[0]);
        renderToWindow(iCanvas, corner, vbw, w - vbw, h - hbh, vbw, hbh, {-1, 0, 0, 0});
    }
    if (w > iLayout.imageWidth() + vbw || h > iLayout.imageHeight() + hbh) {
        debugPrintfII("NOTICE: WB ik too small (%d, %d); skipped.\n", iLayout.imageWidth(), iLayout.imageHeight());
        return 0;
    }
    x0 = std::max(x0, 0), y0 = std::max(y0, 0);
    x1 = std::min(x1, w - vbw), y1 = std::min(y1, h - hbh);
    const int cw = x1 - x0, ch = y1 - y0;
    if (cw <= 0 || ch <= 0) return 0;
    const int stride = (cw + 15) / 16 * 16;
    std::vector<uint8_t> view =
        fastView(x0 + barValue("hb"), y0 + barValue("vb"), 1.0, cw, stride, ch, 1, iLayout.pageImage());
    renderToWindow(iCanvas, view, stride, x0, y0, cw, ch, {-1, 0, 0, 0});
    return 1;
}

void WebBrowserCore::hide() {
    if (!iHidden && iCanvas)
        placeWindow(iCanvas, iCanvas->x() - 5000, iCanvas->y(), iCanvas->width(), iCanvas->height());
    iHidden = true;
}

// ---------------------------------------------------------------- links

void WebBrowserCore::redrawPressedLink(const LinkRecord& link, const int colour[3], bool pressed) {
    iLayout.redrawLink(link, colour, pressed);
    repaintPage();
}

int WebBrowserCore::onMouse(int x, int y, int button, int action) {
    if (button == 1 && action == -1 && iPressedLink) {
        // The release acts wherever the pointer is.
        const LinkRecord link = *iPressedLink;
        iPressedLink.reset();
        if (link.target.find(kExternalScheme) != std::string::npos) {
            // The press handed it to the web browser; this page stays.
            redrawPressedLink(link, kReleasedColour, false);
        } else if (link.opensNewWindow) {
            redrawPressedLink(link, kReleasedColour, false);
            new WebBrowserCore(link.target.c_str());
        } else if (link.codeCall) {
            debugLog("BROWSER::CODECALL");
            redrawPressedLink(link, kReleasedColour, false);
        } else {
            iPageName = boundedText(link.target.c_str(), kMaxPageName);
            renderFile(iPageName.c_str());
            repaintPage();
        }
        return 1;
    }
    const int px = x + barValue("hb"), py = y + barValue("vb");
    if (px < 0 || py < 0 || px >= iLayout.imageWidth() || py >= iLayout.imageHeight()) return 0;
    if (button != 1 || action != 1) return 0;
    if (const LinkRecord* link = iLayout.linkAt(px, py)) {
        iPressedLink = *link;
        const std::size_t at = link->target.find(kExternalScheme);
        if (at != std::string::npos)
            launchBrowser(link->target.c_str() + at, 1);
        else
            redrawPressedLink(*iPressedLink, kPressedColour, true);
    }
    return 1;
}

WebBrowserCore* openHelpViewer(const char* actionFile) {
    const char* page = actionFile ? readKeyedLine(actionFile, "HTTP-Help") : nullptr;
    if (!page) {
        debugPrintfS("ERROR no HTTP-Help line in %s\n", actionFile ? actionFile : "(none)");
        return nullptr;
    }
    return new WebBrowserCore(page);
}
