#!/usr/bin/env bash
# Formats every C++ file of the project with clang-format and the
# project's .clang-format. With --check, changes nothing and fails, naming
# the files, when one is not formatted (the test command's check).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
  clang-format --dry-run --Werror "${files[@]}"
  echo "format: ${#files[@]} files formatted as .clang-format says"
else
  clang-format -i "${files[@]}"
fi
