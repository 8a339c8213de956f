#!/usr/bin/env bash
# Runs a command on an X server of its own (Xvfb, Mesa's software OpenGL),
# so tests that open windows can run in parallel without seeing each other.
# -noreset: a client that leaves last (a forked test child) must not make
# the server reset under the next one.
set -u
dir=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$dir/display" 2>"$dir/log" &
xpid=$!
for _ in $(seq 200); do
  [ -s "$dir/display" ] && break
  sleep 0.05
done
if [ ! -s "$dir/display" ]; then
  echo "with-xvfb: Xvfb did not start" >&2
  cat "$dir/log" >&2
  kill "$xpid" 2>/dev/null
  rm -rf "$dir"
  exit 1
fi
export DISPLAY=":$(head -n1 "$dir/display")"
export LIBGL_ALWAYS_SOFTWARE=1
# No shader cache on disk: the tests do not depend on what ~/.cache holds,
# and no cache thread of Mesa's is still writing when a test program exits
# (under ThreadSanitizer its join at exit could hang a program that passed).
export MESA_SHADER_CACHE_DISABLE=true
"$@"
rc=$?
# The server is asked to end, and made to after 5 seconds, so a test that
# has ended never waits on it.
kill "$xpid" 2>/dev/null
(sleep 5 && kill -9 "$xpid") >/dev/null 2>&1 &
killer=$!
wait "$xpid" 2>/dev/null
kill "$killer" 2>/dev/null
wait "$killer" 2>/dev/null
rm -rf "$dir"
exit $rc
