// The selection window ("Select Game and Player") and the settings window.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "framework/app/debuglog.h"
#include "framework/app/exec.h"
#include "framework/app/options.h"
#include "framework/canvas/supercanvas.h"
#include "framework/core/supercore.h"
#include "framework/window/superwindow.h"
#include "game/board/board.h"
#include "game/match/drawsettings.h"
#include "game/match/orvexmaincore.h"
#include "game/match/selectplayercore.h"
#include "game/match/settingsorvexcore.h"
#include "game/match/tests/maincore_support.h"
#include "game/protocol/codec.h"
#include "game/protocol/gamesocket.h"
#include "game/protocol/orvexcom.h"
#include "platform/ui/controls.h"
#include "platform/ui/timer.h"
#include "platform/ui/ui.h"
#include "testing/window_support.h"

using match_testing::MainWindowFixture;

namespace {

SelectPlayerCore* selection() {
    return static_cast<SelectPlayerCore*>(coreLibrary->findCoreByClassName("SelectPlayerCore"));
}

// The styles ports of a test: nothing listens there, the connection just
// keeps trying, and no real server is disturbed.
struct NoServerPorts {
    NoServerPorts() {
        setenv("VURNORVEXI_GAME_PORT_KV", "1", 1);
        setenv("VURNORVEXI_GAME_PORT_GKV", "2", 1);
        setenv("VURNORVEXI_GAME_PORT_OTH", "3", 1);
        setenv("VURNORVEXI_GAME_PORT_CHK", "4", 1);
    }
    ~NoServerPorts() {
        for (const char* v : {"VURNORVEXI_GAME_PORT_KV", "VURNORVEXI_GAME_PORT_GKV", "VURNORVEXI_GAME_PORT_OTH",
                              "VURNORVEXI_GAME_PORT_CHK"})
            unsetenv(v);
        setOrvexServerPort(0);
    }
};

struct Selection : MainWindowFixture {
    NoServerPorts ports;
};

struct SelectionOutsideTestMode : MainWindowFixture {
    SelectionOutsideTestMode() : MainWindowFixture(false) {}
    NoServerPorts ports;
};

TEST_F(Selection, OffersFourStylesInTestModeWithTheAdvancedOneChosenByDefault) {
    ASSERT_EQ(testMode, 1);
    open();
    SelectPlayerCore* s = selection();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->frame()->title(), "Tarvelon Orvex Chess - Select Game and Player");
    EXPECT_EQ(s->startButtonY(), 136);
    EXPECT_EQ(s->canvas()->getControl("ok")->rect().y, 136);
    for (const char* style : {"gkv", "kv", "oth", "chk"}) EXPECT_NE(s->canvas()->getControl(style), nullptr) << style;
    EXPECT_EQ(s->canvas()->getIntValue("gkv"), 1);
    EXPECT_EQ(s->canvas()->getIntValue("kv"), 0);
    EXPECT_EQ(std::string(s->canvas()->getValue("server")), "Guest");
}

TEST_F(SelectionOutsideTestMode, OffersTheTwoBeamStylesAndShowsTheLastOneChosen) {
    ASSERT_EQ(testMode, 0);
    setStringOption("lastDefaultGame", "default.kv");
    setStringOption("playerName", "Vantrel");
    open();
    SelectPlayerCore* s = selection();
    EXPECT_EQ(s->startButtonY(), 92);
    EXPECT_EQ(s->canvas()->getControl("ok")->rect().y, 92);
    EXPECT_EQ(s->canvas()->getControl("oth"), nullptr);
    EXPECT_EQ(s->canvas()->getControl("chk"), nullptr);
    EXPECT_EQ(s->canvas()->getIntValue("kv"), 1);
    EXPECT_EQ(s->canvas()->getIntValue("gkv"), 0);
    EXPECT_EQ(std::string(s->canvas()->getValue("server")), "Vantrel (Guest)");
}

TEST_F(Selection, StartLoadsTheStyleSetsItsPortStoresAnEditedNameAndConnects) {
    // LL's 256 bytes hold its code, the length byte, 252 bytes of name and
    // the NUL.
    const std::string longName(300, 'n'), loggedName(252, 'n');
    struct Case {
        const char* what;
        const char* style;  // the radio button to choose; null: none
        const char* typed;  // the name field's text
        const char* board;  // lastDefaultGame afterwards
        int port;
        const char* login;  // the name LL carries
    } cases[] = {
        {"classic style, name kept", "kv", "Guest", "default.kv", 1, "Guest"},
        {"reversi, a new name (blanks trimmed)", "oth", "  Zed ", "default.oth", 3, "Zed"},
        {"checkers, a name of blanks only is not stored", "chk", "   ", "default.chk", 4, "Guest"},
        {"no style chosen: the board and port as they were", nullptr, "Ann", "default.gkv", 1, "Ann"},
        // A name longer than LL carries is stored as LL carries it.
        {"a long name is cut to what the login carries", "kv", longName.c_str(), "default.kv", 1, loggedName.c_str()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        orvexGameStarted = 0;
        setOrvexServerPort(0);
        setStringOption("lastDefaultGame", "default.gkv");
        setStringOption("playerName", "Guest");
        open();
        SelectPlayerCore* s = selection();
        SuperCanvas* canvas = s->canvas();
        for (const char* style : {"gkv", "kv", "oth", "chk"}) canvas->setIntValue(style, 0);
        if (c.style) canvas->setIntValue(c.style, 1);
        canvas->setValue("server", c.typed);
        const bool wasGkv = core->getBoard()->isGkvStyle();
        s->setValue("ok", nullptr);

        EXPECT_EQ(orvexGameStarted, 1);
        EXPECT_STREQ(getStringOption("lastDefaultGame"), c.board);
        EXPECT_EQ(orvexServerPort(), c.port);
        if (c.style) {
            EXPECT_EQ(core->getBoard()->isOthStyle(), std::string(c.style) == "oth");
            EXPECT_EQ(core->getBoard()->isChkStyle(), std::string(c.style) == "chk");
        } else {
            EXPECT_EQ(core->getBoard()->isGkvStyle(), wasGkv);
        }
        ASSERT_NE(core->protocolCore(), nullptr);
        // The new protocol core logs in with the name on each connection;
        // nothing is queued for it.
        EXPECT_EQ(core->protocolCore()->login(), loginMessage(c.login));
        EXPECT_TRUE(sent.take().empty());
        EXPECT_STREQ(getStringOption("playerName"), c.login);
        // The selection window closes after "Start!"; the main window stays.
        EXPECT_TRUE(testing_support::waitFor([&] { return selection() == nullptr; }));
        EXPECT_EQ(orvexMainCore, core);
        close();
    }
}

// The chosen style's board is missing: "Start!" still connects, the board
// stays as it was, and the status line tells it, also once the news of the
// connection has come.
TEST_F(Selection, ABoardThatStartCannotLoadIsToldOnTheStatusLine) {
    std::filesystem::remove(folder.path() + "/boards/default.kv");
    open();
    ASSERT_TRUE(core->getBoard()->isGkvStyle());
    SelectPlayerCore* s = selection();
    s->canvas()->setIntValue("gkv", 0);
    s->canvas()->setIntValue("kv", 1);
    s->setValue("ok", nullptr);
    EXPECT_EQ(text("info"), " Cannot load the board default.kv");
    EXPECT_TRUE(core->getBoard()->isGkvStyle());
    EXPECT_NE(core->protocolCore(), nullptr);
    const std::string told =
        " No connection to the game server 127.0.0.1:1 - trying again; cannot load the board default.kv";
    EXPECT_TRUE(testing_support::waitFor([&] { return text("info") == told; }, 20)) << text("info");
    match_testing::screenshot("selection-board-missing");

    // A board that loads ends the telling.
    ASSERT_EQ(core->loadBoardFile("default.gkv"), true);
    core->messageHandler().connectionChanged({false, 1, "127.0.0.1:1"});
    EXPECT_EQ(text("info"), " No connection to the game server 127.0.0.1:1 - trying again");
}

TEST_F(Selection, ANewConnectionReplacesTheOldOne) {
    open();
    core->connectToServer();
    OrvexCom* first = core->protocolCore();
    ASSERT_NE(first, nullptr);
    core->connectToServer();
    ASSERT_NE(core->protocolCore(), nullptr);
    const char* name = getStringOption("playerName");
    EXPECT_EQ(core->protocolCore()->login(), loginMessage(name ? name : "Guest"));
    EXPECT_TRUE(takeSent().empty());
}

// The whole program: the selection window's close ends it, unless "Start!"
// came first.
struct SelectionRun : ::testing::Test {
    SelectionRun() {
        folder.copyFromSource("data/system", "system");
        folder.copyFromSource("data/boards", "boards");
        folder.write("test.env", "");
        folder.write("user/options_vurn.gkv", "dontCheckUpgrade 1\n");
        debugLogResetForTests();
        orvexGameStarted = 0;  // a run of its own: no "Start!" yet
        Exec::setMainCoreFactory(createOrvexMainCore);
    }
    ~SelectionRun() override {
        Exec::setMainCoreFactory(nullptr);
        orvexGameStarted = 0;
        debugLogResetForTests();
    }
    testing_support::ProgramFolder folder;
    NoServerPorts ports;
};

TEST_F(SelectionRun, ClosingTheSelectionWindowEndsTheProgram) {
    platform::ui::Timer driver;
    driver.start(100, [&] {
        if (SelectPlayerCore* s = coreLibrary ? selection() : nullptr) s->frame()->close();
    });
    EXPECT_EQ(programMain(0, nullptr), 0);
    driver.stop();
    EXPECT_EQ(orvexGameStarted, 0);
    EXPECT_EQ(orvexMainCore, nullptr);
}

TEST_F(SelectionRun, StartDoesNotEndTheProgram) {
    platform::ui::Timer driver;
    int step = 0;
    bool mainStayed = false;
    driver.start(100, [&] {
        ++step;
        if (step == 1) {
            selection()->setValue("ok", nullptr);
        } else if (step == 5) {
            mainStayed = orvexMainCore != nullptr && selection() == nullptr;
            orvexMainCore->setIntValue("exitMI", 1);
        }
    });
    EXPECT_EQ(programMain(0, nullptr), 0);
    driver.stop();
    EXPECT_TRUE(mainStayed);
    EXPECT_EQ(orvexGameStarted, 1);
}

// ---------------------------------------------------------------- settings

using Settings = MainWindowFixture;

SettingsOrvexCore* settingsWindow() {
    return static_cast<SettingsOrvexCore*>(coreLibrary->findCoreByClassName("SettingsOrvexCore"));
}

TEST_F(Settings, TheBrightnessChoiceFollowsTheStoredValue) {
    struct Case {
        int stored;
        const char* shown;
    } cases[] = {{1, "low"}, {33, "low"}, {48, "low"}, {49, "medium"}, {65, "high"}, {200, "high"}};
    open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        setIntOption("gridBrightness", c.stored);
        auto* s = new SettingsOrvexCore();
        EXPECT_EQ(std::string(s->canvas()->getValue("gridBrightness")), c.shown);
        delete s;
        pump();
    }
}

TEST_F(Settings, EachChangeIsAppliedAndStoredAtOnce) {
    open();
    EXPECT_EQ(getIntOption("gridBrightness"), 49);  // the shipped options
    setIntOption("gridBrightness", 1);
    core->setIntValue("settingsMI", 1);
    SettingsOrvexCore* s = settingsWindow();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->frame()->title(), "Tarvelon Orvex Chess - Settings");
    SuperCanvas* canvas = s->canvas();

    // The user picks "medium" in the combo box.
    platform::ui::Control* combo = canvas->getControl("gridBrightness");
    ASSERT_NE(combo, nullptr);
    combo->setItemSelected(1, true);
    canvas->envokeItemForControl(combo);
    EXPECT_EQ(getIntOption("gridBrightness"), 49);
    EXPECT_EQ(drawSettings.gridBrightness, 49);

    // And switches the checker board on and the wiggle off.
    for (const char* box : {"checkerBoard", "wiggle"}) {
        platform::ui::Control* c = canvas->getControl(box);
        ASSERT_NE(c, nullptr) << box;
        c->setChecked(!c->checked());
        canvas->envokeItemForControl(c);
    }
    EXPECT_EQ(drawSettings.checkerBoard, 1);
    EXPECT_EQ(getIntOption("checkerBoard"), 1);
    EXPECT_EQ(drawSettings.wiggle, 0);
    EXPECT_EQ(getIntOption("wiggle"), 0);

    // "Done" closes the window once its handler has returned.
    canvas->envokeItemForControl(canvas->getControl("ok"));
    EXPECT_TRUE(testing_support::waitFor([&] { return settingsWindow() == nullptr; }));
}

}  // namespace
