// The page viewer core without a display: a viewer embedded in an unshown
// window. Which file a page name reads, the built-in pages, the size
// limits of page texts, the scroll bars, and what presses and releases on
// links do.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "framework/canvas/supercanvas.h"
#include "framework/window/superwindow.h"
#include "services/browser/tests/browser_support.h"
#include "services/browser/webbrowsercore.h"
#include "testing/test_cores.h"

using namespace browser_testing;

namespace {

constexpr int kW = 300, kH = 200;

struct ViewerTest : ::testing::Test {
    ViewerTest() {
        frame = std::make_unique<SuperWindow>(SuperWindow::defaultId, platform::ui::Rect{30, 30, 500, 400},
                                              SuperWindow::defaultStyle(), "");
        canvas = new SuperCanvas(SuperCanvas::defaultId, frame.get(), SuperCanvas::defaultFramingSpec(),
                                 SuperCanvas::defaultStyle());
        frame->setClient(canvas);
        owner.setCanvasForTests(canvas);
    }
    ~ViewerTest() override {
        delete viewer;
        owner.setCanvasForTests(nullptr);
        frame.reset();
        platform::ui::runPending();
    }
    WebBrowserCore* open(const char* page, bool noBars = false) {
        delete viewer;
        viewer = new WebBrowserCore(&owner, page, 0, 0, kW, kH, noBars, noBars);
        return viewer;
    }
    const std::string& text() { return viewer->layout().pageText(); }
    const Image& page() { return viewer->layout().pageImage(); }

    BrowserFolder env{true};
    testing_support::ProgramFolder& folder = env.folder;
    std::unique_ptr<SuperWindow> frame;
    SuperCanvas* canvas = nullptr;
    testing_support::FakeCore owner;
    WebBrowserCore* viewer = nullptr;
};

TEST_F(ViewerTest, APageNameReadsTheProductFolderFirstAndNothingOutsideTheHelpFolders) {
    folder.write("system/docs/vurnorvex/both.html", "product copy");
    folder.write("system/docs/both.html", "shared copy");
    folder.write("system/docs/shared.html", "shared only");
    folder.write("system/docs/vurnorvex/mine.html", "system copy");
    folder.write("user/docs/vurnorvex/mine.html", "user copy");
    folder.write("system/secret.html", "not a help page");
    folder.write("system/docs/vurnorvex/blank", "a file named like a built-in page");
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"both.html", "product copy"},
        {"shared.html", "shared only"},
        {"mine.html", "user copy"},
        {"none.html", WebBrowserCore::missingPage("none.html")},
        {"../secret.html", WebBrowserCore::missingPage("../secret.html")},
        {"../../system/secret.html", WebBrowserCore::missingPage("../../system/secret.html")},
        {"/etc/hostname", WebBrowserCore::missingPage("/etc/hostname")},
        {"", WebBrowserCore::missingPage("")},
        {"vurnorvex", WebBrowserCore::missingPage("vurnorvex")},  // a folder
        {"blank", WebBrowserCore::blankPage()},
        {"Blank", WebBrowserCore::missingPage("Blank")},
    };
    open("blank");
    for (const Case& c : cases) {
        viewer->renderFile(c.name);
        EXPECT_EQ(text(), c.text) << c.name;
    }
    EXPECT_NE(text().find("404 - \"Blank\" Missing"), std::string::npos);
}

TEST_F(ViewerTest, TheGreyPageTakesTheCanvasColourAsSixUpperCaseHexDigits) {
    const int odd[3] = {10, 171, 255};
    EXPECT_NE(WebBrowserCore::greyPage(odd).find("bgcolor=\"#0AABFF\""), std::string::npos);
    for (const char* name : {"grey", "gray"}) {
        open(name);
        const platform::ui::Rgb bg = canvas->platformCanvas()->background();
        const int rgb[3] = {bg.r, bg.g, bg.b};
        EXPECT_EQ(text(), WebBrowserCore::greyPage(rgb)) << name;
        EXPECT_EQ(pixelAt(page(), 10, 10), (Rgb{rgb[0], rgb[1], rgb[2]})) << name;
    }
}

TEST_F(ViewerTest, PageTextsStopAt65535Bytes) {
    std::string big;
    while (big.size() < 70000) big += "word" + std::to_string(big.size() % 10) + " ";
    big.resize(70000);
    folder.write("system/docs/big.html", big);
    open("big.html");
    EXPECT_EQ(text(), big.substr(0, 65535));

    open("blank");
    viewer->setHtml(big.c_str());
    EXPECT_EQ(text(), big.substr(0, 65535));
    // The custom text stays for every rendering until it is dropped.
    folder.write("system/docs/small.html", "small page");
    viewer->renderFile("small.html");
    EXPECT_EQ(text(), big.substr(0, 65535));
    viewer->setHtml(nullptr);
    viewer->renderFile("small.html");
    EXPECT_EQ(text(), "small page");
}

TEST_F(ViewerTest, ScrollBarsCoverThePageBesideTheVisiblePart) {
    std::string tall;
    for (int i = 0; i < 60; ++i) tall += "line " + std::to_string(i) + "<BR>";
    folder.write("system/docs/tall.html", tall);
    open("tall.html");
    platform::ui::Control* hb = viewer->canvas()->getControl("hb");
    platform::ui::Control* vb = viewer->canvas()->getControl("vb");
    ASSERT_NE(hb, nullptr);
    ASSERT_NE(vb, nullptr);
    EXPECT_EQ(hb->rect().y, kH - 16);
    EXPECT_EQ(hb->rect().w, kW - 16);
    EXPECT_EQ(vb->rect().x, kW - 16);
    EXPECT_EQ(vb->rect().h, kH - 16);
    EXPECT_EQ(hb->scrollHigh(), 600 - 1);
    EXPECT_EQ(hb->scrollVisible(), kW - 16);
    EXPECT_GE(viewer->layout().imageHeight(), 4 + 60 * 12);
    EXPECT_EQ(vb->scrollHigh(), viewer->layout().imageHeight() - 1);
    EXPECT_EQ(vb->scrollVisible(), kH - 16);

    open("tall.html", true);
    EXPECT_EQ(viewer->canvas()->getControl("hb"), nullptr);
    EXPECT_EQ(viewer->canvas()->getControl("vb"), nullptr);
}

struct LinkTest : ViewerTest {
    LinkTest() {
        std::string filler;
        for (int i = 0; i < 30; ++i) filler += "filler<BR>";
        folder.write("system/docs/vurnorvex/links.html",
                     "<TITLE>Links</TITLE><A HREF=\"target.html\">inside</A><BR>"
                     "<A HREF=\"http://example.test/a?b=1&c=2\">outside</A><BR>"
                     "<!CODECALL><A HREF=\"code\">code</A><BR>" +
                         filler + "<A HREF=\"low.html\">low</A>");
        folder.write("system/docs/vurnorvex/target.html", "target page");
        folder.write("system/docs/vurnorvex/low.html", "low page");
        open("links.html");
    }
    // A point inside the link's text on line `line` (0 first).
    static int lineY(int line) { return 4 + line * 12 + 6; }
};

TEST_F(LinkTest, PressShowsThePressedColourAndReleaseAnywhereLoadsTheTarget) {
    EXPECT_EQ(viewer->onMouse(6, lineY(0), 1, 1), 1);
    EXPECT_TRUE(viewer->linkPressed());
    EXPECT_TRUE(boxHolds(page(), 4, 4, 30, 12, {155, 0, 0}));
    EXPECT_EQ(viewer->pageName(), "links.html");
    // Released outside the canvas: the link still acts.
    EXPECT_EQ(viewer->onMouse(-50, -70, 1, -1), 1);
    EXPECT_FALSE(viewer->linkPressed());
    EXPECT_EQ(viewer->pageName(), "target.html");
    EXPECT_EQ(text(), "target page");
}

TEST_F(LinkTest, PressesThatDoNotHitALink) {
    struct Case {
        int x, y, button, action;
        int result;
    };
    const Case cases[] = {
        {200, lineY(0), 1, 1, 1},  // in the page, beside the link
        {6, lineY(0), 2, 1, 0},    // another button
        {6, lineY(0), 1, 0, 0},    // a click after the release
        {-3, lineY(0), 1, 1, 0},   // outside the page
        {6, lineY(0), 1, -1, 0},   // a release with nothing pressed
    };
    for (const Case& c : cases) {
        EXPECT_EQ(viewer->onMouse(c.x, c.y, c.button, c.action), c.result) << c.x << "," << c.button << "," << c.action;
        EXPECT_FALSE(viewer->linkPressed());
        EXPECT_EQ(viewer->pageName(), "links.html");
    }
}

TEST_F(LinkTest, AnExternalLinkGoesToTheWebBrowserAndThePageStays) {
    FakeBrowser browser(folder);
    EXPECT_EQ(viewer->onMouse(6, lineY(1), 1, 1), 1);
    EXPECT_EQ(viewer->onMouse(6, lineY(1), 1, -1), 1);
    EXPECT_EQ(browser.waitForArguments(), "[http://example.test/a?b=1&c=2]\n");
    EXPECT_EQ(viewer->pageName(), "links.html");
    EXPECT_EQ(text().find("404"), std::string::npos);
    EXPECT_TRUE(boxHolds(page(), 4, 16, 30, 12, {0, 0, 155}));  // drawn in the released colour
}

TEST_F(LinkTest, ACodeCallLinkOnlyWritesTheLog) {
    viewer->onMouse(6, lineY(2), 1, 1);
    viewer->onMouse(6, lineY(2), 1, -1);
    EXPECT_NE(env.log().find("BROWSER::CODECALL"), std::string::npos);
    EXPECT_EQ(viewer->pageName(), "links.html");
}

TEST_F(LinkTest, ThePressPointFollowsTheScrollBars) {
    const int lowLine = 3 + 30;
    platform::ui::Control* vb = viewer->canvas()->getControl("vb");
    const int offset = vb->scrollHigh() - vb->scrollVisible() + 1;  // scrolled to the end
    ASSERT_GT(offset, 100);
    viewer->canvas()->setIntValue("vb", offset);
    ASSERT_EQ(viewer->canvas()->getIntValue("vb"), offset);
    const int y = lineY(lowLine) - offset;
    ASSERT_LT(y, kH - 16);
    viewer->onMouse(6, y, 1, 1);
    ASSERT_TRUE(viewer->linkPressed());
    viewer->onMouse(6, y, 1, -1);
    EXPECT_EQ(viewer->pageName(), "low.html");
    // A new page starts at the top.
    EXPECT_EQ(viewer->canvas()->getIntValue("vb"), 0);
}

TEST_F(ViewerTest, AHiddenViewerLeavesTheWindowAndPaintsNothing) {
    open("blank");
    const int x = viewer->canvas()->x();
    viewer->hide();
    viewer->hide();
    EXPECT_TRUE(viewer->hidden());
    EXPECT_EQ(viewer->canvas()->x(), x - 5000);
    EXPECT_EQ(viewer->onPaint(0, 0, 99999, 99999), 0);
}

}  // namespace
