#include "game/protocol/orvexcom.h"

#include "framework/app/debuglog.h"
#include "framework/util/ticker.h"
#include "game/protocol/catalogue.h"
#include "platform/os/thread.h"

OrvexCom::OrvexCom(OrvexMessageHandler* owner, Pump pump, OrvexConnection::SocketFactory makeSocket)
    : SuperCore(), Runnable(1), iOwner(owner), iServerHost(orvexServerHost()), iServerPort(orvexServerPort()),
      iServerAddress(iServerHost + ":" + std::to_string(iServerPort)),
      // The real socket's waits end as soon as the core is being deleted.
      iConnection(
          makeSocket ? std::move(makeSocket) : OrvexConnection::SocketFactory([this] {
              return std::make_unique<OrvexTcpSocket>(iServerHost.c_str(), iServerPort, &iStopping);
          }),
          [this](const uint8_t* message, int length) { post(MessageBytes(message, message + length)); },
          [this](const OrvexLinkChange& change) {
              OrvexLinkChange withServer = change;
              withServer.server = iServerAddress;
              post(std::move(withServer));
          }) {
    if (mainTicker) mainTicker->addClient(this, &iPendingTicks);
    if (pump == Pump::GuiTimer) {
        iPump = std::make_unique<platform::ui::Timer>();
        iPump->start(kPumpMs, [this] { dispatchIncoming(); });
    }
    start();
}

OrvexCom::~OrvexCom() {
    if (mainTicker) mainTicker->removeClient(this);
    iPump.reset();
    iStopping.store(true);
    join();
    // iConnection's destructor discards the unsent records and closes the socket.
}

void OrvexCom::post(Incoming entry) {
    std::lock_guard<std::mutex> lock(iInboxMutex);
    iInbox.push_back(std::move(entry));
}

void OrvexCom::queueMessage(const uint8_t* bytes, std::size_t count) {
    iConnection.queueMessage(bytes, static_cast<int>(count), iLossesKnown.load());
}

void OrvexCom::setLogin(const MessageBytes& login) {
    iConnection.setLogin(login.data(), static_cast<int>(login.size()));
}

void OrvexCom::run() {
    iConnection.connect();
    while (!iStopping.load()) {
        platform::sleepMs(kSleepMs);
        if (iPendingTicks.load() > 0) {
            onIntuitick();
            iPendingTicks.fetch_sub(1);
        }
    }
}

void OrvexCom::onIntuitick() { iConnection.onIntuitick(); }

int OrvexCom::dispatchIncoming() {
    int ran = 0;
    while (iOwner && iOwner->animationsRunning() == 0) {
        Incoming entry;
        {
            std::lock_guard<std::mutex> lock(iInboxMutex);
            if (iInbox.empty()) break;
            entry = std::move(iInbox.front());
            iInbox.pop_front();
        }
        if (const auto* message = std::get_if<MessageBytes>(&entry)) {
            dispatchMessage(message->data(), static_cast<int>(message->size()), *iOwner);
        } else {
            const OrvexLinkChange& change = std::get<OrvexLinkChange>(entry);
            // What the owner queues from now on is meant for the connections
            // after this news.
            iLossesKnown.store(change.losses);
            iOwner->connectionChanged(change);
        }
        ++ran;
    }
    // The protocol thread reads nothing while an animation runs.
    iConnection.setReceivePaused(iOwner && iOwner->animationsRunning() != 0);
    return ran;
}

int OrvexCom::incomingWaiting() const {
    std::lock_guard<std::mutex> lock(iInboxMutex);
    return static_cast<int>(iInbox.size());
}
