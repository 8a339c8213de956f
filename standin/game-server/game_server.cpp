#include "standin/game-server/game_server.h"

#include <algorithm>
#include <cstring>
#include <random>

#include "framework/app/datafiles.h"
#include "game/protocol/catalogue.h"
#include "platform/net/tcp.h"
#include "platform/os/thread.h"

namespace tcp = platform::net;

namespace standin {

namespace {

// How long a connection's thread waits before it looks at the stop flag
// and the login time-out again.
constexpr long long kWaitSliceUs = 100 * 1000;
constexpr long kReadPiece = 4096;

}  // namespace

struct GameServer::Player {
    int fd = -1;
    int lobby = 0;
    uint32_t serial = 0;
    uint32_t id1 = 0;
    uint32_t id2 = 0;
    uint32_t entries = 0;
    std::string name;
    bool inLobby = false;
    Player* invited = nullptr;  // the row this player selected
    Game* game = nullptr;
    int seat = 0;
    // Let go by the server: nothing more is sent to it or taken from it.
    bool closed = false;
    // Bytes its socket has not taken yet: outgoing[outgoingSent..] waits.
    std::string outgoing;
    std::size_t outgoingSent = 0;
    std::size_t waiting() const { return outgoing.size() - outgoingSent; }
};

struct GameServer::Game {
    int lobby = 0;
    std::vector<Player*> seats;  // seat n at n-1; null once its player left
};

GameServer::GameServer(GameServerOptions options) : options_(std::move(options)) {
    lobbies_.resize(options_.ports.size());
}

GameServer::~GameServer() { stop(); }

bool GameServer::start() {
    std::random_device device;
    seedState_ = device() | 1u;
    for (std::size_t i = 0; i < options_.ports.size(); ++i) {
        int bound = 0;
        int fd = tcp::listenOn(options_.bindAddress.c_str(), options_.ports[i], &bound);
        if (fd < 0) {
            stop();
            return false;
        }
        listeners_.push_back(fd);
        ports_.push_back(bound);
    }
    for (std::size_t i = 0; i < listeners_.size(); ++i) {
        int fd = listeners_[i];
        int lobby = static_cast<int>(i);
        acceptors_.emplace_back([this, lobby, fd] { acceptLoop(lobby, fd); });
    }
    return true;
}

void GameServer::stop() {
    stopping_ = true;
    for (int fd : listeners_) tcp::shutdownBoth(fd);
    for (std::thread& t : acceptors_) t.join();
    acceptors_.clear();
    std::vector<Worker> pending;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& p : players_) tcp::shutdownBoth(p->fd);
        pending.swap(workers_);
    }
    for (Worker& w : pending) w.thread.join();
    for (int fd : listeners_) tcp::closeHandle(fd);
    listeners_.clear();
}

void GameServer::reap() {
    std::vector<Worker> ended;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = std::partition(workers_.begin(), workers_.end(), [](const Worker& w) { return !w.done->load(); });
        std::move(it, workers_.end(), std::back_inserter(ended));
        workers_.erase(it, workers_.end());
    }
    for (Worker& w : ended) w.thread.join();
}

void GameServer::acceptLoop(int lobby, int listenFd) {
    while (!stopping_) {
        int fd = tcp::acceptConnection(listenFd, -1);
        if (fd < 0) break;
        ++accepted_;
        if (options_.socketSendBufferBytes > 0) tcp::setSendBuffer(fd, options_.socketSendBufferBytes);
        reap();
        auto player = std::make_shared<Player>();
        player->fd = fd;
        player->lobby = lobby;
        auto done = std::make_shared<std::atomic<bool>>(false);
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) {
            tcp::closeHandle(fd);
            break;
        }
        player->serial = ++nextPlayerId_;
        players_.push_back(player);
        workers_.push_back({std::thread([this, player, done] {
                                serve(player);
                                done->store(true);
                            }),
                            done});
    }
}

void GameServer::serve(std::shared_ptr<Player> player) {
    Player& p = *player;
    std::vector<uint8_t> in;
    bool loggedIn = false;
    const long long loginDeadline = platform::monotonicMs() + options_.loginTimeoutMs;
    while (!stopping_) {
        bool wantWrite;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (p.closed) break;
            wantWrite = p.waiting() > 0;
        }
        long long slice = kWaitSliceUs;
        if (!loggedIn) {
            long long left = loginDeadline - platform::monotonicMs();
            if (left <= 0) {
                // A login block that never comes holds no connection open.
                ++loginTimeouts_;
                break;
            }
            slice = std::min(slice, left * 1000);
        }
        bool readable = false, writable = false;
        if (tcp::waitReadyIo(p.fd, wantWrite, slice, &readable, &writable) == tcp::Wait::Failed) break;
        if (writable) {
            std::lock_guard<std::mutex> lock(mutex_);
            flush(p);
            sweepClosed();
        }
        if (readable) {
            uint8_t piece[kReadPiece];
            int err = 0;
            long n = tcp::receiveSome(p.fd, piece, sizeof piece, &err);
            if (n == tcp::kNothingWaiting) continue;
            if (n <= 0) break;
            in.insert(in.end(), piece, piece + n);
            if (!consume(p, in, loggedIn)) break;
        }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    letGo(p);
    sweepClosed();
    std::erase(players_, player);
    tcp::closeHandle(p.fd);
}

bool GameServer::consume(Player& p, std::vector<uint8_t>& in, bool& loggedIn) {
    std::size_t at = 0;
    bool ok = true;
    if (!loggedIn && in.size() >= static_cast<std::size_t>(kLoginBlockBytes)) {
        if (!isLoginBlock(in.data())) return false;
        loggedIn = true;
        ++loginBlocks_;
        at = kLoginBlockBytes;
    }
    while (loggedIn && in.size() - at >= static_cast<std::size_t>(kFrameHeaderBytes)) {
        const uint8_t* head = in.data() + at;
        const int length = (head[1] << 8) | head[2];
        if (length < kMinFrameBody || length > kMaxFrameBody) {
            ok = false;
            break;
        }
        if (in.size() - at < static_cast<std::size_t>(kFrameHeaderBytes + length)) break;  // the rest comes later
        MessageBytes body(head + kFrameHeaderBytes, head + kFrameHeaderBytes + length);
        at += static_cast<std::size_t>(kFrameHeaderBytes + length);
        // The sum, a length the code allows (chat may use the whole length
        // byte, a login stays within 256), and one whole message of a code
        // the server takes.
        OrvexSplitResult r = splitMessage(body.data(), length, kToServer);
        if (byteSum(body.data(), length) != head[0] || length > maxFrameBodyFor(body.data(), length) ||
            r.status != OrvexSplit::Whole || r.length != length) {
            ok = false;
            break;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        // A frame read just before the server let the connection go must
        // not bring its row back.
        if (p.closed) {
            ok = false;
            break;
        }
        received_.push_back(body);
        if (received_.size() > kReceivedKept) received_.pop_front();
        handle(p, body);
        sweepClosed();
    }
    in.erase(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(at));
    return ok;
}

void GameServer::handle(Player& p, const MessageBytes& body) {
    auto is = [&](const char* code) { return std::equal(code, code + std::strlen(code), body.begin()); };
    if (is("LL")) {
        if (p.game) leaveGame(p);
        if (!p.inLobby) enterLobby(p, std::string(reinterpret_cast<const char*>(body.data() + 3)));
    } else if (is("LC") || is("LD")) {
        if (!p.inLobby) return;
        uint32_t id1 = readInt32BE(body.data() + 2);
        uint32_t id2 = readInt32BE(body.data() + 6);
        if (is("LC"))
            invite(p, id1, id2);
        else
            withdraw(p, id1, id2);
    } else if (is("PQU")) {
        if (p.game) leaveGame(p);
    } else if (p.game) {
        // The board actions and passes go to the others; chat to everyone.
        relay(p, body, is("PT"));
    }
}

void GameServer::sendTo(Player& p, const MessageBytes& bytes) {
    if (p.closed || bytes.empty()) return;
    std::size_t taken = 0;
    if (p.waiting() == 0) {
        // Nothing waits before these bytes: straight to the socket, as far
        // as it takes them without waiting.
        int err = 0;
        long n = tcp::sendSome(p.fd, bytes.data(), static_cast<long>(bytes.size()), &err);
        if (n == tcp::kSendFailed) {
            letGo(p);
            return;
        }
        taken = static_cast<std::size_t>(n);
        if (taken == bytes.size()) return;
        p.outgoing.clear();
        p.outgoingSent = 0;
    }
    // A member that stops reading gets its own queue, never anyone's wait;
    // once the queue is full it is let go.
    if (p.waiting() + (bytes.size() - taken) > options_.outgoingLimitBytes) {
        ++overflows_;
        letGo(p);
        return;
    }
    p.outgoing.append(reinterpret_cast<const char*>(bytes.data()) + taken, bytes.size() - taken);
}

void GameServer::flush(Player& p) {
    while (!p.closed && p.waiting() > 0) {
        int err = 0;
        long n = tcp::sendSome(p.fd, p.outgoing.data() + p.outgoingSent, static_cast<long>(p.waiting()), &err);
        if (n == tcp::kSendFailed) {
            letGo(p);
            return;
        }
        if (n == 0) return;  // the socket is full again
        p.outgoingSent += static_cast<std::size_t>(n);
    }
    p.outgoing.clear();
    p.outgoingSent = 0;
}

void GameServer::letGo(Player& p) {
    if (p.closed) return;
    p.closed = true;
    p.outgoing.clear();
    p.outgoingSent = 0;
    tcp::shutdownBoth(p.fd);
}

void GameServer::sweepClosed() {
    // Leaving tells the others, and a send that fails then lets one more
    // go: look again until no closed player holds a row or a seat.
    for (;;) {
        auto it = std::find_if(players_.begin(), players_.end(),
                               [](const std::shared_ptr<Player>& p) { return p->closed && (p->game || p->inLobby); });
        if (it == players_.end()) return;
        Player& p = **it;
        if (p.game) leaveGame(p);
        if (p.inLobby) removeRows(p.lobby, {&p});
    }
}

GameServer::Player* GameServer::rowOwner(int lobby, uint32_t id1, uint32_t id2) {
    for (Player* r : lobbies_[static_cast<std::size_t>(lobby)])
        if (r->id1 == id1 && r->id2 == id2) return r;
    return nullptr;
}

void GameServer::enterLobby(Player& p, const std::string& name) {
    auto& rows = lobbies_[static_cast<std::size_t>(p.lobby)];
    p.name = name;
    p.id1 = p.serial;
    p.id2 = ++p.entries;
    p.inLobby = true;
    p.invited = nullptr;
    rows.push_back(&p);
    for (Player* r : rows) sendTo(p, lobbyRowMessage(r->id1, r->id2, r->name.c_str()));
    MessageBytes row = lobbyRowMessage(p.id1, p.id2, p.name.c_str());
    for (Player* r : rows)
        if (r != &p) sendTo(*r, row);
    maybeAutoStart(p.lobby);
}

void GameServer::removeRows(int lobby, const std::vector<Player*>& leaving) {
    auto& rows = lobbies_[static_cast<std::size_t>(lobby)];
    auto gone = [&](Player* r) { return std::find(leaving.begin(), leaving.end(), r) != leaving.end(); };
    for (Player* r : leaving) {
        r->inLobby = false;
        r->invited = nullptr;
    }
    std::erase_if(rows, gone);
    for (Player* r : rows)
        if (gone(r->invited)) r->invited = nullptr;
    for (Player* l : leaving) {
        MessageBytes remove = rowRemoveMessage(l->id1, l->id2);
        for (Player* r : rows) sendTo(*r, remove);
    }
}

void GameServer::invite(Player& p, uint32_t id1, uint32_t id2) {
    Player* target = rowOwner(p.lobby, id1, id2);
    if (!target || target == &p) return;
    if (target->invited == &p) {
        // Both have selected each other: seats in lobby order.
        std::vector<Player*> members;
        for (Player* r : lobbies_[static_cast<std::size_t>(p.lobby)])
            if (r == &p || r == target) members.push_back(r);
        startGame(p.lobby, members);
        return;
    }
    if (p.invited == target) return;
    if (p.invited) sendTo(*p.invited, rowMarkMessage(p.id1, p.id2, 0));
    p.invited = target;
    sendTo(*target, rowMarkMessage(p.id1, p.id2, 1));
}

void GameServer::withdraw(Player& p, uint32_t id1, uint32_t id2) {
    Player* target = rowOwner(p.lobby, id1, id2);
    if (!target || p.invited != target) return;
    p.invited = nullptr;
    sendTo(*target, rowMarkMessage(p.id1, p.id2, 0));
}

void GameServer::maybeAutoStart(int lobby) {
    auto& rows = lobbies_[static_cast<std::size_t>(lobby)];
    int n = options_.autoStartPlayers;
    if (n <= 0 || static_cast<int>(rows.size()) < n) return;
    startGame(lobby, std::vector<Player*>(rows.begin(), rows.begin() + n));
}

void GameServer::startGame(int lobby, std::vector<Player*> members) {
    removeRows(lobby, members);
    auto game = std::make_unique<Game>();
    game->lobby = lobby;
    game->seats = members;
    for (std::size_t i = 0; i < members.size(); ++i) {
        members[i]->game = game.get();
        members[i]->seat = static_cast<int>(i) + 1;
    }
    uint32_t s = options_.seed1;
    uint32_t t = options_.seed2;
    if (s == 0 && t == 0) {
        // xorshift32: fresh, non-zero seeds for each game.
        auto next = [this] {
            seedState_ ^= seedState_ << 13;
            seedState_ ^= seedState_ >> 17;
            seedState_ ^= seedState_ << 5;
            return seedState_;
        };
        s = next();
        t = next();
    }
    const int count = static_cast<int>(members.size());
    for (Player* m : members) {
        sendTo(*m, codeMessage("LPC"));
        for (Player* seat : members) sendTo(*m, playerAddMessage(seat->name.c_str()));
        sendTo(*m, codeMessage("LPB", {m->seat, count}));
        sendTo(*m, seedsMessage(s, t));
    }
    games_.push_back(std::move(game));
}

void GameServer::leaveGame(Player& p) {
    Game* g = p.game;
    int seat = p.seat;
    g->seats[static_cast<std::size_t>(seat - 1)] = nullptr;
    p.game = nullptr;
    p.seat = 0;
    MessageBytes quit = codeMessage("LPD", {seat});
    bool anyLeft = false;
    for (Player* m : g->seats)
        if (m) {
            sendTo(*m, quit);
            anyLeft = true;
        }
    if (!anyLeft) std::erase_if(games_, [g](const std::unique_ptr<Game>& x) { return x.get() == g; });
}

void GameServer::relay(Player& from, const MessageBytes& body, bool toSender) {
    for (Player* m : from.game->seats)
        if (m && (m != &from || toSender)) sendTo(*m, body);
}

std::vector<std::string> GameServer::lobbyNames(int lobby) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> names;
    for (const Player* r : lobbies_[static_cast<std::size_t>(lobby)]) names.push_back(r->name);
    return names;
}

int GameServer::gamesRunning() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(games_.size());
}

int GameServer::connectionsOpen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(players_.size());
}

std::vector<MessageBytes> GameServer::received() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::vector<MessageBytes>(received_.begin(), received_.end());
}

std::size_t GameServer::queuedBytes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::size_t n = 0;
    for (const auto& p : players_) n += p->waiting();
    return n;
}

void GameServer::sendToLobby(int lobby, const MessageBytes& bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& p : players_)
        if (p->lobby == lobby) sendTo(*p, bytes);
    sweepClosed();
}

void GameServer::dropConnections() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& p : players_) letGo(*p);
    sweepClosed();
}

}  // namespace standin
