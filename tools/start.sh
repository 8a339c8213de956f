#!/usr/bin/env bash
# The run command's start step: makes a program folder ready and starts
# the program in it.
#   start.sh <program folder> [<program> [<argument>...]]
# 1. Applies the upgrades that the program downloaded at its last run (the
#    files listed in system/gzlist), before anything else touches the folder;
#    without the applier built they wait, kept by the layout, and it says so.
# 2. Lays out the folder (tools/layout.sh); applied upgrades stay in use.
# 3. Starts the stand-in game server and the stand-in web host of the Help
#    menu's pages, each only when its host is this machine and nothing
#    listens on its port yet, in the background (output in <name>.log,
#    process id in <name>.pid, both in the program folder). They keep
#    running after the program ends.
# 4. Runs the program in the folder, when one is given, pointed at the web
#    host: a web host on this machine without a port of its own
#    (VURNORVEXI_WEB_PORT) gets the stand-in's port, 2080, since port 80
#    needs privileges.
# The programs come from the build folder $VURNORVEXI_BUILD_DIR (build/).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
prog=${1:?usage: start.sh <program folder> [<program> [<argument>...]]}
shift
build=${VURNORVEXI_BUILD_DIR:-$top/build}
mkdir -p "$prog"

apply=$build/tools/start/vurnorvexi-apply-upgrades
if [ -x "$apply" ]; then
  "$apply" "$prog" || echo "start.sh: some upgrades were not applied (see above)" >&2
elif [ -s "$prog/system/gzlist" ]; then
  echo "start.sh: $apply is not built; the downloaded upgrades in system/gzlist wait for the next start" >&2
fi
"$top/tools/layout.sh" "$prog"

on_this_machine() { case "$1" in 127.*|localhost) return 0 ;; esac; return 1; }
listening() { (exec 3<>"/dev/tcp/$1/$2") 2>/dev/null; }
# start_standin NAME HOST PORT PROGRAM [ARGUMENT...]
start_standin() {
  local name=$1 host=$2 port=$3
  shift 3
  if listening "$host" "$port"; then
    echo "start.sh: a $name already listens on $host:$port"
    return 0
  fi
  if [ ! -x "$1" ]; then
    echo "start.sh: $1 is not built; no $name started" >&2
    return 0
  fi
  nohup "$@" >"$prog/$name.log" 2>&1 </dev/null &
  echo $! >"$prog/$name.pid"
  for _ in $(seq 50); do listening "$host" "$port" && return 0; sleep 0.1; done
  echo "start.sh: the $name did not start; see $prog/$name.log" >&2
}
bind_address() { if [ "$1" = localhost ]; then echo 127.0.0.1; else echo "$1"; fi; }

# The game server takes its ports from the same VURNORVEXI_GAME_PORT_*
# variables as the program.
game_host=${VURNORVEXI_GAME_HOST:-127.0.0.1}
if on_this_machine "$game_host"; then
  start_standin game-server "$game_host" "${VURNORVEXI_GAME_PORT_KV:-2004}" \
    "$build/standin/game-server/vurnorvexi-game-server" --bind "$(bind_address "$game_host")"
fi

# The web host may carry its own port ("127.0.0.1:2500").
web_host=${VURNORVEXI_WEB_HOST:-127.0.0.1}
web_port=${VURNORVEXI_WEB_PORT:-}
case "$web_host" in
  *:*) web_port=${web_host##*:} web_host=${web_host%:*} ;;
esac
if on_this_machine "$web_host"; then
  if [ -z "$web_port" ]; then
    web_port=2080
    export VURNORVEXI_WEB_PORT=$web_port
  fi
  start_standin web-server "$web_host" "$web_port" \
    "$build/standin/web-server/vurnorvexi-web-server" --bind "$(bind_address "$web_host")" \
    --port "$web_port" --root "$top/data/system/docs/vurnorvex"
fi

if [ $# -gt 0 ]; then
  cd "$prog"
  exec "$@"
fi
