#!/usr/bin/env bash
# Lays out a program folder: "system/" (the shipped data, replaced as a
# whole), "user/" and "user/nls/" (the player's own files, never touched
# when present), "boards/" (the default boards refreshed, other boards
# kept) and the advertising module "plakard.so" (the stand-in, from the
# build folder $VURNORVEXI_BUILD_DIR, by default build/, when it is built).
# Last, the upgrades applied so far (kept in "upgrades/" under their names
# in the folder) are laid over the shipped files, so they stay in use.
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
build=${VURNORVEXI_BUILD_DIR:-$top/build}
if [ -f "$build/standin/ad-module/plakard.so" ]; then
  cp -f "$build/standin/ad-module/plakard.so" "$dest/plakard.so"
fi
if [ -d "$dest/upgrades" ]; then
  cp -a "$dest/upgrades/." "$dest/"
fi
