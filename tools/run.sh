#!/usr/bin/env bash
# Installs what is missing, builds the program, and starts it through the
# start step (tools/start.sh) in its program folder,
# $VURNORVEXI_PROGRAM_DIR, by default ~/.local/share/vurnorvexi: the
# upgrades downloaded at the last run are applied, the folder is laid out
# (the player's files in its "user/" survive), and the stand-in game server
# and web host are started unless something already listens on their ports;
# they keep running after the program ends, so further players on this
# machine meet in the same lobbies.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/deps.sh"
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build" --target vurnorvexi vurnorvexi-game-server vurnorvexi-web-server \
  vurnorvexi-apply-upgrades plakard
prog=${VURNORVEXI_PROGRAM_DIR:-$HOME/.local/share/vurnorvexi}
if [ -z "${DISPLAY:-}" ]; then
  echo "run.sh: no X display (DISPLAY is not set)." >&2
  exit 1
fi
exec "$top/tools/start.sh" "$prog" "$top/build/vurnorvexi" "$@"
