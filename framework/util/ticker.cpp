#include "framework/util/ticker.h"

#include "framework/app/debuglog.h"

Ticker* mainTicker = nullptr;

namespace {
int tickerCounter = 0;
}

Ticker::Ticker(void* window, bool isMain) : iMain(isMain), iWindow(window) {
    if (++tickerCounter > 1000) tickerCounter = 32;
    iTimerId = tickerCounter + 2212;
    if (iMain) mainTicker = this;
}

Ticker::~Ticker() {
    debugLog("~Ticker");
    if (iMain && mainTicker == this) mainTicker = nullptr;
    while (iHead) {
        Node* n = iHead;
        iHead = n->next;
        delete n;
    }
    debugLog("~ticker.done ");
}

void Ticker::addClient(TickClient* core, std::atomic<int>* counter) { iHead = new Node{core, counter, iHead, false}; }

void Ticker::removeClient(TickClient* core) {
    for (Node* n = iHead; n; n = n->next) {
        if (n->removed || n->core != core) continue;
        n->removed = true;  // unlinked now, or after the walk when ticking
        break;
    }
    if (iWalking == 0) purge();
}

void Ticker::purge() {
    Node** link = &iHead;
    while (*link) {
        Node* n = *link;
        if (n->removed) {
            *link = n->next;
            delete n;
        } else {
            link = &n->next;
        }
    }
}

void Ticker::tickClients() {
    ++iWalking;
    for (Node* n = iHead; n; n = n->next) {
        if (n->removed) continue;
        if (n->counter)
            n->counter->fetch_add(1);
        else if (iMain)
            n->core->onIntuitick();
        else
            n->core->onPrivIntuitick();
    }
    if (--iWalking == 0) purge();
}

bool Ticker::dispatchHandlerEvent(int message, int timerId) {
    if (message != 275 || timerId != iTimerId) return false;
    tickClients();
    return true;
}

int Ticker::clientCount() const {
    int n = 0;
    for (Node* p = iHead; p; p = p->next)
        if (!p->removed) ++n;
    return n;
}
