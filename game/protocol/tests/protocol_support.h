#pragma once
// Test support for the protocol: a handler that records every call as one
// line of text, a scripted socket for the tick's failure paths, and a
// client made of the real connection over a real socket, driven tick by
// tick by the test.
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "game/protocol/catalogue.h"
#include "game/protocol/connection.h"
#include "game/protocol/handler.h"

namespace protocol_testing {

// "LA 7 300 Bob ---/---", "PS 3 4", "PQS 1" ...
class RecordingHandler : public OrvexMessageHandler {
public:
    void onRemoteSelect(int x, int y) override { add("PS " + num(x) + " " + num(y)); }
    void handleRemoteMove(int x, int y) override { add("PM " + num(x) + " " + num(y)); }
    void unselectPiece() override { add("PU"); }
    void onRemoteRotate(bool left) override { add(left ? "PRL" : "PRR"); }
    void onRemoteFire() override { add("PFS"); }
    void onRemoteFireEnd() override { add("PFE"); }
    void onRemotePass(int seat) override { add("PQS " + num(seat)); }
    void setRandomSeeds(uint32_t s, uint32_t t) override { add("PZ " + num(s) + " " + num(t)); }
    void startGame(int seat, int count) override { add("LPB " + num(seat) + " " + num(count)); }
    void addNewPlayer(uint32_t id1, uint32_t id2, const char* text, const char* history) override {
        add("LA " + num(id1) + " " + num(id2) + " " + text + " " + history);
    }
    void markListRow(uint32_t id1, uint32_t id2) override { add("mark " + num(id1) + " " + num(id2)); }
    void unmarkListRow(uint32_t id1, uint32_t id2) override { add("unmark " + num(id1) + " " + num(id2)); }
    void removeListRow(uint32_t id1, uint32_t id2) override { add("LR " + num(id1) + " " + num(id2)); }
    void clearPlayers() override { add("LPC"); }
    void initChatList() override { add("initChatList"); }
    void playerJoined(const char* name) override { add(std::string("LPA ") + name); }
    void onPlayerQuit(int seat) override { add("LPD " + num(seat)); }
    void addChatLine(const char* text) override { add(std::string("PT ") + text); }
    // "up 2 127.0.0.1:2005", "answered 2 fake", "down 1 fake", kept apart
    // from the calls; linkAfter holds the number of calls made before each.
    void connectionChanged(const OrvexLinkChange& c) override {
        links.push_back(std::string(c.answered ? "answered "
                                    : c.up     ? "up "
                                               : "down ") +
                        num(c.connections) + " " + c.server);
        linkAfter.push_back(calls.size());
    }

    int animationsRunning() override { return animations; }

    // The calls with each connection change in its place, in brackets:
    // "[up 1 fake]", "PU", "[down 1 fake]", ...
    std::vector<std::string> timeline() const;

    int animations = 0;
    std::vector<std::string> calls;
    std::vector<std::string> links;
    std::vector<std::size_t> linkAfter;

private:
    template <class T>
    static std::string num(T v) {
        return std::to_string(v);
    }
    void add(std::string s) { calls.push_back(std::move(s)); }
};

// A socket whose peer is the test: sends are recorded, receives hand out
// the chunks the test made available, and the flags can be set to fail.
class FakeSocket : public OrvexSocket {
public:
    struct Script {
        std::deque<std::string> chunks;   // what the next receives deliver
        std::vector<std::string> sends;   // each send call's bytes
        std::vector<int> sendConnection;  // the connect (0-based) each was on
        int connects = 0;                 // connects made, failed ones too
        int reconnects = 0;
        int disconnects = 0;
        int recvCalls = 0;
        int maxAsked = 0;  // the largest length a receive asked for
        int broken = 0;
        int closed = 0;
        // The send with this index (0-based over all sends) marks the
        // socket broken; -1: none.
        int breakAtSend = -1;
        // The next this many connects (the first one included) fail.
        int refusals = 0;
        // The peer closes the next this many connections made (the first
        // one included) as soon as the client first reads from them.
        int hangUps = 0;
    };
    // Connects: see refusals.
    explicit FakeSocket(std::shared_ptr<Script> script) : iS(std::move(script)) { connectNow(); }
    void setPollMode() override {}
    void send(const void* bytes, int length) override;
    char* recv(int length, int* count, char* buffer) override;
    void reconnect() override {
        ++iS->reconnects;
        connectNow();
    }
    void disconnect() override {
        ++iS->disconnects;
        iS->closed = 1;
    }
    int isBroken() const override { return iS->broken; }
    int isClosed() const override { return iS->closed; }

private:
    void connectNow() {
        ++iS->connects;
        iS->closed = 0;
        iS->broken = iS->refusals > 0 ? 1 : 0;
        if (iS->refusals > 0) --iS->refusals;
    }
    std::shared_ptr<Script> iS;
};

// What the client sent on each connect (0-based, failed ones too): "login"
// for a login block, then the body of each frame; "?" for bytes that are
// neither.
std::vector<std::vector<std::string>> framesByConnection(const FakeSocket::Script& script);

// A connection on a FakeSocket whose whole messages and connection
// changes (with the server "fake") are dispatched into a recording handler.
struct FakeClient {
    // The first `refusals` connects fail.
    explicit FakeClient(int refusals = 0);
    void tick(int n = 1);
    std::shared_ptr<FakeSocket::Script> script = std::make_shared<FakeSocket::Script>();
    RecordingHandler handler;
    std::vector<MessageBytes> messages;
    OrvexConnection connection;
};

// The real connection and socket, talking to a server on 127.0.0.1:port.
class LoopbackClient {
public:
    explicit LoopbackClient(int port);
    void send(const MessageBytes& m) { connection.queueMessage(m.data(), static_cast<int>(m.size())); }
    void tick() { connection.onIntuitick(); }
    // Codes of the messages received so far ("LA", "LPC", ...).
    std::vector<std::string> codes() const;
    // The first message received with that code, or empty.
    MessageBytes first(const char* code) const;
    std::vector<MessageBytes> all(const char* code) const;

    RecordingHandler handler;
    std::vector<MessageBytes> messages;
    OrvexConnection connection;
};

// Ticks every client (about every 2 ms) until the condition holds or
// timeoutMs pass; the condition's last value.
bool tickUntil(const std::vector<LoopbackClient*>& clients, const std::function<bool()>& done, int timeoutMs = 60000);

// The message's code letters.
std::string codeOf(const MessageBytes& m);
std::string bytesText(const std::string& s);

}  // namespace protocol_testing
