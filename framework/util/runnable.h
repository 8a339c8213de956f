#pragma once
// The base of every object whose work runs on a worker thread (the page and
// file fetcher, the game-protocol core) and, by inheritance, of Vector.
// `start` runs `run` on a new thread with a 1 MiB stack. The object outlives
// its thread; an owner that must stop the work asks its subclass to stop and
// then calls `join` before deleting the object (a subclass whose `run` uses
// its own members joins in its own destructor).
#include <atomic>

#include "platform/os/thread.h"

class Runnable {
public:
    explicit Runnable(int lockFlag = 0);
    virtual ~Runnable();
    Runnable(const Runnable&) = delete;
    Runnable& operator=(const Runnable&) = delete;

    // The work of the thread.
    virtual void run();

    // Starts `run` on a new thread; false (and "ERROR: CreateThread failed."
    // in the log) when the thread could not be created.
    bool start();
    // Waits for the thread's end; harmless when it never started or has
    // already been joined.
    void join();
    // True from a successful start until join.
    bool started() const { return iThread.joinable(); }
    // True when called on this object's own worker thread.
    bool onOwnThread() const { return iThread.isCurrent(); }

    int lockFlag() const { return iLockFlag; }
    // "system/locks/orvex.<n>a" and "...b" when the lock flag is set, else
    // empty; <n> tells live objects apart (a process-wide counter).
    const char* lockNameA() const { return iLockNameA; }
    const char* lockNameB() const { return iLockNameB; }

private:
    int iLockFlag;
    char iLockNameA[32] = {};
    char iLockNameB[32] = {};
    platform::Thread iThread;
};

// The thread procedure: runs the object's `run` and returns 0.
int runnableThreadEntry(Runnable* object);
