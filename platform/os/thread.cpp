#include "platform/os/thread.h"

#include <pthread.h>
#include <time.h>

#include <memory>

namespace platform {

namespace {
void* threadEntry(void* arg) {
    std::unique_ptr<std::function<void()>> fn(static_cast<std::function<void()>*>(arg));
    (*fn)();
    return nullptr;
}
}  // namespace

Thread::~Thread() { join(); }

bool Thread::start(std::function<void()> fn, std::size_t stackBytes) {
    if (started_) return false;
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) return false;
    pthread_attr_setstacksize(&attr, stackBytes);
    auto* heapFn = new std::function<void()>(std::move(fn));
    pthread_t t;
    int rc = pthread_create(&t, &attr, threadEntry, heapFn);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        delete heapFn;
        return false;
    }
    handle_ = static_cast<unsigned long>(t);
    started_ = true;
    return true;
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

void Thread::detach() {
    if (!started_) return;
    started_ = false;
    pthread_detach(static_cast<pthread_t>(handle_));
}

bool Thread::isCurrent() const {
    return started_ && pthread_equal(static_cast<pthread_t>(handle_), pthread_self());
}

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
