#pragma once
// The socket side of the game protocol, one unit of work per tick: it sends
// the oldest queued message in a frame (after the login block on each new
// connection), reads what the server sent into the receive buffer and
// splits whole messages off between reads, handing each to the sink, and
// recovers from a broken connection by reconnecting after a delay. Each
// connection made, its first message from the server, and the loss of one
// (or a first attempt that fails), is told to the link sink between the
// messages, in stream order. It runs on the protocol thread; only the out
// queue (a locked Vector), the login, the count of losses and the receive
// pause are shared with other threads.
//
// With a login set, every new connection begins with it (the login block
// and that one LL), before anything queued. What was queued for a
// connection that is gone is not sent on the next one: once a loss is
// counted, the messages queued before their sender knew of it are dropped
// as they come up, except chat lines, the player's own words, which follow
// the new login.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "framework/util/vector.h"
#include "game/protocol/codec.h"
#include "game/protocol/gamesocket.h"
#include "game/protocol/handler.h"
#include "game/protocol/receivebuffer.h"

class OrvexConnection {
public:
    using SocketFactory = std::function<std::unique_ptr<OrvexSocket>()>;
    // Gets each whole message from the server, in stream order, on the
    // protocol thread.
    using MessageSink = std::function<void(const uint8_t* message, int length)>;
    // Gets each change of the connection on the protocol thread (its server
    // left empty): up (a connection was made), answered, or down.
    using LinkSink = std::function<void(const OrvexLinkChange&)>;

    // Ticks skipped after a failure, before the connection is used again.
    static constexpr int kRetryDelayTicks = 5;
    // The most one read asks for.
    static constexpr int kReadBytes = 256;

    OrvexConnection(SocketFactory makeSocket, MessageSink sink, LinkSink linkSink = nullptr);
    // Discards the records never sent and closes the socket.
    ~OrvexConnection();
    OrvexConnection(const OrvexConnection&) = delete;
    OrvexConnection& operator=(const OrvexConnection&) = delete;

    // The out queue of OrvexMessage records, oldest first; it owns them.
    Vector* getOutQueue() { return &iOutQueue; }
    // The number of records waiting (any thread).
    int queuedMessages();
    // Appends a copy of one message (2 to kMaxFrameBody bytes, an LL at
    // most kMaxLoginBody; others are refused with an "ERROR" line). Safe
    // from any thread. `lossesKnown`: the losses (see losses()) the sender
    // had been told of when it made the message; -1: all so far.
    bool queueMessage(const uint8_t* bytes, int count, int lossesKnown = -1);
    // The LL that logs in on every new connection (checked as queueMessage
    // checks; an empty one: none). Safe from any thread.
    bool setLogin(const uint8_t* bytes, int count);
    MessageBytes login() const;
    // Connections made so far, and established ones lost (any thread).
    int connections() const { return iConnections.load(); }
    int losses() const { return iLosses.load(); }

    // Creates the socket (it connects) and puts it into poll mode.
    void connect();
    // One unit of work: the delay, one send, then the reads and the split.
    void onIntuitick();
    // While paused (a piece animation runs), nothing is read.
    void setReceivePaused(bool paused) { iReceivePaused.store(paused); }

    // State, for the owner's log and the tests.
    int loggedIn() const { return iLoggedIn; }
    int delay() const { return iDelay; }
    int held() const { return iReceive.held(); }
    OrvexSocket* socket() const { return iSocket.get(); }

private:
    // The next queued record still meant for a connection now, or null;
    // the ones meant for a lost connection are dropped.
    OrvexMessage* takeRecord();
    void sendOne();
    void receive();
    // Splits every whole message off the head of the buffer; false when the
    // head matched no code and the connection was dropped.
    bool splitWholeMessages();
    // The stream can no longer be trusted: drop the bytes and the
    // connection, and connect anew once the delay has run out.
    void dropConnection();
    // Reconnects the socket and tells the link sink how that went.
    void reconnectSocket();
    // After a connect: a new connection is reported; a failure only when
    // the link was not already known to be down.
    void noteConnectAttempt();
    // An established connection broke: counted and reported once.
    void noteLost();
    enum class Link { Unknown, Up, Down };
    void reportLink(Link link, bool answered = false);

    SocketFactory iMakeSocket;
    MessageSink iSink;
    LinkSink iLinkSink;
    Vector iOutQueue{1};
    std::unique_ptr<OrvexSocket> iSocket;
    OrvexReceiveBuffer iReceive;
    mutable std::mutex iLoginMutex;
    MessageBytes iLogin;
    int iLoggedIn = 0;
    uint32_t iLoginWords[kLoginWords] = {0, 0, 0, 0};
    int iDelay = 0;
    int iReconnectDue = 0;
    Link iLink = Link::Unknown;
    std::atomic<int> iConnections{0};
    std::atomic<int> iLosses{0};
    // The server has sent a whole message on the current connection.
    bool iAnswered = false;
    std::atomic<bool> iReceivePaused{false};
};
