#!/usr/bin/env bash
# Formats every C++ source the way .clang-format says; with --check, changes
# nothing and fails, naming the files that are not formatted.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
command -v clang-format >/dev/null || "$root/scripts/setup.sh" tidy
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = --check ]; then
  bad=$(for f in "${files[@]}"; do clang-format "$f" | cmp -s - "$f" || echo "$f"; done)
  if [ -n "$bad" ]; then
    printf 'not formatted (scripts/format.sh formats them):\n%s\n' "$bad" >&2
    exit 1
  fi
  echo "clang-format: every source formatted"
else
  clang-format -i "${files[@]}"
fi
