#pragma once
// Threads, on POSIX threads. Every worker of the program runs with a 1 MiB
// stack, as the program's workers were sized for it; a thread is joinable,
// and its owner waits for its end (at the latest in the destructor), so no
// worker runs on past its owner.
#include <cstddef>
#include <functional>

namespace platform {

constexpr std::size_t kWorkerStackBytes = 1024 * 1024;

class Thread {
public:
    Thread() = default;
    ~Thread();  // joins a thread still running: an owner never outlives its worker
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Starts fn on a new thread; false when the thread could not be created.
    bool start(std::function<void()> fn, std::size_t stackBytes = kWorkerStackBytes);
    // Waits for the thread's end; harmless when none was started. Called
    // on the thread itself (an object that deletes itself on its own
    // thread), it lets the thread end on its own instead.
    void join();
    bool joinable() const { return started_; }
    // True when called on this object's own thread.
    bool isCurrent() const;

private:
    unsigned long handle_ = 0;
    bool started_ = false;
};

// The stack size of the calling thread, in bytes (0 when unknown).
std::size_t currentThreadStackSize();

void sleepMs(int ms);

// Milliseconds of a monotonic clock.
long long monotonicMs();

}  // namespace platform
