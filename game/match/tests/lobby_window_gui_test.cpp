// The main window as a person uses it, against the stand-in game server and
// two other players: "Start!" in the selection window, the lobby filling,
// a row chosen with the mouse, the game's chat, a "Say:" line and "Quit".
// The mouse and the keyboard come from xdotool; windows are found by title.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/canvas/supercanvas.h"
#include "framework/core/supercore.h"
#include "framework/window/superwindow.h"
#include "game/match/advancedlistcore.h"
#include "game/match/orvexmaincore.h"
#include "game/match/selectplayercore.h"
#include "game/match/tests/maincore_support.h"
#include "game/protocol/codec.h"
#include "game/protocol/gamesocket.h"
#include "platform/os/thread.h"
#include "platform/ui/controls.h"
#include "platform/ui/pixels.h"
#include "standin/game-server/game_server.h"

using match_testing::clickAt;
using match_testing::MainWindowFixture;
using match_testing::PeerClient;
using match_testing::windowByTitle;
using match_testing::xdotool;
using Texts = std::vector<std::string>;

namespace {

const char* const kPortVariables[] = {"VURNORVEXI_GAME_PORT_KV", "VURNORVEXI_GAME_PORT_GKV", "VURNORVEXI_GAME_PORT_OTH",
                                      "VURNORVEXI_GAME_PORT_CHK"};

bool contains(const Texts& texts, const std::string& text) {
    for (const std::string& t : texts)
        if (t == text) return true;
    return false;
}

struct LobbyWindow : MainWindowFixture {
    LobbyWindow() {
        standin::GameServerOptions o;
        server = std::make_unique<standin::GameServer>(o);
        EXPECT_TRUE(server->start());
        for (int i = 0; i < 4; ++i) setenv(kPortVariables[i], std::to_string(server->port(i)).c_str(), 1);
    }
    ~LobbyWindow() override {
        close();
        peers.clear();
        server.reset();
        for (const char* v : kPortVariables) unsetenv(v);
        setOrvexServerPort(0);
    }

    // Runs the program's loop and the other players' ticks until done()
    // holds or the time (20 seconds unless given) is up.
    bool until(const std::function<bool()>& done, int timeoutMs = 20000) {
        const long long end = platform::monotonicMs() + timeoutMs;
        while (!done()) {
            if (platform::monotonicMs() > end) return done();
            for (auto& p : peers) p->tick();
            pump(0.02);
        }
        return true;
    }
    // "Start!" in the selection window, with the style it shows (the
    // advanced one unless chosen otherwise).
    void pressStart() {
        const std::string selectWindow = windowByTitle("Tarvelon Orvex Chess - Select Game and Player");
        ASSERT_FALSE(selectWindow.empty());
        SelectPlayerCore* select = static_cast<SelectPlayerCore*>(coreLibrary->findCoreByClassName("SelectPlayerCore"));
        ASSERT_NE(select, nullptr);
        platform::ui::Rect ok = select->canvas()->getControl("ok")->rect();
        clickAt(selectWindow, select->canvas()->x() + ok.x + ok.w / 2, select->canvas()->y() + ok.y + ok.h / 2);
    }
    PeerClient& join(const char* name) {
        peers.push_back(std::make_unique<PeerClient>(server->port(1), name));
        return *peers.back();
    }
    // Where a control of the main window's canvas lies in its frame.
    std::array<int, 2> inMainFrame(const char* widget) {
        platform::ui::Rect r = core->canvas()->getControl(widget)->rect();
        return {core->canvas()->x() + r.x + r.w / 2, core->canvas()->y() + r.y + r.h / 2};
    }
    // The middle of row `row` of the side list, in the main frame.
    std::array<int, 2> listRow(int row) {
        SuperCanvas* list = core->listCore()->canvas();
        return {core->canvas()->x() + list->x() + 60,
                core->canvas()->y() + list->y() + AdvancedListCore::kRowHeight * (row + 1) + 8};
    }
    int rowOf(const std::string& name) {
        Texts names = column(0);
        for (std::size_t i = 0; i < names.size(); ++i)
            if (names[i] == name) return static_cast<int>(i);
        return -1;
    }
    bool serverGot(const MessageBytes& body) {
        for (const MessageBytes& m : server->received())
            if (m == body) return true;
        return false;
    }
    // The colour at (x, y) of the side list, as shown.
    std::array<int, 3> listPixel(int x, int y) {
        std::vector<uint8_t> rgb =
            platform::ui::readWindowPixels(core->listCore()->canvas()->platformCanvas(), x, y, 1, 1);
        if (rgb.size() < 3) return {-1, -1, -1};
        return {rgb[0], rgb[1], rgb[2]};
    }

    std::unique_ptr<standin::GameServer> server;
    std::vector<std::unique_ptr<PeerClient>> peers;
};

TEST_F(LobbyWindow, StartLobbyRowChoiceChatSayAndQuit) {
    open(true);
    const std::string mainWindow = windowByTitle("Tarvelon Orvex Chess - version 1.01");
    ASSERT_FALSE(mainWindow.empty());
    ASSERT_FALSE(windowByTitle("Tarvelon Orvex Chess - Select Game and Player").empty());
    match_testing::screenshot("selection-window");

    // "Start!" with the advanced style (the default) connects to its lobby.
    pressStart();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(until([&] { return rowOf("Guest") >= 0; }));
    EXPECT_TRUE(until([&] { return windowByTitle("Tarvelon Orvex Chess - Select Game and Player").empty(); }));

    // Two more players arrive.
    PeerClient& ann = join("Ann");
    PeerClient& ben = join("Ben");
    ASSERT_TRUE(until([&] { return rowOf("Ann") >= 0 && rowOf("Ben") >= 0 && ann.row("Guest") && ann.row("Ben"); }));
    EXPECT_EQ(column(2), (Texts{"---/---", "---/---", "---/---"}));
    match_testing::screenshot("lobby");

    // The player chooses Ann's row with the mouse: LC with Ann's ids goes
    // to the server, which marks the invitation on Ann's side.
    const PeerClient::Row annRow = *ann.row("Ann");
    auto at = listRow(rowOf("Ann"));
    clickAt(mainWindow, at[0], at[1]);
    ASSERT_TRUE(until([&] { return serverGot(rowMessage("LC", annRow.id1, annRow.id2)); }));
    EXPECT_EQ(core->listCore()->isRowSelected(rowOf("Ann")), 1);

    // Ann chooses the player back: the game starts, the list becomes the chat.
    const PeerClient::Row guestRow = *ann.row("Guest");
    ann.send(rowMessage("LC", guestRow.id1, guestRow.id2));
    ASSERT_TRUE(until([&] { return core->isInGame() && column(0).size() >= 2; }));
    EXPECT_EQ(column(0), (Texts{"Red player joined the game.\n", "Green player joined the game.\n"}));
    EXPECT_STREQ(core->listCore()->columnTitle(0), "Chat/Information");
    EXPECT_EQ(core->getMySeat(), 1);
    EXPECT_EQ(text("red"), "Guest");
    EXPECT_EQ(text("green"), "Ann");
    // White rows below the text.
    auto whiteBelow = [&] {
        std::array<int, 3> px = listPixel(core->listCore()->listWidth() - 40, AdvancedListCore::kRowHeight * 4 + 8);
        return px[0] >= 245 && px[1] >= 245 && px[2] >= 245;
    };
    EXPECT_TRUE(until(whiteBelow));

    // A "Say:" line comes back from the server as chat, to both players.
    auto field = inMainFrame("talkText");
    clickAt(mainWindow, field[0], field[1]);
    xdotool("type --delay 20 'hello there'");
    ASSERT_TRUE(until([&] { return text("talkText") == "hello there"; }));
    auto say = inMainFrame("talk");
    clickAt(mainWindow, say[0], say[1]);
    ASSERT_TRUE(until([&] { return contains(column(0), "hello there") && contains(ann.chat, "hello there"); }));
    match_testing::screenshot("chat");

    // "Quit" returns to the lobby on the same connection.
    auto quit = inMainFrame("quit");
    clickAt(mainWindow, quit[0], quit[1]);
    ASSERT_TRUE(until([&] { return core->isLobbyMode() && rowOf("Ben") >= 0 && rowOf("Guest") >= 0; }));
    EXPECT_STREQ(core->listCore()->columnTitle(0), "Player");
    EXPECT_EQ(core->getMySeat(), -1);
    EXPECT_EQ(text("red"), "---");
    EXPECT_TRUE(serverGot(codeMessage("PQU")));
    EXPECT_EQ(server->connectionsAccepted(), 3);  // the same connection throughout
    (void)ben;
}

// The player starts against a server that is not there: the status line
// says so at once (and the lobby stays empty) while the program keeps
// trying; once the server runs, the status line says it is reached and the
// lobby fills, after one login.
TEST_F(LobbyWindow, TheStatusLineTellsWhileTheServerCannotBeReachedAndWhenItIs) {
    std::vector<int> ports;
    for (int i = 0; i < server->lobbyCount(); ++i) ports.push_back(server->port(i));
    server.reset();  // nothing listens on its ports now
    open(true);
    const std::string at = "127.0.0.1:" + std::to_string(ports[1]);
    pressStart();
    ASSERT_FALSE(HasFatalFailure());
    const std::string noConnection = " No connection to the game server " + at + " - trying again";
    ASSERT_TRUE(until([&] { return text("info") == noConnection; }, 5000)) << text("info");
    EXPECT_TRUE(column(0).empty());
    EXPECT_STREQ(core->listCore()->columnTitle(0), "Player");
    pump(0.3);
    match_testing::screenshot("no-server");
    EXPECT_EQ(text("info"), noConnection);

    standin::GameServerOptions o;
    o.ports = ports;
    server = std::make_unique<standin::GameServer>(o);
    ASSERT_TRUE(server->start());
    join("Ann");
    ASSERT_TRUE(until([&] { return rowOf("Guest") >= 0 && rowOf("Ann") >= 0; }));
    EXPECT_EQ(text("info"), " Connected to the game server " + at);
    int logins = 0;
    for (const MessageBytes& m : server->received()) logins += m == loginMessage("Guest");
    EXPECT_EQ(logins, 1);
    match_testing::screenshot("server-reached");
}

}  // namespace
