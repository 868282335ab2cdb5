#!/usr/bin/env bash
# A whole report of this machine through the Linux provider, side by side
# with `lshw -html` on the same machine: median wall time and peak memory of
# each. Fails when either figure of the report exceeds a quarter of lshw's.
# usage: bench/provider/run.sh [BUILD_DIR] [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build-bench}
runs=${2:-11}
command -v lshw >/dev/null || { echo "lshw is not installed (scripts/packages/linux-provider.txt)"; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is needed for peak memory"; exit 2; }

cmake -S "$root" -B "$build" -G Ninja -DTQ_UI=OFF -DTQ_TESTS=OFF -DCMAKE_BUILD_TYPE=Release \
  -DTQ_STATIC=ON >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target tallyquest-report >/dev/null
program="$build/app/tallyquest-report"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One timed run: prints "seconds kilobytes".
measure() {
  /usr/bin/time -o "$work/t" -f "%e %M" "$@" >/dev/null 2>&1 || true
  cat "$work/t"
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

: >"$work/ours"; : >"$work/lshw"
for _ in $(seq "$runs"); do
  measure "$program" --folder "$work" benchmark >>"$work/ours"
  measure lshw -html >>"$work/lshw"
done
[ -s "$work/benchmark.htm" ] || { echo "the report was not written"; exit 1; }

ours_t=$(cut -d' ' -f1 "$work/ours" | median); ours_m=$(cut -d' ' -f2 "$work/ours" | median)
lshw_t=$(cut -d' ' -f1 "$work/lshw" | median); lshw_m=$(cut -d' ' -f2 "$work/lshw" | median)
echo "measured: a whole report (tallyquest-report), $runs runs each"
printf '%-22s %10s %12s\n' "" "median s" "peak KB"
printf '%-22s %10s %12s\n' "tallyquest report" "$ours_t" "$ours_m" "lshw -html" "$lshw_t" "$lshw_m"
awk -v a="$ours_t" -v b="$lshw_t" -v c="$ours_m" -v d="$lshw_m" 'BEGIN {
  printf "ratios: time %.2f, memory %.2f (limit 0.25 each)\n", (b > 0 ? a / b : 0), c / d
  exit !((b == 0 || a <= b / 4) && c <= d / 4)
}'
