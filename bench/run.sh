#!/usr/bin/env bash
# Measures the engine and the image code against their peers: installs the
# peers (giflib and ImageMagick's MagickCore, as Debian packages; the tests
# never need them), builds the benchmark with them in a build folder of its
# own and runs it. Arguments go to the benchmark (--runs N, --only
# shot|gif|quantise, --pictures DIR).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/deps.sh"

peers=(libgif-dev libmagickcore-6.q16-dev)
missing=()
for p in "${peers[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  echo "Installing the benchmark's peers: ${missing[*]}"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

build="$top/build-bench"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVURN_TESTS=OFF -DVURN_BENCH_PEERS=ON >/dev/null
cmake --build "$build" --target speed_bench -j "${JOBS:-$(nproc)}"
exec "$build/bench/speed_bench" "$@"
