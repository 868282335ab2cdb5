#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job: a report of this
# machine, written next to the program and named after the designation.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
build=${BUILD_DIR:-$root/build}
exec "$build/app/tallyquest-report" "${@:-$(hostname)}"
