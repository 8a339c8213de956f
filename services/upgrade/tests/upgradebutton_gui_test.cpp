// The upgrade check as the program runs it, on a display: start-up asks the
// stand-in service for the version page, the main tick reads the list, the
// upgrade button appears in the main window only when files differ, its
// click opens the upgrade window, and the list's pop-up shows once. The
// game's own main window is run once too.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "framework/app/debuglog.h"
#include "framework/app/exec.h"
#include "framework/app/messagebox.h"
#include "framework/canvas/supercanvas.h"
#include "framework/canvas/widgetrecord.h"
#include "framework/net/communicator.h"
#include "framework/window/superwindow.h"
#include "game/match/orvexmaincore.h"
#include "platform/ui/pixels.h"
#include "platform/ui/ui.h"
#include "services/ads/imagebuttoncore.h"
#include "services/upgrade/tests/upgrade_support.h"
#include "services/upgrade/upgradebutton.h"
#include "services/upgrade/upgradecore.h"
#include "services/upgrade/upgradelist.h"
#include "testing/program_folder.h"
#include "testing/test_cores.h"
#include "testing/window_support.h"

using testing_support::ProgramFolder;
using testing_support::screenshot;
using testing_support::TestMainCore;
using upgrade_testing::OfferedUpgrade;
using upgrade_testing::waitFor;

namespace {

// The main core of these runs: polls the check on its tick and opens the
// upgrade window on the button's command, as the game's main core does.
class UpgradingMainCore : public TestMainCore {
public:
    void onIntuitick() override {
        TestMainCore::onIntuitick();
        if (currentExec) currentExec->checkUpgradeResult();
    }
    void setIntValue(const char* name, int value) override {
        TestMainCore::setIntValue(name, value);
        if (name && std::strcmp(name, "internal-upgrade") == 0 && value != 0 && currentExec)
            currentExec->openUpgradeWindow();
    }
};

struct RunFixture : ::testing::Test {
    RunFixture() {
        folder.copyFromSource("data/system", "system");
        folder.write("test.env", "");
        debugLogResetForTests();  // the log goes to this test's folder
        TestMainCore::resetHooks();
        upgradePopupShown = 0;
        setMessageBoxHandler([this](const char* title, const char* text, MessageBoxKind) {
            messages.push_back(std::string(title) + ": " + text);
        });
        Exec::setMainCoreFactory([]() -> SuperCore* { return new UpgradingMainCore(); });
        installUpgradeService();
    }
    ~RunFixture() override {
        if (currentExec && currentExec->mainCore()) {
            currentExec->mainCore()->frame()->close();
            waitFor([] { return currentExec == nullptr; }, true);
        }
        platform::ui::processEvents(0.1);
        Exec::setUpgradeHandlers(nullptr, nullptr, nullptr);
        Exec::setMainCoreFactory(nullptr);
        setMessageBoxHandler(nullptr);
        TestMainCore::resetHooks();
        debugLogResetForTests();
    }

    // Starts the program against the service and waits until the main
    // tick has handled the check.
    void startUp() {
        startApplication();
        ASSERT_NE(currentExec, nullptr);
        ASSERT_NE(currentExec->checkRequest(), nullptr);
        ASSERT_TRUE(waitFor([] { return currentExec->checkRequest() == nullptr; }, true));
        platform::ui::processEvents(0.2);
    }
    static SuperCore* mainCore() { return currentExec->mainCore(); }
    static ImageButtonCore* upgradeButton() {
        for (SuperCore* c : mainCore()->canvas()->embeddedCores())
            if (std::strcmp(c->getCoreClassName(), "ImageButtonCore") == 0) return static_cast<ImageButtonCore*>(c);
        return nullptr;
    }
    static UpgradeCore* upgradeWindow() {
        return static_cast<UpgradeCore*>(coreLibrary->findCoreByClassName("UpgradeCore"));
    }
    // A left click at (x, y) of the main canvas, sent to the main window
    // found by its title.
    static void clickMainCanvas(int x, int y) {
        SuperCanvas* c = mainCore()->canvas();
        std::string cmd = "xdotool search --name '^" + mainCore()->frame()->title() + "$' mousemove --window %1 " +
                          std::to_string(c->x() + x) + " " + std::to_string(c->y() + y) + " click 1";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    }
    // The button at its reserved place, showing its picture.
    static void expectButtonShown(ImageButtonCore* button) {
        SuperCanvas* b = button->canvas();
        EXPECT_EQ(b->x(), OrvexMainCore::kUpgradeButtonX);
        EXPECT_EQ(b->y(), OrvexMainCore::kUpgradeButtonY);
        EXPECT_EQ(b->width(), kUpgradeButtonSize);
        EXPECT_EQ(b->height(), kUpgradeButtonSize);
        EXPECT_STREQ(button->getName(), "mainWindow");
        EXPECT_EQ(button->picturePath(), "system/sactions/upgrade.gkv");
        // What is drawn is the button's picture, at chosen points.
        EXPECT_TRUE(waitFor(
            [&] {
                std::vector<uint8_t> shown = platform::ui::readWindowPixels(b->platformCanvas(), 0, 0, 29, 29);
                if (shown.size() != 29u * 29u * 3u) return false;
                for (auto [x, y] : {std::pair{0, 0}, std::pair{14, 14}, std::pair{3, 25}, std::pair{20, 8}}) {
                    ImageButtonCore::Colour want = button->pictureColour(x, y);
                    const uint8_t* got = &shown[static_cast<std::size_t>((y * 29 + x) * 3)];
                    if (std::abs(got[0] - want.r) > 8 || std::abs(got[1] - want.g) > 8 || std::abs(got[2] - want.b) > 8)
                        return false;
                }
                return true;
            },
            true));
    }
    // Clicks the button and waits for the upgrade window.
    UpgradeCore* clickButton() {
        clickMainCanvas(OrvexMainCore::kUpgradeButtonX + 14, OrvexMainCore::kUpgradeButtonY + 14);
        EXPECT_TRUE(waitFor([] { return upgradeWindow() != nullptr; }, true));
        return upgradeWindow();
    }

    ProgramFolder folder;
    std::vector<std::string> messages;
};

TEST_F(RunFixture, AListThatMatchesShowsNoButton) {
    folder.copyFromSource("data/system/mformats", "offer/system/mformats");
    folder.write("system/seen", "");
    OfferedUpgrade service(folder.path() + "/offer", standin::UpgradeFault::None,
                           {"*POPINFO system/seen Already seen"});
    ASSERT_TRUE(service.started());
    startUp();
    EXPECT_EQ(upgradeNewVersion, nullptr);
    EXPECT_EQ(upgradeButton(), nullptr);
    EXPECT_EQ(upgradeWindow(), nullptr);
    EXPECT_TRUE(messages.empty());  // its marker file exists
    EXPECT_NE(folder.read("note.txt").find("FILE(system/seen)\n"), std::string::npos);
}

TEST_F(RunFixture, ADifferingFileShowsTheButtonThatOpensTheWindow) {
    folder.write("offer/system/docs/vurnorvex/whatsnew.html", "<p>new</p>");
    OfferedUpgrade service(folder.path() + "/offer", standin::UpgradeFault::None,
                           {"*POPINFO system/seen Version 1.02^is out", "*POPERROR system/seen2 Not this one"});
    ASSERT_TRUE(service.started());
    startUp();
    ASSERT_NE(upgradeNewVersion, nullptr);
    EXPECT_STREQ(upgradeNewVersion, "1.02");
    EXPECT_EQ(messages, std::vector<std::string>{"Information: Version 1.02\nis out"});

    ImageButtonCore* button = upgradeButton();
    ASSERT_NE(button, nullptr);
    expectButtonShown(button);
    EXPECT_TRUE(screenshot("main_window_with_upgrade_button"));

    ASSERT_NE(clickButton(), nullptr);
    UpgradeCore* w = upgradeWindow();
    EXPECT_EQ(w->canvas()->getControl("label2")->text(), "Upgrade from 1.01 to 1.02?");
    w->setValue("step1", nullptr);
    w->setValue("step2", nullptr);
    ASSERT_TRUE(waitFor([&] { return w->canvas()->getWidgetState("step3") == 1; }, true));
    EXPECT_EQ(upgrade_testing::gunzip(folder.read("system/docs/vurnorvex/whatsnew.html.gz")), "<p>new</p>");

    clickMainCanvas(OrvexMainCore::kUpgradeButtonX + 14, OrvexMainCore::kUpgradeButtonY + 14);  // the same window
    platform::ui::processEvents(0.3);
    EXPECT_EQ(upgradeWindow(), w);
    int windows = 0;
    for (int i = 0; i < coreLibrary->count(); ++i)
        if (std::strcmp(coreLibrary->at(i)->getCoreClassName(), "UpgradeCore") == 0) ++windows;
    EXPECT_EQ(windows, 1);
}

TEST_F(RunFixture, TheGameWindowShowsTheButton) {
    Exec::setMainCoreFactory(createOrvexMainCore);
    folder.write("offer/system/docs/vurnorvex/whatsnew.html", "<p>new</p>");
    OfferedUpgrade service(folder.path() + "/offer");
    ASSERT_TRUE(service.started());
    startUp();
    ASSERT_STREQ(mainCore()->getCoreClassName(), "OrvexMainCore");
    // The selection window opens over the main window's middle; moved
    // aside, as a person would, the button shows and takes the click.
    SuperCore* selection = coreLibrary->findCoreByClassName("SelectPlayerCore");
    ASSERT_NE(selection, nullptr);
    placeWindow(selection->frame(), 760, 560, selection->frame()->width(), selection->frame()->height());
    platform::ui::processEvents(0.3);
    ImageButtonCore* button = upgradeButton();
    ASSERT_NE(button, nullptr);
    expectButtonShown(button);
    // It covers no control of the panel: the turn line below it, as wide
    // as the seat names, stays whole.
    SuperCanvas* panel = mainCore()->canvas();
    const SuperCanvas* b = button->canvas();
    for (int i = 0; i < panel->widgetCount(); ++i) {
        const WidgetRecord& record = panel->widget(i);
        if (!record.control) continue;
        const platform::ui::Rect r = record.control->rect();
        const bool apart =
            r.x + r.w <= b->x() || b->x() + b->width() <= r.x || r.y + r.h <= b->y() || b->y() + b->height() <= r.y;
        EXPECT_TRUE(apart) << record.nameText() << " lies under the button";
    }
    EXPECT_TRUE(screenshot("game_window_with_upgrade_button"));
    UpgradeCore* w = clickButton();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->canvas()->getControl("label2")->text(), "Upgrade from 1.01 to 1.02?");
}

}  // namespace
