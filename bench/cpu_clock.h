#pragma once
// The benchmarks' clock: the CPU time of the calling thread, in
// milliseconds. Other programs loading the machine take turns with the
// benchmark, which wall-clock time would count against whichever run they
// happened to interrupt; this clock counts only the time the thread ran.
#include <time.h>

namespace bench {

inline double cpuMillis() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

}  // namespace bench
