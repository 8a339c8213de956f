#include "framework/window/handlers.h"

#include <algorithm>

KZVHandler::KZVHandler(KZVHandlerHost* host) : host_(host) {
    if (host_) host_->attach(this);
}

KZVHandler::~KZVHandler() {
    if (host_) host_->detach(this);
}

KZVHandlerHost::~KZVHandlerHost() {
    for (KZVHandler* h : handlers_) h->host_ = nullptr;
}

void KZVHandlerHost::attach(KZVHandler* h) { handlers_.push_back(h); }

void KZVHandlerHost::detach(KZVHandler* h) {
    handlers_.erase(std::remove(handlers_.begin(), handlers_.end(), h), handlers_.end());
}

bool KZVHandlerHost::attached(const KZVHandler* h) const {
    return std::find(handlers_.begin(), handlers_.end(), h) != handlers_.end();
}

bool KZVHandlerHost::dispatch(KZVEvent& event) {
    // A copy, since a handler may delete itself or others on the way.
    std::vector<KZVHandler*> snapshot(handlers_.rbegin(), handlers_.rend());
    for (KZVHandler* h : snapshot) {
        if (!attached(h)) continue;
        if (h->dispatchHandlerEvent(event)) return true;
    }
    return false;
}
