#include "platform/os/thread.h"

#include <pthread.h>
#include <time.h>

#include <memory>
#include <mutex>

namespace platform {

namespace {
// What a new thread runs. The gate is held by `start` until the Thread
// object has recorded the new thread, so the work may see (and even end)
// its own Thread object safely.
struct Launch {
    std::function<void()> fn;
    std::mutex gate;
};

void* threadEntry(void* arg) {
    std::unique_ptr<Launch> launch(static_cast<Launch*>(arg));
    { std::lock_guard<std::mutex> wait(launch->gate); }
    launch->fn();
    return nullptr;
}
}  // namespace

Thread::~Thread() { join(); }

bool Thread::start(std::function<void()> fn, std::size_t stackBytes) {
    if (started_) return false;
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) return false;
    pthread_attr_setstacksize(&attr, stackBytes);
    auto* launch = new Launch{std::move(fn), {}};
    std::unique_lock<std::mutex> gate(launch->gate);
    pthread_t t;
    int rc = pthread_create(&t, &attr, threadEntry, launch);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        gate.unlock();
        delete launch;
        return false;
    }
    handle_ = static_cast<unsigned long>(t);
    started_ = true;
    return true;  // the gate opens here
}

void Thread::join() {
    if (!started_) return;
    started_ = false;
    pthread_t t = static_cast<pthread_t>(handle_);
    if (pthread_equal(t, pthread_self())) {
        // A thread cannot wait for itself; let it end on its own.
        pthread_detach(t);
        return;
    }
    pthread_join(t, nullptr);
}

bool Thread::isCurrent() const { return started_ && pthread_equal(static_cast<pthread_t>(handle_), pthread_self()); }

std::size_t currentThreadStackSize() {
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return 0;
    std::size_t size = 0;
    pthread_attr_getstacksize(&attr, &size);
    pthread_attr_destroy(&attr);
    return size;
}

void sleepMs(int ms) {
    if (ms <= 0) return;
    timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

long long monotonicMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

}  // namespace platform
