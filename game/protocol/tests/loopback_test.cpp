// The real connection over real sockets, through the stand-in game server
// on free loopback ports.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "framework/app/datafiles.h"
#include "game/protocol/codec.h"
#include "game/protocol/tests/protocol_support.h"
#include "standin/game-server/game_server.h"

using protocol_testing::LoopbackClient;
using protocol_testing::tickUntil;
using Calls = std::vector<std::string>;

namespace {

struct Row {
    uint32_t id1, id2;
};

Row rowOf(const MessageBytes& la) { return {readInt32BE(la.data() + 2), readInt32BE(la.data() + 6)}; }

std::string nameOf(const MessageBytes& la) { return reinterpret_cast<const char*>(la.data() + 19); }

// The calls a client made from `from` on.
Calls callsFrom(const LoopbackClient& c, std::size_t from) {
    return Calls(c.handler.calls.begin() + static_cast<long>(std::min(from, c.handler.calls.size())),
                 c.handler.calls.end());
}

class Loopback : public ::testing::Test {
protected:
    void startServer(int autoStart = 0) {
        standin::GameServerOptions o;
        o.ports = {0, 0};
        o.autoStartPlayers = autoStart;
        o.seed1 = 0x1234;
        o.seed2 = 0x5678;
        server = std::make_unique<standin::GameServer>(o);
        ASSERT_TRUE(server->start());
    }
    // A client that logged in under `name` and has seen `rows` lobby rows.
    std::unique_ptr<LoopbackClient> login(const char* name, std::size_t rows, int lobby = 0) {
        auto c = std::make_unique<LoopbackClient>(server->port(lobby));
        c->send(loginMessage(name));
        LoopbackClient* p = c.get();
        EXPECT_TRUE(tickUntil({p}, [&] { return p->all("LA").size() >= rows; })) << name;
        return c;
    }
    std::unique_ptr<standin::GameServer> server;
};

TEST_F(Loopback, TwoClientsLogInAndSeeEachOthersRowsInTheirOwnLobbyOnly) {
    startServer();
    auto ann = login("Ann", 1);
    auto ben = login("Ben", 2);
    ASSERT_TRUE(tickUntil({ann.get(), ben.get()}, [&] { return ann->all("LA").size() == 2; }));
    auto annRows = ann->all("LA");
    auto benRows = ben->all("LA");
    EXPECT_EQ(nameOf(annRows[0]), "Ann");
    EXPECT_EQ(nameOf(annRows[1]), "Ben");
    ASSERT_EQ(benRows.size(), 2u);
    EXPECT_EQ(nameOf(benRows[0]), "Ann");
    EXPECT_EQ(nameOf(benRows[1]), "Ben");
    Row a = rowOf(annRows[0]);
    EXPECT_EQ(ben->handler.calls[0], "LA " + std::to_string(a.id1) + " " + std::to_string(a.id2) + " Ann ---/---");

    auto cid = login("Cid", 1, 1);  // the other style's lobby
    tickUntil(
        {ann.get(), ben.get(), cid.get()}, [] { return false; }, 200);
    EXPECT_EQ(cid->all("LA").size(), 1u);
    EXPECT_EQ(ann->all("LA").size(), 2u);
    EXPECT_EQ(server->lobbyNames(0), (std::vector<std::string>{"Ann", "Ben"}));
    EXPECT_EQ(server->lobbyNames(1), (std::vector<std::string>{"Cid"}));
}

TEST_F(Loopback, MutualSelectionStartsAGameWithItsMessagesInOrder) {
    startServer();
    auto ann = login("Ann", 1);
    auto ben = login("Ben", 2);
    auto cid = login("Cid", 3);
    ASSERT_TRUE(tickUntil({ann.get(), ben.get(), cid.get()},
                          [&] { return ann->all("LA").size() == 3 && ben->all("LA").size() == 3; }));
    Row a = rowOf(cid->all("LA")[0]);
    Row b = rowOf(cid->all("LA")[1]);

    ann->send(rowMessage("LC", b.id1, b.id2));
    std::string marked = "mark " + std::to_string(a.id1) + " " + std::to_string(a.id2);
    ASSERT_TRUE(tickUntil({ann.get(), ben.get()}, [&] { return ben->handler.calls.back() == marked; }));
    std::size_t annFrom = ann->handler.calls.size();
    std::size_t benFrom = ben->handler.calls.size();
    std::size_t cidFrom = cid->handler.calls.size();
    ben->send(rowMessage("LC", a.id1, a.id2));
    ASSERT_TRUE(tickUntil({ann.get(), ben.get(), cid.get()}, [&] {
        return !ann->first("PZ").empty() && !ben->first("PZ").empty() && cid->all("LR").size() == 2;
    }));
    Calls start = {"LPC", "initChatList", "LPA Ann", "initChatList", "LPA Ben"};
    Calls annStart = start, benStart = start;
    annStart.insert(annStart.end(), {"LPB 1 2", "PZ 4660 22136"});
    benStart.insert(benStart.end(), {"LPB 2 2", "PZ 4660 22136"});
    EXPECT_EQ(callsFrom(*ann, annFrom), annStart);
    EXPECT_EQ(callsFrom(*ben, benFrom), benStart);
    EXPECT_EQ(callsFrom(*cid, cidFrom), (Calls{"LR " + std::to_string(a.id1) + " " + std::to_string(a.id2),
                                               "LR " + std::to_string(b.id1) + " " + std::to_string(b.id2)}));
    EXPECT_EQ(server->gamesRunning(), 1);
    EXPECT_EQ(server->lobbyNames(0), (std::vector<std::string>{"Cid"}));
}

TEST_F(Loopback, MovesAndShotsReachTheOtherMemberChatReachesBothAndQuitIsAnnounced) {
    startServer(2);
    auto ann = login("Ann", 1);
    auto ben = login("Ben", 2);
    ASSERT_TRUE(
        tickUntil({ann.get(), ben.get()}, [&] { return !ann->first("PZ").empty() && !ben->first("PZ").empty(); }));
    std::size_t annFrom = ann->handler.calls.size();
    std::size_t benFrom = ben->handler.calls.size();
    for (const MessageBytes& m : {codeMessage("PS", {3, 4}), codeMessage("PRR"), codeMessage("PRL"),
                                  codeMessage("PM", {4, 4}), codeMessage("PU"), codeMessage("PS", {4, 4}),
                                  codeMessage("PFS"), codeMessage("PFE"), codeMessage("PQS", {1})})
        ann->send(m);
    ann->send(chatMessage(1, "hello"));
    Calls moves = {"PS 3 4", "PRR", "PRL", "PM 4 4", "PU", "PS 4 4", "PFS", "PFE", "PQS 1", "PT hello"};
    ASSERT_TRUE(tickUntil({ann.get(), ben.get()}, [&] { return callsFrom(*ben, benFrom).size() >= moves.size(); }));
    EXPECT_EQ(callsFrom(*ben, benFrom), moves);
    // Only the chat line comes back to its sender.
    ASSERT_TRUE(tickUntil({ann.get(), ben.get()}, [&] { return !callsFrom(*ann, annFrom).empty(); }));
    EXPECT_EQ(callsFrom(*ann, annFrom), Calls{"PT hello"});

    ann->send(codeMessage("PQU"));
    ASSERT_TRUE(tickUntil({ann.get(), ben.get()}, [&] { return ben->handler.calls.back() == "LPD 1"; }));
    // LL after PQU re-enters the lobby under a new row.
    std::size_t rowsBefore = ann->all("LA").size();
    ann->send(loginMessage("Ann"));
    ASSERT_TRUE(tickUntil({ann.get(), ben.get()}, [&] { return ann->all("LA").size() == rowsBefore + 1; }));
    EXPECT_EQ(server->lobbyNames(0), (std::vector<std::string>{"Ann"}));
}

TEST_F(Loopback, AClientReconnectsAfterTheServerClosesAndLogsInAgain) {
    startServer();
    auto ann = login("Ann", 1);
    EXPECT_EQ(server->loginBlocks(), 1);
    server->dropConnections();
    ASSERT_TRUE(tickUntil({ann.get()}, [&] { return server->connectionsAccepted() == 2; }));
    ann->send(loginMessage("Ann"));
    ASSERT_TRUE(tickUntil({ann.get()}, [&] { return ann->all("LA").size() >= 2; }));
    // The old row went with the old connection: the new login sees only its own.
    tickUntil(
        {ann.get()}, [] { return false; }, 100);
    EXPECT_EQ(ann->codes(), (std::vector<std::string>{"LA", "LA"}));
    EXPECT_EQ(server->loginBlocks(), 2);
    EXPECT_EQ(server->lobbyNames(0), (std::vector<std::string>{"Ann"}));
}

TEST_F(Loopback, AnUnknownHeadFromTheServerMakesTheConnectionAnew) {
    startServer();
    auto ann = login("Ann", 1);
    server->sendToLobby(0, MessageBytes{'Q', 'Q', 'Q'});
    // The client closed the old connection; the server learns of it on its
    // own time. Its row must be gone before the new login, or that login is
    // shown the old row too (then an LR for it).
    ASSERT_TRUE(
        tickUntil({ann.get()}, [&] { return server->connectionsAccepted() == 2 && server->lobbyNames(0).empty(); }));
    ann->send(loginMessage("Ann"));
    ASSERT_TRUE(tickUntil({ann.get()}, [&] { return ann->all("LA").size() >= 2; }));
    tickUntil(
        {ann.get()}, [] { return false; }, 100);
    EXPECT_EQ(ann->codes(), (std::vector<std::string>{"LA", "LA"}));
    EXPECT_EQ(server->loginBlocks(), 2);
}

TEST_F(Loopback, ABurstOfLobbyRowsLargerThanTheReceiveBufferArrivesWhole) {
    startServer();
    auto ann = login("Ann", 1);
    MessageBytes burst;
    for (uint32_t i = 0; i < 200; ++i) {
        MessageBytes la = lobbyRowMessage(100 + i, i, ("row-" + std::to_string(i)).c_str());
        burst.insert(burst.end(), la.begin(), la.end());
    }
    ASSERT_GT(burst.size(), 3000u);
    server->sendToLobby(0, burst);
    ASSERT_TRUE(tickUntil({ann.get()}, [&] { return ann->all("LA").size() == 201; }));
    EXPECT_EQ(nameOf(ann->all("LA").back()), "row-199");
    EXPECT_EQ(server->connectionsAccepted(), 1);
}

}  // namespace
