#include "framework/util/runnable.h"

#include <cstdio>

#include "framework/app/debuglog.h"

namespace {
std::atomic<int> lockNameCounter{0};
}

Runnable::Runnable(int lockFlag) : iLockFlag(lockFlag) {
    if (iLockFlag != 0) {
        int id = ++lockNameCounter;
        std::snprintf(iLockNameA, sizeof iLockNameA, "%sorvex.%da", "system/locks/", id);
        std::snprintf(iLockNameB, sizeof iLockNameB, "%sorvex.%db", "system/locks/", id);
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
    if (iThread.joinable()) {
        debugLog("ERROR: Runnable started twice.\n");
        return false;
    }
    if (!iThread.start([this] { runnableThreadEntry(this); }, platform::kWorkerStackBytes)) {
        debugLog("ERROR: CreateThread failed.");
        return false;
    }
    return true;
}

void Runnable::join() { iThread.join(); }
