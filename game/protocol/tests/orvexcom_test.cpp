// The protocol core with its own thread: two real clients, each with the
// rules of play on a board, play through the stand-in game server over
// loopback; the test thread is their GUI thread.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "framework/app/datafiles.h"
#include "framework/app/debuglog.h"
#include "framework/app/options.h"
#include "framework/net/tests/scripted_peer.h"
#include "framework/util/ticker.h"
#include "game/board/game.h"
#include "game/protocol/codec.h"
#include "game/protocol/gamedispatch.h"
#include "game/protocol/orvexcom.h"
#include "game/protocol/tests/protocol_support.h"
#include "platform/net/tcp.h"
#include "platform/os/thread.h"
#include "standin/game-server/game_server.h"
#include "testing/options_store.h"
#include "testing/program_folder.h"

using Calls = std::vector<std::string>;

namespace {

// The side panel of one client, recorded.
class RecordingPanel : public OrvexSidePanel {
public:
    void addNewPlayer(uint32_t id1, uint32_t id2, const char* text, const char*) override {
        calls.push_back("LA " + std::to_string(id1) + " " + std::to_string(id2) + " " + text);
    }
    void markListRow(uint32_t id1, uint32_t id2) override {
        calls.push_back("mark " + std::to_string(id1) + " " + std::to_string(id2));
    }
    void unmarkListRow(uint32_t, uint32_t) override { calls.push_back("unmark"); }
    void removeListRow(uint32_t, uint32_t) override { calls.push_back("LR"); }
    void clearPlayers() override { calls.push_back("LPC"); }
    void initChatList() override { calls.push_back("initChatList"); }
    void playerJoined(const char* name) override { calls.push_back(std::string("LPA ") + name); }
    void onPlayerQuit(int seat) override { calls.push_back("LPD " + std::to_string(seat)); }
    void addChatLine(const char* text) override { calls.push_back(std::string("PT ") + text); }
    std::vector<std::string> calls;
    std::vector<std::string> rows() const {
        std::vector<std::string> out;
        for (const std::string& c : calls)
            if (c.rfind("LA ", 0) == 0) out.push_back(c);
        return out;
    }
};

// One player's program: the rules on a board, the side panel, and the
// protocol core as the rules' outbox.
struct Client {
    explicit Client(const char* name) {
        com = std::make_unique<OrvexCom>(&dispatch, OrvexCom::Pump::Manual);
        game.setOutbox(com.get());
        send(loginMessage(name));
    }
    ~Client() { game.setOutbox(nullptr); }
    void send(const MessageBytes& m) { com->queueMessage(m.data(), m.size()); }
    // The GUI thread's share of one turn of the loop.
    void pump() {
        com->dispatchIncoming();
        if (game.getBoard()) game.getBoard()->advanceAnimations();
    }
    bool idle() const { return com->incomingWaiting() == 0 && com->queuedMessages() == 0; }

    OrvexGame game;
    RecordingPanel panel;
    OrvexGameDispatch dispatch{game, panel};
    std::unique_ptr<OrvexCom> com;
};

// Everything both clients must agree on: turn, selection, seeds, pieces.
std::string state(const OrvexGame& game) {
    const OrvexBoard* b = game.getBoard();
    if (!b) return "no board";
    char line[160];
    std::snprintf(line, sizeof line, "current %d moves %d selected %d,%d random %08x %08x fire %d over %d\n",
                  game.getCurrentPlayer(), game.getTurnsLeft(), b->getSelectedX(), b->getSelectedY(), b->random().s(),
                  b->random().t(), game.isFirePending(), b->iGameOver);
    std::string out = line;
    for (int y = 0; y < b->getHeight(); ++y) {
        for (int x = 0; x < b->getWidth(); ++x) {
            const OrvexPiece* p = b->getPiece(x, y);
            const OrvexPiece* f = b->getOverlay(x, y);
            std::snprintf(line, sizeof line, "%s/%d/%d%s ", p ? p->iClassName.c_str() : "-", p ? p->getPlayer() : 0,
                          p ? p->iDirection : 0, f ? ("+" + f->iClassName).c_str() : "");
            out += line;
        }
        out += "\n";
    }
    return out;
}

class OrvexComTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.copyFromSource("data/boards/default.kv", "boards/default.kv");
        setStringOption("lastDefaultGame", "default.kv");
        standin::GameServerOptions o;
        o.ports = {0};
        o.seed1 = 0x1234;
        o.seed2 = 0x5678;
        server = std::make_unique<standin::GameServer>(o);
        ASSERT_TRUE(server->start());
        setOrvexServerPort(server->port(0));
    }
    void TearDown() override { setOrvexServerPort(0); }

    // Runs the main ticker and the clients' GUI work until done() holds.
    bool loopUntil(const std::vector<Client*>& clients, const std::function<bool()>& done, int timeoutMs = 60000) {
        long long end = platform::monotonicMs() + timeoutMs;
        while (!done()) {
            if (platform::monotonicMs() > end) return false;
            // One tick at a time: the thread works each off within 10 ms.
            bool backlog = false;
            for (Client* c : clients) backlog = backlog || c->com->pendingTicks().load() > 0;
            if (!backlog) ticker.tickClients();
            for (Client* c : clients) c->pump();
            platform::sleepMs(2);
        }
        return true;
    }

    testing_support::ProgramFolder folder;
    testing_support::OptionsStore store;
    Ticker ticker{nullptr, true};
    std::unique_ptr<standin::GameServer> server;
};

// A piece of the current player with a blank beside it (x, y, to x, to y).
bool findStep(const OrvexGame& game, int* x, int* y, int* tx, int* ty) {
    const OrvexBoard& b = *game.getBoard();
    const int dx[] = {0, 1, 0, -1}, dy[] = {-1, 0, 1, 0};
    for (int j = 1; j < b.getHeight() - 1; ++j)
        for (int i = 1; i < b.getWidth() - 1; ++i) {
            const OrvexPiece* p = b.getPiece(i, j);
            if (!p || p->isBlank() || p->getPlayer() != game.getCurrentPlayer() || p->canFire()) continue;
            for (int d = 0; d < 4; ++d) {
                const OrvexPiece* n = b.pieceAt(i + dx[d], j + dy[d]);
                if (n && n->isBlank() && !b.getOverlay(i + dx[d], j + dy[d])) {
                    *x = i, *y = j, *tx = i + dx[d], *ty = j + dy[d];
                    return true;
                }
            }
        }
    return false;
}

bool findFiringPiece(const OrvexGame& game, int* x, int* y) {
    const OrvexBoard& b = *game.getBoard();
    for (int j = 0; j < b.getHeight(); ++j)
        for (int i = 0; i < b.getWidth(); ++i) {
            const OrvexPiece* p = b.getPiece(i, j);
            if (p && p->getPlayer() == game.getCurrentPlayer() && p->canFire()) {
                *x = i, *y = j;
                return true;
            }
        }
    return false;
}

// The acting client steps one piece and fires, which ends its turn.
void stepAndFire(Client& acting) {
    int x, y, tx, ty;
    ASSERT_TRUE(findStep(acting.game, &x, &y, &tx, &ty));
    const int moves = acting.game.getTurnsLeft();
    acting.game.clickSquare(x, y);
    acting.game.clickSquare(tx, ty);
    ASSERT_EQ(acting.game.getTurnsLeft(), moves - 1) << "the step was refused";
    ASSERT_TRUE(findFiringPiece(acting.game, &x, &y));
    acting.game.clickSquare(x, y);
    acting.game.fireSelected();
    ASSERT_EQ(acting.game.isFirePending(), 1);
    acting.game.completeFireAndNotify();
}

TEST_F(OrvexComTest, TwoClientsMeetStartPlayAndStayIdentical) {
    Client ann("Ann");
    ASSERT_TRUE(loopUntil({&ann}, [&] { return ann.panel.rows().size() == 1; }));
    Client ben("Ben");
    ASSERT_TRUE(loopUntil({&ann, &ben}, [&] { return ann.panel.rows().size() == 2 && ben.panel.rows().size() == 2; }));
    EXPECT_EQ(ann.panel.rows(), ben.panel.rows());
    EXPECT_EQ(ann.panel.rows()[0].substr(ann.panel.rows()[0].size() - 3), "Ann");

    // Each selects the other's row; the second selection starts the game.
    auto ids = [](const std::string& row) {
        unsigned a = 0, b = 0;
        std::sscanf(row.c_str(), "LA %u %u", &a, &b);
        return std::make_pair(a, b);
    };
    auto annRow = ids(ann.panel.rows()[0]);
    auto benRow = ids(ann.panel.rows()[1]);
    ann.send(rowMessage("LC", benRow.first, benRow.second));
    std::string marked = "mark " + std::to_string(annRow.first) + " " + std::to_string(annRow.second);
    ASSERT_TRUE(loopUntil({&ann, &ben}, [&] { return ben.panel.calls.back() == marked; }));
    ben.send(rowMessage("LC", annRow.first, annRow.second));
    ASSERT_TRUE(loopUntil({&ann, &ben}, [&] { return ann.game.getMySeat() == 1 && ben.game.getMySeat() == 2; }));
    ASSERT_TRUE(loopUntil({&ann, &ben}, [&] { return ann.idle() && ben.idle(); }));
    for (Client* c : {&ann, &ben}) {
        Calls tail(c->panel.calls.end() - 5, c->panel.calls.end());
        EXPECT_EQ(tail, (Calls{"LPC", "initChatList", "LPA Ann", "initChatList", "LPA Ben"}));
        EXPECT_EQ(c->game.getBoard()->random().s(), 0x1234u);
        EXPECT_EQ(c->game.getBoard()->random().t(), 0x5678u);
    }
    ASSERT_EQ(state(ann.game), state(ben.game));

    // Ann moves and fires; Ben's board follows. Then Ben, then Ann again.
    std::string before = state(ben.game);
    for (Client* acting : {&ann, &ben, &ann}) {
        SCOPED_TRACE(acting == &ann ? "Ann acts" : "Ben acts");
        ASSERT_EQ(acting->game.isMyTurn(), 1);
        stepAndFire(*acting);
        ASSERT_TRUE(loopUntil({&ann, &ben},
                              [&] {
                                  return ann.idle() && ben.idle() && state(ann.game) == state(ben.game) &&
                                         ann.game.getAnimSequence() == 0 && ben.game.getAnimSequence() == 0;
                              }))
            << "Ann:\n"
            << state(ann.game) << "Ben:\n"
            << state(ben.game);
    }
    EXPECT_NE(state(ben.game), before);
    EXPECT_EQ(ann.game.getCurrentPlayer(), 2);

    // Cells and seats from the server outside the board or 1..4 change nothing.
    std::string held = state(ben.game);
    server->sendToLobby(0, codeMessage("PS", {200, 200}));
    server->sendToLobby(0, codeMessage("PM", {250, 3}));
    server->sendToLobby(0, codeMessage("LPB", {7, 2}));
    server->sendToLobby(0, chatMessage(1, "after"));
    ASSERT_TRUE(loopUntil({&ann, &ben}, [&] { return ben.panel.calls.back() == "PT after"; }));
    EXPECT_EQ(state(ben.game), held);
    EXPECT_EQ(ben.game.getMySeat(), 2);

    // Chat comes back to both; a quit is announced to the other.
    ann.send(chatMessage(1, "good game"));
    ASSERT_TRUE(loopUntil({&ann, &ben}, [&] {
        return ann.panel.calls.back() == "PT good game" && ben.panel.calls.back() == "PT good game";
    }));
    ann.send(codeMessage("PQU"));
    ASSERT_TRUE(loopUntil({&ann, &ben}, [&] { return ben.panel.calls.back() == "LPD 1"; }));
}

TEST_F(OrvexComTest, MessagesWaitWhileAnAnimationRuns) {
    protocol_testing::RecordingHandler handler;
    handler.animations = 1;
    OrvexCom com(&handler, OrvexCom::Pump::Manual);
    MessageBytes ll = loginMessage("Ann");
    com.queueMessage(ll.data(), ll.size());
    ASSERT_TRUE(loopUntil({}, [&] { return server->lobbyNames(0).size() == 1; }));
    Client ben("Ben");
    // Ben's arrival reaches Ann's inbox, but no handler runs.
    ASSERT_TRUE(loopUntil({&ben}, [&] { return com.incomingWaiting() >= 1 || handler.calls.size() > 0; }));
    EXPECT_EQ(com.dispatchIncoming(), 0);
    EXPECT_TRUE(handler.calls.empty());
    handler.animations = 0;
    ASSERT_TRUE(loopUntil({&ben}, [&] {
        com.dispatchIncoming();
        return handler.calls.size() == 2;
    }));
    EXPECT_EQ(handler.calls[0].substr(handler.calls[0].size() - 11), "Ann ---/---");
    EXPECT_EQ(handler.calls[1].substr(handler.calls[1].size() - 11), "Ben ---/---");
}

// The server lets the connection go while the owner is busy with an
// animation: the news waits with the messages, then comes in stream order.
TEST_F(OrvexComTest, NewsOfTheConnectionReachesTheOwnerBetweenTheMessages) {
    protocol_testing::RecordingHandler handler;
    OrvexCom com(&handler, OrvexCom::Pump::Manual);
    const std::string at = "127.0.0.1:" + std::to_string(server->port(0));
    EXPECT_EQ(com.serverAddress(), at);
    // The login of every connection the core makes.
    com.setLogin(loginMessage("Ann"));
    ASSERT_TRUE(loopUntil({}, [&] {
        com.dispatchIncoming();
        return handler.calls.size() == 1;
    }));

    handler.animations = 1;
    server->dropConnections();
    ASSERT_TRUE(loopUntil({}, [&] { return com.incomingWaiting() >= 2; }));  // lost, and made again
    EXPECT_EQ(com.dispatchIncoming(), 0);
    EXPECT_EQ(handler.links.size(), 2u);  // made, and answered
    handler.animations = 0;
    ASSERT_TRUE(loopUntil({}, [&] {
        com.dispatchIncoming();
        return handler.calls.size() == 2;
    }));
    EXPECT_EQ(handler.timeline(),
              (Calls{"[up 1 " + at + "]", "[answered 1 " + at + "]", handler.calls[0], "[down 1 " + at + "]",
                     "[up 2 " + at + "]", "[answered 2 " + at + "]", handler.calls[1]}));
    EXPECT_EQ(handler.calls[1].substr(handler.calls[1].size() - 11), "Ann ---/---");
    EXPECT_EQ(server->lobbyNames(0), (std::vector<std::string>{"Ann"}));
}

// A server that takes the first connection, then closes twenty at once,
// then answers. The moves queued when the first went reach no later one;
// the new connection carries one login and then the chat line typed during
// the storm.
TEST(OrvexComStorm, TwentyConnectionsClosedAtOnceThenOneLoginAndTheChatTypedMeanwhile) {
    const MessageBytes ll = loginMessage("Ann");
    const MessageBytes chat = chatMessage(1, "typed in the storm");
    const std::string login = std::string("GKV\x01", 4) + std::string(16, '\0');
    auto frame = [](const MessageBytes& m) {
        MessageBytes f = frameMessage(m.data(), static_cast<int>(m.size()));
        return std::string(f.begin(), f.end());
    };
    auto text = [](const MessageBytes& m) { return std::string(m.begin(), m.end()); };
    net_testing::ScriptedPeer peer;
    peer.read(login.size() + frame(ll).size()).send(text(lobbyRowMessage(7, 300, "Ann"))).hold().close();
    peer.forConnections(1);
    peer.close().forConnections(20);
    peer.send(text(lobbyRowMessage(8, 301, "Ann")));  // and holds the connection
    peer.start();
    setOrvexServerPort(peer.port());

    Ticker ticker(nullptr, true);
    protocol_testing::RecordingHandler handler;
    OrvexCom com(&handler, OrvexCom::Pump::Manual);
    com.setLogin(ll);
    // One tick at a time, each worked off before the next; the test thread
    // is the GUI thread. "At once" means before the client's next tick: a
    // tick waits until the peer has taken every connection made and closed
    // the ones it closes.
    bool released = false;
    auto peerCaughtUp = [&] {
        return !released || (peer.accepted() >= com.connectionsMade() && (peer.active() == 0 || peer.accepted() == 22));
    };
    auto loopUntil = [&](const std::function<bool()>& done) {
        long long end = platform::monotonicMs() + 60000;
        while (!done()) {
            if (platform::monotonicMs() > end) return false;
            const bool idle = com.pendingTicks().load() == 0;
            com.dispatchIncoming();
            if (idle && peerCaughtUp()) ticker.tickClients();
            platform::sleepMs(2);
        }
        return true;
    };
    ASSERT_TRUE(loopUntil([&] { return handler.calls.size() == 1; }));
    // The server lets the first connection go, unseen by the client until
    // its next tick, while three moves wait.
    while (com.pendingTicks().load() > 0) platform::sleepMs(2);
    released = true;
    peer.release();
    ASSERT_TRUE(peer.waitIdle(60000));
    const MessageBytes pm = codeMessage("PM", {1, 2});
    for (int i = 0; i < 3; ++i) com.queueMessage(pm.data(), pm.size());
    bool typed = false;
    ASSERT_TRUE(loopUntil([&] {
        if (!typed && handler.links.size() >= 3) {  // the loss is known
            com.queueMessage(chat.data(), chat.size());
            typed = true;
        }
        return handler.calls.size() == 2 && com.queuedMessages() == 0 &&
               peer.receivedByConnection().back().size() >= login.size() + frame(ll).size() + frame(chat).size();
    }));

    const std::vector<std::string> got = peer.receivedByConnection();
    ASSERT_EQ(got.size(), 22u);
    EXPECT_EQ(got[0], login + frame(ll));
    for (std::size_t i = 1; i < 21; ++i) EXPECT_EQ(got[i], "") << "connection " << i;  // read by nobody
    EXPECT_EQ(got[21], login + frame(ll) + frame(chat));
    // Only the first and the last connection lasted.
    const std::string at = "127.0.0.1:" + std::to_string(peer.port());
    std::vector<std::string> answered;
    for (const std::string& l : handler.links)
        if (l.rfind("answered", 0) == 0) answered.push_back(l);
    EXPECT_EQ(answered, (Calls{"answered 1 " + at, "answered 22 " + at}));
    setOrvexServerPort(0);
}

// Nothing listens on the port: the owner hears of it once, however often
// the thread tries again, and then of the connection once a server is there.
TEST_F(OrvexComTest, AServerThatIsNotThereIsToldOnceUntilItComes) {
    const int port = server->port(0);
    server.reset();
    protocol_testing::RecordingHandler handler;
    OrvexCom com(&handler, OrvexCom::Pump::Manual);
    const std::string at = "127.0.0.1:" + std::to_string(port);
    // 40 ticks, one at a time: six more attempts.
    for (int ticks = 0; ticks < 40 || com.pendingTicks().load() > 0; platform::sleepMs(2)) {
        if (ticks < 40 && com.pendingTicks().load() == 0) {
            ticker.tickClients();
            ++ticks;
        }
    }
    com.dispatchIncoming();
    EXPECT_EQ(handler.links, (Calls{"down 0 " + at}));

    standin::GameServerOptions o;
    o.ports = {port};
    server = std::make_unique<standin::GameServer>(o);
    ASSERT_TRUE(server->start());
    ASSERT_TRUE(loopUntil({}, [&] {
        com.dispatchIncoming();
        return handler.links.size() == 2;
    }));
    EXPECT_EQ(handler.links[1], "up 1 " + at);
}

TEST_F(OrvexComTest, DeletingTheCoreStopsItsThreadAndClosesItsSocket) {
    {
        protocol_testing::RecordingHandler handler;
        auto com = std::make_unique<OrvexCom>(&handler, OrvexCom::Pump::Manual);
        MessageBytes ll = loginMessage("Ann");
        com->queueMessage(ll.data(), ll.size());
        ASSERT_TRUE(loopUntil({}, [&] { return server->lobbyNames(0).size() == 1; }));
        EXPECT_EQ(ticker.clientCount(), 1);
        // Queued and never sent: discarded with the core.
        for (int i = 0; i < 3; ++i) com->queueMessage(ll.data(), ll.size());
        com.reset();
        EXPECT_EQ(ticker.clientCount(), 0);
    }
    ASSERT_TRUE(loopUntil({}, [&] { return server->connectionsOpen() == 0; }));
    EXPECT_TRUE(server->lobbyNames(0).empty());
}

// A server whose listener never accepts and whose backlog is full: the
// core's thread hangs in its connect (ten seconds before it would give up).
// Deleting the core cuts that wait short: the log shows the connect ended
// as cancelled, not timed out. The same stop serves the reconnect and the
// send waits (the socket's waits take the same flag).
TEST(OrvexComStop, DeletingTheCoreCutsAConnectThatGetsNoAnswerShort) {
    testing_support::ProgramFolder folder;
    folder.write("test.env", "");
    debugLogResetForTests();
    int port = 0;
    int listener = platform::net::listenOn("127.0.0.1", 0, &port, 0);
    ASSERT_GE(listener, 0);
    std::uint32_t loopback = 0;
    ASSERT_TRUE(platform::net::parseDotted("127.0.0.1", &loopback));
    int err = 0;
    int filler = platform::net::openStream(&err);
    ASSERT_EQ(platform::net::connectTo(filler, loopback, port, 5000), 0);  // takes the one backlog place
    setOrvexServerPort(port);

    protocol_testing::RecordingHandler handler;
    auto com = std::make_unique<OrvexCom>(&handler, OrvexCom::Pump::Manual);
    const std::string connecting = "Connect(127.0.0.1," + std::to_string(port);
    long long end = platform::monotonicMs() + 10000;
    while (folder.read("note.txt").find(connecting) == std::string::npos && platform::monotonicMs() < end)
        platform::sleepMs(5);
    ASSERT_NE(folder.read("note.txt").find(connecting), std::string::npos);
    com.reset();

    std::string log = folder.read("note.txt");
    EXPECT_NE(log.find("errno=" + std::to_string(ECANCELED)), std::string::npos) << log.substr(log.find(connecting));
    EXPECT_EQ(log.find("errno=" + std::to_string(ETIMEDOUT)), std::string::npos);
    platform::net::closeHandle(filler);
    platform::net::closeHandle(listener);
    setOrvexServerPort(0);
    debugLogResetForTests();
}

}  // namespace
