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

// The longest the loop waits before it looks at the login deadlines and
// the stop flag again.
constexpr int kLoopWaitMs = 100;
constexpr long kReadPiece = 16384;
// What one connection may read in one turn of the loop, so a busy one
// cannot starve the others.
constexpr int kReadsPerTurn = 8;
// The seats of a game: at least two, at most the client's four.
constexpr std::size_t kFewestSeats = 2;
constexpr std::size_t kMostSeats = 4;

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
    bool loggedIn = false;
    long long loginDeadlineMs = 0;
    std::vector<uint8_t> in;  // received, not yet a whole frame
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
    poller_ = std::make_unique<tcp::Poller>();
    if (!poller_->valid()) return false;
    for (std::size_t i = 0; i < options_.ports.size(); ++i) {
        int bound = 0;
        int fd = tcp::listenOn(options_.bindAddress.c_str(), options_.ports[i], &bound);
        if (fd < 0 || !poller_->add(fd, false)) {
            if (fd >= 0) tcp::closeHandle(fd);
            stop();
            return false;
        }
        listeners_.push_back(fd);
        ports_.push_back(bound);
    }
    thread_ = std::thread([this] { loop(); });
    return true;
}

void GameServer::stop() {
    stopping_ = true;
    if (poller_) poller_->wake();
    if (thread_.joinable()) thread_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& p : players_) tcp::closeHandle(p->fd);
    players_.clear();
    byFd_.clear();
    awaitingLogin_.clear();
    for (int fd : listeners_) tcp::closeHandle(fd);
    listeners_.clear();
}

void GameServer::loop() {
    std::vector<tcp::Poller::Event> events;
    while (!stopping_) {
        if (!poller_->wait(kLoopWaitMs, &events)) break;
        std::lock_guard<std::mutex> lock(mutex_);
        for (const tcp::Poller::Event& e : events) {
            auto listener = std::find(listeners_.begin(), listeners_.end(), e.fd);
            if (listener != listeners_.end()) {
                acceptAll(static_cast<int>(listener - listeners_.begin()), e.fd);
                continue;
            }
            if (e.fd < 0 || static_cast<std::size_t>(e.fd) >= byFd_.size() || !byFd_[e.fd]) continue;
            std::shared_ptr<Player> p = byFd_[e.fd];
            if (e.writable) flush(*p);
            if (e.readable && !p->closed) readFrom(*p);
        }
        expireLogins();
        sweepClosed();
        closeLetGo();
    }
}

void GameServer::acceptAll(int lobby, int listenFd) {
    for (;;) {
        int fd = tcp::acceptConnection(listenFd, 0);
        if (fd < 0) return;
        ++accepted_;
        if (options_.socketSendBufferBytes > 0) tcp::setSendBuffer(fd, options_.socketSendBufferBytes);
        // Relayed moves and lines are small: out at once, not held for an
        // acknowledgement.
        tcp::setNoDelay(fd);
        auto player = std::make_shared<Player>();
        player->fd = fd;
        player->lobby = lobby;
        player->serial = ++nextPlayerId_;
        player->loginDeadlineMs = platform::monotonicMs() + options_.loginTimeoutMs;
        if (!poller_->add(fd, false)) {
            tcp::closeHandle(fd);
            continue;
        }
        players_.push_back(player);
        if (byFd_.size() <= static_cast<std::size_t>(fd)) byFd_.resize(static_cast<std::size_t>(fd) + 1);
        byFd_[static_cast<std::size_t>(fd)] = player;
        awaitingLogin_.push_back(player);
    }
}

void GameServer::readFrom(Player& p) {
    uint8_t piece[kReadPiece];
    for (int i = 0; i < kReadsPerTurn && !p.closed; ++i) {
        int err = 0;
        long n = tcp::receiveSome(p.fd, piece, sizeof piece, &err);
        if (n == tcp::kNothingWaiting) return;
        if (n <= 0) {
            letGo(p);  // the client left
            return;
        }
        p.in.insert(p.in.end(), piece, piece + n);
        if (!consume(p)) {
            letGo(p);
            return;
        }
        if (n < kReadPiece) return;
    }
}

bool GameServer::consume(Player& p) {
    std::vector<uint8_t>& in = p.in;
    std::size_t at = 0;
    bool ok = true;
    if (!p.loggedIn && in.size() >= static_cast<std::size_t>(kLoginBlockBytes)) {
        if (!isLoginBlock(in.data())) return false;
        p.loggedIn = true;
        ++loginBlocks_;
        at = kLoginBlockBytes;
    }
    while (p.loggedIn && !p.closed && in.size() - at >= static_cast<std::size_t>(kFrameHeaderBytes)) {
        const uint8_t* head = in.data() + at;
        const int length = (head[1] << 8) | head[2];
        if (length < kMinFrameBody || length > kMaxFrameBody) {
            ok = false;
            break;
        }
        if (in.size() - at < static_cast<std::size_t>(kFrameHeaderBytes + length)) break;  // the rest comes later
        MessageBytes body(head + kFrameHeaderBytes, head + kFrameHeaderBytes + length);
        const uint8_t sum = head[0];
        at += static_cast<std::size_t>(kFrameHeaderBytes + length);
        // The sum, a length the code allows (chat may use the whole length
        // byte, a login stays within 256), and one whole message of a code
        // the server takes.
        OrvexSplitResult r = splitMessage(body.data(), length, kToServer);
        if (byteSum(body.data(), length) != sum || length > maxFrameBodyFor(body.data(), length) ||
            r.status != OrvexSplit::Whole || r.length != length) {
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

void GameServer::expireLogins() {
    const long long now = platform::monotonicMs();
    // Deadlines come in the order of the connections.
    while (!awaitingLogin_.empty()) {
        Player& p = *awaitingLogin_.front();
        if (!p.loggedIn && !p.closed) {
            if (p.loginDeadlineMs > now) return;
            // A login block that never comes holds no connection open.
            ++loginTimeouts_;
            letGo(p);
        }
        awaitingLogin_.pop_front();
    }
}

void GameServer::closeLetGo() {
    if (!anyLetGo_) return;
    anyLetGo_ = false;
    for (auto& p : players_)
        if (p->closed) {
            poller_->remove(p->fd);
            byFd_[static_cast<std::size_t>(p->fd)].reset();
            tcp::closeHandle(p->fd);
        }
    std::erase_if(players_, [](const std::shared_ptr<Player>& p) { return p->closed; });
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
    // The first bytes to wait: the loop now waits for room on this socket
    // too (a change the poller's wait takes up at once, on any thread).
    if (p.waiting() == 0) poller_->change(p.fd, true);
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
    // Only a socket with bytes waiting is watched for room.
    if (!p.closed) poller_->change(p.fd, false);
}

void GameServer::letGo(Player& p) {
    if (p.closed) return;
    p.closed = true;
    p.outgoing.clear();
    p.outgoingSent = 0;
    tcp::shutdownBoth(p.fd);
    // The loop closes it and forgets it (woken for it when another thread
    // let it go).
    anyLetGo_ = true;
    poller_->wake();
}

void GameServer::sweepClosed() {
    // Runs after every message: nothing to look for unless someone was let
    // go since the loop last closed the let-go connections.
    if (!anyLetGo_) return;
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
    // Does this invitation close a ring (each has selected the next one's
    // row, the last the first's)? Two who select each other are the
    // smallest ring.
    const std::size_t most = seatsOf(p.lobby);
    std::vector<Player*> ring = {&p};
    for (Player* r = target; r != &p; r = r->invited) {
        if (!r || ring.size() == most || std::find(ring.begin(), ring.end(), r) != ring.end()) {
            ring.clear();
            break;
        }
        ring.push_back(r);
    }
    if (!ring.empty()) {
        // Seats in lobby order.
        std::vector<Player*> members;
        for (Player* r : lobbies_[static_cast<std::size_t>(p.lobby)])
            if (std::find(ring.begin(), ring.end(), r) != ring.end()) members.push_back(r);
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

std::size_t GameServer::seatsOf(int lobby) const {
    const std::size_t i = static_cast<std::size_t>(lobby);
    if (i >= options_.lobbySeats.size()) return kMostSeats;
    return std::clamp(static_cast<std::size_t>(std::max(options_.lobbySeats[i], 0)), kFewestSeats, kMostSeats);
}

void GameServer::maybeAutoStart(int lobby) {
    auto& rows = lobbies_[static_cast<std::size_t>(lobby)];
    // No bigger game than the lobby's style seats.
    const int n = std::min(options_.autoStartPlayers, static_cast<int>(seatsOf(lobby)));
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
