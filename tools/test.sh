#!/usr/bin/env bash
# Installs what is missing, checks the layout of the C++ files, then builds
# and runs every test: the unit tests,
# the window tests (each on a private Xvfb with Mesa's software OpenGL),
# every test binary as a whole (its tests in one process, shuffled), and
# the unit tests again in an AddressSanitizer + UndefinedBehaviorSanitizer
# build, the tests of every area with threads of its own under
# ThreadSanitizer, and every fuzz entry over its stored corpus (a regression
# run, built with clang). Exits non-zero on any failure.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
"$top/tools/deps.sh"

# Every C++ file is laid out as .clang-format says (a dry run).
"$top/tools/format.sh" --check

cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$top/build" -j "$jobs"
(cd "$top/build" && ctest -L unit -j "$jobs" --output-on-failure)
# The window tests, and every test binary once more as a whole ("whole":
# all its tests in one process, in a shuffled order, so that what one test
# leaves behind cannot fail another), in one run so the long binaries
# overlap the many short window tests.
(cd "$top/build" && ctest -L 'gui|whole' -j "$jobs" --output-on-failure --no-tests=ignore)

cmake -S "$top" -B "$top/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVURN_SANITIZE=ON
cmake --build "$top/build-asan" -j "$jobs"
(cd "$top/build-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
   ctest -L unit -j "$jobs" --output-on-failure)

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
