#include "framework/util/runnable.h"

#include <cstdio>

#include "framework/app/debuglog.h"

namespace {
std::atomic<int> lockNameCounter{0};
}

Runnable::Runnable(int lockFlag) : lockFlag_(lockFlag) {
    if (lockFlag_ != 0) {
        int id = ++lockNameCounter;
        std::snprintf(lockNameA_, sizeof lockNameA_, "%sorvex.%da", "system/locks/", id);
        std::snprintf(lockNameB_, sizeof lockNameB_, "%sorvex.%db", "system/locks/", id);
    }
}

Runnable::~Runnable() {
    // Last resort: a thread must never run on past its object's memory.
    join();
}

void Runnable::run() { debugLog("virtual Runnable::run called."); }

int runnableThreadEntry(Runnable* object) {
    object->run();
    return 0;
}

bool Runnable::start() {
    if (thread_.joinable()) {
        debugLog("ERROR: Runnable started twice.\n");
        return false;
    }
    if (!thread_.start([this] { runnableThreadEntry(this); }, platform::kWorkerStackBytes)) {
        debugLog("ERROR: CreateThread failed.");
        return false;
    }
    return true;
}

void Runnable::join() { thread_.join(); }

void Runnable::detach() { thread_.detach(); }
