#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job: on a desktop (or
# under Xvfb) the windows; without a display, or with --headless, the report
# of this machine written by the headless program.
#   scripts/run.sh                 the windows
#   scripts/run.sh --headless NAME the report NAME.htm next to the program
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
build=${BUILD_DIR:-$root/build}
headless=0
if [ "${1:-}" = "--headless" ]; then headless=1; shift; fi
if [ $headless -eq 0 ] && [ -x "$build/app/tallyquest" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$build/app/tallyquest"
fi
exec "$build/app/tallyquest-report" "${@:-$(hostname)}"
