// The whole run under a display: start-up with a test main core, the loop,
// ticks, and the shut-down road when the main frame is closed.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "framework/app/debuglog.h"
#include "framework/app/exec.h"
#include "framework/app/messagebox.h"
#include "framework/util/ticker.h"
#include "platform/ui/window.h"
#include "testing/program_folder.h"
#include "testing/test_cores.h"

using testing_support::ProgramFolder;
using testing_support::RecordingCore;
using testing_support::TestMainCore;

namespace {

// A program folder with the shipped data and the debug-log marker.
struct RunFixture : ::testing::Test {
    RunFixture() {
        folder.copyFromSource("data/system", "system");
        folder.write("test.env", "");
        debugLogResetForTests();  // the log goes to this test's folder
        TestMainCore::resetHooks();
        setMessageBoxHandler([this](const char* title, const char* text, MessageBoxKind) {
            messages.push_back(std::string(title) + ": " + text);
        });
        Exec::setMainCoreFactory([]() -> SuperCore* { return new TestMainCore(); });
    }
    ~RunFixture() override {
        setMessageBoxHandler(nullptr);
        Exec::setMainCoreFactory(nullptr);
        TestMainCore::resetHooks();
        debugLogResetForTests();
    }

    // Positions of the texts in the log, in the order given; -1 when one
    // is missing.
    std::vector<long> positions(const std::vector<std::string>& texts) {
        std::string log = folder.read("note.txt");
        std::vector<long> at;
        for (const auto& t : texts) {
            auto p = log.find(t);
            at.push_back(p == std::string::npos ? -1 : static_cast<long>(p));
        }
        return at;
    }

    ProgramFolder folder;
    std::vector<std::string> messages;
};

TEST_F(RunFixture, ClosingTheMainFrameRunsTheShutDownRoadOnce) {
    using Clock = std::chrono::steady_clock;
    Clock::time_point firstTick, lastTick;
    int otherCoreDeletes = 0;
    TestMainCore::onCreated = [&](TestMainCore*) {
        // A second window stays open while the main one closes.
        auto* other = new RecordingCore("otherWindow", 300, 200);
        other->onDelete = [&] { ++otherCoreDeletes; };
    };
    TestMainCore::onTick = [&](TestMainCore* core) {
        if (core->ticks == 1) firstTick = Clock::now();
        lastTick = Clock::now();
        if (core->ticks == 4) {
            EXPECT_EQ(core->frame()->title(), "Tarvelon Orvex Chess - version 1.01");
            EXPECT_TRUE(core->frame()->platformFrame()->visible());
            core->frame()->close();
        }
    };

    int rc = programMain(0, nullptr);

    EXPECT_EQ(rc, 0);
    EXPECT_EQ(TestMainCore::destructorRuns, 1);
    EXPECT_EQ(otherCoreDeletes, 1);
    EXPECT_EQ(currentExec, nullptr);
    EXPECT_EQ(coreLibrary, nullptr);
    EXPECT_EQ(mainTicker, nullptr);
    // Ticks came from the 500 ms timer, not one after the other: three
    // periods lie between the first and the fourth. The timer catches up
    // after a late tick, so on a loaded machine the span may be shorter than
    // three periods, but never as short as one.
    double span = std::chrono::duration<double>(lastTick - firstTick).count();
    EXPECT_GE(span, 0.5);

    auto at = positions({"sa4", "TestMainCore destructor", "deleteSuperCores():1", "~library():1", "sc::C\n",
                         "Exec::uninit():1", "Exec::uninit():4"});
    for (std::size_t i = 0; i < at.size(); ++i) {
        ASSERT_GE(at[i], 0) << "missing log text " << i;
        if (i) {
            EXPECT_LT(at[i - 1], at[i]) << "log order at " << i;
        }
    }
    std::string log = folder.read("note.txt");
    EXPECT_EQ(log.find("Exec::uninit():1"), log.rfind("Exec::uninit():1")) << "the road ran twice";
    EXPECT_EQ(folder.read("error.txt"), "");

    // The options and the language file were written back.
    std::string options = folder.read("user/options_vurn.gkv");
    EXPECT_NE(options.find("mainWindowOX "), std::string::npos);
    EXPECT_NE(options.find("otherWindowOW 300"), std::string::npos);
    EXPECT_TRUE(folder.exists("user/nls/EN"));
}

TEST_F(RunFixture, PlacementSurvivesARestart) {
    folder.write("user/options_vurn.gkv", "mainWindowOX 120\nmainWindowOY 90\nmainWindowOW 600\nmainWindowOH 420\n");
    // The first run in a process of its own, as a real restart has; it
    // exits 0 only when it opened at the saved place. A fresh process, not
    // a fork: this one may hold a display connection already, which a
    // forked child must not share. The child runs this test afresh up to
    // here in a folder of its own, which it leaves for this test's folder
    // (the name it inherits is kept: it runs this line too).
    setenv("VURN_TEST_RESTART_FOLDER", folder.path().c_str(), 0);
    const std::string style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const char* shared = std::getenv("VURN_TEST_RESTART_FOLDER");
            if (!shared || chdir(shared) != 0) std::exit(4);
            std::filesystem::remove_all(folder.path());
            bool placed = false;
            TestMainCore::onTick = [&](TestMainCore* core) {
                platform::ui::Rect r = core->frame()->platformFrame()->rect();
                placed = r.x == 120 && r.y == 90 && r.w == 600 && r.h == 420;
                // Moved and sized by the user; the next run opens there.
                placeWindow(core->frame(), 140, 100, 640, 450);
                core->frame()->close();
            };
            int rc = programMain(0, nullptr);
            std::exit(rc == 0 && placed ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "");
    GTEST_FLAG_SET(death_test_style, style);
    unsetenv("VURN_TEST_RESTART_FOLDER");

    platform::ui::Rect seen;
    TestMainCore::onTick = [&](TestMainCore* core) {
        seen = core->frame()->platformFrame()->rect();
        core->frame()->close();
    };
    ASSERT_EQ(programMain(0, nullptr), 0);
    EXPECT_EQ(seen.x, 140);
    EXPECT_EQ(seen.y, 100);
    EXPECT_EQ(seen.w, 640);
    EXPECT_EQ(seen.h, 450);
}

TEST_F(RunFixture, QuitFromAMenuCommandClosesAfterTheHandler) {
    TestMainCore::onTick = [&](TestMainCore* core) {
        // The quit item closes the frame from inside the core's handler.
        unsigned quitId = 0;
        for (int i = 0; i < core->frame()->numVisualMenuItems(); ++i)
            if (core->frame()->visualMenuItem(i).name == "quitMI") quitId = core->frame()->visualMenuItem(i).commandId;
        ASSERT_TRUE(core->frame()->platformFrame()->chooseMenuItem(quitId));
        // Still alive here: the close waits for the handler to return.
        EXPECT_EQ(TestMainCore::destructorRuns, 0);
        EXPECT_EQ(core->intValues.back().first, "quitMI");
    };
    EXPECT_EQ(programMain(0, nullptr), 0);
    EXPECT_EQ(TestMainCore::destructorRuns, 1);
}

}  // namespace
