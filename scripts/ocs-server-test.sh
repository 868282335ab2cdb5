#!/usr/bin/env bash
# The inventory client against a real OCS Inventory NG server on 127.0.0.1
# (set up by scripts/ocs-server.sh): a recorded machine's inventory is sent
# twice and written as a file for the injector, and must be in the server's
# database once, with its sections; then this machine's own inventory is sent,
# by Tallyquest and by OCS's own agent, with a table of the fields each
# filled. Usage: ocs-server-test.sh [tallyquest-report]
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
# Not the machine's own state folder, should the package be installed.
export TALLYQUEST_SYSTEM_STATE=$work/no-system-state
mkdir -p "$work/out"
# The recorded machine with its IP configuration and programs, under a name of
# its own for this run, so that earlier runs' machines do not count.
name="TQ-CI-$(date +%s)-$$"
# It is a laptop: monitors, printers, USB devices, a battery, its user.
python3 -c 'import json, sys
machine = json.load(open(sys.argv[1]))
machine.update(json.load(open(sys.argv[2])))
for cls, objects in json.load(open(sys.argv[3])).items():
    if cls == "Win32_ComputerSystem":
        machine[cls][0]["UserName"] = objects[0]["UserName"]
    elif cls == "Win32_PnPEntity":
        machine[cls] = machine.get(cls, []) + objects
    else:
        machine[cls] = objects
json.dump(machine, sys.stdout)' "$root/tests/data/realistic-machine.json" "$root/tests/data/realistic-network.json" \
  "$root/tests/data/windows-laptop-assets.json" |
  sed "s/\"WS-0815\"/\"$name\"/" > "$work/machine.json"
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
deviceid=$(cat "$XDG_STATE_HOME"/tallyquest/machine-*.deviceid)
check "device id" "SELECT DEVICEID FROM hardware WHERE ID=${id:-0}" "= \"$deviceid\""
check "user agent" "SELECT USERAGENT FROM hardware WHERE ID=${id:-0}" "= \"$("$report" --version | sed 's/tallyquest-report /Tallyquest_v/')\""
check "operating system" "SELECT OSNAME FROM hardware WHERE ID=${id:-0}" "= 'Microsoft Windows 10 Pro'"
check "memory (MB)" "SELECT MEMORY FROM hardware WHERE ID=${id:-0}" "-gt 0"
check "tag" "SELECT TAG FROM accountinfo WHERE HARDWARE_ID=${id:-0}" "= PC-CI"
check "BIOS" "SELECT CONCAT(BMANUFACTURER, ' / ', BVERSION, ' / ', MMODEL) FROM bios WHERE HARDWARE_ID=${id:-0}" "!= ''"
for table in cpus memories storages drives videos sounds inputs slots controllers software; do
  check "$table" "SELECT COUNT(*) FROM $table WHERE HARDWARE_ID=${id:-0}" "-gt 0"
done
check "MAC addresses" "SELECT GROUP_CONCAT(DISTINCT MACADDR ORDER BY MACADDR) FROM networks WHERE HARDWARE_ID=${id:-0}" \
  "= '70:C9:4E:12:34:56,B4:2E:99:3A:4F:5C'"
check "monitors with their serials" \
  "SELECT GROUP_CONCAT(CONCAT(MANUFACTURER, '/', CAPTION, '/', SERIAL) ORDER BY CAPTION) FROM monitors WHERE HARDWARE_ID=${id:-0}" \
  "= 'AU Optronics/10EC/,Dell Inc./D1918H/2C8FJ8255K5E'"
check "printers" "SELECT CONCAT(COUNT(*), ' ', MAX(SHARENAME)) FROM printers WHERE HARDWARE_ID=${id:-0}" "= '2 HP-Office'"
check "battery" "SELECT CONCAT(MANUFACTURER, ' ', DESIGNCAPACITY, ' ', DESIGNVOLTAGE) FROM batteries WHERE HARDWARE_ID=${id:-0}" \
  "= 'LGC 57000 11520'"
check "chassis and asset tag" "SELECT CONCAT(TYPE, ' ', ASSETTAG) FROM bios WHERE HARDWARE_ID=${id:-0}" "= 'Notebook INV-004711'"
check "last user and swap" "SELECT CONCAT(USERID LIKE 'LAPTOP-7%alice', ' ', SWAP) FROM hardware WHERE ID=${id:-0}" "= '1 4864'"
check "memory modules (MB)" "SELECT GROUP_CONCAT(CAPACITY) FROM memories WHERE HARDWARE_ID=${id:-0}" "= '8192,8192'"
check "addresses" "SELECT GROUP_CONCAT(IPADDRESS ORDER BY IPADDRESS) FROM networks WHERE HARDWARE_ID=${id:-0} AND IPADDRESS<>''" \
  "= '192.168.178.23,2a02:8108:1a40:3e00:8d4c:2a1b:9e3f:7a10,fe80::8d4c:2a1b:9e3f:7a10'"
check "IPv4 mask, subnet, gateway, DHCP server" \
  "SELECT CONCAT_WS(' ', IPMASK, IPSUBNET, IPGATEWAY, IPDHCP) FROM networks WHERE HARDWARE_ID=${id:-0} AND IPADDRESS='192.168.178.23'" \
  "= '255.255.255.0 192.168.178.0 192.168.178.1 192.168.178.1'"
check "machine's address, gateway, DNS" "SELECT CONCAT_WS(' ', IPADDR, DEFAULTGATEWAY, DNS) FROM hardware WHERE ID=${id:-0}" \
  "= '192.168.178.23 192.168.178.1 192.168.178.1/9.9.9.9'"
check "program with version and publisher" \
  "SELECT CONCAT_WS(' | ', n.NAME, v.VERSION, p.PUBLISHER) FROM software s JOIN software_name n ON n.ID=s.NAME_ID
   JOIN software_version v ON v.ID=s.VERSION_ID JOIN software_publisher p ON p.ID=s.PUBLISHER_ID
   WHERE s.HARDWARE_ID=${id:-0} AND n.NAME LIKE '7-Zip%'" \
  "= '7-Zip 23.01 (x64 edition) | 23.01.00.0 | Igor Pavlov'"
check "programs and updates" "SELECT COUNT(*) FROM software WHERE HARDWARE_ID=${id:-0}" "-ge 5"

# The web console: log in as its administrator and ask the list of computers
# for its rows as the page's own script does (with the form's CSRF token).
console=http://127.0.0.1/ocsreports
jar="$work/cookies"
curl -s -o /dev/null -c "$jar" "$console/index.php"
curl -s -o /dev/null -b "$jar" -c "$jar" --data "LOGIN=admin&PASSWD=admin&Valid_CNX=Send" "$console/index.php"
curl -s -b "$jar" -c "$jar" "$console/index.php?function=visu_computers" > "$work/console.html"
csrf=$(grep -o "name='CSRF_[0-9]*' id='CSRF_[0-9]*' value='[^']*'" "$work/console.html" | head -1 |
  sed "s/^name='\([^']*\)'.*value='\([^']*\)'$/\1=\2/")
curl -s -b "$jar" -c "$jar" --data "$csrf" --data-urlencode "ocs[0]=$csrf" \
  --data "draw=1&start=0&length=100000&search[value]=&search[regex]=false&order[0][column]=0&order[0][dir]=desc" \
  --data "columns[0][data]=NAME&columns[0][name]=h.NAME&columns[0][searchable]=true&columns[0][orderable]=true" \
  "$console/ajax.php?function=visu_computers&no_header=true&no_footer=true" > "$work/computers.json"
if grep -q "$name" "$work/computers.json"; then
  echo "ok   console lists $name"
else
  echo "FAIL console does not list $name: $(head -c 600 "$work/computers.json")"; fail=1
fi
for asset in $(grep -o 'src="[^"]*\.js[^"]*"' "$work/console.html" | sed 's/^src="//; s/"$//' | head -5); do
  case "$asset" in http*) src=$asset ;; /*) src=http://127.0.0.1$asset ;; *) src=$console/$asset ;; esac
  code=$(curl -s -o /dev/null -w '%{http_code}' -b "$jar" "$src")
  [ "$code" = 200 ] || { echo "FAIL console script $asset: HTTP $code"; fail=1; }
done
# The laptop's own page in the console: its summary, and the rows of its
# sections' tables, asked for as the page's script does. This console has no
# view of batteries; the battery is checked in the database above.
computer="function=computer&head=1&systemid=${id:-0}"
console_shows() {  # console_shows WHAT TEXT [SECTION]
  local page=$work/computer-${3:-summary}
  if [ -n "${3:-}" ]; then
    curl -s -b "$jar" -c "$jar" --data "$csrf" --data-urlencode "ocs[0]=$csrf" \
      --data "draw=1&start=0&length=100&search[value]=&search[regex]=false" \
      "$console/ajax.php?$computer&option=$3&no_header=true&no_footer=true" > "$page"
  elif [ ! -e "$page" ]; then
    curl -s -b "$jar" -c "$jar" "$console/index.php?$computer" > "$page"
  fi
  if grep -qF -- "$2" "$page"; then echo "ok   console's computer page, $1: $2"
  else echo "FAIL console's computer page, $1: no $2 in $(head -c 400 "$page")"; fail=1; fi
}
console_shows "last user" 'alice</span>'
console_shows "swap" '>4864</span>'
console_shows "monitor serial" '"SERIAL":"2C8FJ8255K5E"' cd_monitors
console_shows "printer" '"NAME":"Microsoft Print to PDF"' cd_printers
console_shows "chassis" '"TYPE":"Notebook"' cd_bios

# The same machine written as a file and imported by the server's own
# injector: the same device id, so still one computer.
"$report" --snapshot "$work/machine.json" --folder "$work/out" --ocs-file "$work/inventory.xml" PC-CI \
  >/dev/null 2>"$work/err" || { cat "$work/err"; echo "writing the inventory file failed"; exit 1; }
perl /usr/share/ocsinventory-server/binutils/ocsinventory-injector.pl -f "$work/inventory.xml" -u "$url" \
  >"$work/inject.txt" 2>&1 || { cat "$work/inject.txt"; echo "the injector failed"; exit 1; }

check "device id in the file" "SELECT '$(sed -n 's:.*<DEVICEID>\(.*\)</DEVICEID>.*:\1:p' "$work/inventory.xml")'" "= \"$deviceid\""
check "machines named $name after the injector" "SELECT COUNT(*) FROM hardware WHERE NAME='$name'" "= 1"
check "injected file's disks" "SELECT COUNT(*) FROM storages WHERE HARDWARE_ID=${id:-0}" "-gt 0"
# The server keeps USBDEVICES as a section of one entry (its map says so), so
# a machine's several devices are checked in the file, not in the database.
check "USB devices in the file (no hubs)" "SELECT $(grep -c '<USBDEVICES>' "$work/inventory.xml")" "= 2"

# This machine, read by the Linux provider.
rm -rf "$XDG_STATE_HOME"
"$report" --folder "$work/out" --server "$url" PC-SELF >/dev/null 2>"$work/err" ||
  { cat "$work/err"; echo "sending this machine failed"; exit 1; }
self=$(cat "$XDG_STATE_HOME"/tallyquest/machine-*.deviceid)
check "this machine" "SELECT COUNT(*) FROM hardware WHERE DEVICEID='$self'" "= 1"
check "this machine's processors" \
  "SELECT COUNT(*) FROM cpus c JOIN hardware h ON h.ID=c.HARDWARE_ID WHERE h.DEVICEID='$self'" "-gt 0"
selfId=$(sql "SELECT ID FROM hardware WHERE DEVICEID='$self' LIMIT 1")
release=$(. /etc/os-release && echo "$VERSION_ID")
check "this machine's system version" "SELECT OSVERSION FROM hardware WHERE ID=${selfId:-0}" "= '$release'"
check "this machine's drive C:" "SELECT COUNT(*) FROM drives WHERE HARDWARE_ID=${selfId:-0} AND LETTER='C:'" "= 0"
check "this machine's root" "SELECT COUNT(*) FROM drives WHERE HARDWARE_ID=${selfId:-0} AND TYPE='/'" "= 1"
check "this machine's address" \
  "SELECT COUNT(*) FROM networks WHERE HARDWARE_ID=${selfId:-0} AND IPADDRESS IS NOT NULL AND IPADDRESS<>''" "-gt 0"
packages=$(dpkg-query -W -f='${db:Status-Abbrev}\n' | grep -c '^ii')
check "this machine's packages" "SELECT COUNT(*) FROM software WHERE HARDWARE_ID=${selfId:-0}" "= $packages"

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
  check "shared state folder: device id files" "SELECT $(find "$state/tallyquest" -name 'machine-*.deviceid' | wc -l)" "= 2"
}
shared_state_folder

# --- this machine by Tallyquest and by OCS's own agent --------------------------
# The agent sends this machine too (a computer of its own, under its own
# device id); the table shows, per section and field, which of the two
# filled it. Only printed: it shows what is still missing.
compare_with_agent() {
  if ! command -v ocsinventory-agent >/dev/null; then echo "note: ocsinventory-agent is not installed; no comparison"; return; fi
  local agent file
  # Written to a file and injected, whatever the agent's own configuration says.
  mkdir -p "$work/agent"
  timeout 600 ocsinventory-agent --local="$work/agent" >"$work/agent.txt" 2>&1 ||
    { echo "note: ocsinventory-agent failed: $(tail -3 "$work/agent.txt")"; return; }
  file=$(find "$work/agent" -name '*.ocs' | head -1)
  [ -n "$file" ] || { echo "note: ocsinventory-agent wrote no inventory: $(tail -3 "$work/agent.txt")"; return; }
  perl /usr/share/ocsinventory-server/binutils/ocsinventory-injector.pl -f "$file" -u "$url" >"$work/inject.txt" 2>&1 ||
    { cat "$work/inject.txt"; echo "FAIL the injector refused the agent's inventory"; fail=1; return; }
  agent=$(sql "SELECT ID FROM hardware WHERE DEVICEID='$(sed -n 's:.*<DEVICEID>\(.*\)</DEVICEID>.*:\1:p' "$file" | head -1)' LIMIT 1")
  [ -n "$agent" ] || { echo "FAIL the agent's computer is not in the database"; fail=1; return; }
  local table column filled tq ag key
  { printf '%-34s %-10s %s\n' "section.field" tallyquest agent
  for table in hardware bios cpus memories storages drives networks software videos sounds controllers inputs slots \
               monitors ports modems printers usbdevices batteries; do
    mysql -N -B ocsweb -e "SHOW TABLES LIKE '$table'" | grep -q . || continue
    key=HARDWARE_ID; [ "$table" = hardware ] && key=ID
    for column in $(sql "SELECT COLUMN_NAME FROM information_schema.COLUMNS WHERE TABLE_SCHEMA='ocsweb' AND TABLE_NAME='$table'
                         AND COLUMN_NAME NOT IN ('ID','HARDWARE_ID') ORDER BY ORDINAL_POSITION"); do
      filled="SUM(\`$column\` IS NOT NULL AND TRIM(\`$column\`) NOT IN ('', '0', 'N/A'))"
      tq=$(sql "SELECT COALESCE($filled, 0) FROM \`$table\` WHERE $key=${selfId:-0}")
      ag=$(sql "SELECT COALESCE($filled, 0) FROM \`$table\` WHERE $key=$agent")
      [ "$tq$ag" = 00 ] && continue
      printf '%-34s %-10s %s\n' "$table.$column" "$([ "$tq" -gt 0 ] && echo yes || echo -)" "$([ "$ag" -gt 0 ] && echo yes || echo -)"
    done
  done; } | sed 's/^/     /'
  # What holds already: both are one computer each, the same machine's name.
  check "agent and Tallyquest name this machine alike" \
    "SELECT COUNT(DISTINCT UPPER(NAME)) FROM hardware WHERE ID IN (${selfId:-0}, $agent)" "= 1"
  check "this machine's computers from Tallyquest" "SELECT COUNT(*) FROM hardware WHERE DEVICEID='$self'" "= 1"
}
compare_with_agent

echo "real-server test in $(( $(date +%s) - start )) s"
exit $fail
