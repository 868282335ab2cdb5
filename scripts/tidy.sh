#!/usr/bin/env bash
# clang-tidy's bug checks over every source of the build (program, tests,
# benchmarks left out when not built): fails on any finding. Uses the
# compile commands of build/ (or $BUILD_DIR), configuring it when needed.
# A finding that is not a fault is silenced where it stands, with
# NOLINT(check) and the reason.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/setup.sh" tidy
[ -f "$build/compile_commands.json" ] ||
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Qt's generated sources (moc) need the build's own steps first.
cmake --build "$build" -j "${JOBS:-$(nproc)}" >/dev/null

# The bug checks that find faults; left out are the ones about style or
# likely mix-ups that this code does on purpose (swappable parameters,
# narrowing, branch clones, widening of small products, reserved names of
# the test framework's macros, exceptions a destructor may let escape,
# memchr over byte buffers taken for C strings).
checks='-*,bugprone-*'
for c in easily-swappable-parameters narrowing-conversions implicit-widening-of-multiplication-result \
  branch-clone exception-escape reserved-identifier macro-parentheses lambda-function-name \
  dynamic-static-initializers signal-handler no-escape not-null-terminated-result; do
  checks+=",-bugprone-$c"
done
sources="^$root/(wmi|report|probes|factory|platform|ui|ocs|app|tests|bench|fuzz)/"
out=$(mktemp)
trap 'rm -f "$out"' EXIT
# Findings are errors, so that a file with any makes the run fail.
# (Debian 12's run-clang-tidy takes them through -config, not a flag of its own.)
if ! run-clang-tidy -p "$build" -j "$(nproc)" -quiet -config="{Checks: '$checks', WarningsAsErrors: '*'}" \
  -header-filter="$sources" "$sources" >"$out" 2>&1; then
  sed 's/\x1b\[[0-9;]*m//g' "$out" | grep -vE '^(clang-tidy|[0-9]+ warnings? (and [0-9]+ errors? )?generated|Suppressed|Use -header-filter)'
  echo "clang-tidy: findings above" >&2
  exit 1
fi
echo "clang-tidy: no findings"
