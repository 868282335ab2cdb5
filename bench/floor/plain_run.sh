#!/usr/bin/env bash
# A plain report run of this machine measured against the least work its
# facts need: the instructions it executes (callgrind) and how often it
# opens any one file (strace). Prints both; fails when the run takes more
# than 6.5 million instructions or opens a file more than twice.
# usage: bench/floor/plain_run.sh [PROGRAM]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
program=${1:-$root/build/app/tallyquest-report}
[ -x "$program" ] || { echo "no $program (build the tallyquest-report target first)"; exit 2; }
for tool in valgrind strace; do
  command -v $tool >/dev/null || { echo "$tool is needed (apt-get install $tool)"; exit 2; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

valgrind --tool=callgrind --callgrind-out-file="$work/cg" "$program" --folder "$work" plain \
  >/dev/null 2>"$work/cg.log"
instructions=$(sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$work/cg.log")

strace -f -qq -e trace=openat,open -o "$work/trace" "$program" --folder "$work" traced >/dev/null 2>&1
# Successful opens only, counted per name.
read -r opens name < <(grep -v ' = -1 ' "$work/trace" | grep -o '"[^"]*"' | sort | uniq -c | sort -rn | head -1)

ok=0
printf 'instructions of a plain run: %s (target at most 6500000)\n' "$instructions"
[ "$instructions" -le 6500000 ] || ok=1
printf 'most opens of one file: %s, %s (target at most 2)\n' "$opens" "$name"
[ "$opens" -le 2 ] || ok=1
exit $ok
