#!/usr/bin/env bash
# Checks the layers: a source may include headers of its own folder and of
# the folders below it, never of one above, and no two modules (a header
# with its source) may need each other, directly or through others.
# Bottom up: wmi, platform, report, probes with factory, ocs, ui, app.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"
rank() {
  case $1 in
    wmi) echo 0 ;; platform) echo 1 ;; report) echo 2 ;; probes | factory) echo 3 ;;
    ocs) echo 4 ;; ui) echo 5 ;; app) echo 6 ;; *) echo -1 ;;
  esac
}
status=0
edges=$(mktemp)
trap 'rm -f "$edges"' EXIT
while IFS=: read -r file inc; do
  from=${file%%/*} to=${inc%%/*}
  if [ "$(rank "$to")" -gt "$(rank "$from")" ]; then
    echo "$file includes $inc, a folder above its own" >&2
    status=1
  fi
  [ "${file%.*}" = "${inc%.*}" ] || echo "${file%.*} ${inc%.*}" >>"$edges"
done < <(grep -rHo --include='*.cpp' --include='*.h' '^#include "[^"]*/[^"]*"' \
  wmi platform report probes factory ocs ui app | sed 's/#include "\(.*\)"/\1/')
if ! tsort "$edges" >/dev/null 2>"$edges.err"; then
  echo "modules that include each other, directly or through others:" >&2
  grep -v 'input contains a loop' "$edges.err" | sed 's/^tsort: /  /' >&2
  status=1
fi
rm -f "$edges.err"
exit $status
