// The main window's commands, row events, menu items and tick, with the
// messages it sends collected in a list instead of going to a server.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "framework/app/options.h"
#include "framework/app/pageopeners.h"
#include "framework/canvas/supercanvas.h"
#include "framework/core/supercore.h"
#include "game/board/board.h"
#include "game/match/advancedlistcore.h"
#include "game/match/orvexmaincore.h"
#include "game/match/tests/maincore_support.h"
#include "game/protocol/codec.h"
#include "game/view/boardcore.h"
#include "platform/os/files.h"
#include "platform/ui/ui.h"
#include "standin/serving.h"
#include "standin/web-server/web_server.h"
#include "testing/test_cores.h"
#include "testing/window_support.h"

using match_testing::clickControl;
using match_testing::MainWindowFixture;
using Texts = std::vector<std::string>;

namespace {

using MainWindow = MainWindowFixture;

// A seat-1 piece that can fire, on the board's current state.
bool findFiringPiece(OrvexBoard& b, int* x, int* y) {
    for (int j = 0; j < b.getHeight(); ++j)
        for (int i = 0; i < b.getWidth(); ++i) {
            const OrvexPiece* p = b.getPiece(i, j);
            if (p && p->getPlayer() == 1 && p->canFire()) {
                *x = i, *y = j;
                return true;
            }
        }
    return false;
}

TEST_F(MainWindow, PanelCommandsActOnlyWhereTheyMayAndSendWhatTheyMust) {
    struct Case {
        const char* what;
        std::function<void(MainWindowFixture&)> setup;
        const char* command;
        const char* talkText;
        Texts sent;
        std::function<void(MainWindowFixture&)> check;
    };
    auto inGameAs = [](int seat) {
        return [seat](MainWindowFixture& f) {
            f.receive(playerAddMessage("Ann"));
            f.receive(playerAddMessage("Ben"));
            f.receive(codeMessage("LPB", {seat, 2}));
        };
    };
    auto inLobby = [](MainWindowFixture& f) { f.receive(lobbyRowMessage(7, 300, "Bob")); };
    // clang-format off
    const Case cases[] = {
        {"pass when it is not this client's turn sends nothing", inGameAs(2), "pass", "", {},
         [](MainWindowFixture& f) { EXPECT_EQ(f.core->getCurrentPlayer(), 1); }},
        {"pass in turn passes and tells the others", inGameAs(1), "pass", "", {"PQS"},
         [](MainWindowFixture& f) { EXPECT_EQ(f.core->getCurrentPlayer(), 2); }},
        {"fire without a selected piece sends nothing", inGameAs(1), "fire", "", {}, nullptr},
        {"quit while the lobby is shown sends and changes nothing", inLobby, "quit", "", {},
         [](MainWindowFixture& f) {
             EXPECT_EQ(f.column(0), Texts{"Bob"});
             EXPECT_EQ(f.core->isLobbyMode(), 1);
         }},
        {"quit in a game leaves the seat and logs into the lobby again", inGameAs(1), "quit", "", {"PQU", "LL"},
         [](MainWindowFixture& f) {
             EXPECT_EQ(f.core->getMySeat(), -1);
             EXPECT_EQ(f.core->isLobbyMode(), 1);
             EXPECT_EQ(f.core->isInGame(), 0);
             EXPECT_TRUE(f.column(0).empty());  // "Attempting to quit..." is gone with the chat
             EXPECT_STREQ(f.core->listCore()->columnTitle(0), "Player");
             for (const char* w : {"red", "green", "blue", "purple"}) EXPECT_EQ(f.text(w), "---") << w;
             // Back in the lobby, clicks on the board send nothing.
             f.core->game().clickSquare(2, 2);
             EXPECT_TRUE(f.takeSent().empty());
         }},
        {"talk sends the line with the local seat", inGameAs(2), "talk", "hello all", {"PT"}, nullptr},
        {"talk with an empty field sends nothing", inGameAs(1), "talk", "", {}, nullptr},
        {"a line beginning LOAD loads that board in the lobby and sends nothing", inLobby, "talk", "LOAD default.chk",
         {}, [](MainWindowFixture& f) { EXPECT_TRUE(f.core->getBoard()->isChkStyle()); }},
        {"a line beginning load is refused in a game and sends nothing", inGameAs(1), "talk", "load default.chk", {},
         [](MainWindowFixture& f) { EXPECT_TRUE(f.core->getBoard()->isGkvStyle()); }},
        {"a line beginning save writes the board and sends nothing", inGameAs(1), "talk", "save mine.kv", {},
         [](MainWindowFixture& f) { EXPECT_TRUE(f.folder.exists("boards/mine.kv")); }},
        {"an unknown command does nothing", inGameAs(1), "gameName", "", {}, nullptr},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open();
        c.setup(*this);
        takeSent();
        core->canvas()->setValue("talkText", c.talkText);
        core->setValue(c.command, nullptr);
        MessageBytes first = sent.messages.empty() ? MessageBytes{} : sent.messages.front();
        EXPECT_EQ(takeSent(), c.sent);
        if (c.sent == Texts{"PT"}) {
            EXPECT_EQ(first, chatMessage(2, "hello all"));
        }
        if (c.check) c.check(*this);
        close();
    }
}

// The chat's "load NAME" and "save NAME", typed into the field and sent
// with "Say:", in the lobby, from a game's start to its end and after it:
// each tells on the status line what it did (a later success replaces an
// earlier failure's text), a load during a game is refused and leaves the
// board and the turn, and a board loaded in the lobby does not change the
// style the next game starts with.
TEST_F(MainWindow, TheChatsLoadAndSaveTellWhatTheyDidOnTheStatusLine) {
    const std::string refused =
        " Cannot load the board default.chk during a game: the other players' boards would not change with it";
    struct Step {
        const char* what;
        std::vector<MessageBytes> messages;  // from the server first
        const char* typed;                   // then this line and "Say:"
        std::string info;                    // the status line afterwards
        const char* style;                   // the board's style afterwards
        const char* turn;                    // the turn line afterwards
        const char* shot = nullptr;          // a screenshot of it, by that name
    };
    // clang-format off
    const Step steps[] = {
        {"in the lobby: a board that is not there", {}, "load nosuch.kv",
         " Cannot load the board nosuch.kv", "gkv", " 00:00"},
        {"a board that loads replaces the failure's text", {}, "load default.chk",
         " Loaded the board boards/default.chk; a game starts on the start board of your style", "chk", " 00:00"},
        {"a folder is no board", {}, "load ", " Cannot load the board ", "chk", " 00:00"},
        {"a default board is never overwritten", {}, "save default.oth",
         " Cannot save the board as default.oth: that default board is never overwritten", "chk", " 00:00"},
        {"a board that cannot be written", {}, "save nofolder/mine.chk",
         " Cannot save the board as boards/nofolder/mine.chk: the file cannot be written", "chk", " 00:00"},
        {"a save that succeeds replaces the failure's text", {}, "save mine.chk",
         " Saved the board as boards/mine.chk", "chk", " 00:00"},
        {"the game starts on the start board of the chosen style, not the one loaded",
         {playerAddMessage("Ann"), playerAddMessage("Ben"), codeMessage("LPB", {2, 2})}, "save start.gkv",
         " Saved the board as boards/start.gkv", "gkv", " 00:00 Red 3"},
        {"a load in the game is refused: board and turn stay", {codeMessage("PQS", {1})}, "load default.chk",
         refused, "gkv", " 00:00 Green 3", "maincore-load-refused"},
        {"a save in the game tells where", {}, "save over.gkv", " Saved the board as boards/over.gkv", "gkv",
         " 00:00 Green 3", "maincore-saved"},
        {"after the game's end, still at its table: refused", {codeMessage("LPD", {1})}, "load default.chk",
         refused, "gkv", " 00:00", "maincore-load-refused-after-the-end"},
    };
    // clang-format on
    setStringOption("lastDefaultGame", "default.gkv");
    open();
    moveSelectionAside();  // it opens over the panel
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        for (const MessageBytes& m : s.messages) receive(m);
        core->canvas()->setValue("talkText", s.typed);
        clickControl(core, "talk");
        ASSERT_TRUE(testing_support::waitFor([&] { return text("info") == s.info; }, 10)) << text("info");
        const OrvexBoard* b = core->getBoard();
        EXPECT_EQ(b->isGkvStyle() ? "gkv" : b->isChkStyle() ? "chk" : "other", std::string(s.style));
        EXPECT_EQ(text("gameTime"), s.turn);
        EXPECT_STREQ(getStringOption("lastDefaultGame"), "default.gkv");
        EXPECT_TRUE(takeSent().empty()) << "nothing of it goes to the server";
        if (s.shot) match_testing::screenshot(s.shot);
    }
    EXPECT_EQ(folder.read("boards/over.gkv"), folder.read("boards/start.gkv")) << "the refused load changed nothing";
    // The players were announced by the seat names of the game's style.
    const Texts chat = column(0);
    ASSERT_GE(chat.size(), 2u);
    EXPECT_EQ(chat[1], "Green player joined the game.\n");

    // Back in the lobby a board loads again.
    core->setValue("quit", nullptr);
    core->canvas()->setValue("talkText", "load default.kv");
    clickControl(core, "talk");
    ASSERT_TRUE(testing_support::waitFor([&] { return core->getBoard()->isKvStyle() != 0; }, 10)) << text("info");
    EXPECT_EQ(text("info"), " Loaded the board boards/default.kv; a game starts on the start board of your style");
}

// The protocol core's news of its connection, as the main window takes it.
TEST_F(MainWindow, ConnectionNewsShowsOnTheStatusLineEndsTheGameAndShowsTheLobbyAgain) {
    const std::string server = "127.0.0.1:2005";
    const std::string welcome = " Welcome to Tarvelon Orvex Chess";
    const std::string noConnection = " No connection to the game server " + server + " - trying again";
    const std::string connected = " Connected to the game server " + server;
    const std::string lostLine = "Connection to the game server lost; the game ended.\n";
    auto up = [&](int n) { return OrvexLinkChange{true, n, server}; };
    auto answered = [&](int n) { return OrvexLinkChange{true, n, server, true}; };
    auto down = [&](int n) { return OrvexLinkChange{false, n, server}; };
    struct Case {
        const char* what;
        std::function<void(MainWindowFixture&)> setup;
        std::vector<OrvexLinkChange> news;
        std::string info;
        Texts rows;  // the side list's first column afterwards
        std::function<void(MainWindowFixture&)> check;
    };
    auto inLobby = [](MainWindowFixture& f) { f.receive(lobbyRowMessage(7, 300, "Bob")); };
    auto inGame = [](MainWindowFixture& f) {
        f.receive(playerAddMessage("Zoe"));
        f.receive(playerAddMessage("Ben"));
        f.receive(codeMessage("LPB", {1, 2}));
    };
    auto inTheLobby = [](MainWindowFixture& f) {
        EXPECT_EQ(f.core->isLobbyMode(), 1);
        EXPECT_EQ(f.core->isInGame(), 0);
        EXPECT_EQ(f.core->getMySeat(), -1);
        EXPECT_STREQ(f.core->listCore()->columnTitle(0), "Player");
    };
    auto backFromALostGame = [&](MainWindowFixture& f) {
        inTheLobby(f);
        for (const char* w : {"red", "green", "blue", "purple"}) EXPECT_EQ(f.text(w), "---") << w;
        // The line names nobody: choosing it sends nothing.
        f.core->onListSelect(AdvancedListCore::kSelectEvent, nullptr, 0);
        EXPECT_TRUE(f.takeSent().empty());
        // The lobby's rows come after it.
        f.receive(lobbyRowMessage(7, 300, "Bob"));
        EXPECT_EQ(f.column(0), (Texts{lostLine, "Bob"}));
    };
    // clang-format off
    const Case cases[] = {
        {"the first connection: the status line waits for the server to speak", inLobby, {up(1)}, welcome,
         {"Bob"}, nullptr},
        {"the server spoke on it", nullptr, {up(1), answered(1)}, connected, {}, nullptr},
        {"no server at first", nullptr, {down(0)}, noConnection, {}, inTheLobby},
        {"no server at first, then a connection that has not lasted yet", nullptr, {down(0), up(1)}, noConnection,
         {}, nullptr},
        {"lost in the lobby: nobody in its rows can be reached", inLobby, {up(1), answered(1), down(1)},
         noConnection, {}, inTheLobby},
        {"lost in the lobby and made again: still no connection until the server speaks", inLobby,
         {up(1), answered(1), down(1), up(2)}, noConnection, {}, inTheLobby},
        {"lost in a game: the game ends here, the chat says so", inGame, {up(1), answered(1), down(1)}, noConnection,
         {"Red player joined the game.\n", "Green player joined the game.\n", lostLine},
         [&](MainWindowFixture& f) {
             EXPECT_EQ(f.core->isInGame(), 0);
             EXPECT_EQ(f.core->isLobbyMode(), 0);
             EXPECT_EQ(f.core->getMySeat(), -1);
             // Nothing of the game is sent now.
             f.core->game().clickSquare(2, 2);
             for (const char* command : {"pass", "fire", "quit"}) f.core->setValue(command, nullptr);
             EXPECT_TRUE(f.takeSent().empty());
             EXPECT_EQ(f.column(0).back(), lostLine);
         }},
        {"lost in a game and made again: the lobby, which still tells the loss", inGame,
         {up(1), answered(1), down(1), up(2)}, noConnection, {lostLine}, backFromALostGame},
        {"a storm after a lost game: no connection throughout, the loss told once", inGame,
         {up(1), answered(1), down(1), up(2), down(2), up(3), down(3), up(4)}, noConnection, {lostLine},
         backFromALostGame},
        {"the storm ends: a connection on which the server speaks", inGame,
         {up(1), answered(1), down(1), up(2), down(2), up(3), answered(3)}, connected, {lostLine}, backFromALostGame},
        {"a new game after the lost one, then quit: the lobby tells the old loss no more", inGame,
         {up(1), answered(1), down(1), up(2), answered(2)}, connected, {lostLine},
         [&](MainWindowFixture& f) {
             f.receive(playerAddMessage("Zoe"));
             f.receive(playerAddMessage("Ben"));
             f.receive(codeMessage("LPB", {2, 2}));
             ASSERT_EQ(f.core->isInGame(), 1);
             f.core->setValue("quit", nullptr);
             EXPECT_EQ(f.takeSent(), (Texts{"PQU", "LL"}));
             inTheLobby(f);
             EXPECT_TRUE(f.column(0).empty());
         }},
    };
    // clang-format on
    setStringOption("playerName", "Zoe");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open();
        if (c.setup) c.setup(*this);
        takeSent();
        for (const OrvexLinkChange& news : c.news) core->messageHandler().connectionChanged(news);
        EXPECT_EQ(text("info"), c.info);
        EXPECT_EQ(column(0), c.rows);
        // The protocol core logs in on each connection: the window queues nothing.
        EXPECT_TRUE(takeSent().empty());
        if (c.check) c.check(*this);
        close();
    }
}

TEST_F(MainWindow, AShotEndsFiveTicksAfterFire) {
    open();
    receive(playerAddMessage("Ann"));
    receive(codeMessage("LPB", {1, 2}));
    takeSent();
    int x = 0, y = 0;
    ASSERT_TRUE(findFiringPiece(*core->getBoard(), &x, &y));
    core->game().clickSquare(x, y);
    core->setValue("fire", nullptr);
    EXPECT_EQ(takeSent(), (Texts{"PS", "PFS"}));
    for (int tick = 1; tick < OrvexMainCore::kPostFireTicks; ++tick) core->onIntuitick();
    EXPECT_TRUE(takeSent().empty());
    EXPECT_EQ(core->game().isFirePending(), 1);
    core->onIntuitick();
    EXPECT_EQ(takeSent(), Texts{"PFE"});
    EXPECT_EQ(core->game().isFirePending(), 0);
}

TEST_F(MainWindow, RowEventsSendLcAndLdOnlyForLobbyRowsWithAKey) {
    open();
    receive(lobbyRowMessage(7, 300, "Bob"));
    AdvancedListCore* list = core->listCore();
    core->onListSelect(AdvancedListCore::kSelectEvent, list, 0);
    core->onListSelect(AdvancedListCore::kDeselectEvent, list, 0);
    core->onListSelect(AdvancedListCore::kDoubleClickEvent, list, 0);
    std::vector<MessageBytes> got = sent.take();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], rowMessage("LC", 7, 300));
    EXPECT_EQ(got[1], rowMessage("LD", 7, 300));

    // Rows whose key is not two numbers name nobody.
    for (const char* key : {"", "7", "7 x", "7 300 1", "7  300", "-7 300", "99999999999 1", " 7 300"}) {
        SCOPED_TRACE(key);
        list->setCell(0, 3, key);
        core->onListSelect(AdvancedListCore::kSelectEvent, list, 0);
        EXPECT_TRUE(takeSent().empty());
    }
    core->onListSelect(AdvancedListCore::kSelectEvent, list, 5);  // no such row

    // A chat row, and events before any connection, send nothing.
    list->setCell(0, 3, "7 300");
    core->setOutbox(nullptr);
    core->onListSelect(AdvancedListCore::kSelectEvent, list, 0);
    core->setOutbox(&sent);
    receive(playerAddMessage("Ann"));
    core->onListSelect(AdvancedListCore::kSelectEvent, list, 0);
    EXPECT_TRUE(takeSent().empty());
}

TEST_F(MainWindow, CommandsBeforeAnyConnectionSendNothing) {
    open();
    core->setOutbox(nullptr);
    receive(playerAddMessage("Ann"));
    receive(codeMessage("LPB", {1, 2}));
    core->canvas()->setValue("talkText", "hello");
    for (const char* command : {"talk", "pass", "quit"}) core->setValue(command, nullptr);
    EXPECT_TRUE(sent.messages.empty());
    EXPECT_EQ(core->getMySeat(), -1);
}

// A stand-in for the board view: a windowed core of the board view's class.
struct BoardViewStandIn : testing_support::RecordingCore {
    BoardViewStandIn() : RecordingCore("gkvBoardWindow", 400, 300, "OrvexBoardCore") {}
    platform::ui::Size viewSize() const { return {canvas()->width(), canvas()->height()}; }
};

TEST_F(MainWindow, ViewSizeAndRotationItemsActOnTheBoardView) {
    open();
    // Without a board view the view items do nothing. (The main core's own
    // view goes without telling it, so the main window stays.)
    auto* own = dynamic_cast<OrvexBoardCore*>(core->boardView());
    ASSERT_NE(own, nullptr);
    own->forgetOwner();
    delete own;
    for (const char* item : {"correctAspectMI", "predefined1MI", "userDefined1MI", "setUserDefined1MI"})
        core->setIntValue(item, 1);
    EXPECT_EQ(getStringOption("boardSizeUser1W"), nullptr);

    auto* view = new BoardViewStandIn();
    pump();
    ASSERT_EQ(core->boardView(), view);
    auto size = [&] {
        pump();
        platform::ui::Size s = view->viewSize();
        return std::to_string(s.w) + "x" + std::to_string(s.h);
    };
    ASSERT_EQ(size(), "400x300");
    core->setIntValue("setUserDefined1MI", 1);
    core->setIntValue("predefined1MI", 1);
    EXPECT_EQ(size(), "320x320");
    core->setIntValue("userDefined1MI", 1);
    EXPECT_EQ(size(), "400x300");
    core->setIntValue("correctAspectMI", 1);
    EXPECT_EQ(size(), "400x400");
    setIntOption("boardSize2W", 0);  // a size of 0 is ignored
    core->setIntValue("predefined2MI", 1);
    EXPECT_EQ(size(), "400x400");

    core->setIntValue("rotateRightMI", 1);
    core->setIntValue("rotateRightMI", 1);
    EXPECT_EQ(core->getCameraTurnPending(), 180);
    core->setIntValue("rotateLeftMI", 1);
    EXPECT_EQ(core->getCameraTurnPending(), 90);
}

TEST_F(MainWindow, HelpItemsOpenTheirPagesInTheWebBrowser) {
    // A "browser" that notes each address it is started with.
    setenv("VURNORVEXI_BROWSER", "sh -c \"echo $0 >> urls.txt\"", 1);
    setenv("VURNORVEXI_WEB_HOST", "web.test", 1);
    open();
    for (const char* item : {"helpMI", "kzvHomeMI", "vurnHomeMI"}) core->setIntValue(item, 1);
    std::string urls;
    EXPECT_TRUE(testing_support::waitFor([&] {
        urls = folder.read("urls.txt");
        return std::count(urls.begin(), urls.end(), '\n') >= 3;
    }));
    unsetenv("VURNORVEXI_BROWSER");
    unsetenv("VURNORVEXI_WEB_HOST");
    // The browsers start side by side: any order.
    for (const char* url : {"http://web.test/vurnorvex.html\n", "http://web.test/quillmark/\n", "http://web.test/\n"})
        EXPECT_NE(urls.find(url), std::string::npos) << url << " in " << urls;
}

// A browser that cannot show the page is told on the status line, naming
// the address; the program never waits for the browser.
TEST_F(MainWindow, ABrowserThatCannotShowThePageIsToldOnTheStatusLine) {
    setenv("VURNORVEXI_WEB_HOST", "web.test", 1);
    open();
    struct Case {
        const char* browser;
        const char* item;
        std::string told;  // the status line at the end
    };
    const Case cases[] = {
        {"true", "helpMI", " ready"},  // showed its page: nothing to tell
        {"/nonexistent/browser-xyz", "helpMI",
         " Cannot start the web browser /nonexistent/browser-xyz to open http://web.test/vurnorvex.html"},
        {"sh -c \"exit 3\"", "kzvHomeMI",
         " Could not open http://web.test/quillmark/: the web browser sh failed (exit status 3)"},
        {"sh -c \"sleep 1; exit 4\"", "vurnHomeMI",
         " Could not open http://web.test/: the web browser sh failed (exit status 4)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.browser);
        core->showInfo("ready");
        setenv("VURNORVEXI_BROWSER", c.browser, 1);
        core->setIntValue(c.item, 1);
        // The slow browser still runs: the item has returned without it.
        if (std::strstr(c.browser, "sleep")) {
            EXPECT_EQ(text("info"), " ready");
        }
        if (c.told == " ready") {
            pump(1.2);  // a failure would be told within a tick
        } else {
            EXPECT_TRUE(testing_support::waitFor([&] { return text("info") != " ready"; }, 10));
        }
        EXPECT_EQ(text("info"), c.told);
    }
    unsetenv("VURNORVEXI_BROWSER");
    unsetenv("VURNORVEXI_WEB_HOST");
    match_testing::screenshot("maincore-browser-failed");
}

// The Help menu's items on the stand-in web host, in a browser of our own
// that fetches the address it is given: the help entry page comes back as
// shipped, and each home page is the host's own.
TEST_F(MainWindow, HelpItemsShowTheWebHostsPagesInABrowser) {
    standin::WebServer web({testing_support::sourceDir() + "/data/system/docs/vurnorvex", "127.0.0.1", 0});
    ASSERT_TRUE(web.start());
    const std::string port = std::to_string(web.port());
    setenv("VURNORVEXI_WEB_HOST", "127.0.0.1", 1);
    setenv("VURNORVEXI_WEB_PORT", port.c_str(), 1);
    folder.write("pages/.keep", "");
    const std::string browser =
        "bash \"" + testing_support::sourceDir() + "/testing/fetch-browser.sh\" \"" + folder.path() + "/pages\"";
    setenv("VURNORVEXI_BROWSER", browser.c_str(), 1);
    std::string index;
    ASSERT_TRUE(
        platform::readWholeFile(testing_support::sourceDir() + "/data/system/docs/vurnorvex/index.html", &index));
    struct Case {
        const char* item;
        std::string url;
        std::string body;
    };
    const std::string host = "http://127.0.0.1:" + port;
    const Case cases[] = {
        {"helpMI", host + "/vurnorvex.html", index},
        {"kzvHomeMI", host + "/quillmark/", standin::WebServer::kDeveloperHomePage},
        {"vurnHomeMI", host + "/", standin::WebServer::kDistributorHomePage},
    };
    open();
    core->showInfo("ready");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        core->setIntValue(c.item, 1);
        std::string name = c.url;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)) && ch != '.') ch = '_';
        std::string reply;
        EXPECT_TRUE(testing_support::waitFor([&] { return !(reply = folder.read("pages/" + name)).empty(); }, 10));
        EXPECT_EQ(reply.substr(0, reply.find("\r\n")), "HTTP/1.0 200 OK");
        const std::size_t body = reply.find("\r\n\r\n");
        EXPECT_EQ(body == std::string::npos ? "" : reply.substr(body + 4), c.body);
    }
    pump(0.7);
    EXPECT_EQ(text("info"), " ready");  // every browser showed its page
    unsetenv("VURNORVEXI_BROWSER");
    unsetenv("VURNORVEXI_WEB_HOST");
    unsetenv("VURNORVEXI_WEB_PORT");
}

// What the installed page openers were asked for.
std::vector<std::string> openedPages;

TEST_F(MainWindow, AboutOpensOneWindowAndTheLogoCommandOpensItsHelpPage) {
    setPageOpeners(
        [](const char* id, const char* name, const char* version) {
            openedPages.push_back(std::string("about ") + id + "," + name + "," + version);
            new testing_support::RecordingCore("aboutWindow", 0, 0, "vurnorvexAboutCore");
        },
        [](SuperCore* button) { openedPages.push_back(std::string("help ") + button->getName()); });
    openedPages.clear();
    open();
    core->setIntValue("aboutMI", 1);
    core->setIntValue("aboutMI", 1);  // the window is open: not a second one
    testing_support::FakeCore logo("ImageButtonCore");
    core->setCommandCore("internal-browser", &logo);
    setPageOpeners(nullptr, nullptr);
    EXPECT_EQ(openedPages, (Texts{"about vurnorvex,Tarvelon Orvex Chess,1.01", "help unnamed"}));
}

TEST_F(MainWindow, SettingsOpensOnceAndExitClosesAfterTheHandler) {
    open();
    core->setIntValue("settingsMI", 1);
    core->setIntValue("settingsMI", 1);
    int settings = 0;
    for (int i = 0; i < coreLibrary->count(); ++i)
        if (std::string(coreLibrary->at(i)->getCoreClassName()) == "SettingsOrvexCore") ++settings;
    EXPECT_EQ(settings, 1);

    core->setIntValue("exitMI", 1);
    EXPECT_EQ(orvexMainCore, core);  // still here while the handler runs
    EXPECT_TRUE(testing_support::waitFor([&] { return orvexMainCore == nullptr; }));
    core = nullptr;  // the close deleted it
    EXPECT_NE(getStringOption("mainWindowOW"), nullptr);
}

}  // namespace
