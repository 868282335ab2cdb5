#!/usr/bin/env bash
# Installs what is missing, builds what it runs, and runs the main job: on a
# desktop (or under Xvfb) the windows; without a display, or with
# --headless, the report of this machine written by the headless program.
#   scripts/run.sh                    the windows
#   scripts/run.sh --headless [ARGS]  tallyquest-report ARGS (default: this
#                                     machine's name), the report next to it
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
headless=0
if [ "${1:-}" = "--headless" ]; then headless=1; shift; fi
[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || headless=1
if [ $headless -eq 1 ]; then
  "$root/scripts/setup.sh" core linux-provider
  TARGETS=tallyquest-report "$root/scripts/build.sh"
  exec "$build/app/tallyquest-report" "${@:-$(hostname)}"
fi
"$root/scripts/setup.sh" core ui linux-provider
TARGETS=tallyquest "$root/scripts/build.sh"
exec "$build/app/tallyquest"
