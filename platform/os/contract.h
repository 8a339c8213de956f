#pragma once
// VURN_ASSERT(condition): an internal contract, a condition that holds for
// every valid caller (a direction within 0..7, a row index below the row
// count, a seat that was validated on its way in). When the condition is
// false the program stops at once, naming the file, line and condition on
// stderr; a broken contract is a fault in the program, and going on would
// only hide where it began.
//
// The checks run in the Debug builds (the sanitizer builds of the test
// command among them) and compile away where NDEBUG is set (RelWithDebInfo
// and Release); the condition is then not evaluated, so it must have no
// effect the program relies on. Defining VURN_ASSERTIONS as 1 or 0 before
// the first include (or on the compiler's command line, as the fuzzing
// build does) overrides the build type.
//
// Input from files, the network or the user is never checked with it: such
// input is refused with a logged error, as before. The header lies in the
// platform layer, the lowest one, so that every layer can state contracts;
// it needs nothing but the C library.
#include <cstdio>
#include <cstdlib>

#ifndef VURN_ASSERTIONS
#ifdef NDEBUG
#define VURN_ASSERTIONS 0
#else
#define VURN_ASSERTIONS 1
#endif
#endif

namespace platform {

// Reports a broken contract and ends the process (abort: no handlers run,
// a debugger or the sanitizers see where it stopped).
[[noreturn]] inline void contractBroken(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: contract broken: %s\n", file, line, condition);
    std::fflush(stderr);
    std::abort();
}

}  // namespace platform

#if VURN_ASSERTIONS
#define VURN_ASSERT(...) \
    ((__VA_ARGS__) ? static_cast<void>(0) : ::platform::contractBroken(#__VA_ARGS__, __FILE__, __LINE__))
#else
// Not evaluated, but still compiled: the names in it stay used and checked.
#define VURN_ASSERT(...) static_cast<void>(sizeof((__VA_ARGS__) ? 1 : 0))
#endif
