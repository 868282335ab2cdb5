#!/usr/bin/env bash
# Configures and builds into build/ (or $BUILD_DIR) with the given CMake
# options: every target, or only those TARGETS names (blank-separated).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} "$@" >/dev/null
targets=()
for t in ${TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$build" -j "${JOBS:-$(nproc)}" "${targets[@]}"
