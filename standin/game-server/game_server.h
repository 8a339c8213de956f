#pragma once
// Stand-in for the game server: a relay on loopback with one lobby per
// style port, following what the client expects and nothing more.
//   - Each connection begins with the 20-byte login block, then sends
//     frames (checksum, 16-bit length, body); a bad block or frame (sum,
//     length, unknown code, a length that does not fit the code) closes it.
//   - LL enters the player into the lobby as a row (ids, name): the
//     newcomer gets an LA for every row, the others an LA for the newcomer.
//   - LC invites a row (the invited player gets an LU marking the inviter's
//     row; LD or a new LC takes it back); players whose selections run
//     round a ring start a game: two who select each other's rows, or three
//     or four of whom each has selected the next one's row and the last the
//     first's. So do the first N players in a lobby when auto-start is set.
//     Reversi and checkers are games of two: there only two who select each
//     other start a game (a longer ring starts none; its invitations stay),
//     and auto-start seats two as soon as two are in the lobby.
//   - At the start the rest of the lobby gets LR for the members' rows and
//     each member, in order, LPC, LPA for every seat, LPB (its seat, the
//     count) and PZ (the same seeds for all).
//   - In a game PS, PM, PU, PRR, PRL, PFS, PFE and PQS go to every other
//     member, PT to every member including the sender.
//   - PQU or a disconnect: LPD with the seat to the other members, LR to
//     the lobby when the row was still there; LL after PQU re-enters.
//     A connection the server closes itself (one whose outgoing queue
//     overflows, one that never completes its login block, dropConnections)
//     leaves its lobby and game at once, before anyone else is told of the
//     rows.
//   - One network thread serves every connection (readiness through one
//     poller), so a thousand players cost one thread.
//   - Nobody waits for a member that stops reading: sends never block.
//     What its socket does not take at once waits in its own bounded
//     queue, sent as room comes; a queue that overflows lets the
//     connection go.
//   - A connection must send its login block within the login time-out.
// The server's stream to the client is not framed. The same code runs as
// the program vurnorvexi-game-server and as a test fixture on free ports.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "game/protocol/codec.h"
#include "platform/net/tcp.h"

namespace standin {

struct GameServerOptions {
    std::string bindAddress = "127.0.0.1";
    // One lobby per port, in the style order kv, gkv, oth, chk; 0 takes a
    // free port.
    std::vector<int> ports = {0, 0, 0, 0};
    // The most seats of a game in each lobby, in the same order (2 to 4; a
    // lobby without an entry seats four): two in reversi and checkers. A
    // test may seat more there, as another server might.
    std::vector<int> lobbySeats = {4, 4, 2, 2};
    // When above 0, a game starts as soon as this many players are in one
    // lobby (for tests); selection still works besides.
    int autoStartPlayers = 0;
    // The seeds every member of a game gets; 0 and 0 draws fresh ones for
    // each game.
    uint32_t seed1 = 0;
    uint32_t seed2 = 0;
    // Bytes a connection may have waiting to be sent before it is let go.
    std::size_t outgoingLimitBytes = 256 * 1024;
    // The kernel's send buffer of each connection; 0 leaves the system's.
    int socketSendBufferBytes = 0;
    // How long a new connection may take to send its 20-byte login block.
    int loginTimeoutMs = 10000;
};

class GameServer {
public:
    explicit GameServer(GameServerOptions options);
    ~GameServer();
    GameServer(const GameServer&) = delete;
    GameServer& operator=(const GameServer&) = delete;

    // Opens every port and starts serving; false when one can't be bound.
    bool start();
    // Closes the ports and every connection, and waits for the thread.
    void stop();

    int lobbyCount() const { return static_cast<int>(ports_.size()); }
    int port(int lobby) const { return ports_[static_cast<std::size_t>(lobby)]; }

    // What the tests look at.
    // Names of the rows in a lobby, in lobby order.
    std::vector<std::string> lobbyNames(int lobby) const;
    int gamesRunning() const;
    int connectionsOpen() const;
    // Connections accepted and login blocks received, over the server's life.
    int connectionsAccepted() const { return accepted_; }
    int loginBlocks() const { return loginBlocks_; }
    // The last frame bodies received (at most kReceivedKept), in arrival
    // order.
    static constexpr std::size_t kReceivedKept = 1024;
    std::vector<MessageBytes> received() const;
    // Bytes waiting in the outgoing queues of all connections.
    std::size_t queuedBytes() const;
    // Connections let go because their outgoing queue overflowed, and
    // because their login block did not come in time.
    int overflows() const { return overflows_; }
    int loginTimeouts() const { return loginTimeouts_; }
    // Sends raw bytes to every open connection of a lobby.
    void sendToLobby(int lobby, const MessageBytes& bytes);
    // Closes every open connection from the server's side; their rows and
    // seats are gone when it returns.
    void dropConnections();

private:
    struct Player;
    struct Game;

    // The one network thread: accepts, reads the login blocks and frames
    // of every connection, sends what waits in their queues, closes what
    // was let go, until stop.
    void loop();
    void acceptAll(int lobby, int listenFd);
    void readFrom(Player& p);
    // Takes the login block and every whole frame off the head of the
    // player's input; false when the connection must end.
    bool consume(Player& p);
    void expireLogins();
    // Closes the let-go connections and forgets them.
    void closeLetGo();
    void handle(Player& p, const MessageBytes& body);

    // All below run with mutex_ held.
    // Sends at once what the socket takes; the rest waits in the queue.
    void sendTo(Player& p, const MessageBytes& bytes);
    // Sends what waits in the queue, as far as the socket takes it.
    void flush(Player& p);
    // Ends a connection from the server's side: it is shut down at once and
    // gets nothing more; sweepClosed then takes its row and seat.
    void letGo(Player& p);
    // Takes the rows and seats of every let-go player (LR to the lobby, LPD
    // to the game), so nobody is shown a player the server has let go.
    void sweepClosed();
    void enterLobby(Player& p, const std::string& name);
    // Takes the rows out of their lobby (and every invitation to or from
    // them), then tells the rest of the lobby with LR.
    void removeRows(int lobby, const std::vector<Player*>& rows);
    void invite(Player& p, uint32_t id1, uint32_t id2);
    void withdraw(Player& p, uint32_t id1, uint32_t id2);
    void startGame(int lobby, std::vector<Player*> members);
    void leaveGame(Player& p);
    void relay(Player& from, const MessageBytes& body, bool toSender);
    void maybeAutoStart(int lobby);
    // The most seats of a game in the lobby.
    std::size_t seatsOf(int lobby) const;
    Player* rowOwner(int lobby, uint32_t id1, uint32_t id2);

    GameServerOptions options_;
    std::vector<int> listeners_;
    std::vector<int> ports_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> accepted_{0};
    std::atomic<int> loginBlocks_{0};
    std::atomic<int> overflows_{0};
    std::atomic<int> loginTimeouts_{0};
    std::unique_ptr<platform::net::Poller> poller_;
    std::thread thread_;

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Player>> players_;  // open connections
    std::vector<std::shared_ptr<Player>> byFd_;     // the same, by descriptor
    // Players waiting for their login block, in the order of their
    // deadlines.
    std::deque<std::shared_ptr<Player>> awaitingLogin_;
    // Some player in players_ was let go (closeLetGo has not run since).
    bool anyLetGo_ = false;
    std::vector<std::vector<Player*>> lobbies_;  // rows, in order
    std::vector<std::unique_ptr<Game>> games_;
    std::deque<MessageBytes> received_;
    uint32_t nextPlayerId_ = 0;
    uint32_t seedState_ = 0;
};

}  // namespace standin
