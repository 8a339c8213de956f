#!/usr/bin/env bash
# Lays out a program folder: "system/" (the shipped data, replaced as a
# whole), "user/" and "user/nls/" (the player's own files, never touched
# when present) and "boards/" (the default boards refreshed, other boards
# kept).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dest=${1:?usage: layout.sh <program folder>}
mkdir -p "$dest"
rm -rf "$dest/system"
mkdir -p "$dest/system" "$dest/user/nls" "$dest/boards"
cp -a "$top/data/system/." "$dest/system/"
if compgen -G "$top/data/boards/*" >/dev/null; then
  cp -a "$top"/data/boards/* "$dest/boards/"
fi
