#!/usr/bin/env bash
# The fuzz entries of fuzz/: builds them with clang (libFuzzer's coverage,
# AddressSanitizer, UndefinedBehaviorSanitizer) in build-fuzz, then
#   tools/fuzz.sh                     runs every entry once over its stored
#                                     corpus and the shipped data (a
#                                     regression run of seconds);
#   tools/fuzz.sh --minutes N [entry] runs a campaign of N minutes per entry
#                                     (or the ones named), adding what it
#                                     finds to fuzz/corpus/<entry>/ and
#                                     keeping there only the inputs that
#                                     add coverage;
#   tools/fuzz.sh --build-only        builds them and runs nothing.
# Without a compiler that offers -fsanitize=fuzzer it says so and does
# nothing. Exits non-zero when an entry finds a fault; the input that shows
# it is left in build-fuzz/findings/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
minutes=0
build_only=0
if [ "${1:-}" = "--build-only" ]; then
  build_only=1
  shift
fi
if [ "${1:-}" = "--minutes" ]; then
  minutes=$2
  shift 2
fi

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: no clang++ on this machine; the fuzz entries are not built"
  exit 0
fi
cmake -S "$top" -B "$top/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVURN_FUZZ=ON -DVURN_TESTS=OFF \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
if ! grep -q '^VURN_HAVE_LIBFUZZER:INTERNAL=1' "$top/build-fuzz/CMakeCache.txt"; then
  echo "fuzz: the compiler does not offer -fsanitize=fuzzer; the fuzz entries are not built"
  exit 0
fi
cmake --build "$top/build-fuzz" -j "$jobs" --target vurn_fuzzers
if [ "$build_only" -eq 1 ]; then exit 0; fi

# The shipped data each entry starts from besides its own corpus (and, where
# no shipped file holds what an entry reads, the seeds of fuzz/seeds/).
shipped() {
  case "$1" in
    board) echo "$top/data/boards" ;;
    options) echo "$top/data/system/options_vurn.gkv" ;;
    language) echo "$top/data/system/nls/EN" ;;
    formats) echo "$top/data/system/mformats" ;;
    png) echo "$top/data/system/fonts/text1i.dat" ;;
    html) echo "$top"/data/system/docs/vurnorvex/*.html ;;
    upgradelist) echo "$top/fuzz/seeds/upgradelist" ;;
    icon) echo "$top/data/system/icons/vurn.asc" "$top/data/system/sactions/upgrade.gkv" ;;
  esac
}

entries=("$@")
if [ ${#entries[@]} -eq 0 ]; then
  for f in "$top"/fuzz/*_fuzz.cpp; do
    n=$(basename "$f" _fuzz.cpp)
    entries+=("$n")
  done
fi

# A picture or reply the program would decode into hundreds of megabytes is
# a finding, as is a crash.
limits=(-malloc_limit_mb=512 -rss_limit_mb=2048)
findings="$top/build-fuzz/findings"
mkdir -p "$findings"
export ASAN_OPTIONS=detect_leaks=1
# The entries' program folders (and the data they write on every input)
# live in memory where the machine offers it: a disk sync per written file
# would bound a run, not the code under test.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
export UBSAN_OPTIONS=print_stacktrace=1
status=0
if [ "$minutes" -gt 0 ]; then
  for entry in "${entries[@]}"; do
    fuzzer="$top/build-fuzz/fuzz/${entry}_fuzz"
    corpus="$top/fuzz/corpus/$entry"
    mkdir -p "$corpus"
    seeds=$(mktemp -d)
    for s in $(shipped "$entry"); do cp -r "$s" "$seeds/"; done
    # New finds go to the first folder: the stored corpus.
    "$fuzzer" "${limits[@]}" -artifact_prefix="$findings/$entry-" -max_total_time=$((minutes * 60)) \
      -print_final_stats=1 "$corpus" "$seeds" || status=1
    # Only the inputs that add coverage stay: the regression run stays short.
    kept=$(mktemp -d)
    "$fuzzer" "${limits[@]}" -merge=1 "$kept" "$corpus" >/dev/null 2>&1 && rm -rf "$corpus" && mv "$kept" "$corpus"
    rm -rf "$kept" "$seeds"
  done
  exit $status
fi

# The regression run: every input of every entry once, in pieces of at
# most 40 inputs run side by side on every core, so the slowest entry's
# corpus does not set the length of the whole run.
work=$(mktemp -d)
runPiece() {
  local entry=$1 piece=$2
  local files
  mapfile -t files <"$piece"
  "$top/build-fuzz/fuzz/${entry}_fuzz" "${limits[@]}" -artifact_prefix="$findings/$entry-" "${files[@]}" \
    >"$piece.log" 2>&1 || touch "$piece.failed"
}
for entry in "${entries[@]}"; do
  mkdir -p "$work/$entry" "$top/fuzz/corpus/$entry"
  # shellcheck disable=SC2046
  find "$top/fuzz/corpus/$entry" $(shipped "$entry") -type f | sort >"$work/$entry/inputs"
  split -l 40 -d -a 4 "$work/$entry/inputs" "$work/$entry/piece."
  for piece in "$work/$entry"/piece.*; do
    [ -e "$piece" ] || continue
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
    runPiece "$entry" "$piece" &
  done
done
wait
for entry in "${entries[@]}"; do
  failed=("$work/$entry"/piece.*.failed)
  if [ -e "${failed[0]}" ]; then
    echo "fuzz $entry: FAULT"
    tail -40 "${failed[0]%.failed}.log"
    status=1
  else
    echo "fuzz $entry: $(wc -l <"$work/$entry/inputs") inputs, no fault"
  fi
done
rm -rf "$work"
exit $status
