// The page viewer and the about window on a display, driven as a person
// would: windows found by their titles with xdotool, clicks through the X
// server, and what shows read back from the windows at chosen points.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/app/pageopeners.h"
#include "framework/canvas/supercanvas.h"
#include "framework/window/superwindow.h"
#include "platform/ui/pixels.h"
#include "platform/ui/ui.h"
#include "services/browser/aboutcore.h"
#include "services/browser/pageviewer.h"
#include "services/browser/tests/browser_support.h"
#include "services/browser/webbrowsercore.h"
#include "testing/test_cores.h"
#include "testing/window_support.h"

using namespace browser_testing;
using testing_support::screenshot;
using testing_support::waitFor;

namespace {

constexpr const char* kPrefix = "Tarvelon Orvex Chess";

// The X windows whose title is exactly the frame title of `title`.
std::vector<std::string> windowsTitled(const std::string& title) {
    std::vector<std::string> ids;
    const std::string found =
        testing_support::commandOutput("xdotool search --name '^" + std::string(kPrefix) + " - " + title + "$'");
    for (std::size_t at = 0, end; (end = found.find('\n', at)) != std::string::npos; at = end + 1)
        ids.push_back(found.substr(at, end - at));
    return ids;
}

struct GuiTest : ::testing::Test {
    GuiTest() {
        SuperWindow::setTitlePrefix(kPrefix);
        folder.copyFromSource("data/system/mformats", "system/mformats");
        folder.copyFromSource("data/system/fonts", "system/fonts");
    }
    // A person's click at a point of a core's canvas, in the window of that title.
    void click(const std::string& title, SuperCore* core, int x, int y) {
        const std::vector<std::string> ids = windowsTitled(title);
        ASSERT_EQ(ids.size(), 1u) << title;
        const int wx = core->canvas()->x() + x, wy = core->canvas()->y() + y;
        const std::string cmd =
            "xdotool mousemove --window " + ids[0] + " " + std::to_string(wx) + " " + std::to_string(wy) + " click 1";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    }
    static Rgb pixel(SuperCore* core, int x, int y) {
        const std::vector<uint8_t> p = platform::ui::readWindowPixels(core->canvas()->platformCanvas(), x, y, 1, 1);
        return p.size() == 3 ? Rgb{p[0], p[1], p[2]} : Rgb{-1, -1, -1};
    }
    static bool near(Rgb a, Rgb b, int tolerance = 8) {
        for (int k = 0; k < 3; ++k)
            if (std::abs(a[k] - b[k]) > tolerance) return false;
        return true;
    }
    // Some pixel of the area holds dark ink.
    static bool inkIn(SuperCore* core, int x, int y, int w, int h) {
        const std::vector<uint8_t> p = platform::ui::readWindowPixels(core->canvas()->platformCanvas(), x, y, w, h);
        for (std::size_t i = 0; i + 2 < p.size(); i += 3)
            if (p[i] < 90 && p[i + 1] < 90 && p[i + 2] < 90) return true;
        return false;
    }
    WebBrowserCore* openViewer(const char* page, const std::string& title) {
        auto* viewer = new WebBrowserCore(page);
        EXPECT_TRUE(waitFor([&] { return windowsTitled(title).size() == 1; })) << title;
        platform::ui::processEvents(0.3);
        return viewer;
    }

    testing_support::CoreEnvironment env;
    testing_support::ProgramFolder& folder = env.folder;
};

TEST_F(GuiTest, AHelpPageShowsItsTextAndPictureAndScrolls) {
    ASSERT_TRUE(platform::ui::displayAvailable());
    writePicture("system/docs/vurnorvex/green.png", 60, 200, {0, 160, 60});
    std::string page =
        "<html><head><title>Probe</title></head><body bgcolor=\"#FFFFF4\">Heading words<BR>"
        "<IMG SRC=\"green.png\"><BR>";
    for (int i = 0; i < 80; ++i) page += "line " + std::to_string(i) + "<BR>";
    folder.write("system/docs/vurnorvex/probe.html", page + "</body></html>");

    WebBrowserCore* viewer = openViewer("probe.html", "Browser - Probe");
    EXPECT_EQ(viewer->frame()->title(), std::string(kPrefix) + " - Browser - Probe");
    // Text on the first line, the picture below it, paper elsewhere.
    EXPECT_TRUE(inkIn(viewer, 4, 4, 60, 12));
    EXPECT_TRUE(near(pixel(viewer, 4 + 30, 16 + 20), {0, 160, 60}));
    EXPECT_TRUE(near(pixel(viewer, 4 + 80, 16 + 20), {255, 255, 244}));
    EXPECT_TRUE(screenshot("browser_probe_top"));

    // A click on the down arrow of the vertical bar scrolls the page up.
    platform::ui::Control* vb = viewer->canvas()->getControl("vb");
    ASSERT_NE(vb, nullptr);
    const platform::ui::Rect bar = vb->rect();
    click("Browser - Probe", viewer, bar.x + bar.w / 2, bar.y + bar.h - 6);
    ASSERT_TRUE(waitFor([&] { return vb->scrollPosition() > 0; }));
    const int offset = vb->scrollPosition();
    ASSERT_LT(offset, 150);  // the picture's foot stays in view for the probe
    platform::ui::processEvents(0.3);
    EXPECT_TRUE(near(pixel(viewer, 4 + 30, 16 + 198 - offset), {0, 160, 60}));
    EXPECT_TRUE(near(pixel(viewer, 4 + 30, 16 + 201 - offset), {255, 255, 244}));
    EXPECT_TRUE(screenshot("browser_probe_scrolled"));
}

TEST_F(GuiTest, TheShippedEntryPageShowsItsContentsAndBoardPicture) {
    ASSERT_TRUE(platform::ui::displayAvailable());
    folder.copyFromSource("data/system/docs", "system/docs");
    WebBrowserCore* viewer = openViewer("index.html", "Browser - Help");
    EXPECT_TRUE(inkIn(viewer, 4, 4, 200, 14));  // the heading
    // The links of the contents in the link colour.
    const std::vector<uint8_t> area =
        platform::ui::readWindowPixels(viewer->canvas()->platformCanvas(), 0, 0, 300, 200);
    int linkInk = 0;
    for (std::size_t i = 0; i + 2 < area.size(); i += 3) linkInk += area[i] < 90 && area[i + 2] > 180;
    EXPECT_GT(linkInk, 50);
    EXPECT_TRUE(screenshot("browser_help_index"));
}

TEST_F(GuiTest, ClickingAnInternalLinkLoadsItsPage) {
    ASSERT_TRUE(platform::ui::displayAvailable());
    folder.write(
        "system/docs/vurnorvex/from.html",
        "<html><head><title>From</title></head><body>Go <A HREF=\"to.html\">to the next page</A> now</body></html>");
    folder.write("system/docs/to.html", "<html><head><title>To</title></head><body>Arrived</body></html>");
    WebBrowserCore* viewer = openViewer("from.html", "Browser - From");
    const LinkRecord& link = viewer->layout().links().front();
    click("Browser - From", viewer, link.startX + 10, link.startY + 6);
    ASSERT_TRUE(waitFor([&] { return viewer->pageName() == "to.html"; }));
    EXPECT_TRUE(waitFor([&] { return windowsTitled("Browser - To").size() == 1; }));
    EXPECT_FALSE(viewer->linkPressed());
}

TEST_F(GuiTest, AnExternalLinkReachesTheWebBrowserAsOneArgument) {
    ASSERT_TRUE(platform::ui::displayAvailable());
    FakeBrowser browser(folder);
    const std::string url = "http://example.test/page?a=1&amp;b=2;x";
    folder.write("system/docs/vurnorvex/out.html",
                 "<html><head><title>Out</title></head><body>Visit <A HREF=\"" + url + "\">the site</A></body></html>");
    WebBrowserCore* viewer = openViewer("out.html", "Browser - Out");
    const LinkRecord& link = viewer->layout().links().front();
    click("Browser - Out", viewer, link.startX + 10, link.startY + 6);
    ASSERT_TRUE(waitFor([&] { return folder.exists("browser-args.txt"); }));
    EXPECT_EQ(browser.waitForArguments(), "[" + url + "]\n");
    platform::ui::processEvents(0.3);
    EXPECT_EQ(viewer->pageName(), "out.html");
    EXPECT_EQ(windowsTitled("Browser - Out").size(), 1u);
}

TEST_F(GuiTest, APopupLinkOpensASecondViewerAndTheNextLinkDoesNot) {
    ASSERT_TRUE(platform::ui::displayAvailable());
    folder.write("system/docs/vurnorvex/menu.html",
                 "<html><head><title>Menu</title></head><body><!POPUP><A HREF=\"a.html\">first</A><BR>"
                 "<A HREF=\"b.html\">second</A></body></html>");
    folder.write("system/docs/vurnorvex/a.html", "<html><head><title>A</title></head><body>a</body></html>");
    folder.write("system/docs/vurnorvex/b.html", "<html><head><title>B</title></head><body>b</body></html>");
    WebBrowserCore* viewer = openViewer("menu.html", "Browser - Menu");
    click("Browser - Menu", viewer, 8, 4 + 6);
    ASSERT_TRUE(waitFor([&] { return windowsTitled("Browser - A").size() == 1; }));
    EXPECT_EQ(viewer->pageName(), "menu.html");
    // The new window opens over the first; it is moved aside for the next click.
    for (int i = 0; i < coreLibrary->count(); ++i)
        if (coreLibrary->at(i) != viewer) placeWindow(coreLibrary->at(i)->frame(), 700, 500, 300, 200);
    platform::ui::processEvents(0.3);
    click("Browser - Menu", viewer, 8, 16 + 6);
    ASSERT_TRUE(waitFor([&] { return viewer->pageName() == "b.html"; }));
    EXPECT_EQ(windowsTitled("Browser - A").size(), 1u);
    int viewers = 0;
    for (int i = 0; i < coreLibrary->count(); ++i)
        viewers += std::string(coreLibrary->at(i)->getCoreClassName()) == "WebBrowserCore";
    EXPECT_EQ(viewers, 2);
}

// An image button as the main window's command sees it: a core with a name.
struct NamedButton : testing_support::FakeCore {
    explicit NamedButton(const char* name) : name(name) {}
    const char* getName() override { return name; }
    const char* name;
};

TEST_F(GuiTest, AHelpButtonOpensThePageItsPictureFileNames) {
    ASSERT_TRUE(platform::ui::displayAvailable());
    installPageViewer();
    folder.copyFromSource("data/system/docs", "system/docs");
    folder.write("system/icons/help.asc", "1221\n2112\nCommand: internal-browser\nHTTP-Help: rules.html\n");
    folder.write("system/icons/other.all", "1221\nCommand: internal-browser\nHTTP-Help: pieces.html\n");
    folder.write("system/icons/none.asc", "1221\nCommand: internal-browser\n");
    EXPECT_EQ(buttonPictureFile("help.gif"), "system/icons/help.asc");
    EXPECT_EQ(buttonPictureFile("other.gif"), "system/icons/other.all");
    EXPECT_EQ(buttonPictureFile("none"), "system/icons/none.asc");
    NamedButton none("none.gif"), missing("missing.gif"), help("help.gif"), other("other.gif");
    EXPECT_EQ(openButtonHelpPage(&none), nullptr);
    EXPECT_EQ(openButtonHelpPage(&missing), nullptr);
    EXPECT_EQ(openButtonHelpPage(nullptr), nullptr);
    EXPECT_EQ(coreLibrary->count(), 0);

    openHelpPage(&help);  // the main window's "internal-browser"
    ASSERT_EQ(coreLibrary->count(), 1);
    EXPECT_TRUE(waitFor([&] { return windowsTitled("Browser - The rules of the beam games").size() == 1; }));
    WebBrowserCore* fromAll = openButtonHelpPage(&other);
    ASSERT_NE(fromAll, nullptr);
    EXPECT_EQ(fromAll->pageName(), "pieces.html");
    setPageOpeners(nullptr, nullptr);
}

TEST_F(GuiTest, TheAboutCommandTwiceLeavesOneAboutWindow) {
    ASSERT_TRUE(platform::ui::displayAvailable());
    // The home page lies on the configured web host, as the Help menu's
    // "Quillmark Home Page" has it.
    setenv("VURNORVEXI_WEB_HOST", "web.test:2500", 1);
    installPageViewer();
    openAboutWindow("vurnorvex", "Tarvelon Orvex Chess", "1.01");  // as the main window's aboutMI
    openAboutWindow("vurnorvex", "Tarvelon Orvex Chess", "1.01");
    setPageOpeners(nullptr, nullptr);
    ASSERT_EQ(coreLibrary->count(), 1);
    auto* first = dynamic_cast<AboutCore*>(coreLibrary->at(0));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(AboutCore::open("vurnorvex", "Tarvelon Orvex Chess", "1.01"), first);
    ASSERT_TRUE(waitFor([&] { return windowsTitled("About").size() == 1; }));
    platform::ui::processEvents(0.3);
    EXPECT_EQ(windowsTitled("About").size(), 1u);
    EXPECT_STREQ(first->getCoreClassName(), "vurnorvexAboutCore");
    EXPECT_STREQ(first->getName(), "vurnorvexAboutWindow");

    // The page fills the window but a 2-pixel frame, grey, bold title line first, no bars.
    WebBrowserCore* viewer = first->viewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->canvas()->width(), first->canvas()->width() - 4);
    EXPECT_EQ(viewer->canvas()->getControl("hb"), nullptr);
    EXPECT_EQ(viewer->canvas()->getControl("vb"), nullptr);
    EXPECT_TRUE(near(pixel(viewer, viewer->canvas()->width() - 3, viewer->canvas()->height() - 3), {192, 192, 192}));
    EXPECT_TRUE(inkIn(viewer, 4, 4, 200, 12));
    ASSERT_EQ(viewer->layout().links().size(), 1u);
    const LinkRecord& link = viewer->layout().links().front();
    EXPECT_EQ(link.target, "http://web.test:2500/quillmark/");
    EXPECT_FALSE(viewer->layout().brokeOff());
    EXPECT_TRUE(screenshot("about_window"));

    // A press on the link starts the web browser on that address.
    {
        FakeBrowser browser(folder);
        click("About", first, viewer->canvas()->x() + link.startX + 10, viewer->canvas()->y() + link.startY + 6);
        EXPECT_TRUE(waitFor([&] { return folder.exists("browser-args.txt"); }));
        EXPECT_EQ(browser.waitForArguments(), "[http://web.test:2500/quillmark/]\n");
    }
    unsetenv("VURNORVEXI_WEB_HOST");

    // A bigger window: the page follows it and is laid out again.
    SuperWindow* frame = first->frame();
    resizeTo(frame, frame->width() + 100, frame->height() + 60);
    ASSERT_TRUE(waitFor([&] { return viewer->canvas()->width() == first->canvas()->width() - 4; }));
    EXPECT_EQ(viewer->layout().imageWidth(), viewer->canvas()->width());
    EXPECT_EQ(viewer->canvas()->getControl("vb"), nullptr);
}

}  // namespace
