#pragma once
// The stand-in programs run until SIGINT or SIGTERM. The signals are blocked
// before any serving thread starts (threads inherit the mask) and then taken
// by the main thread alone.
#include <pthread.h>
#include <signal.h>

namespace standin {

class StopSignals {
public:
    StopSignals() {
        sigemptyset(&set_);
        sigaddset(&set_, SIGINT);
        sigaddset(&set_, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &set_, nullptr);
    }
    // Waits for one of the signals.
    void wait() {
        int signal = 0;
        sigwait(&set_, &signal);
    }

private:
    sigset_t set_;
};

}  // namespace standin
