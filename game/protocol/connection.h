#pragma once
// The socket side of the game protocol, one unit of work per tick: it sends
// the oldest queued message in a frame (after the login block on each new
// connection), reads what the server sent into the receive buffer and
// splits whole messages off between reads, handing each to the sink, and
// recovers from a broken connection by reconnecting after a delay. Each
// connection made, and the loss of one (or a first attempt that fails), is
// told to the link sink between the messages, in stream order. It runs on
// the protocol thread; only the out queue (a locked Vector) and the receive
// pause are shared with other threads.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "framework/util/vector.h"
#include "game/protocol/codec.h"
#include "game/protocol/gamesocket.h"
#include "game/protocol/receivebuffer.h"

class OrvexConnection {
public:
    using SocketFactory = std::function<std::unique_ptr<OrvexSocket>()>;
    // Gets each whole message from the server, in stream order, on the
    // protocol thread.
    using MessageSink = std::function<void(const uint8_t* message, int length)>;
    // Gets each change of the connection on the protocol thread: up (a
    // connection was made) or down, and the connections made so far.
    using LinkSink = std::function<void(bool up, int connections)>;

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
    // from any thread.
    bool queueMessage(const uint8_t* bytes, int count);

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
    // An established connection broke: reported once.
    void noteLost();
    enum class Link { Unknown, Up, Down };
    void reportLink(Link link);

    SocketFactory iMakeSocket;
    MessageSink iSink;
    LinkSink iLinkSink;
    Vector iOutQueue{1};
    std::unique_ptr<OrvexSocket> iSocket;
    OrvexReceiveBuffer iReceive;
    int iLoggedIn = 0;
    uint32_t iLoginWords[kLoginWords] = {0, 0, 0, 0};
    int iDelay = 0;
    int iReconnectDue = 0;
    Link iLink = Link::Unknown;
    int iConnections = 0;
    std::atomic<bool> iReceivePaused{false};
};
