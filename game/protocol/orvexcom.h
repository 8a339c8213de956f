#pragma once
// OrvexCom: the game-protocol core, owner of the one connection to the game
// server. It is an embedded, unregistered core and a Runnable: its thread
// connects, then runs one unit of socket work (OrvexConnection) for every
// tick that the main Ticker counted for it, so at most one message goes out
// per 500 ms tick. Whole messages from the server wait in a locked inbox
// until the GUI thread runs their handlers, one at a time and only while no
// piece animation runs, so every client replays them in the same state.
//
// Senders on the GUI thread append messages to its out queue (it is the
// rules' outbox); each message is meant for the connection its sender knew
// of, so one queued before the owner was told of a loss is not sent on the
// next connection (chat lines excepted). The login set on the core opens
// every connection it makes. Deleting an OrvexCom stops and joins its thread and
// closes its socket; messages never sent are discarded. The stop also cuts
// short a connect, reconnect or send that is waiting on the network, so
// deleting never holds the GUI thread for longer than a few milliseconds.
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <variant>

#include "framework/core/supercore.h"
#include "framework/util/runnable.h"
#include "game/board/outbox.h"
#include "game/protocol/connection.h"
#include "game/protocol/handler.h"
#include "platform/ui/timer.h"

class OrvexCom : public SuperCore, public Runnable, public OrvexOutbox {
public:
    // How the waiting messages reach their handlers on the GUI thread.
    enum class Pump {
        GuiTimer,  // a GUI-thread timer runs dispatchIncoming every kPumpMs
        Manual,    // the owner calls dispatchIncoming (tests without a loop)
    };
    static constexpr int kPumpMs = 20;
    static constexpr int kSleepMs = 10;

    // Builds the core, registers the pending-tick counter with the main
    // Ticker (when one exists) and starts the thread, which connects to the
    // server host on the chosen port (orvexServerHost(), orvexServerPort(),
    // as they are now). A null factory means a real socket.
    explicit OrvexCom(OrvexMessageHandler* owner, Pump pump = Pump::GuiTimer,
                      OrvexConnection::SocketFactory makeSocket = nullptr);
    ~OrvexCom() override;

    const char* getCoreClassName() override { return "OrvexCom"; }

    Vector* getOutQueue() { return iConnection.getOutQueue(); }
    // Messages waiting to be sent (any thread).
    int queuedMessages() { return iConnection.queuedMessages(); }
    // OrvexOutbox: queues a copy of the message (any thread).
    void queueMessage(const uint8_t* bytes, std::size_t count) override;
    // The LL that logs in on every connection this core makes.
    void setLogin(const MessageBytes& login);
    MessageBytes login() const { return iConnection.login(); }

    // The thread: connects, then works off the counted ticks, sleeping
    // 10 ms between looks, until the object is deleted.
    void run() override;
    // One unit of socket work, on the protocol thread.
    void onIntuitick() override;

    // GUI thread: runs the handlers of the waiting messages and connection
    // changes in stream order while no animation runs; the number run.
    int dispatchIncoming();
    // Connections the thread has made so far (any thread).
    int connectionsMade() const { return iConnection.connections(); }
    // Whole messages and connection changes waiting for the GUI thread.
    int incomingWaiting() const;
    // The server this core connects to, "host:port".
    const std::string& serverAddress() const { return iServerAddress; }

    // The counter the main Ticker raises; tests raise it themselves.
    std::atomic<int>& pendingTicks() { return iPendingTicks; }

private:
    // One entry of the inbox: a whole server message, or a change of the
    // connection.
    using Incoming = std::variant<MessageBytes, OrvexLinkChange>;
    void post(Incoming entry);

    OrvexMessageHandler* iOwner;
    // Declared before the connection, which reaches them from its thread.
    const std::string iServerHost;
    const int iServerPort;
    const std::string iServerAddress;
    std::atomic<bool> iStopping{false};
    // The losses of connection the owner has been told of.
    std::atomic<int> iLossesKnown{0};
    mutable std::mutex iInboxMutex;
    std::deque<Incoming> iInbox;
    OrvexConnection iConnection;
    std::atomic<int> iPendingTicks{0};
    std::unique_ptr<platform::ui::Timer> iPump;
};
