#!/usr/bin/env bash
# Lays out a program folder: "system/" (the shipped data, replaced as a
# whole), "user/" and "user/nls/" (the player's own files, never touched
# when present), "boards/" (the default boards refreshed, other boards
# kept) and the advertising module "plakard.so" (the stand-in, from the
# build folder $VURNORVEXI_BUILD_DIR, by default build/, when it is built).
# Last, the upgrades applied so far (kept in "upgrades/" under their names
# in the folder) are laid over the shipped files, so they stay in use.
# Downloaded upgrades not yet applied (system/gzlist and the stored files
# it names below system/) are kept through the replacement of system/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dest=${1:?usage: layout.sh <program folder>}
mkdir -p "$dest"

held=$dest/.held-upgrades
listed=$held.list
restore_held() {
  if [ -d "$held" ]; then
    cp -a "$held/." "$dest/"
    rm -rf "$held"
  fi
}
restore_held  # from a layout that was cut short
if [ -s "$dest/system/gzlist" ] && [ ! -L "$dest/system/gzlist" ] && [ ! -L "$dest/system" ]; then
  mkdir -p "$held/system"
  # The listed names in one spelling ("./system/a.gz", "system//a.gz").
  sed -e 's/\r$//' -e 's#//*#/#g' -e ':a' -e 's#\(^\|/\)\./#\1#' -e 'ta' "$dest/system/gzlist" >"$listed"
  # find follows no symbolic link: only files that lie in system/ itself.
  (cd "$dest" && find system -type f -name '*.gz' -print0) | while IFS= read -r -d '' stored; do
    case $stored in *[[:cntrl:]]*) continue ;; esac
    if grep -aqxF -- "$stored" "$listed"; then
      mkdir -p "$held/$(dirname "$stored")"
      mv -- "$dest/$stored" "$held/$stored"
    fi
  done
  rm -f "$listed"
  mv -- "$dest/system/gzlist" "$held/system/gzlist"
fi
rm -rf "$dest/system"
mkdir -p "$dest/system" "$dest/user/nls" "$dest/boards"
cp -a "$top/data/system/." "$dest/system/"
restore_held
if compgen -G "$top/data/boards/*" >/dev/null; then
  cp -a "$top"/data/boards/* "$dest/boards/"
fi
build=${VURNORVEXI_BUILD_DIR:-$top/build}
if [ -f "$build/standin/ad-module/plakard.so" ]; then
  cp -f "$build/standin/ad-module/plakard.so" "$dest/plakard.so"
fi
# Plain files only, never an unfinished one of a killed run
# ("<name>.tmp-<process>-<n>"), one below upgrades/user/ (the player's own
# files are never laid over) or the list of upgrades.
if [ -d "$dest/upgrades" ] && [ ! -L "$dest/upgrades" ]; then
  (cd "$dest/upgrades" &&
    find . \( -path ./user -o -path ./system/gzlist \) -prune -o \
      -type f ! -regex '.*\.tmp-[0-9]+-[0-9]+' -print0 |
    xargs -0 -r cp -a --parents -t "$dest" --)
fi
