#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need,
# and any further packages named as arguments (the benchmark's peers).
# Runs apt-get update (and install) only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libfltk1.3-dev libx11-dev
  libpng-dev zlib1g-dev
  libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri
  libgtest-dev googletest
  xvfb xauth x11-utils xdotool imagemagick giflib-tools
  libfreetype-dev fonts-dejavu-core
  python3
  xdg-utils
  clang libclang-rt-14-dev clang-format
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  echo "Installing: ${missing[*]}"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
