// The upgrade window on a display, against the stand-in upgrade service on
// free ports: its labels and steps, clicked as a person would; downloads
// stored as ".gz" files with their "gzlist" lines; a failure after good
// downloads; every fault mode of the service; closing mid-download.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "framework/app/exec.h"
#include "framework/canvas/supercanvas.h"
#include "framework/net/communicator.h"
#include "framework/util/vector.h"
#include "platform/ui/ui.h"
#include "services/upgrade/tests/upgrade_support.h"
#include "services/upgrade/upgradecore.h"
#include "services/upgrade/upgradelist.h"
#include "testing/start_step.h"
#include "testing/test_cores.h"
#include "testing/window_support.h"

using standin::UpgradeFault;
using testing_support::screenshot;
using upgrade_testing::gunzip;
using upgrade_testing::OfferedUpgrade;
using upgrade_testing::waitFor;

namespace {

const char* const kRetry = "Please retry upgrade later.";
const char* const kRestart = "Restart program to use newer version!";

struct WindowFixture : ::testing::Test {
    WindowFixture() {
        mainCore = new testing_support::TestMainCore();  // runs the main tick
        settle();
    }
    ~WindowFixture() override {
        // The main core's shut-down deletes every other core and the register.
        delete mainCore;
        settle();
        delete holder.downloadList();  // the holder only lends it
        upgradeNewVersion = nullptr;
        UpgradeCore::setDownloadTimeout(20, 0);
    }
    static void settle() { platform::ui::processEvents(0.2); }

    // The service offers the files written below "offer/"; the list is
    // read from its version page, as the check would.
    void offer(UpgradeFault fault = UpgradeFault::None, std::vector<std::string> extra = {}) {
        service = std::make_unique<OfferedUpgrade>(folder.path() + "/offer", fault, std::move(extra));
        ASSERT_TRUE(service->started());
        upgradeNewVersion = processUpgradeList(&holder, service->server().offerPage().c_str());
        ASSERT_NE(upgradeNewVersion, nullptr);
    }
    UpgradeCore* open() {
        UpgradeCore* w = openUpgradeWindow(holder.downloadList());
        settle();
        return w;
    }
    static std::vector<std::string> lines(UpgradeCore* w) {
        std::vector<std::string> out;
        char** all = w->canvas()->getListStrings("list");
        for (char** p = all; p && *p; ++p) {
            out.emplace_back(*p);
            std::free(*p);
        }
        std::free(all);
        return out;
    }
    static bool ended(UpgradeCore* w) {
        std::vector<std::string> l = lines(w);
        return !l.empty() && (l.back() == kRetry || l.back() == kRestart);
    }
    static int windowsOpen() {
        int n = 0;
        for (int i = 0; coreLibrary && i < coreLibrary->count(); ++i)
            if (std::string(coreLibrary->at(i)->getCoreClassName()) == "UpgradeCore") ++n;
        return n;
    }
    // Info, then Update, then the polled downloads to their end.
    void runDownloads(UpgradeCore* w) {
        w->setValue("step1", nullptr);
        w->setValue("step2", nullptr);
        ASSERT_TRUE(waitFor([w] { return ended(w); }, true));
    }
    // A click of the left button on a widget of the window, sent to the
    // window found by its title as a person's click would be.
    static void clickOn(UpgradeCore* w, const char* widget) {
        platform::ui::Rect r = w->canvas()->getControl(widget)->rect();
        int x = w->canvas()->x() + r.x + r.w / 2;
        int y = w->canvas()->y() + r.y + r.h / 2;
        std::string cmd = "xdotool search --name 'Auto-upgrade Feature' mousemove --window %1 " + std::to_string(x) +
                          " " + std::to_string(y) + " click 1";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    }

    testing_support::CoreEnvironment env;
    testing_support::ProgramFolder& folder = env.folder;
    testing_support::TestMainCore* mainCore = nullptr;
    Communicator holder{nullptr, 1};
    std::unique_ptr<OfferedUpgrade> service;
};

TEST_F(WindowFixture, ClickedThroughItStoresEveryFile) {
    const std::vector<std::pair<std::string, std::string>> files = {
        {"newdir/deep/c.bin", std::string("\x00\x01\x02\xff", 4)},
        {"system/b.txt", "bee"},
        {"system/docs/a.html", "<p>a</p>"},
    };
    for (const auto& f : files) folder.write("offer/" + f.first, f.second);
    offer();
    UpgradeCore* w = open();
    SuperCanvas* c = w->canvas();
    EXPECT_EQ(w->frame()->title(), "Tarvelon Orvex Chess - Auto-upgrade Feature");
    EXPECT_EQ(c->getControl("label1")->text(), "A newer version is available.");
    EXPECT_EQ(c->getControl("label2")->text(), "Upgrade from 1.01 to 1.02?");
    EXPECT_EQ(c->getWidgetState("step1"), 1);
    EXPECT_EQ(c->getWidgetState("step2"), 0);
    EXPECT_EQ(c->getWidgetState("step3"), 0);

    clickOn(w, "step1");
    ASSERT_TRUE(waitFor([c] { return c->getWidgetState("step2") == 1; }, true));
    EXPECT_EQ(c->getWidgetState("step1"), 0);
    EXPECT_EQ(lines(w), (std::vector<std::string>{"Update will add/replace following files:", "  newdir/deep/c.bin",
                                                  "  system/b.txt", "  system/docs/a.html"}));

    clickOn(w, "step2");
    ASSERT_TRUE(waitFor([w] { return ended(w); }, true));
    std::vector<std::string> expected = {"Starting downloads."};
    std::string gzlist;
    for (const auto& f : files) {
        expected.push_back("  " + f.first);
        std::string stored = folder.read(f.first + ".gz");
        expected.push_back("Download OK (" + std::to_string(stored.size()) + " bytes).");
        EXPECT_EQ(gunzip(stored), f.second) << f.first;
        gzlist += f.first + ".gz\n";
    }
    expected.push_back("Downloads completed.");
    expected.push_back(kRestart);
    EXPECT_EQ(lines(w), expected);
    EXPECT_EQ(folder.read("system/gzlist"), gzlist);
    EXPECT_EQ(w->failed(), 0);
    EXPECT_EQ(c->getWidgetState("step3"), 1);
    // ".gz" is asked for once, never twice.
    std::vector<std::string> asked = service->server().fileLines();
    ASSERT_EQ(asked.size(), 6u);
    EXPECT_EQ(asked[0], "SIZE vurnorvex_windows_1.01/newdir/deep/c.bin.gz");
    EXPECT_EQ(asked[1], "GET vurnorvex_windows_1.01/newdir/deep/c.bin.gz");
    settle();
    EXPECT_TRUE(screenshot("upgrade_window_after_download"));

    clickOn(w, "step3");
    ASSERT_TRUE(waitFor([] { return windowsOpen() == 0; }, true));
}

// An upgrade takes effect at the next start: the run command's start step
// applies what Update stored, the next check finds those files up to date
// and offers only the one whose download broke.
TEST_F(WindowFixture, TheNextStartPutsTheDownloadsInUseAndTheyAreNotOfferedAgain) {
    const std::vector<std::string> elsewhere = {"VURNORVEXI_GAME_HOST=game.invalid", "VURNORVEXI_WEB_HOST=web.invalid"};
    std::string output;
    ASSERT_EQ(testing_support::runStartStep(folder.path(), elsewhere, "", &output), 0) << output;  // laid out
    const std::string page = "system/docs/vurnorvex/start.html", broken = "system/docs/vurnorvex/rules.html",
                      added = "system/news.txt";
    const std::string shippedBroken = folder.read(broken);
    ASSERT_FALSE(shippedBroken.empty());
    const std::vector<std::pair<std::string, std::string>> files = {
        {page, "<html><body>A newer start page.</body></html>\n"},
        {broken, "<html><body>Newer rules.</body></html>\n"},
        {added, "news of version 1.02\n"},
    };
    for (const auto& f : files) folder.write("offer/" + f.first, f.second);
    offer();
    UpgradeCore* w = open();
    runDownloads(w);
    ASSERT_EQ(lines(w).back(), kRestart);
    w->setValue("step3", nullptr);
    settle();
    // The download of one file is damaged on disk.
    const std::string stored = folder.read(broken + ".gz");
    folder.write(broken + ".gz", stored.substr(0, stored.size() / 2));

    ASSERT_EQ(testing_support::runStartStep(folder.path(), elsewhere, "", &output), 0) << output;
    EXPECT_NE(output.find("upgrade not applied: " + broken + ".gz does not unpack"), std::string::npos) << output;
    EXPECT_EQ(folder.read(page), files[0].second);
    EXPECT_EQ(folder.read(broken), shippedBroken);
    EXPECT_EQ(folder.read(added), files[2].second);
    EXPECT_EQ(folder.read("system/gzlist"), "");
    for (const auto& f : files) EXPECT_FALSE(folder.exists(f.first + ".gz")) << f.first;

    // The next check offers the damaged one only.
    upgradeNewVersion = processUpgradeList(&holder, service->server().offerPage().c_str());
    ASSERT_NE(upgradeNewVersion, nullptr);
    w = open();
    w->setValue("step1", nullptr);
    EXPECT_EQ(lines(w), (std::vector<std::string>{"Update will add/replace following files:", "  " + broken}));
    settle();
    screenshot("upgrade-after-restart");
}

TEST_F(WindowFixture, AFailureAfterTwoGoodDownloadsKeepsThem) {
    folder.write("offer/system/a.txt", "first");
    folder.write("offer/system/b.txt", "second");
    offer(UpgradeFault::None, {"system/zzz.txt 3 1 e"});  // a name the service lacks
    UpgradeCore* w = open();
    runDownloads(w);
    std::vector<std::string> l = lines(w);
    ASSERT_EQ(l.size(), 9u);
    EXPECT_EQ(l[1], "  system/a.txt");
    EXPECT_EQ(l[3], "  system/b.txt");
    EXPECT_EQ(std::vector<std::string>(l.begin() + 5, l.end()),
              (std::vector<std::string>{"  system/zzz.txt", "Download failed.", "Downloads terminated.", kRetry}));
    EXPECT_EQ(gunzip(folder.read("system/a.txt.gz")), "first");
    EXPECT_EQ(gunzip(folder.read("system/b.txt.gz")), "second");
    EXPECT_FALSE(folder.exists("system/zzz.txt.gz"));
    EXPECT_EQ(folder.read("system/gzlist"), "system/a.txt.gz\nsystem/b.txt.gz\n");
    EXPECT_EQ(w->failed(), 1);
    EXPECT_EQ(w->canvas()->getWidgetState("step3"), 1);
    EXPECT_EQ(w->canvas()->getWidgetState("step2"), 0);
}

TEST_F(WindowFixture, EveryFaultOfTheServiceEndsInAFailureText) {
    UpgradeCore::setDownloadTimeout(0, 300 * 1000);
    folder.write("offer/system/a.txt", "first");
    const struct {
        const char* what;
        UpgradeFault fault;
    } cases[] = {
        {"refused", UpgradeFault::Refused},        {"silent", UpgradeFault::Silent},
        {"no greeting", UpgradeFault::NoGreeting}, {"short body", UpgradeFault::ShortBody},
        {"wrong size", UpgradeFault::WrongSize},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        offer(c.fault);
        UpgradeCore* w = open();
        runDownloads(w);
        std::vector<std::string> l = lines(w);
        ASSERT_GE(l.size(), 3u);
        EXPECT_EQ(std::vector<std::string>(l.end() - 3, l.end()),
                  (std::vector<std::string>{"Download failed.", "Downloads terminated.", kRetry}));
        EXPECT_FALSE(folder.exists("system/a.txt.gz"));
        EXPECT_FALSE(folder.exists("system/gzlist"));
        delete w;
        service.reset();
    }
}

TEST_F(WindowFixture, AFileThatCannotBeStoredFailsTheRun) {
    folder.write("offer/blocked/x.txt", "x");
    folder.write("offer/later.txt", "never fetched");
    folder.write("blocked", "a file where a folder is needed");
    offer();
    UpgradeCore* w = open();
    runDownloads(w);
    EXPECT_EQ(lines(w), (std::vector<std::string>{"Starting downloads.", "  blocked/x.txt", "Download failed.",
                                                  "Downloads terminated.", kRetry}));
    EXPECT_FALSE(folder.exists("later.txt.gz"));
    EXPECT_FALSE(folder.exists("system/gzlist"));
}

TEST_F(WindowFixture, ClosingTheWindowMidDownloadIsSafe) {
    folder.write("offer/system/a.txt", "first");
    offer(UpgradeFault::Silent);  // accepts and never answers
    const int statesBefore = Communicator::liveStates();
    UpgradeCore* w = open();
    w->setValue("step1", nullptr);
    w->setValue("step2", nullptr);
    ASSERT_TRUE(waitFor([this] { return service->server().fileConnections() == 1; }, true));
    EXPECT_TRUE(w->downloading());
    w->frame()->close();
    ASSERT_TRUE(waitFor([] { return windowsOpen() == 0; }, true));
    // The fetch went with the window: its worker was stopped and waited for.
    EXPECT_EQ(Communicator::liveStates(), statesBefore);
    const int ticks = mainCore->ticks;
    ASSERT_TRUE(waitFor([&] { return mainCore->ticks >= ticks + 2; }, true));  // the tick goes on without it
    EXPECT_FALSE(folder.exists("system/a.txt.gz"));
}

TEST_F(WindowFixture, OneWindowAtATimeAndAnUnknownVersion) {
    folder.write("offer/system/a.txt", "first");
    offer();
    upgradeNewVersion = "unknown";
    UpgradeCore* w = open();
    EXPECT_EQ(w->canvas()->getControl("label2")->text(), "Upgrade from 1.01 to unknown?");
    EXPECT_EQ(open(), w);
    EXPECT_EQ(windowsOpen(), 1);
    // The steps keep their order whatever arrives.
    w->setValue("step2", nullptr);
    EXPECT_FALSE(w->downloading());
    w->setValue("step1", nullptr);
    w->setValue("step1", nullptr);
    EXPECT_EQ(lines(w).size(), 2u);
}

}  // namespace
