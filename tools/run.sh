#!/usr/bin/env bash
# Installs what is missing, builds the program, lays out its program folder
# and starts it there. The folder is $VURNORVEXI_PROGRAM_DIR, by default
# ~/.local/share/vurnorvexi; the player's files in its "user/" survive.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/deps.sh"
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build" --target vurnorvexi
prog=${VURNORVEXI_PROGRAM_DIR:-$HOME/.local/share/vurnorvexi}
"$top/tools/layout.sh" "$prog"
if [ -z "${DISPLAY:-}" ]; then
  echo "run.sh: no X display (DISPLAY is not set)." >&2
  exit 1
fi
cd "$prog"
exec "$top/build/vurnorvexi" "$@"
