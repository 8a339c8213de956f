#include "game/protocol/gamesocket.h"

#include <atomic>

#include "framework/app/config.h"

namespace {
// 0 until a style is chosen; the configuration is read at each use then,
// so an override set after start-up still counts.
std::atomic<int> chosenPort{0};
}  // namespace

int orvexServerPort() {
    int port = chosenPort.load();
    return port ? port : config::gameServerPort("kv");
}

void setOrvexServerPort(int port) { chosenPort.store(port > 0 && port <= 65535 ? port : 0); }

void chooseOrvexServerStyle(const char* styleKey) { setOrvexServerPort(config::gameServerPort(styleKey)); }

std::string orvexServerHost() { return config::gameServerHost(); }
