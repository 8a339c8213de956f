#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "framework/app/datafiles.h"
#include "game/protocol/catalogue.h"
#include "game/protocol/codec.h"
#include "platform/net/tcp.h"
#include "platform/os/thread.h"
#include "standin/game-server/game_server.h"

namespace tcp = platform::net;

namespace {

// A client on a bare socket: sends what the test gives it and splits the
// server's stream into messages.
class RawClient {
public:
    // receiveBuffer > 0 bounds what the kernel takes for a client that
    // does not read.
    explicit RawClient(int port, int receiveBuffer = 0) {
        int err = 0;
        fd_ = tcp::openStream(&err);
        if (receiveBuffer > 0) tcp::setReceiveBuffer(fd_, receiveBuffer);
        std::uint32_t loopback = 0;
        EXPECT_TRUE(tcp::parseDotted("127.0.0.1", &loopback));
        EXPECT_EQ(tcp::connectTo(fd_, loopback, port, 30000), 0);
    }
    ~RawClient() { tcp::closeHandle(fd_); }
    void sendRaw(const std::string& bytes) {
        int err = 0;
        tcp::sendAll(fd_, bytes.data(), static_cast<long>(bytes.size()), 30000, &err);
    }
    void sendLogin() {
        uint32_t words[kLoginWords] = {};
        uint8_t block[kLoginBlockBytes];
        putLoginBlock(block, words);
        sendRaw(std::string(block, block + kLoginBlockBytes));
    }
    void sendFrame(const MessageBytes& body) {
        MessageBytes f = frameMessage(body.data(), static_cast<int>(body.size()));
        sendRaw(std::string(f.begin(), f.end()));
    }
    // Reads for up to ms, until `count` messages in all have arrived or the
    // server closed; the messages so far.
    const std::vector<MessageBytes>& read(std::size_t count, int ms = 30000) {
        long long end = platform::monotonicMs() + ms;
        while (messages_.size() < count && !closed_ && platform::monotonicMs() < end) {
            if (tcp::waitReadable(fd_, 20 * 1000) != tcp::Wait::Ready) continue;
            uint8_t piece[512];
            int err = 0;
            long n = tcp::receiveSome(fd_, piece, sizeof piece, &err);
            if (n == tcp::kNothingWaiting) continue;
            if (n <= 0) {
                closed_ = true;
                break;
            }
            stream_.insert(stream_.end(), piece, piece + n);
            for (;;) {
                OrvexSplitResult r = splitMessage(stream_.data(), static_cast<int>(stream_.size()), kFromServer);
                if (r.status != OrvexSplit::Whole) break;
                messages_.emplace_back(stream_.begin(), stream_.begin() + r.length);
                stream_.erase(stream_.begin(), stream_.begin() + r.length);
            }
        }
        return messages_;
    }
    bool closedByServer(int ms = 30000) {
        read(static_cast<std::size_t>(-1), ms);
        return closed_;
    }
    std::vector<std::string> codes() const {
        std::vector<std::string> out;
        for (const MessageBytes& m : messages_)
            out.push_back(splitMessage(m.data(), static_cast<int>(m.size()), kFromServer).code->letters);
        return out;
    }
    // The row of the last LA received.
    std::pair<uint32_t, uint32_t> lastRow() const {
        for (auto it = messages_.rbegin(); it != messages_.rend(); ++it)
            if ((*it)[0] == 'L' && (*it)[1] == 'A') return {readInt32BE(it->data() + 2), readInt32BE(it->data() + 6)};
        return {0, 0};
    }

private:
    int fd_ = -1;
    bool closed_ = false;
    MessageBytes stream_;
    std::vector<MessageBytes> messages_;
};

class GameServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::GameServerOptions o;
        o.ports = {0};
        server = std::make_unique<standin::GameServer>(o);
        ASSERT_TRUE(server->start());
    }
    std::unique_ptr<RawClient> enter(const char* name, std::size_t rows) {
        auto c = std::make_unique<RawClient>(server->port(0));
        c->sendLogin();
        c->sendFrame(loginMessage(name));
        EXPECT_EQ(c->read(rows).size(), rows);
        return c;
    }
    std::unique_ptr<standin::GameServer> server;
};

std::string str(const MessageBytes& m) { return std::string(m.begin(), m.end()); }

TEST_F(GameServerTest, BadLoginBlocksAndFramesCloseTheConnection) {
    MessageBytes ll = loginMessage("Ann");
    MessageBytes badSum = frameMessage(ll.data(), static_cast<int>(ll.size()));
    badSum[0] ^= 1;
    MessageBytes noNul = ll;
    noNul.back() = 'x';
    // Whole messages by the catalogue, but longer than a frame may be.
    MessageBytes longChat = codeMessage("PT", {1, 255});
    longChat.resize(259, 'c');
    longChat.back() = 0;
    MessageBytes longLogin = codeMessage("LL", {254});
    longLogin.resize(257, 'n');
    longLogin.back() = 0;
    struct Case {
        const char* what;
        bool login;
        std::string bytes;
    } cases[] = {
        {"no login block", false, str(frameMessage(ll.data(), static_cast<int>(ll.size()))) + std::string(10, '\0')},
        {"wrong login letters", false, std::string("GKX\x01", 4) + std::string(16, '\0')},
        {"a bad checksum", true, str(badSum)},
        {"a body of 1 byte", true, std::string("\x50\x00\x01P", 4)},
        {"a body of 259 bytes", true, str(frameMessage(longChat.data(), static_cast<int>(longChat.size())))},
        {"a login of 257 bytes", true, str(frameMessage(longLogin.data(), static_cast<int>(longLogin.size())))},
        {"an unknown code", true, str(frameMessage(reinterpret_cast<const uint8_t*>("XX"), 2))},
        {"a length that does not fit the code", true, str(frameMessage(codeMessage("PS", {1, 2, 3}).data(), 5))},
        {"a name without its NUL", true, str(frameMessage(noNul.data(), static_cast<int>(noNul.size())))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RawClient client(server->port(0));
        if (c.login) client.sendLogin();
        client.sendRaw(c.bytes);
        EXPECT_TRUE(client.closedByServer());
        EXPECT_TRUE(client.codes().empty());
    }
    EXPECT_TRUE(server->lobbyNames(0).empty());
}

TEST_F(GameServerTest, AFrameMayArriveInPieces) {
    RawClient c(server->port(0));
    c.sendLogin();
    MessageBytes ll = loginMessage("Ann");
    std::string f = str(frameMessage(ll.data(), static_cast<int>(ll.size())));
    for (char b : f) {
        c.sendRaw(std::string(1, b));
        platform::sleepMs(1);
    }
    EXPECT_EQ(c.read(1).size(), 1u);
    EXPECT_EQ(server->lobbyNames(0), std::vector<std::string>{"Ann"});
}

TEST_F(GameServerTest, InvitationsAreMarkedMovedAndWithdrawn) {
    auto ann = enter("Ann", 1);
    auto annRow = ann->lastRow();
    auto ben = enter("Ben", 2);
    auto benRow = ben->lastRow();
    auto cid = enter("Cid", 3);
    auto cidRow = cid->lastRow();
    ASSERT_EQ(ann->read(3).size(), 3u);

    ann->sendFrame(rowMessage("LC", annRow.first, annRow.second));  // own row: nothing
    ann->sendFrame(rowMessage("LC", benRow.first, benRow.second));
    ASSERT_EQ(ben->read(4).size(), 4u);
    EXPECT_EQ(str(ben->read(4)[3]), str(rowMarkMessage(annRow.first, annRow.second, 1)));
    // A new selection takes the old invitation back.
    ann->sendFrame(rowMessage("LC", cidRow.first, cidRow.second));
    ASSERT_EQ(ben->read(5).size(), 5u);
    EXPECT_EQ(str(ben->read(5)[4]), str(rowMarkMessage(annRow.first, annRow.second, 0)));
    ASSERT_EQ(cid->read(4).size(), 4u);
    EXPECT_EQ(str(cid->read(4)[3]), str(rowMarkMessage(annRow.first, annRow.second, 1)));
    ann->sendFrame(rowMessage("LD", cidRow.first, cidRow.second));
    ASSERT_EQ(cid->read(5).size(), 5u);
    EXPECT_EQ(str(cid->read(5)[4]), str(rowMarkMessage(annRow.first, annRow.second, 0)));
    EXPECT_EQ(server->gamesRunning(), 0);
    EXPECT_EQ(ann->read(4, 100).size(), 3u);  // nothing came back to Ann
}

TEST_F(GameServerTest, InvitationsThatRunRoundARingStartAGameOfTheRing) {
    // Each player selects the next one's row, the last the first's: rings of
    // three and four start a game with seats in lobby order; five are more
    // than a game holds.
    for (std::size_t size : {3u, 4u, 5u}) {
        SCOPED_TRACE(std::to_string(size) + " players");
        SetUp();  // a fresh server and lobby for each ring
        const char* names[] = {"Ann", "Ben", "Cid", "Dan", "Eve"};
        std::vector<std::unique_ptr<RawClient>> clients;
        std::vector<std::pair<uint32_t, uint32_t>> rows;
        for (std::size_t i = 0; i < size; ++i) {
            clients.push_back(enter(names[i], i + 1));
            rows.push_back(clients.back()->lastRow());
        }
        for (std::size_t i = 0; i < size; ++i) {
            const auto& next = rows[(i + 1) % size];
            clients[i]->sendFrame(rowMessage("LC", next.first, next.second));
            if (i + 1 < size) {
                // Marked on the next one's list; no game yet.
                RawClient& invited = *clients[i + 1];
                ASSERT_EQ(invited.read(size + 1).size(), size + 1);
                EXPECT_EQ(str(invited.read(size + 1).back()), str(rowMarkMessage(rows[i].first, rows[i].second, 1)));
                EXPECT_EQ(server->gamesRunning(), 0);
            }
        }
        if (size == 5) {
            EXPECT_EQ(clients[0]->read(size + 1).back(),
                      rowMarkMessage(rows[size - 1].first, rows[size - 1].second, 1));
            EXPECT_EQ(server->gamesRunning(), 0);
            continue;
        }
        for (std::size_t i = 0; i < size; ++i) {
            // The rows, the mark it got, then LPC, an LPA for every seat, LPB, PZ.
            const std::size_t want = size + (i == 0 ? 0 : 1) + 1 + size + 2;
            const auto& m = clients[i]->read(want);
            ASSERT_EQ(m.size(), want) << names[i];
            EXPECT_EQ(str(m[want - 2]), str(codeMessage("LPB", {static_cast<int>(i) + 1, static_cast<int>(size)})));
        }
        EXPECT_EQ(server->gamesRunning(), 1);
        EXPECT_TRUE(server->lobbyNames(0).empty());
    }
}

TEST_F(GameServerTest, LeavingTheLobbyOrAGameIsAnnounced) {
    auto ann = enter("Ann", 1);
    auto annRow = ann->lastRow();
    auto ben = enter("Ben", 2);
    auto benRow = ben->lastRow();
    {
        auto cid = enter("Cid", 3);
        auto cidRow = cid->lastRow();
        ASSERT_EQ(ann->read(3).size(), 3u);
        cid.reset();  // disconnects from the lobby
        ASSERT_EQ(ann->read(4).size(), 4u);
        EXPECT_EQ(str(ann->read(4)[3]), str(rowRemoveMessage(cidRow.first, cidRow.second)));
    }
    ASSERT_EQ(ben->read(4).size(), 4u);  // the rows, then Cid's LR
    ann->sendFrame(rowMessage("LC", benRow.first, benRow.second));
    ASSERT_EQ(ben->read(5).size(), 5u);
    EXPECT_EQ(str(ben->read(5)[4]), str(rowMarkMessage(annRow.first, annRow.second, 1)));
    ben->sendFrame(rowMessage("LC", annRow.first, annRow.second));
    // LPC, LPA, LPA, LPB, PZ
    ASSERT_EQ(ben->read(10).size(), 10u);
    EXPECT_EQ(str(ben->read(10)[8]), str(codeMessage("LPB", {2, 2})));
    ben.reset();  // disconnects from the game
    ASSERT_EQ(ann->read(10).size(), 10u);
    EXPECT_EQ(str(ann->read(10)[9]), str(codeMessage("LPD", {2})));
    // The last member leaves: the game is over.
    ann->sendFrame(codeMessage("PQU"));
    long long end = platform::monotonicMs() + 30000;
    while (server->gamesRunning() != 0 && platform::monotonicMs() < end) platform::sleepMs(5);
    EXPECT_EQ(server->gamesRunning(), 0);
}

TEST_F(GameServerTest, ConnectionsTheServerClosesLeaveTheirLobbyAndGameBeforeItReturns) {
    standin::GameServerOptions o;
    o.ports = {0};
    o.autoStartPlayers = 2;
    standin::GameServer two(o);
    ASSERT_TRUE(two.start());
    std::vector<std::unique_ptr<RawClient>> clients;
    for (const char* name : {"Ann", "Ben", "Cid"}) {
        clients.push_back(std::make_unique<RawClient>(two.port(0)));
        clients.back()->sendLogin();
        clients.back()->sendFrame(loginMessage(name));
        // Ann and Ben start a game; Cid waits in the lobby.
        ASSERT_GE(clients.back()->read(1).size(), 1u) << name;
    }
    ASSERT_EQ(two.lobbyNames(0), std::vector<std::string>{"Cid"});
    ASSERT_EQ(two.gamesRunning(), 1);

    // No waiting for the connection threads to notice: the rows and the
    // game are gone when the call returns.
    two.dropConnections();
    EXPECT_TRUE(two.lobbyNames(0).empty());
    EXPECT_EQ(two.gamesRunning(), 0);
    for (auto& c : clients) EXPECT_TRUE(c->closedByServer());

    // A newcomer right after is shown its own row and nobody else's.
    RawClient dan(two.port(0));
    dan.sendLogin();
    dan.sendFrame(loginMessage("Dan"));
    ASSERT_EQ(dan.read(1).size(), 1u);
    EXPECT_EQ(dan.read(2, 300).size(), 1u);  // and nothing more
    EXPECT_EQ(two.lobbyNames(0), std::vector<std::string>{"Dan"});
}

TEST_F(GameServerTest, AutoStartSeatsTheFirstPlayersInLobbyOrder) {
    standin::GameServerOptions o;
    o.ports = {0};
    o.autoStartPlayers = 3;
    standin::GameServer three(o);
    ASSERT_TRUE(three.start());
    std::vector<std::unique_ptr<RawClient>> clients;
    const char* names[] = {"Ann", "Ben", "Cid"};
    for (std::size_t i = 0; i < 3; ++i) {
        clients.push_back(std::make_unique<RawClient>(three.port(0)));
        clients.back()->sendLogin();
        clients.back()->sendFrame(loginMessage(names[i]));
        // The rows up to its own: the lobby order is settled before the next.
        ASSERT_GE(clients.back()->read(i + 1).size(), i + 1) << names[i];
    }
    for (int seat = 1; seat <= 3; ++seat) {
        RawClient& c = *clients[static_cast<std::size_t>(seat - 1)];
        // Three LA rows, then LPC, three LPA, LPB and PZ.
        const auto& m = c.read(9);
        ASSERT_EQ(m.size(), 9u);
        std::size_t at = m.size() - 6;
        EXPECT_EQ(str(m[at]), "LPC");
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(str(m[at + 1 + static_cast<std::size_t>(i)]), str(playerAddMessage(names[i])));
        EXPECT_EQ(str(m[at + 4]), str(codeMessage("LPB", {seat, 3})));
        EXPECT_EQ(m[at + 5][0], 'P');
        EXPECT_EQ(str(m[at + 5]), str(clients[0]->read(9).back()));  // the same seeds for all
    }
}

// The LPB among the messages ("" when none came).
std::string startOf(const std::vector<MessageBytes>& messages) {
    for (const MessageBytes& m : messages)
        if (m.size() == 5 && m[0] == 'L' && m[1] == 'P' && m[2] == 'B') return str(m);
    return "";
}

// A client that logs in on the port and has read at least `count` messages.
std::unique_ptr<RawClient> enterPort(int port, const char* name, std::size_t count) {
    auto c = std::make_unique<RawClient>(port);
    c->sendLogin();
    c->sendFrame(loginMessage(name));
    EXPECT_GE(c->read(count).size(), count) << name;
    return c;
}

// Reversi and checkers are games of two. With auto-start 3 the beam lobbies
// seat the first three players; the reversi and checkers lobbies seat two
// as soon as two are in, and the next two after them, in lobby order.
TEST_F(GameServerTest, AutoStartSeatsTwoInTheLobbiesOfReversiAndCheckers) {
    standin::GameServerOptions o;
    o.ports = {0, 0, 0, 0};
    o.autoStartPlayers = 3;
    standin::GameServer styles(o);
    ASSERT_TRUE(styles.start());
    std::vector<std::unique_ptr<RawClient>> all;  // everyone stays connected
    for (int lobby = 0; lobby < 4; ++lobby) {
        const int port = styles.port(lobby);
        SCOPED_TRACE("lobby " + std::to_string(lobby));
        auto enter = [&](const char* name, std::size_t count) -> RawClient& {
            all.push_back(enterPort(port, name, count));
            return *all.back();
        };
        if (lobby < 2) {
            // The rows, then LPC, three LPA, LPB and PZ.
            RawClient& ann = enter("Ann", 1);
            enter("Ben", 2);
            RawClient& cid = enter("Cid", 3);
            enter("Dan", 1);
            EXPECT_EQ(startOf(ann.read(9)), str(codeMessage("LPB", {1, 3})));
            EXPECT_EQ(startOf(cid.read(9)), str(codeMessage("LPB", {3, 3})));
            EXPECT_EQ(styles.lobbyNames(lobby), std::vector<std::string>{"Dan"});
            continue;
        }
        // The rows, then LPC, two LPA, LPB and PZ: Ann and Ben play, Cid
        // waits alone until Dan comes.
        RawClient& ann = enter("Ann", 1);
        RawClient& ben = enter("Ben", 7);
        EXPECT_EQ(startOf(ann.read(7)), str(codeMessage("LPB", {1, 2})));
        EXPECT_EQ(startOf(ben.read(7)), str(codeMessage("LPB", {2, 2})));
        RawClient& cid = enter("Cid", 1);
        EXPECT_EQ(styles.lobbyNames(lobby), std::vector<std::string>{"Cid"});
        RawClient& dan = enter("Dan", 7);
        EXPECT_EQ(startOf(cid.read(7)), str(codeMessage("LPB", {1, 2})));
        EXPECT_EQ(startOf(dan.read(7)), str(codeMessage("LPB", {2, 2})));
        EXPECT_TRUE(styles.lobbyNames(lobby).empty());
    }
    EXPECT_EQ(styles.gamesRunning(), 2 + 2 * 2);
}

// In a lobby of games of two a ring of three starts nothing: each
// invitation stays marked. Two who then select each other start a game of
// two; the third stays in the lobby.
TEST_F(GameServerTest, ARingOfThreeStartsNoGameOfTwo) {
    standin::GameServerOptions o;
    o.ports = {0};
    o.lobbySeats = {2};
    standin::GameServer two(o);
    ASSERT_TRUE(two.start());
    auto ann = enterPort(two.port(0), "Ann", 1);
    auto annRow = ann->lastRow();
    auto ben = enterPort(two.port(0), "Ben", 2);
    auto benRow = ben->lastRow();
    auto cid = enterPort(two.port(0), "Cid", 3);
    auto cidRow = cid->lastRow();
    ann->sendFrame(rowMessage("LC", benRow.first, benRow.second));
    ASSERT_EQ(ben->read(4).size(), 4u);
    ben->sendFrame(rowMessage("LC", cidRow.first, cidRow.second));
    ASSERT_EQ(cid->read(4).size(), 4u);
    cid->sendFrame(rowMessage("LC", annRow.first, annRow.second));
    // Ann's list has her rows, then Cid's mark.
    ASSERT_EQ(ann->read(4).size(), 4u);
    EXPECT_EQ(str(ann->read(4)[3]), str(rowMarkMessage(cidRow.first, cidRow.second, 1)));
    EXPECT_EQ(two.gamesRunning(), 0);
    EXPECT_EQ(two.lobbyNames(0), (std::vector<std::string>{"Ann", "Ben", "Cid"}));

    ann->sendFrame(rowMessage("LC", cidRow.first, cidRow.second));
    // LPC, two LPA, LPB and PZ after the lobby's messages.
    EXPECT_EQ(startOf(ann->read(9)), str(codeMessage("LPB", {1, 2})));
    EXPECT_EQ(startOf(cid->read(9)), str(codeMessage("LPB", {2, 2})));
    EXPECT_EQ(str(cid->read(9)[6]), str(playerAddMessage("Cid")));
    EXPECT_EQ(two.gamesRunning(), 1);
    EXPECT_EQ(two.lobbyNames(0), std::vector<std::string>{"Ben"});
    // Ben is told that both rows left the lobby.
    ASSERT_EQ(ben->read(6).size(), 6u);
    EXPECT_EQ(str(ben->read(6)[5]), str(rowRemoveMessage(cidRow.first, cidRow.second)));
}

// Clients of a server with auto-start 2 that log in under the names given
// and have been seated: each has its two LA rows, LPC, two LPA, LPB and PZ.
// The first client's kernel takes little when it does not read.
std::vector<std::unique_ptr<RawClient>> seatTwo(standin::GameServer& server, const std::string (&names)[2]) {
    std::vector<std::unique_ptr<RawClient>> clients;
    for (const std::string& name : names) {
        clients.push_back(std::make_unique<RawClient>(server.port(0), clients.empty() ? 4096 : 0));
        clients.back()->sendLogin();
        clients.back()->sendFrame(loginMessage(name.c_str()));
        EXPECT_GE(clients.back()->read(clients.size()).size(), clients.size());
    }
    for (auto& c : clients) EXPECT_EQ(c->read(7).size(), 7u);
    return clients;
}

// Small kernel buffers, so a member who does not read fills his quickly.
standin::GameServerOptions autoStartTwo() {
    standin::GameServerOptions o;
    o.ports = {0};
    o.autoStartPlayers = 2;
    o.socketSendBufferBytes = 16 * 1024;
    return o;
}

// The longest name a login carries and the longest chat line a player may
// type reach every member whole.
TEST_F(GameServerTest, TheLongestNameAndChatLineAreRelayedWhole) {
    standin::GameServer two(autoStartTwo());
    ASSERT_TRUE(two.start());
    const std::string longName(252, 'n');
    ASSERT_EQ(loginMessage(longName.c_str()).size(), 256u);
    auto clients = seatTwo(two, {longName, "Ben"});
    EXPECT_EQ(str(clients[1]->read(7)[3]), str(playerAddMessage(longName.c_str())));
    const std::string line(kMaxChatTextChars, 'w');
    const MessageBytes pt = chatMessage(2, line.c_str());
    ASSERT_EQ(pt.size(), 258u);
    clients[1]->sendFrame(pt);
    for (auto& c : clients) {
        ASSERT_EQ(c->read(8).size(), 8u);
        EXPECT_EQ(str(c->read(8)[7]), str(pt));
        EXPECT_FALSE(c->closedByServer(100));
    }
}

// Ben chats in bursts, taking his own lines back after each, until the
// server holds bytes for Ann, who reads nothing (or until `stop` holds).
// The number of lines sent.
int chatUntil(RawClient& ben, const std::function<bool()>& stop) {
    int sent = 0;
    long long end = platform::monotonicMs() + 60000;
    while (!stop() && platform::monotonicMs() < end) {
        for (int i = 0; i < 50; ++i) {
            ben.sendFrame(chatMessage(2, ("line " + std::to_string(sent++) + std::string(200, '.')).c_str()));
        }
        // Ben's own lines come back to him at once: nobody waits for Ann.
        if (ben.read(7 + static_cast<std::size_t>(sent)).size() != 7 + static_cast<std::size_t>(sent)) break;
    }
    return sent;
}

// A member who stops reading keeps nobody waiting: the server keeps his
// messages in his own queue, the others play on, and when he reads again
// he gets every message, in order.
TEST_F(GameServerTest, AMemberWhoStopsReadingStallsNobody) {
    standin::GameServerOptions o = autoStartTwo();
    o.outgoingLimitBytes = 4 * 1024 * 1024;
    standin::GameServer two(o);
    ASSERT_TRUE(two.start());
    auto clients = seatTwo(two, {"Ann", "Ben"});
    RawClient& ann = *clients[0];
    RawClient& ben = *clients[1];
    const int sent = chatUntil(ben, [&] { return two.queuedBytes() > 0; });
    ASSERT_GT(two.queuedBytes(), 0u) << "Ann's socket never filled";
    // Meanwhile the lobby serves a newcomer at once.
    RawClient cid(two.port(0));
    cid.sendLogin();
    cid.sendFrame(loginMessage("Cid"));
    ASSERT_EQ(cid.read(1).size(), 1u);
    // Ann reads again: everything, in order, and she is still in the game.
    const auto& got = ann.read(7 + static_cast<std::size_t>(sent));
    ASSERT_EQ(got.size(), 7 + static_cast<std::size_t>(sent));
    for (int i = 0; i < sent; ++i) {
        const MessageBytes& m = got[7 + static_cast<std::size_t>(i)];
        ASSERT_EQ(std::string(m.begin() + 4, m.begin() + 4 + 5 + std::to_string(i).size()),
                  "line " + std::to_string(i));
    }
    EXPECT_EQ(two.overflows(), 0);
    EXPECT_EQ(two.gamesRunning(), 1);
    EXPECT_EQ(two.queuedBytes(), 0u);
}

// A member whose queue overflows is let go: he leaves the game, the others
// are told, and the server keeps nothing of his.
TEST_F(GameServerTest, AMemberWhoseQueueOverflowsIsLetGo) {
    standin::GameServerOptions o = autoStartTwo();
    o.outgoingLimitBytes = 8 * 1024;
    standin::GameServer two(o);
    ASSERT_TRUE(two.start());
    auto clients = seatTwo(two, {"Ann", "Ben"});
    RawClient& ann = *clients[0];
    RawClient& ben = *clients[1];
    const int sent = chatUntil(ben, [&] { return two.overflows() > 0; });
    ASSERT_EQ(two.overflows(), 1);
    // Ben gets all his lines and is told, once, that seat 1 left.
    const auto& got = ben.read(7 + static_cast<std::size_t>(sent) + 1);
    ASSERT_EQ(got.size(), 7 + static_cast<std::size_t>(sent) + 1);
    EXPECT_EQ(std::count(got.begin(), got.end(), codeMessage("LPD", {1})), 1);
    EXPECT_TRUE(ann.closedByServer());
    EXPECT_EQ(two.queuedBytes(), 0u);
    EXPECT_FALSE(ben.closedByServer(100));
}

// A connection that never completes its login block is closed after the
// login time-out; one that logged in stays.
TEST_F(GameServerTest, ALoginBlockThatNeverComesClosesTheConnection) {
    standin::GameServerOptions o;
    o.ports = {0};
    o.loginTimeoutMs = 300;
    standin::GameServer server(o);
    ASSERT_TRUE(server.start());
    RawClient ann(server.port(0));
    ann.sendLogin();
    ann.sendFrame(loginMessage("Ann"));
    ASSERT_EQ(ann.read(1).size(), 1u);
    RawClient silent(server.port(0));
    RawClient partial(server.port(0));
    partial.sendRaw(std::string("GKV\x01", 4) + std::string(6, '\0'));
    EXPECT_TRUE(silent.closedByServer());
    EXPECT_TRUE(partial.closedByServer());
    EXPECT_EQ(server.loginTimeouts(), 2);
    EXPECT_FALSE(ann.closedByServer(100));
    EXPECT_EQ(server.lobbyNames(0), std::vector<std::string>{"Ann"});
}

}  // namespace
