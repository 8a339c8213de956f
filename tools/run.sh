#!/usr/bin/env bash
# Installs what is missing, builds the program, lays out its program folder
# and starts it there. The folder is $VURNORVEXI_PROGRAM_DIR, by default
# ~/.local/share/vurnorvexi; the player's files in its "user/" survive.
# Unless a game server already listens on the configured port, the stand-in
# game server is started first, in the background; it keeps running after
# the program ends, so further players on this machine meet in its lobbies.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/deps.sh"
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build" --target vurnorvexi vurnorvexi-game-server plakard
prog=${VURNORVEXI_PROGRAM_DIR:-$HOME/.local/share/vurnorvexi}
"$top/tools/layout.sh" "$prog"
if [ -z "${DISPLAY:-}" ]; then
  echo "run.sh: no X display (DISPLAY is not set)." >&2
  exit 1
fi

# The stand-in game server, for a server host on this machine. It takes its
# ports from the same VURNORVEXI_GAME_PORT_* variables as the program.
host=${VURNORVEXI_GAME_HOST:-127.0.0.1}
port=${VURNORVEXI_GAME_PORT_KV:-2004}
listening() { (exec 3<>"/dev/tcp/$host/$port") 2>/dev/null; }
case "$host" in
  127.*|localhost)
    if listening; then
      echo "run.sh: a game server already listens on $host:$port"
    else
      bind=$host
      [ "$host" = localhost ] && bind=127.0.0.1
      nohup "$top/build/standin/game-server/vurnorvexi-game-server" --bind "$bind" \
        >"$prog/game-server.log" 2>&1 </dev/null &
      echo $! >"$prog/game-server.pid"
      for _ in $(seq 50); do listening && break; sleep 0.1; done
      listening || echo "run.sh: the game server did not start; see $prog/game-server.log" >&2
    fi
    ;;
esac

cd "$prog"
exec "$top/build/vurnorvexi" "$@"
