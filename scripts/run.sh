#!/usr/bin/env bash
# Installs what is missing, builds what it runs, and runs the main job: on a
# desktop (or under Xvfb) the windows; without a display, or with
# --headless, the report of this machine written by the headless program.
#   scripts/run.sh                    the windows
#   scripts/run.sh --headless [ARGS]  tallyquest-report ARGS (default: this
#                                     machine's name), the report next to it
set -euo pipefail
# Set-up and build talk on standard error: standard output is the program's
# (tallyquest-report --output - streams the report there).
exec 3>&1 1>&2
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
headless=0
if [ "${1:-}" = "--headless" ]; then headless=1; shift; fi
[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || headless=1
if [ $headless -eq 1 ]; then
  "$root/scripts/setup.sh" core linux-provider
  TARGETS=tallyquest-report "$root/scripts/build.sh"
  exec "$build/app/tallyquest-report" "${@:-$(hostname)}" 1>&3 3>&-
fi
"$root/scripts/setup.sh" core ui linux-provider
TARGETS=tallyquest "$root/scripts/build.sh"
exec "$build/app/tallyquest" 1>&3 3>&-
