#!/usr/bin/env bash
# The inventory client against a real OCS Inventory NG server on 127.0.0.1
# (set up by scripts/ocs-server.sh): a recorded machine's inventory is sent
# twice and must be in the server's database once, with its sections; then
# this machine's own inventory is sent. Usage: ocs-server-test.sh [tallyquest-report]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
report=$(realpath "${1:-$root/build/app/tallyquest-report}")
start=$(date +%s)
url=http://127.0.0.1/ocsinventory

# The services it starts must not inherit the caller's lock (flock's open
# file when run under flock): they would hold it for as long as they run.
( for fd in /proc/self/fd/*; do fd=${fd##*/}; [ "$fd" -gt 2 ] && [ "$fd" -ne 255 ] && eval "exec $fd>&-"; done
  exec bash "$here/ocs-server.sh" )

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_STATE_HOME=$work/state
mkdir -p "$work/out"
# A name of its own for this run, so that earlier runs' machines do not count.
name="TQ-CI-$(date +%s)-$$"
sed "s/\"WS-0815\"/\"$name\"/" "$root/tests/data/realistic-machine.json" > "$work/machine.json"
grep -q "$name" "$work/machine.json"

for round in 1 2; do
  "$report" --snapshot "$work/machine.json" --folder "$work/out" --server "$url" PC-CI >/dev/null 2>"$work/err" ||
    { cat "$work/err"; echo "send $round failed"; exit 1; }
done

sql() { mysql -N -B ocsweb -e "$1"; }
fail=0
check() {  # check WHAT QUERY EXPECTED-CONDITION
  local got
  got=$(sql "$2")
  if eval "[ \"\$got\" $3 ]"; then echo "ok   $1: $got"; else echo "FAIL $1: $got (wanted $3)"; fail=1; fi
}
check "machines named $name" "SELECT COUNT(*) FROM hardware WHERE NAME='$name'" "= 1"
id=$(sql "SELECT ID FROM hardware WHERE NAME='$name' LIMIT 1")
deviceid=$(cat "$XDG_STATE_HOME"/tallyquest/ocs-*.deviceid)
check "device id" "SELECT DEVICEID FROM hardware WHERE ID=${id:-0}" "= \"$deviceid\""
check "user agent" "SELECT USERAGENT FROM hardware WHERE ID=${id:-0}" "= \"$("$report" --version | sed 's/tallyquest-report /Tallyquest_v/')\""
check "operating system" "SELECT OSNAME FROM hardware WHERE ID=${id:-0}" "= 'Microsoft Windows 10 Pro'"
check "memory (MB)" "SELECT MEMORY FROM hardware WHERE ID=${id:-0}" "-gt 0"
check "tag" "SELECT TAG FROM accountinfo WHERE HARDWARE_ID=${id:-0}" "= PC-CI"
check "BIOS" "SELECT CONCAT(BMANUFACTURER, ' / ', BVERSION, ' / ', MMODEL) FROM bios WHERE HARDWARE_ID=${id:-0}" "!= ''"
for table in cpus memories storages drives videos sounds inputs slots controllers software; do
  check "$table" "SELECT COUNT(*) FROM $table WHERE HARDWARE_ID=${id:-0}" "-gt 0"
done
check "MAC addresses" "SELECT GROUP_CONCAT(MACADDR ORDER BY MACADDR) FROM networks WHERE HARDWARE_ID=${id:-0}" \
  "= '70:C9:4E:12:34:56,B4:2E:99:3A:4F:5C'"
check "memory modules (MB)" "SELECT GROUP_CONCAT(CAPACITY) FROM memories WHERE HARDWARE_ID=${id:-0}" "= '8192,8192'"

# An inventory file, imported by the server's own injector.
injected="TQ-FILE-$(date +%s)-$$"
sed "s/\"WS-0815\"/\"$injected\"/" "$root/tests/data/realistic-machine.json" > "$work/file-machine.json"
rm -rf "$XDG_STATE_HOME"
"$report" --snapshot "$work/file-machine.json" --folder "$work/out" --ocs-file "$work/inventory.xml" PC-FILE \
  >/dev/null 2>"$work/err" || { cat "$work/err"; echo "writing the inventory file failed"; exit 1; }
perl /usr/share/ocsinventory-server/binutils/ocsinventory-injector.pl -f "$work/inventory.xml" -u "$url" \
  >"$work/inject.txt" 2>&1 || { cat "$work/inject.txt"; echo "the injector failed"; exit 1; }
check "injected file" "SELECT COUNT(*) FROM hardware WHERE NAME='$injected'" "= 1"
check "injected file's disks" \
  "SELECT COUNT(*) FROM storages s JOIN hardware h ON h.ID=s.HARDWARE_ID WHERE h.NAME='$injected'" "-gt 0"

# This machine, read by the Linux provider.
rm -rf "$XDG_STATE_HOME"
"$report" --folder "$work/out" --server "$url" PC-SELF >/dev/null 2>"$work/err" ||
  { cat "$work/err"; echo "sending this machine failed"; exit 1; }
self=$(cat "$XDG_STATE_HOME"/tallyquest/ocs-*.deviceid)
check "this machine" "SELECT COUNT(*) FROM hardware WHERE DEVICEID='$self'" "= 1"
check "this machine's processors" \
  "SELECT COUNT(*) FROM cpus c JOIN hardware h ON h.ID=c.HARDWARE_ID WHERE h.DEVICEID='$self'" "-gt 0"

# --- machines sharing one state folder ----------------------------------------
# Two recorded machines (other name, UUID and serial number) sent from one
# state folder, as from an operator's stick, are two machines on the server;
# each sent again stays one.
shared_state_folder() {
  local state=$work/shared-state prefix="TQ-SHARED-$(date +%s)-$$" m round
  for m in A B; do
    sed -e "s/\"WS-0815\"/\"$prefix-$m\"/" \
        -e "s/\"IdentifyingNumber\": \"Default string\"/\"IdentifyingNumber\": \"SN-$m\", \"UUID\": \"0000000$m-1111-2222-3333-444444444444\"/" \
        "$root/tests/data/realistic-machine.json" > "$work/shared-$m.json"
    grep -q "SN-$m" "$work/shared-$m.json"
  done
  for round in 1 2; do
    for m in A B; do
      XDG_STATE_HOME=$state "$report" --snapshot "$work/shared-$m.json" --folder "$work/out" --server "$url" PC-SHARED \
        >/dev/null 2>"$work/err" || { cat "$work/err"; echo "FAIL shared state folder: send $m/$round"; fail=1; }
    done
  done
  check "shared state folder: machines" "SELECT COUNT(*) FROM hardware WHERE NAME LIKE '$prefix-%'" "= 2"
  check "shared state folder: distinct device ids" \
    "SELECT COUNT(DISTINCT DEVICEID) FROM hardware WHERE NAME LIKE '$prefix-%'" "= 2"
  check "shared state folder: serials" \
    "SELECT GROUP_CONCAT(b.SSN ORDER BY b.SSN) FROM bios b JOIN hardware h ON h.ID=b.HARDWARE_ID
      WHERE h.NAME LIKE '$prefix-%'" "= 'SN-A,SN-B'"
  check "shared state folder: device id files" "SELECT $(find "$state/tallyquest" -name 'ocs-*.deviceid' | wc -l)" "= 2"
}
shared_state_folder

echo "real-server test in $(( $(date +%s) - start )) s"
exit $fail
