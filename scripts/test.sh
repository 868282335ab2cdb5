#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. TQ_WERROR=ON (as CI
# sets it) makes every compiler warning an error.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" -DTQ_WERROR="${TQ_WERROR:-OFF}"
ctest --test-dir "${BUILD_DIR:-$root/build}" --output-on-failure -j "${JOBS:-$(nproc)}"
