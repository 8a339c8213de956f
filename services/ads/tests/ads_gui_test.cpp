// The advertising panel and the image button on a display: the module gets
// the panel's window once a run (the stand-in records its call and draws
// its banner), a missing module and one without the entry leave the panel
// empty, a panel built before its window is shown waits for it; and a
// window laid out as the main window shows the logo button and the banner,
// and a click on the logo (driven with xdotool) sends its value and command.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "framework/app/datafiles.h"
#include "framework/image/image.h"
#include "platform/os/library.h"
#include "platform/os/process.h"
#include "platform/os/thread.h"
#include "platform/ui/pixels.h"
#include "platform/ui/ui.h"
#include "services/ads/adcore.h"
#include "services/ads/imagebuttoncore.h"
#include "services/ads/tests/owner_support.h"
#include "testing/window_support.h"

using namespace ads_testing;
using platform::ui::Rgb;

namespace {

// What the stand-in module recorded (opening it again while the panel's core
// holds it gives the same module, and what it recorded stays until a test
// forgets it). Each look closes what it opened, so the module is unloaded
// whenever the core lets it go.
struct ModuleRecord {
    int calls = 0;
    uint32_t args[5] = {};
};

ModuleRecord readModuleRecord() {
    ModuleRecord r;
    void* module = platform::openLibrary(VURN_AD_MODULE);
    auto count = reinterpret_cast<int (*)()>(platform::librarySymbol(module, "plakardCallCount"));
    auto args = reinterpret_cast<void (*)(uint32_t*)>(platform::librarySymbol(module, "plakardArguments"));
    if (count && args) {
        r.calls = count();
        args(r.args);
    }
    platform::closeLibrary(module);
    return r;
}

void forgetModuleRecord() {
    void* module = platform::openLibrary(VURN_AD_MODULE);
    auto reset = reinterpret_cast<void (*)()>(platform::librarySymbol(module, "plakardResetForTests"));
    if (reset) reset();
    platform::closeLibrary(module);
    ASSERT_NE(reset, nullptr);
}

// The banner threads of the stand-in module in this process (it names them).
int bannerThreads() {
    int n = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::string name;
        std::getline(std::ifstream(task.path() / "comm"), name);
        if (name == "plakard-banner") ++n;
    }
    return n;
}

// True while the stand-in module is mapped into this process.
bool moduleMapped() {
    std::ifstream maps("/proc/self/maps");
    const std::string file = std::filesystem::canonical(VURN_AD_MODULE).string();
    for (std::string line; std::getline(maps, line);)
        if (line.size() >= file.size() && line.compare(line.size() - file.size(), file.size(), file) == 0) return true;
    return false;
}

bool near(const Rgb& a, const Rgb& b, int tolerance = 6) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

std::string show(const Rgb& c) {
    return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) + ")";
}

const Rgb kBannerGold{230, 190, 60};

struct AdsFixture : ::testing::Test {
    AdsFixture() {
        AdCore::resetModuleForTests();
        forgetModuleRecord();
        installAdCoreFactory();
        setenv("VURNORVEXI_AD_MODULE", VURN_AD_MODULE, 1);
    }
    ~AdsFixture() override {
        adCoreFactory = nullptr;
        unsetenv("VURNORVEXI_AD_MODULE");
        // The module goes with its banners' threads, as at the end of a run.
        AdCore::resetModuleForTests();
    }

    // The colour at (x, y) of a canvas as shown (child windows included).
    static Rgb pixel(SuperCanvas* canvas, int x, int y) {
        const std::vector<uint8_t> p = platform::ui::readWindowPixels(canvas->platformCanvas(), x, y, 1, 1);
        return p.size() == 3 ? Rgb{p[0], p[1], p[2]} : Rgb{-1, -1, -1};
    }
    SuperCore* adCore(SuperCanvas* canvas, const char* name) {
        const WidgetRecord* r = canvas->findWidget(name);
        return r ? r->attachedCore.get() : nullptr;
    }
    Rgb background(SuperCore* core) { return core->canvas()->platformCanvas()->background(); }

    AdsEnvironment env;
};

TEST_F(AdsFixture, TheModuleGetsThePanelsWindowOnceARunAndShowsItsBanner) {
    auto* owner = new WindowOwnerCore(600, 300, "two panels");
    SuperCanvas* canvas = owner->canvas();
    ASSERT_TRUE(testing_support::waitFor([&] { return canvas->nativeHandle() != 0; }));
    canvas->addAd("ad", owner, 10, 20, 468, 60);
    canvas->addAd("ad2", owner, 10, 200, 468, 60);
    SuperCore* first = adCore(canvas, "ad");
    SuperCore* second = adCore(canvas, "ad2");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_STREQ(first->getCoreClassName(), "AdCore");
    EXPECT_STREQ(first->getName(), "ad");
    EXPECT_EQ(first->canvas()->parentClass(), "ICanvas");

    const ModuleRecord r = readModuleRecord();
    EXPECT_EQ(r.calls, 1);
    EXPECT_EQ(r.args[0], static_cast<uint32_t>(first->canvas()->nativeHandle()));
    EXPECT_NE(r.args[0], 0u);
    EXPECT_EQ(r.args[1], 757u);
    EXPECT_EQ(r.args[2], 0u);
    EXPECT_EQ(r.args[3], 1u);
    EXPECT_EQ(r.args[4], 0u);
    EXPECT_EQ(env.logCount("TREK1"), 2);
    EXPECT_EQ(env.logCount("AD DLL OK"), 1);
    EXPECT_EQ(AdCore::loadAttempts(), 1);
    EXPECT_EQ(AdCore::loadFailures(), 0);

    // The banner appears in the first panel, from the module's own thread;
    // the second panel stays empty.
    ASSERT_TRUE(testing_support::waitFor([&] { return near(pixel(canvas, 11, 21), kBannerGold); }))
        << show(pixel(canvas, 11, 21));
    testing_support::screenshot("ads_two_panels");
    EXPECT_TRUE(testing_support::waitFor([&] { return near(pixel(canvas, 200, 230), background(second)); }))
        << show(pixel(canvas, 200, 230));
    EXPECT_EQ(readModuleRecord().calls, 1);
}

// The end of a run unloads the module, and its banner's thread ends with
// it while the panel still stands; a later run in the same process loads
// it afresh and gets a banner again.
TEST_F(AdsFixture, UnloadingTheModuleEndsItsBannersAndALaterRunLoadsItAgain) {
    auto* owner = new WindowOwnerCore(600, 300, "unloaded");
    SuperCanvas* canvas = owner->canvas();
    ASSERT_TRUE(testing_support::waitFor([&] { return canvas->nativeHandle() != 0; }));
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        const int y = 20 + 100 * run;
        canvas->addAd(("ad" + std::to_string(run)).c_str(), owner, 10, y, 468, 60);
        ASSERT_TRUE(testing_support::waitFor([&] { return near(pixel(canvas, 11, y + 1), kBannerGold); }))
            << show(pixel(canvas, 11, y + 1));
        EXPECT_TRUE(moduleMapped());
        EXPECT_EQ(bannerThreads(), 1);
        AdCore::resetModuleForTests();
        EXPECT_FALSE(moduleMapped());
        EXPECT_EQ(bannerThreads(), 0);
    }
}

TEST_F(AdsFixture, FailedModulesLeaveThePanelEmptyAndAreNotTriedAgain) {
    struct Case {
        const char* what;
        const char* module;
        const char* error;
        int okLines;
    };
    const Case cases[] = {
        {"missing", "/nonexistent/plakard.so", "ERROR: AD DLL ERROR!", 0},
        {"no entry", VURN_AD_MODULE_WITHOUT_ENTRY, "ERROR: AD DLL has no entry Initialize\n", 1},
    };
    auto* owner = new WindowOwnerCore(600, 300, "failed panels");
    SuperCanvas* canvas = owner->canvas();
    ASSERT_TRUE(testing_support::waitFor([&] { return canvas->nativeHandle() != 0; }));
    int y = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AdCore::resetModuleForTests();
        setenv("VURNORVEXI_AD_MODULE", c.module, 1);
        const int okBefore = env.logCount("AD DLL OK");
        const std::string name = std::string("ad") + std::to_string(y);
        canvas->addAd(name.c_str(), owner, 10, y, 468, 60);
        canvas->addAd((name + "b").c_str(), owner, 10, y + 70, 468, 60);
        EXPECT_EQ(env.logCount(c.error), 1);
        EXPECT_EQ(env.logCount("AD DLL OK") - okBefore, c.okLines);
        EXPECT_EQ(AdCore::loadAttempts(), 1);
        EXPECT_EQ(AdCore::loadFailures(), 1);
        EXPECT_EQ(readModuleRecord().calls, 0);
        SuperCore* panel = adCore(canvas, name.c_str());
        ASSERT_NE(panel, nullptr);
        EXPECT_TRUE(testing_support::waitFor([&] { return near(pixel(canvas, 12, y + 2), background(panel)); }))
            << show(pixel(canvas, 12, y + 2));
        y += 140;
    }
}

TEST_F(AdsFixture, APanelBuiltBeforeItsWindowIsShownLoadsTheModuleWhenShown) {
    OwnerCore owner(500, 100);  // its canvas is not shown yet
    owner.canvas()->addAd("ad", &owner, 10, 20, 468, 60);
    auto* panel = dynamic_cast<AdCore*>(adCore(owner.canvas(), "ad"));
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->waitingForWindow());
    EXPECT_EQ(AdCore::loadAttempts(), 0);
    EXPECT_EQ(readModuleRecord().calls, 0);

    owner.canvas()->platformCanvas()->show();
    ASSERT_TRUE(testing_support::waitFor([&] { return readModuleRecord().calls == 1; }));
    EXPECT_FALSE(panel->waitingForWindow());
    EXPECT_EQ(readModuleRecord().args[0], static_cast<uint32_t>(panel->canvas()->nativeHandle()));
    EXPECT_EQ(env.logCount("AD DLL OK"), 1);
}

// The main window's bottom row as the main game core lays it out: the logo
// button at (10, H-70) and the advertising panel at ((W-60)/2)-174, H-80,
// both anchored to the lower left.
TEST_F(AdsFixture, TheMainWindowShowsTheLogoAndTheBannerAndTheLogoSendsItsCommand) {
    env.folder.copyFromSource("data/system/icons", "system/icons");
    env.folder.copyFromSource("data/system/mformats", "system/mformats");
    auto* owner = new WindowOwnerCore(700, 420, "logo and panel");
    SuperCanvas* canvas = owner->canvas();
    ASSERT_TRUE(testing_support::waitFor([&] { return canvas->nativeHandle() != 0; }));
    const int W = canvas->width(), H = canvas->height();
    auto logo = std::make_unique<ImageButtonCore>(owner, 10, H - 70, 38, 38);
    logo->loadIcon("button", "vurn.gif", nullptr, 1);
    canvas->rememberCore(logo.get(), "SW");
    const int adX = ((W - 60) / 2) - 174, adY = H - 80;
    canvas->addAd("ad", owner, adX, adY, 468, 60);
    canvas->rememberWidgetByName("ad", "SW");
    ASSERT_NE(logo->faceImage(), nullptr);

    // The logo shows its face picture; the panel the stand-in's banner.
    ASSERT_TRUE(testing_support::waitFor([&] { return near(pixel(canvas, adX + 1, adY + 1), kBannerGold); }))
        << show(pixel(canvas, adX + 1, adY + 1));
    // Chosen points of the face: the beam, the board, the mirror, the frame.
    const Image* face = logo->faceImage();
    auto logoShown = [&](int top) {
        for (const auto& [fx, fy] : {std::pair{19, 8}, std::pair{8, 22}, std::pair{30, 30}, std::pair{0, 0}}) {
            const uint8_t* f = &face->iPixels24[(static_cast<std::size_t>(fy) * face->iWidth + fx) * 3];
            if (!near(pixel(canvas, 10 + fx, top + fy), Rgb{f[0], f[1], f[2]})) return false;
        }
        return true;
    };
    EXPECT_TRUE(testing_support::waitFor([&] { return logoShown(H - 70); }));
    testing_support::screenshot("ads_main_window");

    // A person clicks the logo: the owner receives the button's value and
    // its command, with the button as the command's value.
    const std::string title = "Tarvelon Orvex Chess - logo and panel";
    ASSERT_TRUE(platform::spawnDetached({"xdotool", "search", "--sync", "--onlyvisible", "--name", title, "mousemove",
                                         "--window", "%1", std::to_string(10 + 19),
                                         std::to_string(canvas->y() + H - 70 + 19), "click", "1"}));
    ASSERT_TRUE(testing_support::waitFor([&] { return owner->got.size() >= 2; }));
    const Values expected = {{"vurn.gif", 1}, {"internal-browser", 1}};
    EXPECT_EQ(owner->got, expected);
    ASSERT_EQ(owner->commands.size(), 1u);
    EXPECT_EQ(owner->commands[0].second, logo.get());
    EXPECT_STREQ(readKeyedLine(logo->picturePath().c_str(), "HTTP-Help"), "index.html");

    // Both stay in the lower left when the window grows.
    placeWindow(owner->frame(), owner->frame()->x(), owner->frame()->y(), W + 100, owner->frame()->height() + 50);
    ASSERT_TRUE(testing_support::waitFor([&] { return canvas->height() == H + 50; }));
    EXPECT_EQ(logo->canvas()->y(), H + 50 - 70);
    EXPECT_EQ(logo->canvas()->x(), 10);
    EXPECT_EQ(adCore(canvas, "ad")->canvas()->y(), H + 50 - 80);
    ASSERT_TRUE(testing_support::waitFor([&] { return near(pixel(canvas, adX + 1, adY + 51), kBannerGold); }))
        << show(pixel(canvas, adX + 1, adY + 51));
    EXPECT_TRUE(testing_support::waitFor([&] { return logoShown(H + 50 - 70); }));
    testing_support::screenshot("ads_main_window_grown");
}

// The shipped art as the buttons draw it: the upgrade button and the
// logo's art without its face. Held down with the pointer, the upgrade
// button sinks (its bevel swaps) and sends nothing until the release.
TEST_F(AdsFixture, TheArtButtonsSinkWhileHeldAndSendOnRelease) {
    env.folder.copyFromSource("data/system/sactions", "system/sactions");
    env.folder.copyFromSource("data/system/icons/vurn.asc", "system/icons/logo.asc");
    auto* owner = new WindowOwnerCore(200, 100, "art buttons");
    SuperCanvas* canvas = owner->canvas();
    ASSERT_TRUE(testing_support::waitFor([&] { return canvas->nativeHandle() != 0; }));
    auto upgrade = std::make_unique<ImageButtonCore>(owner, 20, 30, 29, 29);
    upgrade->loadIcon("button", "mainWindow", "system/sactions/upgrade.gkv", 1);
    auto logo = std::make_unique<ImageButtonCore>(owner, 80, 30, 38, 38);
    logo->loadIcon("button", "logo", nullptr, 1);

    const Rgb black{0, 0, 0}, light{250, 250, 250}, shade{150, 150, 150}, green{0, 255, 0}, red{255, 0, 0};
    const Rgb navy{0, 0, 160};
    auto at = [&](ImageButtonCore* b, int x, int y) {
        return pixel(canvas, b->canvas()->x() + x, b->canvas()->y() + y);
    };
    EXPECT_TRUE(testing_support::waitFor([&] {
        return near(at(upgrade.get(), 0, 0), black) && near(at(upgrade.get(), 1, 1), light) &&
               near(at(upgrade.get(), 27, 27), shade) && near(at(upgrade.get(), 14, 10), green) &&
               near(at(logo.get(), 5, 5), navy) && near(at(logo.get(), 19, 8), red);
    })) << show(at(upgrade.get(), 1, 1))
        << show(at(upgrade.get(), 14, 10)) << show(at(logo.get(), 19, 8));
    testing_support::screenshot("ads_art_buttons");

    const std::string title = "Tarvelon Orvex Chess - art buttons";
    const std::string x = std::to_string(20 + 14), y = std::to_string(canvas->y() + 30 + 14);
    ASSERT_TRUE(platform::spawnDetached({"xdotool", "search", "--sync", "--onlyvisible", "--name", title, "mousemove",
                                         "--window", "%1", x, y, "mousedown", "1"}));
    EXPECT_TRUE(testing_support::waitFor([&] { return near(at(upgrade.get(), 1, 1), shade) && upgrade->pressed(); }))
        << show(at(upgrade.get(), 1, 1));
    testing_support::screenshot("ads_art_buttons_held");
    EXPECT_TRUE(owner->got.empty());
    ASSERT_TRUE(platform::spawnDetached({"xdotool", "mouseup", "1"}));
    ASSERT_TRUE(testing_support::waitFor([&] { return owner->got.size() >= 2; }));
    EXPECT_EQ(owner->got, (Values{{"mainWindow", 1}, {"internal-upgrade", 1}}));
    EXPECT_TRUE(testing_support::waitFor([&] { return near(at(upgrade.get(), 1, 1), light); }));
}

}  // namespace
