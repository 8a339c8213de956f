#include "framework/util/ticker.h"

#include "framework/app/debuglog.h"

Ticker* mainTicker = nullptr;

namespace {
int tickerCounter = 0;
}

Ticker::Ticker(void* window, bool isMain) : main_(isMain), window_(window) {
    if (++tickerCounter > 1000) tickerCounter = 32;
    timerId_ = tickerCounter + 2212;
    if (main_) mainTicker = this;
}

Ticker::~Ticker() {
    debugLog("~Ticker");
    if (main_ && mainTicker == this) mainTicker = nullptr;
    while (head_) {
        Node* n = head_;
        head_ = n->next;
        delete n;
    }
    debugLog("~ticker.done ");
}

void Ticker::addClient(TickClient* core, std::atomic<int>* counter) {
    head_ = new Node{core, counter, head_, false};
}

void Ticker::removeClient(TickClient* core) {
    for (Node* n = head_; n; n = n->next) {
        if (n->removed || n->core != core) continue;
        n->removed = true;  // unlinked now, or after the walk when ticking
        break;
    }
    if (walking_ == 0) purge();
}

void Ticker::purge() {
    Node** link = &head_;
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
    ++walking_;
    for (Node* n = head_; n; n = n->next) {
        if (n->removed) continue;
        if (n->counter)
            n->counter->fetch_add(1);
        else if (main_)
            n->core->onIntuitick();
        else
            n->core->onPrivIntuitick();
    }
    if (--walking_ == 0) purge();
}

bool Ticker::dispatchHandlerEvent(int message, int timerId) {
    if (message != 275 || timerId != timerId_) return false;
    tickClients();
    return true;
}

int Ticker::clientCount() const {
    int n = 0;
    for (Node* p = head_; p; p = p->next)
        if (!p->removed) ++n;
    return n;
}
