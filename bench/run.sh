#!/usr/bin/env bash
# Measures the engine and the image code against their peers: installs the
# peers (giflib and ImageMagick's MagickCore, as Debian packages; the tests
# never need them), builds the benchmark with them in a build folder of its
# own and runs it. Arguments go to the benchmark (--runs N, --only
# shot|gif|quantise, --pictures DIR).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
# The peers (giflib, ImageMagick's library) are for the benchmark only.
"$top/tools/deps.sh" libgif-dev libmagickcore-6.q16-dev

build="$top/build-bench"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVURN_TESTS=OFF -DVURN_BENCH_PEERS=ON >/dev/null
cmake --build "$build" --target speed_bench -j "${JOBS:-$(nproc)}"
exec "$build/bench/speed_bench" "$@"
