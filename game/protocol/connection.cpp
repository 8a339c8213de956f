#include "game/protocol/connection.h"

#include <algorithm>

#include "framework/app/debuglog.h"
#include "game/protocol/catalogue.h"

OrvexConnection::OrvexConnection(SocketFactory makeSocket, MessageSink sink, LinkSink linkSink)
    : iMakeSocket(std::move(makeSocket)), iSink(std::move(sink)), iLinkSink(std::move(linkSink)) {}

OrvexConnection::~OrvexConnection() {
    iOutQueue.lock();
    for (int i = 0; i < iOutQueue.size(); ++i) deleteSentMessage(static_cast<OrvexMessage*>(iOutQueue.elementAt(i)), 1);
    iOutQueue.reset();
    iOutQueue.unlock();
}

namespace {

bool canFrame(const uint8_t* bytes, int count) {
    if (bytes && count >= kMinFrameBody && count <= maxFrameBodyFor(bytes, count)) return true;
    debugPrintfI("ERROR: a message of %d bytes cannot be sent\n", count);
    return false;
}

bool isCode(const uint8_t* bytes, int count, const char* code) {
    return count >= 2 && bytes[0] == code[0] && bytes[1] == code[1];
}

}  // namespace

bool OrvexConnection::queueMessage(const uint8_t* bytes, int count, int lossesKnown) {
    if (!canFrame(bytes, count)) return false;
    OrvexMessage* record = makeMessage(new OrvexMessage, bytes, count, 0);
    record->lossesKnown = lossesKnown < 0 ? iLosses.load() : lossesKnown;
    iOutQueue.addElement(record);
    return true;
}

bool OrvexConnection::setLogin(const uint8_t* bytes, int count) {
    if (count > 0 && (!canFrame(bytes, count) || !isCode(bytes, count, "LL"))) return false;
    std::lock_guard<std::mutex> lock(iLoginMutex);
    iLogin.assign(bytes, bytes + std::max(count, 0));
    return true;
}

MessageBytes OrvexConnection::login() const {
    std::lock_guard<std::mutex> lock(iLoginMutex);
    return iLogin;
}

int OrvexConnection::queuedMessages() {
    iOutQueue.lock();
    int n = iOutQueue.size();
    iOutQueue.unlock();
    return n;
}

void OrvexConnection::connect() {
    iSocket = iMakeSocket();
    if (!iSocket) return;
    iSocket->setPollMode();
    noteConnectAttempt();
}

void OrvexConnection::reconnectSocket() {
    iSocket->reconnect();
    noteConnectAttempt();
}

void OrvexConnection::noteConnectAttempt() {
    if (!iSocket->isBroken() && !iSocket->isClosed()) {
        ++iConnections;
        iAnswered = false;
        reportLink(Link::Up);
    } else if (iLink != Link::Down) {
        reportLink(Link::Down);
    }
}

void OrvexConnection::noteLost() {
    if (iLink != Link::Up) return;
    iLosses.fetch_add(1);
    reportLink(Link::Down);
}

void OrvexConnection::reportLink(Link link, bool answered) {
    iLink = link;
    debugPrintfSI("kv:link %s %d\n", answered ? "answered" : link == Link::Up ? "up" : "down", iConnections.load());
    if (!iLinkSink) return;
    OrvexLinkChange change;
    change.up = link == Link::Up;
    change.connections = iConnections.load();
    change.answered = answered;
    change.losses = iLosses.load();
    iLinkSink(change);
}

void OrvexConnection::onIntuitick() {
    if (iDelay != 0) {
        --iDelay;
        return;
    }
    if (!iSocket) return;
    if (iReconnectDue) {
        iReconnectDue = 0;
        reconnectSocket();
    }
    sendOne();
    if (!iReceivePaused.load()) receive();
}

OrvexMessage* OrvexConnection::takeRecord() {
    const int losses = iLosses.load();
    for (;;) {
        OrvexMessage* record = nullptr;
        iOutQueue.lock();
        if (iOutQueue.size() > 0) {
            record = static_cast<OrvexMessage*>(iOutQueue.firstElement());
            iOutQueue.removeElementAt(0);
        }
        iOutQueue.unlock();
        if (!record) return nullptr;
        debugLog("kv:tw");
        debugLog("kv:ge");
        if (record->lossesKnown >= losses || isCode(record->bytes, record->count, "PT")) return record;
        // A move, a row choice or a login for a connection that is gone
        // means nothing to the server on this one.
        debugPrintfI("kv:stale %d\n", record->count);
        deleteSentMessage(record, 1);
    }
}

void OrvexConnection::sendOne() {
    // A new connection begins with the login, when there is one to give.
    const MessageBytes login = iLoggedIn == 0 ? this->login() : MessageBytes();
    OrvexMessage* record = login.empty() ? takeRecord() : nullptr;
    if (!record && login.empty()) return;
    const uint8_t* body = record ? record->bytes : login.data();
    const int count = record ? record->count : static_cast<int>(login.size());

    debugLog("kv:w1");
    const bool withLogin = iLoggedIn == 0;
    uint8_t head[kLoginBlockBytes + kFrameHeaderBytes];
    if (withLogin) {
        iLoggedIn = 1;
        putLoginBlock(head, iLoginWords);
        putFrameHeader(head + kLoginBlockBytes, body, count);
        iSocket->send(head, kLoginBlockBytes + kFrameHeaderBytes);
    } else {
        putFrameHeader(head, body, count);
        iSocket->send(head, kFrameHeaderBytes);
    }
    iSocket->send(body, count);

    if (iSocket->isClosed() || iSocket->isBroken()) {
        // The message goes back to the head of the queue; on the new
        // connection it follows the login, unless the loss made it stale.
        // The login itself is given anew.
        debugLog("kv:inb");
        if (record) iOutQueue.insertElementAt(record, 0);
        debugPrintfII(withLogin ? "kv:re1(%d,%d)" : "kv:re2(%d,%d)", iSocket->isClosed(), iSocket->isBroken());
        noteLost();
        reconnectSocket();
        debugPrintfII(withLogin ? "kv:re1a(%d,%d)" : "kv:re2a(%d,%d)", iSocket->isClosed(), iSocket->isBroken());
        iLoggedIn = 0;
        iDelay = kRetryDelayTicks;
        debugLog("kv:red");
    } else if (record) {
        deleteSentMessage(record, 1);
    }
    debugLog("kv:dci2");
}

void OrvexConnection::receive() {
    int reads = 0;
    for (;;) {
        int room = std::min(kReadBytes, iReceive.freeSpace());
        if (room <= 0) {
            // Only a head that no message can complete fills the buffer.
            debugLog("ERROR: receive buffer full without a whole message\n");
            dropConnection();
            return;
        }
        debugLog("r");
        int count = 0;
        char* got = iSocket->recv(room, &count, reinterpret_cast<char*>(iReceive.tail()));
        debugLog("r2");
        if (!got || count <= 0) break;
        debugLog("r3");
        iReceive.commit(count);
        ++reads;
        if (!splitWholeMessages()) return;
    }
    debugLog("r4");
    if (iSocket->isClosed() || iSocket->isBroken()) {
        debugLog("r5");
        debugPrintfII("kv:re2(%d,%d)", iSocket->isClosed(), iSocket->isBroken());
        noteLost();
        reconnectSocket();
        debugPrintfII("kv:re2a(%d,%d)", iSocket->isClosed(), iSocket->isBroken());
        iReceive.clear();
        // The server sees a new connection, which must begin with a login block.
        iLoggedIn = 0;
        iDelay = kRetryDelayTicks;
    }
    debugLog("r5a");
    if (reads > 0) debugLog("r6");
}

bool OrvexConnection::splitWholeMessages() {
    while (iReceive.held() > 0) {
        const uint8_t* head = iReceive.data();
        const int held = iReceive.held();
        debugPrintfI("incmd:<%d> ", held);
        if (held >= 19 && head[0] == 'L' && head[1] == 'A') debugPrintfI("cmd:(%d) ", 19 + head[18]);
        OrvexSplitResult r = splitMessage(head, held, kFromServer);
        switch (r.status) {
        case OrvexSplit::Partial: return true;
        case OrvexSplit::Whole:
            if (!iAnswered) {
                // The server spoke on this connection: it lasted.
                iAnswered = true;
                reportLink(Link::Up, true);
            }
            iSink(head, r.length);
            break;
        case OrvexSplit::Invalid:
            debugPrintfSS("ERROR: %s message with %s dropped\n", r.code->letters, r.problem);
            break;
        case OrvexSplit::Unknown:
            debugPrintfII("ERROR: message head %d %d matches no code; connection dropped\n", head[0],
                          held > 1 ? head[1] : -1);
            dropConnection();
            return false;
        }
        iReceive.consumeBytes(r.length);
    }
    return true;
}

void OrvexConnection::dropConnection() {
    iReceive.clear();
    iSocket->disconnect();
    noteLost();
    iLoggedIn = 0;
    iDelay = kRetryDelayTicks;
    iReconnectDue = 1;
}
