#!/usr/bin/env bash
# Builds the fuzz targets with clang in the folder given and runs each for a
# bounded time (seconds: second argument, FUZZ_TIME, or 60). Exits non-zero
# when a target finds a crash, a leak or undefined behaviour; what it found
# is left in BUILD_DIR/artifacts.
set -euo pipefail
build=${1:?usage: fuzz/run.sh BUILD_DIR [SECONDS]}
seconds=${2:-${FUZZ_TIME:-60}}
root=$(cd "$(dirname "$0")/.." && pwd)

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTQ_FUZZ=ON -DTQ_UI=OFF -DTQ_TESTS=OFF >/dev/null
cmake --build "$build" --target wql_fuzz snapshot_fuzz -j "${JOBS:-2}"

status=0
mkdir -p "$build/artifacts"
for target in wql snapshot; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  args=(-max_total_time="$seconds" -max_len=4096 -artifact_prefix="$build/artifacts/${target}_" -print_final_stats=1)
  if [[ -f "$root/fuzz/$target.dict" ]]; then args+=(-dict="$root/fuzz/$target.dict"); fi
  echo "== ${target}_fuzz for ${seconds}s"
  if ! "$build/fuzz/${target}_fuzz" "${args[@]}" "$corpus" "$root/fuzz/corpus/$target"; then
    echo "${target}_fuzz: finding in $build/artifacts" >&2
    status=1
  fi
done
exit "$status"
