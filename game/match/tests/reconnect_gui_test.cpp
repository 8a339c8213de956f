// The main window through a reconnect storm, as a player sees it: a server
// that plays a game on the first connection, lets it go, closes the next
// twenty connections at once and then answers. The chat, then the lobby,
// keep the lost game in view; the status line says "Connected" only on a
// connection on which the server has spoken; the chat line typed during
// the storm follows the one login of the connection that lasts.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "framework/app/options.h"
#include "framework/net/tests/scripted_peer.h"
#include "framework/util/ticker.h"
#include "game/match/orvexmaincore.h"
#include "game/match/tests/maincore_support.h"
#include "game/protocol/codec.h"
#include "game/protocol/gamesocket.h"
#include "game/protocol/orvexcom.h"
#include "testing/window_support.h"

using match_testing::clickControl;
using match_testing::MainWindowFixture;
using match_testing::xdotool;
using Texts = std::vector<std::string>;

namespace {

std::string bytes(const MessageBytes& m) { return std::string(m.begin(), m.end()); }
std::string frame(const MessageBytes& m) { return bytes(frameMessage(m.data(), static_cast<int>(m.size()))); }

constexpr int kStorm = 20;

using Reconnect = MainWindowFixture;

TEST_F(Reconnect, AReconnectStormKeepsTheLostGameInViewAndSaysConnectedOnlyOnceTheServerSpeaks) {
    const std::string loginBlock = std::string("GKV\x01", 4) + std::string(16, '\0');
    const MessageBytes ll = loginMessage("Zoe");
    net_testing::ScriptedPeer peer;
    peer.read(loginBlock.size() + frame(ll).size())
        .send(bytes(playerAddMessage("Zoe")) + bytes(playerAddMessage("Ben")) + bytes(codeMessage("LPB", {1, 2})))
        .hold()
        .close()
        .forConnections(1);
    peer.close().forConnections(kStorm);
    peer.send(bytes(lobbyRowMessage(8, 301, "Zoe")));  // and holds the connection
    peer.start();
    setOrvexServerPort(peer.port());
    setStringOption("playerName", "Zoe");

    open(true);
    moveSelectionAside();
    core->connectToServer();
    const std::string server = "127.0.0.1:" + std::to_string(peer.port());
    const std::string connected = " Connected to the game server " + server;
    const std::string noConnection = " No connection to the game server " + server + " - trying again";
    const std::string lostLine = OrvexMainCore::kGameLostLine;

    // The main ticker's ticks, one at a time and each worked off before the
    // next; once the server has let the game go, a tick waits until it has
    // taken every connection made and closed the ones it closes ("at once":
    // before the client's next tick).
    OrvexCom* com = core->protocolCore();
    bool released = false;
    auto peerCaughtUp = [&] {
        return !released ||
               (peer.accepted() >= com->connectionsMade() && (peer.active() == 0 || peer.accepted() == kStorm + 2));
    };
    // What the status line said between the loss and the connection that lasts.
    std::set<std::string> statusDuringStorm;
    auto run = [&](const std::function<bool()>& done) {
        return testing_support::waitFor(
            [&] {
                if (com->pendingTicks().load() == 0 && peerCaughtUp()) mainTicker->tickClients();
                if (released && core->isInGame() == 0 && peer.accepted() < kStorm + 2)
                    statusDuringStorm.insert(text("info"));
                return done();
            },
            60.0);
    };

    ASSERT_TRUE(run([&] { return core->isInGame() == 1 && core->getMySeat() == 1; }));
    EXPECT_EQ(text("info"), connected);
    EXPECT_EQ(text("red"), "Zoe");

    // The server lets the game's connection go: unseen until the next tick.
    ASSERT_TRUE(testing_support::waitFor([&] { return com->pendingTicks().load() == 0; }));
    released = true;
    peer.release();
    ASSERT_TRUE(peer.waitIdle(60000));
    ASSERT_TRUE(run([&] { return !column(0).empty() && column(0).back() == lostLine; }));
    EXPECT_EQ(core->isInGame(), 0);
    match_testing::screenshot("reconnect_game_lost");

    // A few connections into the storm, the player says something.
    ASSERT_TRUE(run([&] { return peer.accepted() >= 5; }));
    EXPECT_EQ(column(0), Texts{lostLine});
    clickControl(core, "talkText");
    const std::string line = "anyone";
    for (char c : line) xdotool(std::string("key --clearmodifiers ") + c);
    ASSERT_TRUE(testing_support::waitFor([&] { return text("talkText") == line; }, 10));
    clickControl(core, "talk");
    ASSERT_TRUE(testing_support::waitFor([&] { return com->queuedMessages() == 1; }, 10));
    match_testing::screenshot("reconnect_storm");

    // The connection that lasts: one login, then the line; the lobby's row
    // below the lost game's line.
    const std::string wanted = loginBlock + frame(ll) + frame(chatMessage(core->getMySeat(), line.c_str()));
    ASSERT_TRUE(run([&] {
        return text("info") == connected && column(0).size() == 2 &&
               peer.receivedByConnection().back().size() >= wanted.size();
    }));
    EXPECT_EQ(column(0), (Texts{lostLine, "Zoe"}));
    EXPECT_EQ(statusDuringStorm, std::set<std::string>{noConnection});
    const std::vector<std::string> got = peer.receivedByConnection();
    ASSERT_EQ(got.size(), static_cast<std::size_t>(kStorm + 2));
    EXPECT_EQ(got[0], loginBlock + frame(ll));
    for (int i = 1; i <= kStorm; ++i) EXPECT_EQ(got[static_cast<std::size_t>(i)], "") << "connection " << i;
    EXPECT_EQ(got.back(), wanted);
    for (const char* w : {"red", "green", "blue", "purple"}) EXPECT_EQ(text(w), "---") << w;
    pump(0.2);
    match_testing::screenshot("reconnect_lobby_after_storm");

    close();
    setOrvexServerPort(0);
}

}  // namespace
