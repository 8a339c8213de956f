#include "framework/window/handlers.h"

#include <algorithm>

KZVHandler::KZVHandler(KZVHandlerHost* host) : iHost(host) {
    if (iHost) iHost->attach(this);
}

KZVHandler::~KZVHandler() {
    if (iHost) iHost->detach(this);
}

KZVHandlerHost::~KZVHandlerHost() {
    for (KZVHandler* h : iHandlers) h->iHost = nullptr;
}

void KZVHandlerHost::attach(KZVHandler* h) { iHandlers.push_back(h); }

void KZVHandlerHost::detach(KZVHandler* h) {
    iHandlers.erase(std::remove(iHandlers.begin(), iHandlers.end(), h), iHandlers.end());
}

bool KZVHandlerHost::attached(const KZVHandler* h) const {
    return std::find(iHandlers.begin(), iHandlers.end(), h) != iHandlers.end();
}

bool KZVHandlerHost::dispatch(KZVEvent& event) {
    // A copy, since a handler may delete itself or others on the way.
    std::vector<KZVHandler*> snapshot(iHandlers.rbegin(), iHandlers.rend());
    for (KZVHandler* h : snapshot) {
        if (!attached(h)) continue;
        if (h->dispatchHandlerEvent(event)) return true;
    }
    return false;
}
