#pragma once
// A repeating timer of the GUI thread: calls its task every period while the
// application loop runs. A tick that comes late is not made up. The task
// runs as an event handler (see defer in ui.h); it may stop or delete the
// timer.
#include <functional>

namespace platform::ui {

class Timer {
public:
    Timer() = default;
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // (Re)starts the timer; a period below 1 ms is taken as 1 ms.
    void start(int periodMs, std::function<void()> task);
    void stop();
    bool running() const { return running_; }
    int periodMs() const { return periodMs_; }

private:
    static void fire(void* self);
    std::function<void()> task_;
    int periodMs_ = 0;
    bool running_ = false;
};

}  // namespace platform::ui
