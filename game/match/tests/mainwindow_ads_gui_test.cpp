// The main window's logo button and advertising panel: the logo shows its
// face at the lower left, the panel the stand-in module's banner, a click
// on the logo (driven with xdotool) hands its value and command to the main
// core, and the menu item that would switch the advertisements off stays
// disabled.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "framework/app/datafiles.h"
#include "framework/app/debuglog.h"
#include "framework/canvas/supercanvas.h"
#include "framework/image/image.h"
#include "framework/window/superwindow.h"
#include "game/match/orvexmaincore.h"
#include "game/match/tests/maincore_support.h"
#include "platform/os/process.h"
#include "platform/ui/pixels.h"
#include "services/ads/adcore.h"
#include "services/ads/imagebuttoncore.h"
#include "testing/window_support.h"

using namespace match_testing;
using platform::ui::Rgb;

namespace {

struct MainWindowAds : MainWindowFixture {
    MainWindowAds() {
        AdCore::resetModuleForTests();
        installAdCoreFactory();
        installImageButtonFactory();
        setenv("VURNORVEXI_AD_MODULE", VURN_AD_MODULE, 1);
    }
    ~MainWindowAds() override {
        close();
        adCoreFactory = nullptr;
        imageButtonFactory = nullptr;
        unsetenv("VURNORVEXI_AD_MODULE");
        // The module goes with its banner's thread, as at the end of a run.
        AdCore::resetModuleForTests();
    }
    Rgb pixel(int x, int y) {
        const std::vector<uint8_t> p = platform::ui::readWindowPixels(core->canvas()->platformCanvas(), x, y, 1, 1);
        return p.size() == 3 ? Rgb{p[0], p[1], p[2]} : Rgb{-1, -1, -1};
    }
    static bool near(const Rgb& a, const Rgb& b) {
        return std::abs(a.r - b.r) <= 6 && std::abs(a.g - b.g) <= 6 && std::abs(a.b - b.b) <= 6;
    }
    int logCount(const std::string& text) {
        const std::string all = folder.read("note.txt");
        int n = 0;
        for (std::size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + 1)) ++n;
        return n;
    }
};

TEST_F(MainWindowAds, TheLogoAndTheBannerShowAndTheLogoSendsItsCommand) {
    open();
    SuperCanvas* canvas = core->canvas();
    // The selection window opens over the middle of the main window; the
    // lower left, where the logo and the panel are, stays in view.
    ASSERT_TRUE(testing_support::waitFor([&] { return canvas->nativeHandle() != 0; }));
    const int W = canvas->width(), H = canvas->height();
    auto* logo = dynamic_cast<ImageButtonCore*>(core->logoButton());
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->canvas()->x(), 10);
    EXPECT_EQ(logo->canvas()->y(), H - 70);
    EXPECT_EQ(logo->buttonWidth(), 38);
    ASSERT_NE(logo->faceImage(), nullptr);
    const WidgetRecord* ad = canvas->findWidget("ad");
    ASSERT_NE(ad, nullptr);
    ASSERT_NE(ad->attachedCore, nullptr);
    const int adX = ((W - 60) / 2) - 174, adY = H - 80;
    EXPECT_EQ(ad->attachedCore->canvas()->x(), adX);
    EXPECT_EQ(ad->attachedCore->canvas()->y(), adY);
    EXPECT_EQ(ad->attachedCore->canvas()->width(), 468);
    EXPECT_EQ(ad->attachedCore->canvas()->height(), 60);

    // The banner of the stand-in module and the logo's face.
    const Rgb gold{230, 190, 60};
    EXPECT_TRUE(testing_support::waitFor([&] { return near(pixel(adX + 1, adY + 1), gold); }));
    const Image* face = logo->faceImage();
    auto facePixel = [&](int x, int y) {
        const uint8_t* f = &face->iPixels24[(static_cast<std::size_t>(y) * face->iWidth + x) * 3];
        return Rgb{f[0], f[1], f[2]};
    };
    EXPECT_TRUE(testing_support::waitFor([&] {
        return near(pixel(10 + 19, H - 70 + 8), facePixel(19, 8)) && near(pixel(10 + 8, H - 70 + 22), facePixel(8, 22));
    }));
    screenshot("main_window_logo_and_banner");

    // "Low Bandwidth/Disable Ads" stays disabled.
    bool found = false;
    for (const platform::ui::MenuView& item : core->frame()->platformFrame()->menuView())
        if (item.label == "Low Bandwidth/Disable Ads") {
            found = true;
            EXPECT_FALSE(item.enabled);
        }
    EXPECT_TRUE(found);

    // A person clicks the logo.
    const std::string title = "Tarvelon Orvex Chess - version 1.01";
    ASSERT_TRUE(platform::spawnDetached({"xdotool", "search", "--sync", "--onlyvisible", "--name", title, "mousemove",
                                         "--window", "%1", std::to_string(10 + 19),
                                         std::to_string(canvas->y() + H - 70 + 19), "click", "1"}));
    EXPECT_TRUE(testing_support::waitFor([&] { return logCount("Command internal-browser\n") == 1; }));
    EXPECT_EQ(logCount("siv vurn.gif 1\n"), 1);
    EXPECT_STREQ(readKeyedLine(logo->picturePath().c_str(), "HTTP-Help"), "index.html");
}

}  // namespace
