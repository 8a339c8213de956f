#!/usr/bin/env bash
# Installs what is missing, checks the layout of the C++ files, then builds
# and runs every test: the unit tests, the window tests (each on a private
# Xvfb with Mesa's software OpenGL) and every test binary as a whole (its
# tests in one process, shuffled); then, in an AddressSanitizer +
# UndefinedBehaviorSanitizer build of every target (the program and the
# stand-in advertising module included), the unit tests again and the
# window tests of the whole program; the tests of every area with threads
# of its own under ThreadSanitizer; and every fuzz entry over its stored
# corpus (a regression run, built with clang). Exits non-zero on any
# failure.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
"$top/tools/deps.sh"

# Every C++ file is laid out as .clang-format says (a dry run).
"$top/tools/format.sh" --check

cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$top/build" -j "$jobs"
# The unit tests, the window tests, and every test binary once more as a
# whole ("whole": all its tests in one process, in a shuffled order, so
# that what one test leaves behind cannot fail another), in one run so the
# long binaries overlap the many short tests. The games played end to end
# and the loops that close the whole program run here inside their
# binaries' whole runs only; one by one they run in the sanitizer build.
(cd "$top/build" && ctest -L 'unit|gui|whole' -E '^(EndToEnd|ClosingTheProgram|ClosingDuringADownload)\.' \
   -j "$jobs" --output-on-failure --no-tests=ignore)

# The sanitizer build: the unit tests, and the window tests labelled
# "sanitized", which start the whole program or load the advertising
# module (the games end to end, the closing loops, the upgrade window, the
# advertising panel, the run command), in one run so they overlap. Every
# report fails: AddressSanitizer and UndefinedBehaviorSanitizer (built
# without recovery) stop the process at the first fault, LeakSanitizer
# fails its exit, and the window tests check the programs' exit status and
# look for reports in their output.
cmake -S "$top" -B "$top/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVURN_SANITIZE=ON
cmake --build "$top/build-asan" -j "$jobs"
(cd "$top/build-asan" && ASAN_OPTIONS=detect_leaks=1:halt_on_error=1 \
   UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
   ctest -L 'unit|sanitized' -j "$jobs" --output-on-failure)

# Every area that runs work on threads of its own (labelled "threads").
cmake -S "$top" -B "$top/build-tsan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVURN_TSAN=ON
cmake --build "$top/build-tsan" -j "$jobs" --target vurn_threaded_tests
# Mesa's software renderer runs on the drawing thread (LP_NUM_THREADS=0):
# its own worker threads are not instrumented and would be reported.
(cd "$top/build-tsan" && LP_NUM_THREADS=0 TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
   ctest -L threads -j "$jobs" --output-on-failure)

# Every fuzz entry over its stored corpus and the shipped data.
"$top/tools/fuzz.sh"
echo "all tests passed"
