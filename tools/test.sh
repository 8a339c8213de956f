#!/usr/bin/env bash
# Installs what is missing, checks the layout of the C++ files, then builds
# and runs every test: the unit tests, the window tests (each on a private
# Xvfb with Mesa's software OpenGL) and every test binary as a whole (its
# tests in one process, shuffled); then, in an AddressSanitizer +
# UndefinedBehaviorSanitizer build of every target (the program and the
# stand-in advertising module included), the unit tests again and the
# window tests of the whole program; the tests of every area with threads
# of its own under ThreadSanitizer; and every fuzz entry over its stored
# corpus (a regression run, built with clang). The build of each next
# stage runs beside the tests of the one before. Exits non-zero on any
# failure.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
"$top/tools/deps.sh"

# Every C++ file is laid out as .clang-format says (a dry run).
"$top/tools/format.sh" --check

# The test stages wait on windows, timers and sockets most of the time and
# leave most cores idle, so the later stages' builds run beside them at a
# low priority (the tests keep the machine when they need it): the
# sanitizer build (nice 10) and, behind it, the ThreadSanitizer and fuzz
# builds (nice 19). A build beside writes its output to a log in its build
# folder, shown when it fails.
declare -A beside_pid beside_log
trap 'for p in "${beside_pid[@]}"; do kill -- "-$p" 2>/dev/null; done; true' EXIT
start_beside() {
  local name=$1 niceness=$2 log=$3
  shift 3
  mkdir -p "$(dirname "$log")"
  set -m
  (nice -n "$niceness" "$@") >"$log" 2>&1 &
  beside_pid[$name]=$!
  set +m
  beside_log[$name]=$log
}
finish_beside() {
  local name=$1 rc=0
  wait "${beside_pid[$name]}" || rc=$?
  unset "beside_pid[$name]"
  if [ "$rc" -ne 0 ]; then
    cat "${beside_log[$name]}"
    echo "the $name build beside the tests failed (exit $rc): ${beside_log[$name]}" >&2
    exit "$rc"
  fi
  tail -n 1 "${beside_log[$name]}"
}

cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$top/build" -j "$jobs"
cmake -S "$top" -B "$top/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVURN_SANITIZE=ON >/dev/null
cmake -S "$top" -B "$top/build-tsan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVURN_TSAN=ON >/dev/null

# The unit tests, the window tests, and every test binary once more as a
# whole ("whole": all its tests in one process, in a shuffled order, so
# that what one test leaves behind cannot fail another), in one run so the
# long binaries overlap the many short tests. The games played end to end
# and the loops that close the whole program run here inside their
# binaries' whole runs only; one by one they run in the sanitizer build.
start_beside sanitizer 10 "$top/build-asan/beside.log" cmake --build "$top/build-asan" -j "$jobs"
start_beside thread-sanitizer 19 "$top/build-tsan/beside.log" bash -c \
  'cmake --build "$1/build-tsan" -j "$2" --target vurn_threaded_tests && "$1/tools/fuzz.sh" --build-only' \
  build-beside "$top" "$jobs"
(cd "$top/build" && ctest -L 'unit|gui|whole' -E '^(EndToEnd|ClosingTheProgram|ClosingDuringADownload)\.' \
   -j "$jobs" --output-on-failure --no-tests=ignore)
finish_beside sanitizer

# The sanitizer build: the unit tests, and the window tests labelled
# "sanitized", which start the whole program or load the advertising
# module (the games end to end, the closing loops, the upgrade window, the
# advertising panel, the run command), in one run so they overlap. Every
# report fails: AddressSanitizer and UndefinedBehaviorSanitizer (built
# without recovery) stop the process at the first fault, LeakSanitizer
# fails its exit, and the window tests check the programs' exit status and
# look for reports in their output.
(cd "$top/build-asan" && ASAN_OPTIONS=detect_leaks=1:halt_on_error=1 \
   UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
   ctest -L 'unit|sanitized' -j "$jobs" --output-on-failure)
finish_beside thread-sanitizer

# Every area that runs work on threads of its own (labelled "threads").
# Mesa's software renderer runs on the drawing thread (LP_NUM_THREADS=0):
# its own worker threads are not instrumented and would be reported.
(cd "$top/build-tsan" && LP_NUM_THREADS=0 TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
   ctest -L threads -j "$jobs" --output-on-failure)

# Every fuzz entry over its stored corpus and the shipped data.
"$top/tools/fuzz.sh"
echo "all tests passed"
