// Repeating timers on the toolkit's timeouts.
#include "platform/ui/timer.h"

#include "platform/ui/fltk_detail.h"

namespace platform::ui {

Timer::~Timer() { stop(); }

void Timer::start(int periodMs, std::function<void()> task) {
    stop();
    task_ = std::move(task);
    periodMs_ = periodMs < 1 ? 1 : periodMs;
    running_ = true;
    Fl::add_timeout(periodMs_ / 1000.0, fire, this);
}

void Timer::stop() {
    if (!running_) return;
    running_ = false;
    Fl::remove_timeout(fire, this);
}

void Timer::fire(void* self) {
    auto* timer = static_cast<Timer*>(self);
    // Scheduled before the task runs: the task may stop or delete the timer,
    // which removes this timeout again.
    Fl::repeat_timeout(timer->periodMs_ / 1000.0, fire, self);
    std::function<void()> task = timer->task_;
    HandlerScope scope;
    if (task) task();
}

}  // namespace platform::ui
