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

bool OrvexConnection::queueMessage(const uint8_t* bytes, int count) {
    if (!bytes || count < kMinFrameBody || count > maxFrameBodyFor(bytes, count)) {
        debugPrintfI("ERROR: a message of %d bytes cannot be sent\n", count);
        return false;
    }
    iOutQueue.addElement(makeMessage(new OrvexMessage, bytes, count, 0));
    return true;
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
        reportLink(Link::Up);
    } else if (iLink != Link::Down) {
        reportLink(Link::Down);
    }
}

void OrvexConnection::noteLost() {
    if (iLink == Link::Up) reportLink(Link::Down);
}

void OrvexConnection::reportLink(Link link) {
    iLink = link;
    debugPrintfSI("kv:link %s %d\n", link == Link::Up ? "up" : "down", iConnections);
    if (iLinkSink) iLinkSink(link == Link::Up, iConnections);
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

void OrvexConnection::sendOne() {
    OrvexMessage* record = nullptr;
    iOutQueue.lock();
    if (iOutQueue.size() > 0) {
        record = static_cast<OrvexMessage*>(iOutQueue.firstElement());
        iOutQueue.removeElementAt(0);
    }
    iOutQueue.unlock();
    if (!record) return;
    debugLog("kv:tw");
    debugLog("kv:ge");

    debugLog("kv:w1");
    const bool withLogin = iLoggedIn == 0;
    uint8_t head[kLoginBlockBytes + kFrameHeaderBytes];
    if (withLogin) {
        iLoggedIn = 1;
        putLoginBlock(head, iLoginWords);
        putFrameHeader(head + kLoginBlockBytes, record->bytes, record->count);
        iSocket->send(head, kLoginBlockBytes + kFrameHeaderBytes);
    } else {
        putFrameHeader(head, record->bytes, record->count);
        iSocket->send(head, kFrameHeaderBytes);
    }
    iSocket->send(record->bytes, record->count);

    if (iSocket->isClosed() || iSocket->isBroken()) {
        // Nothing is lost: the message goes out first on the new connection,
        // after a fresh login block.
        debugLog("kv:inb");
        iOutQueue.insertElementAt(record, 0);
        debugPrintfII(withLogin ? "kv:re1(%d,%d)" : "kv:re2(%d,%d)", iSocket->isClosed(), iSocket->isBroken());
        noteLost();
        reconnectSocket();
        debugPrintfII(withLogin ? "kv:re1a(%d,%d)" : "kv:re2a(%d,%d)", iSocket->isClosed(), iSocket->isBroken());
        iLoggedIn = 0;
        iDelay = kRetryDelayTicks;
        debugLog("kv:red");
    } else {
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
        case OrvexSplit::Whole: iSink(head, r.length); break;
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
