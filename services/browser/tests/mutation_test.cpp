// Hostile pages: the shipped help pages and a page of every tag, damaged
// by seeded random edits, laid out at several canvas sizes, their links
// pressed and released; and pages built to overrun every limit of the
// subset. Run under the sanitizers, this is where a read or write past a
// buffer shows. Whatever the text, the page image stays within its limits
// and every link keeps at most 32 areas inside the page.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "framework/canvas/supercanvas.h"
#include "framework/window/superwindow.h"
#include "services/browser/tests/browser_support.h"
#include "services/browser/webbrowsercore.h"
#include "testing/test_cores.h"

using namespace browser_testing;

namespace {

// clang-format off
const std::string kFragments[] = {
    "<A HREF=\"", "</A>", "<IMG SRC=\"", "green.png\">", "<!POPUP>", "<!CODECALL>", "<!BIG>", "<!SMALL>",
    "<BODY bgcolor=\"#", "text=#", "<FONT color=#", "</FONT>", "<B>", "</I>", "<U>", "<P>", "<BR>", "<TITLE>",
    "</TITLE>", "<HEAD>", "</HEAD>", "<TD ", "&nbsp;", "&amp;", "&", "<", ">", "\"", ". ", "../", "http://",
    "\t", "\r\n", std::string(600, 'w'),
};
// clang-format on

std::string mutate(std::string text, std::mt19937& rng) {
    const int edits = 1 + int(rng() % 10);
    for (int i = 0; i < edits; ++i) {
        const std::size_t at = text.empty() ? 0 : rng() % text.size();
        switch (rng() % 5) {
        case 0:
            if (!text.empty()) text[at] = char(rng() % 256);
            break;
        case 1: text.erase(at, 1 + rng() % 40); break;
        case 2: text.insert(at, kFragments[rng() % std::size(kFragments)]); break;
        case 3: text.insert(at, text.substr(rng() % (text.size() + 1), rng() % 200)); break;
        default: text.resize(at); break;
        }
    }
    return text;
}

void expectWithinLimits(const PageLayout& layout) {
    const Image& page = layout.pageImage();
    ASSERT_GE(page.iWidth, 1);
    ASSERT_GE(page.iHeight, 1);
    ASSERT_LE(page.iWidth, PageLayout::kMaxImageWidth);
    ASSERT_LE(page.iHeight, PageLayout::kMaxImageHeight);
    ASSERT_LE(int64_t(page.iWidth) * page.iHeight, PageLayout::kMaxImagePixels);
    ASSERT_EQ(page.iPixels24.size(), std::size_t(page.iWidth) * page.iHeight * 3);
    for (const LinkRecord& link : layout.links()) {
        ASSERT_LE(link.areas.size(), LinkRecord::kMaxAreas);
        ASSERT_LE(link.target.size(), PageLayout::kMaxTarget);
        ASSERT_LE(link.sourcePosition, layout.pageText().size());
    }
}

struct MutationTest : ::testing::Test {
    MutationTest() {
        env.folder.copyFromSource("data/system/docs", "system/docs");
        writePicture("system/docs/vurnorvex/green.png", 30, 20, {0, 160, 60});
        for (const auto& entry : std::filesystem::directory_iterator("system/docs/vurnorvex"))
            if (entry.path().extension() == ".html") seeds.push_back(env.folder.read(entry.path().string()));
        std::string everyTag = "<html><head><title>All</title><META x></head><BODY bgcolor=\"#102030\" text=#F0E0D0>\n";
        everyTag += "<TABLE><TR><TD>cell</TD></TR></TABLE><DIV><CENTER>centre</CENTER></DIV><P class=x>para</P>";
        everyTag += "<!BIG><B>big <I>both</I></B><!SMALL><U>under</U> <FONT color=#FF0000>red</FONT>&nbsp;&amp;&quot;";
        everyTag += "<!POPUP><A HREF=\"x.html\">one <IMG SRC=\"green.png\"> two</A>. <!CODECALL><A HREF=c>c</A>";
        everyTag += "<A HREF=\"http://example.test/\">out</A><BR>end. done</BODY></HTML>";
        seeds.push_back(everyTag);
    }
    BrowserFolder env;
    std::vector<std::string> seeds;
};

TEST_F(MutationTest, DamagedPagesStayWithinTheirLimits) {
    std::mt19937 rng(20240518);
    PageLayout layout;
    const int pressed[3] = {155, 0, 0}, released[3] = {0, 0, 155};
    struct View {
        int w, h;
        bool noBars;
    };
    const View views[] = {{600, 400, false}, {40, 30, true}, {1, 1, false}, {0, 0, true}};
    for (int round = 0; round < 300; ++round) {
        const std::string text = mutate(seeds[std::size_t(round) % seeds.size()], rng);
        const View& v = views[std::size_t(round) % std::size(views)];
        SCOPED_TRACE(testing::Message() << "round " << round);
        layOut(layout, text, v.w, v.h, v.noBars, v.noBars);
        expectWithinLimits(layout);
        // Press every link where it stands; redraw it both ways.
        const std::vector<LinkRecord> links(layout.links().begin(), layout.links().end());
        for (const LinkRecord& link : links) {
            for (const LinkArea& a : link.areas) EXPECT_NE(layout.linkAt(a.x1, a.y1), nullptr);
            layout.redrawLink(link, pressed, true);
            layout.redrawLink(link, released, false);
        }
        expectWithinLimits(layout);
    }
}

TEST_F(MutationTest, PagesBuiltToOverrunTheLimits) {
    writePicture("system/docs/vurnorvex/tall.png", 9000, 4, {200, 100, 50});
    writePicture("system/docs/vurnorvex/long.png", 4, 3000, {200, 100, 50});
    std::string manyLines = "<A HREF=\"far.html\">";
    for (int i = 0; i < 5000; ++i) manyLines += "<BR>x";
    manyLines += "</A>";
    std::string pictures;
    for (int i = 0; i < 12; ++i) pictures += "<A HREF=p><IMG SRC=\"long.png\"></A>";
    auto repeated = [](const std::string& piece, std::size_t bytes) {
        std::string text;
        while (text.size() + piece.size() <= bytes) text += piece;
        return text;
    };
    const std::string cases[] = {
        std::string(70000, 'x'),                         // one word, longer than the page buffer
        manyLines,                                       // a link over thousands of lines
        "<IMG SRC=\"tall.png\"><IMG SRC=\"tall.png\">",  // wider than any page image
        pictures,                                        // taller than any page image
        "<A HREF=\"" + std::string(5000, 'h') + "\">long target</A>",
        "<FONT color=#" + std::string(100, 'F') + ">x",
        std::string(20000, '<') + std::string(20000, '&'),
        "<BODY bgcolor=\"#",
        "<TITLE>" + std::string(10000, 't') + "</TITLE>",
        repeated("<IMG ", 65000),  // unclosed tags, each looking ahead
        repeated("<TITLE>", 65000),
        repeated("<HEAD>", 65000),
        repeated("<A HREF=x>", 65000),
    };
    // Through the viewer, which keeps the first 65,535 bytes of a text, and
    // presses each link where it stands.
    auto frame = std::make_unique<SuperWindow>(SuperWindow::defaultId, platform::ui::Rect{0, 0, 400, 300},
                                               SuperWindow::defaultStyle(), "");
    auto* canvas = new SuperCanvas(SuperCanvas::defaultId, frame.get(), SuperCanvas::defaultFramingSpec(),
                                   SuperCanvas::defaultStyle());
    frame->setClient(canvas);
    testing_support::FakeCore owner;
    owner.setCanvasForTests(canvas);
    auto viewer = std::make_unique<WebBrowserCore>(&owner, "blank", 0, 0, 300, 200, 0, 0);
    for (const std::string& text : cases) {
        SCOPED_TRACE(text.substr(0, 40));
        viewer->setHtml(text.c_str());
        EXPECT_LE(viewer->layout().pageText().size(), WebBrowserCore::kMaxPageText);
        expectWithinLimits(viewer->layout());
        if (viewer->layout().links().empty()) continue;
        const LinkArea area = viewer->layout().links().back().areas.front();  // the first link
        EXPECT_EQ(viewer->onMouse(area.x1, area.y1, 1, 1), 1);
        EXPECT_TRUE(viewer->linkPressed());
        EXPECT_EQ(viewer->onMouse(area.x1, area.y1, 1, -1), 1);
        expectWithinLimits(viewer->layout());
    }
    viewer.reset();
    owner.setCanvasForTests(nullptr);
}

}  // namespace
