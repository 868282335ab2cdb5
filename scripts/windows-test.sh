#!/usr/bin/env bash
# Cross-builds the core, both programs, the query tool and the unit tests for
# 64-bit Windows (mingw-w64) with the README's two commands, runs every test
# program under Wine in a fresh, temporary prefix, then runs the headless
# program against Wine's management service and checks the report it writes
# against what the query tool reads from the same service (and the processor
# name against the host). Both programs must import only system DLLs and
# carry the version they print (version block and manifest); the headless
# one's help must name only what Windows has. On a virtual X display (Xvfb)
# it then runs the windows' own test program and drives tallyquest.exe by
# keyboard alone through a whole report, which must match the headless
# program's byte for byte. Last, scripts/windows-dist.sh packs the operator's
# archive.
#
# Idempotent: installs what scripts/packages/windows.txt lists when missing
# (root or sudo), reuses the build folder, always starts Wine afresh.
# 64-bit Wine only: no i386 architecture, no wine32.
#
# Environment:
#   WIN_BUILD_DIR    build folder (default: <root>/build-win)
#   JOBS             parallel build jobs (default 2)
#   TQ_WIN_TARGETS   build only these targets (default: everything)
#   KEEP_WINE=1      keep the temporary prefix and report for inspection
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WIN_BUILD_DIR:-$root/build-win}
jobs=${JOBS:-2}

started=$(date +%s)
stage_start=$started
say() {
  local now
  now=$(date +%s)
  printf '== %s (%ss so far)\n' "$*" "$((now - started))"
}
die() { printf 'windows-test: %s\n' "$*" >&2; exit 1; }

# --- packages --------------------------------------------------------------
"$root/scripts/setup.sh" windows

# --- cross build ----------------------------------------------------------
# Exactly the README's two commands (configure fetches Debian's pugixml
# source itself), so that they keep working as written.
build_arg=$(realpath -m --relative-to="$root" "$build")
say "configuring and building $build_arg as the README does"
(cd "$root" && cmake -S . -B "$build_arg" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake >/dev/null)
if [ -n "${TQ_WIN_TARGETS:-}" ]; then
  # shellcheck disable=SC2086
  cmake --build "$build" -j "$jobs" --target ${TQ_WIN_TARGETS}
else
  (cd "$root" && cmake --build "$build_arg" -j"$jobs")
fi
report_exe=$build/app/tallyquest-report.exe
gui_exe=$build/app/tallyquest.exe
uitest_exe=$build/tests/ui/win32/tq_uitest_win32.exe
query_exe=$build/platform/windows/tq-wmiquery.exe
[ -f "$report_exe" ] || die "no $report_exe"
[ -f "$query_exe" ] || die "no $query_exe"

# --- a fresh, headless Wine ------------------------------------------------
work=$(mktemp -d "${TMPDIR:-/tmp}/tq-wine.XXXXXX")
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono or Gecko installer prompts
unset DISPLAY WAYLAND_DISPLAY
xvfb_pid=
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  if [ "${KEEP_WINE:-0}" = 1 ]; then
    echo "kept $work"
  else
    rm -rf "$work"
  fi
}
trap cleanup EXIT
# One persistent server and the prefix's services for all runs below, started
# with their output going nowhere: a process that Wine starts later inherits
# the caller's output, so nothing is ever read from a pipe below (it would not
# reach its end while such a process lives). Output goes to files instead.
say "creating Wine prefix $WINEPREFIX"
mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1 || die "wineserver did not start"
timeout 300 wine wineboot --init </dev/null >/dev/null 2>&1 || die "wineboot failed"

# --- unit tests ------------------------------------------------------------
failed=()
mapfile -t programs < <(find "$build/tests" -name 'tq_tests_*.exe' -type f | sort)
[ ${#programs[@]} -gt 0 ] || die "no test programs were built"
for exe in "${programs[@]}"; do
  say "test $(basename "$exe")"
  log=$work/$(basename "$exe" .exe).log
  rc=0
  # A UTF-8 locale: Wine stores file names in the locale's character set, and
  # the tests make files named in German and Chinese.
  (cd "$build" && LC_ALL=C.UTF-8 timeout 600 wine "$exe" --gtest_brief=1 </dev/null >"$log" 2>&1) || rc=$?
  tr -d '\r' <"$log"
  [ "$rc" -eq 0 ] || failed+=("$(basename "$exe")")
done

# --- the headless program end to end ---------------------------------------
out=$work/out
mkdir -p "$out"
winout="Z:${out//\//\\}"
designation=WINE-CHECK
say "report run into $winout"
set +e
(cd "$out" && timeout 300 wine "$report_exe" --folder "$winout" "$designation") </dev/null >"$work/run.txt" 2>"$work/run-err.txt"
status=$?
set -e
# The program's messages go to stderr, Wine's own notes too.
tr -d '\r' <"$work/run-err.txt" | grep -v '^wine: ' || true
report=$out/$designation.htm

check_failures=()
check() {  # check DESCRIPTION EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then
    printf '   ok   %s: %s\n' "$1" "$3"
  else
    printf '   FAIL %s: expected [%s], got [%s]\n' "$1" "$2" "$3"
    check_failures+=("$1")
  fi
}

# The rows of one section (title row to table footer), as "label<TAB>value".
rows() {
  iconv -f CP1252 -t UTF-8 "$report" | tr -d '\r' | awk -v title="$1" '
    index($0, "<strong>&nbsp;" title "</strong>") { inside = 1; next }
    done { next }
    inside && $0 == "</table><br>" { done = 1; next }
    inside {
      line = $0
      sub(/^<tr><td width=.150. bgcolor=.#E0F3F3. class=.td1.>/, "", line)
      sub(/<\/td><td width=.550. bgcolor=.#E0F3F3. class=.td1.>/, "\t", line)
      sub(/<\/td><\/tr>$/, "", line)
      print line
    }'
}
row() {  # row SECTION LABEL: the value without its trailing "&nbsp;"
  rows "$1" | awk -F'\t' -v label="$2" '!found && $1 == label { v = $2; sub(/&nbsp;$/, "", v); print v; found = 1 }'
}
# What the query tool reads: query, property.
wmi() {
  (cd "$out" && wine "$query_exe" "$1" "$2") </dev/null >"$work/query.txt" 2>/dev/null || true
  tr -d '\r' <"$work/query.txt" | awk -v p="$2" '!found && index($0, p "=") == 1 { print substr($0, length(p) + 2); found = 1 }'
}
squeeze() { tr -s ' \t' ' ' | sed 's/^ //; s/ $//'; }

check "exit status" 0 "$status"
check "final message" "The file is saved on $winout\\$designation.htm" \
  "$(tr -d '\r' <"$work/run-err.txt" | grep -m1 '^The file is saved on ' || true)"
if [ -f "$report" ]; then
  lines=$(wc -l <"$report")
  check "first line" "<html><head>" "$(head -n1 "$report" | tr -d '\r')"
  check "last line" "</body></html>" "$(tail -n1 "$report" | tr -d '\r')"
  check "lines ending in CR LF" "$lines" "$(grep -c $'\r$' "$report")"
  check "tables closed" "$(grep -c "^<table border='0' cellpadding='2'" "$report")" \
    "$(grep -c '^</table><br>' "$report")"
  check "no byte-order mark" "<h" "$(head -c2 "$report")"

  check "BIOS manufacturer" "$(wmi 'Select * from Win32_Bios' Manufacturer)" "$(row Bios Manufacturer)"
  check "BIOS description" "$(wmi 'Select * from Win32_Bios' Description)" "$(row Bios Description)"
  check "BIOS SMBIOS version" "$(wmi 'Select * from Win32_Bios' SMBIOSBIOSVersion)" "$(row Bios SMBIOS)"

  cpu=$(row CPU Name)
  check "CPU name" "$(wmi 'Select * from Win32_Processor' Name)" "$cpu"
  host_cpu=$(grep -m1 '^model name' /proc/cpuinfo 2>/dev/null | cut -d: -f2- | squeeze || true)
  if [ -n "$host_cpu" ]; then
    check "CPU name is the host's" "$host_cpu" "$(printf '%s' "$cpu" | squeeze)"
  fi

  os='Select * from Win32_OperatingSystem'
  check "OS name" "$(wmi "$os" Caption)" "$(row Operatingsystem Name)"
  check "OS version" "$(wmi "$os" Version)" "$(row Operatingsystem Version)"
  check "OS build type" "$(wmi "$os" BuildType)" "$(row Operatingsystem BuildType)"
else
  check "report written" "$report" "(missing)"
fi

# A designation that Windows takes as a device: no file written anywhere,
# the one message, status 2 and the line saying why.
set +e
(cd "$out" && timeout 120 wine "$report_exe" --folder "$winout" --onboard none "con .x") </dev/null \
  >"$work/device.txt" 2>"$work/device-err.txt"
device_status=$?
set -e
check "device name: exit status" 2 "$device_status"
check "device name: message" "Could not create the file..." \
  "$(tr -d '\r' <"$work/device-err.txt" | grep -m1 '^Could not' || true)"
check "device name: reason" 1 "$(tr -d '\r' <"$work/device-err.txt" | grep -c 'cannot create .*con \.x\.htm: .*device' || true)"

# --- the checked report of a recorded machine --------------------------------
# The same snapshot, factory log and signature log as the core's own whole
# report test, here through the Win32 seams: the factory log in Wine's C:\,
# the signature log in its Windows folder. The report must match byte for
# byte, and the factory log must be left hidden (not read-only, not system).
data=$root/tests/data
if [ -f "$data/realistic-machine.json" ] && [ -f "$data/realistic-machine.htm" ]; then
  say "recorded machine through the Win32 seams"
  drive_c=$WINEPREFIX/drive_c
  cp "$data/realistic-prodlog.txt" "$drive_c/Prodlog.txt"
  cp "$data/realistic-sigverif.txt" "$drive_c/windows/SIGVERIF.TXT"
  snap=$work/snapshot
  mkdir -p "$snap"
  set +e
  (cd "$snap" && LC_ALL=C timeout 300 wine "$report_exe" --snapshot "Z:${data//\//\\}\\realistic-machine.json" \
      --folder "Z:${snap//\//\\}" WS-0815) </dev/null >"$work/snap-run.txt" 2>&1
  status=$?
  set -e
  check "recorded machine: exit status" 0 "$status"
  if cmp -s "$data/realistic-machine.htm" "$snap/WS-0815.htm"; then same=identical; else same=different; fi
  check "recorded machine: report" identical "$same"
  (cd "$snap" && wine attrib 'C:\Prodlog.txt') </dev/null >"$work/attrib.txt" 2>/dev/null || true
  # Wine reports the archive attribute on every file; the rest must be "H".
  check "factory log attributes" "H" "$(tr -d '\r' <"$work/attrib.txt" | sed 's/ *[A-Z]:\\.*$//' | tr -d ' A')"
fi

# --- names in any language, and names too long -------------------------------
# Operators named Jürgen or 王: the report named as typed, in a folder named so,
# designation and comment in the report's code page ("?" for what it lacks).
# Arguments reach the program as the UTF-8 terminal gives them to Wine.
if [ -f "$data/realistic-machine.json" ]; then
  say "German and Chinese names, a name too long"
  while IFS='|' read -r folder name comment head row; do
    mkdir -p "$out/$folder"
    set +e
    (cd "$out" && LC_ALL=C.UTF-8 timeout 120 wine "$report_exe" --snapshot "Z:${data//\//\\}\\realistic-machine.json" \
        --onboard none --folder "$winout\\$folder" --comment "$comment" "$name") </dev/null >/dev/null 2>"$work/intl-err.txt"
    status=$?
    set -e
    check "$name: exit status" 0 "$status"
    check "$name: message" "The file is saved on $winout\\$folder\\$name.htm" \
      "$(tr -d '\r' <"$work/intl-err.txt" | grep -m1 '^The file is saved on ' || true)"
    check "$name: designation and comment in the report" 2 "$(iconv -f CP1252 -t UTF-8 "$out/$folder/$name.htm" 2>/dev/null |
      tr -d '\r' | grep -c -F -e "Designation: $head</font>" -e "&nbsp; $row<br>" || true)"
  done <<'NAMES'
Jürgen|Büro|Grüße|Büro|Gr&uuml;ße
王|中文|中文 ü|??|?? &uuml;
NAMES
  # Longer than the system takes: refused before a single query (the trace
  # stays empty), with the system's reason and its number.
  long=$(printf 'x%.0s' $(seq 252))
  set +e
  (cd "$out" && timeout 120 wine "$report_exe" --trace-wmi "$winout\\long-trace.txt" --folder "$winout" "$long") \
    </dev/null >/dev/null 2>"$work/long-err.txt"
  status=$?
  set -e
  check "252 characters: exit status" 2 "$status"
  check "252 characters: message" "Could not create the file..." \
    "$(tr -d '\r' <"$work/long-err.txt" | grep -m1 '^Could not' || true)"
  check "252 characters: reason and number" 1 \
    "$(tr -d '\r' <"$work/long-err.txt" | grep -c "^tallyquest-report: cannot create .*x\.htm: [^ ].* ([0-9]*)\$" || true)"
  check "252 characters: nothing read" "" "$(cat "$out/long-trace.txt" 2>&1)"
fi

# --- what the programs need and what they say they are -----------------------
# Both run from a stick on any Windows PC: system DLLs only. Both carry the
# version they print, a maker and a copyright, and a manifest of that version.
say "what the programs need and carry"
objdump=x86_64-w64-mingw32-objdump
(cd "$out" && wine "$report_exe" --version) </dev/null >"$work/version.txt" 2>/dev/null || true
printed=$(tr -d '\r' <"$work/version.txt" | sed -n 's/^tallyquest-report //p')
check "tallyquest-report.exe --version" "$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")" "$printed"
# resource WHAT: a value of the version block ("CompanyName" with its quotes),
# FILEVERSION, or the manifest's own assembly version.
resource() {
  case "$1" in
    FILEVERSION) sed -n 's/^ *FILEVERSION *//p' "$work/resources.rc" | tr -d ' ' | sed 's/^/FILEVERSION /' ;;
    manifest) grep -o 'assemblyIdentity type=""win32"" name=""Tallyquest[^"]*"" version=""[0-9.]*' "$work/resources.rc" |
                sed 's/.*version=""//' ;;
    *) awk -v key="$1" '$1 == "VALUE" && $2 == key "," { sub(/^[^,]*, *"/, ""); sub(/(\\0)?"$/, ""); print }' \
         "$work/resources.rc" ;;
  esac | head -n1
}
for exe in "$report_exe" "$gui_exe"; do
  [ -f "$exe" ] || continue
  name=$(basename "$exe")
  check "$name: DLLs beyond the system's" "" "$(bash "$root/scripts/windows-imports.sh" "$exe" || true)"
  # The resources as the resource compiler reads them back from the program.
  x86_64-w64-mingw32-windres -J coff -O rc -i "$exe" 2>/dev/null | tr -d '\r' >"$work/resources.rc" || true
  check "$name: file version" "$printed" "$(resource '"FileVersion"')"
  check "$name: product version" "$printed" "$(resource '"ProductVersion"')"
  check "$name: company" "The Tallyquest developers" "$(resource '"CompanyName"')"
  check "$name: copyright" "Copyright (c) 2026 The Tallyquest developers" "$(resource '"LegalCopyright"')"
  check "$name: version numbers" "FILEVERSION $(printf '%s' "$printed" | tr . ,),0,0" "$(resource FILEVERSION)"
  check "$name: manifest's assembly version" "$printed.0.0" "$(resource manifest)"
done
if [ -f "$gui_exe" ]; then
  check "tallyquest.exe: subsystem" "(Windows GUI)" "$($objdump -p "$gui_exe" | sed -n 's/^Subsystem[[:space:]]*[0-9a-f]*[[:space:]]*//p')"
  # Without the common controls of version 6 the windows take the old style.
  check "tallyquest.exe: manifest asks for the common controls 6" 1 \
    "$(x86_64-w64-mingw32-windres -J coff -O rc -i "$gui_exe" 2>/dev/null |
      grep -c 'name=""Microsoft.Windows.Common-Controls"" version=""6\.' || true)"
fi
# The help names only what Windows has and gives its example in cmd's form.
(cd "$out" && wine "$report_exe" --help) </dev/null >"$work/help.txt" 2>/dev/null || true
check "--help without Linux options" "" "$(tr -d '\r' <"$work/help.txt" | grep -o -e '--root' -e '--drive-c' -e '~/' | tr '\n' ' ')"
check "--help example" "yes" "$(grep -q '^  tallyquest-report --folder C:\\' "$work/help.txt" && echo yes || echo no)"
# ... and takes none of the Linux options either.
status=0
(cd "$out" && wine "$report_exe" --root C:\\ PC) </dev/null >/dev/null 2>&1 || status=$?
check "--root is unknown" "64" "$status"

# --- the windows on a virtual display ----------------------------------------
if [ -f "$gui_exe" ] && [ -f "$uitest_exe" ]; then
  say "starting a virtual display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.2; done
  [ -s "$work/display" ] || die "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$work/display")"
  # Wine's desktop process started without a display above: start afresh,
  # so that it and every program below draw on this one.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  wineserver -p </dev/null >/dev/null 2>&1 || die "wineserver did not start"

  # In a virtual desktop of its own, where Wine draws the frames and changes
  # the focus at once; its exit status does not come back through the
  # desktop, so the test's own summary decides.
  say "test $(basename "$uitest_exe")"
  (cd "$build" && LC_ALL=C.UTF-8 timeout 300 wine explorer /desktop=tqtest,1280x1024 "$uitest_exe" --gtest_brief=1 \
    </dev/null >"$work/uitest.log" 2>&1) || true
  tr -d '\r' <"$work/uitest.log"
  if ! grep -q '^\[  PASSED  \]' "$work/uitest.log" || grep -q '^\[  FAILED  \]' "$work/uitest.log"; then
    failed+=("$(basename "$uitest_exe")")
  fi

  # The operator's run by keyboard alone: Alt+R, the designation, Enter for
  # Ok, Enter for the closing message. Each key waits for the window that
  # the one before should have brought up.
  if [ -f "$data/realistic-machine.json" ]; then
    say "tallyquest.exe driven by keyboard"
    bb=$work/keyboard
    mkdir -p "$bb/expected"
    cp "$gui_exe" "$bb/"
    snapshot="Z:${data//\//\\}\\realistic-machine.json"
    (cd "$bb/expected" && LC_ALL=C timeout 300 wine "$report_exe" --snapshot "$snapshot" \
        --folder "Z:${bb//\//\\}\\expected" KB-4711) </dev/null >"$work/kb-expected.txt" 2>&1 || true
    (cd "$bb" && TALLYQUEST_SNAPSHOT="$snapshot" LC_ALL=C timeout 300 wine "$bb/tallyquest.exe") \
      </dev/null >"$work/kb-run.txt" 2>&1 &
    gui_pid=$!
    # The visible window of that title, once it shows (within a minute).
    window() {
      local id
      for _ in $(seq 300); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | tail -n1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.2
      done
      return 1
    }
    # Alt+R on the main window until the report-name dialog answers: the
    # start notice, shown first under the same title, has no such key.
    dialog=
    for _ in $(seq 20); do
      main=$(window Tallyquest) || break
      timeout 20 xdotool windowfocus --sync "$main" key --clearmodifiers alt+r 2>/dev/null || true
      dialog=$(xdotool search --onlyvisible --name '^Set Filename$' 2>/dev/null | tail -n1 || true)
      [ -n "$dialog" ] && break
      sleep 0.5
      dialog=$(xdotool search --onlyvisible --name '^Set Filename$' 2>/dev/null | tail -n1 || true)
      [ -n "$dialog" ] && break
    done
    check "keyboard: Alt+R opens the report-name dialog" yes "$([ -n "$dialog" ] && echo yes || echo no)"
    if [ -n "$dialog" ]; then
      timeout 20 xdotool windowfocus --sync "$dialog" type --delay 20 KB-4711 || true
      timeout 20 xdotool key Return || true
      saved=$(window 'File is saved' || true)
      check "keyboard: the closing message shows" yes "$([ -n "$saved" ] && echo yes || echo no)"
      [ -z "$saved" ] || timeout 20 xdotool windowfocus --sync "$saved" key Return || true
    fi
    ended=no
    for _ in $(seq 150); do
      kill -0 "$gui_pid" 2>/dev/null || { ended=yes; break; }
      sleep 0.2
    done
    check "keyboard: the program ends" yes "$ended"
    [ "$ended" = yes ] || kill "$gui_pid" 2>/dev/null || true
    if [ -f "$bb/KB-4711.htm" ] && cmp -s "$bb/expected/KB-4711.htm" "$bb/KB-4711.htm"; then same=identical; else same=different; fi
    check "keyboard: report next to the program, as the headless one writes it" identical "$same"
  fi
fi

# --- the inventory through WinHTTP ------------------------------------------
# Against the local OCS Inventory NG server when one runs (scripts/ocs-server.sh;
# CI starts it before this script): the recorded machine must arrive once,
# and a server that cannot be reached must give exit status 3.
ocs_url=http://127.0.0.1/ocsinventory
if [ -f "$data/realistic-machine.json" ] && command -v mysql >/dev/null &&
   curl -s -o /dev/null --max-time 5 "$ocs_url"; then
  say "inventory through WinHTTP to $ocs_url"
  ocs=$work/ocs
  mkdir -p "$ocs"
  name="TQ-WINE-$(date +%s)-$$"
  sed "s/\"WS-0815\"/\"$name\"/" "$data/realistic-machine.json" > "$ocs/machine.json"
  rm -f "$build/app/"machine-*.deviceid   # the device id lies next to the program
  set +e
  (cd "$ocs" && timeout 300 wine "$report_exe" --snapshot "Z:${ocs//\//\\}\\machine.json" \
      --folder "Z:${ocs//\//\\}" --server "$ocs_url" PC-WINE) </dev/null >"$work/ocs-run.txt" 2>&1
  status=$?
  ids=$(ls "$build/app/"machine-*.deviceid 2>/dev/null | wc -l)
  (cd "$ocs" && timeout 300 wine "$report_exe" --snapshot "Z:${ocs//\//\\}\\machine.json" \
      --folder "Z:${ocs//\//\\}" --timeout 5 --server http://127.0.0.1:9/ocsinventory PC-WINE) \
      </dev/null >"$work/ocs-down.txt" 2>&1
  down=$?
  set -e
  tr -d '\r' <"$work/ocs-run.txt" | grep -v '^wine: ' || true
  check "inventory: exit status" 0 "$status"
  check "inventory: machines named $name" 1 \
    "$(mysql -N -B ocsweb -e "SELECT COUNT(*) FROM hardware WHERE NAME='$name'" 2>/dev/null)"
  check "inventory: MAC addresses" "70:C9:4E:12:34:56,B4:2E:99:3A:4F:5C" \
    "$(mysql -N -B ocsweb -e "SELECT GROUP_CONCAT(n.MACADDR ORDER BY n.MACADDR) FROM networks n
        JOIN hardware h ON h.ID = n.HARDWARE_ID WHERE h.NAME='$name'" 2>/dev/null)"
  check "inventory: device id next to the program" 1 "$ids"
  check "inventory: unreachable server, exit status" 3 "$down"
  check "inventory: unreachable server, report kept" "</body></html>" "$(tail -n1 "$ocs/PC-WINE.htm" | tr -d '\r')"
else
  say "no OCS Inventory NG server on 127.0.0.1 (scripts/ocs-server.sh): WinHTTP check skipped"
fi

if [ ${#failed[@]} -gt 0 ] || [ ${#check_failures[@]} -gt 0 ]; then
  [ ${#failed[@]} -eq 0 ] || echo "failed test programs: ${failed[*]}"
  [ ${#check_failures[@]} -eq 0 ] || echo "failed report checks: ${check_failures[*]}"
  exit 1
fi

# --- the operator's archive ---------------------------------------------------
if [ -f "$gui_exe" ] && [ -x "$root/scripts/windows-dist.sh" ]; then
  say "packing"
  WIN_BUILD_DIR=$build "$root/scripts/windows-dist.sh"
fi
say "all Windows tests passed"

# === device ids of machines sharing the program's folder =======================
# (kept apart from the rest of this script.) Two recorded machines (other
# name, UUID and serial number) sent by one tallyquest-report.exe, whose
# device ids lie beside it as on an operator's stick, are two machines on the
# local OCS Inventory NG server; each sent again stays one.
wine_shared_program_folder() {
  local url=http://127.0.0.1/ocsinventory dir=$work/shared prefix m round rc bad=0
  prefix="TQ-WSHARED-$(date +%s)-$$"
  if ! command -v mysql >/dev/null || ! curl -s -o /dev/null --max-time 5 "$url"; then
    say "no OCS Inventory NG server on 127.0.0.1: shared program folder check skipped"
    return 0
  fi
  say "device ids of two machines from one program folder"
  mkdir -p "$dir/program"
  cp "$report_exe" "$dir/program/"   # a folder of its own: no earlier ids
  for m in A B; do
    sed -e "s/\"WS-0815\"/\"$prefix-$m\"/" \
        -e "s/\"IdentifyingNumber\": \"Default string\"/\"IdentifyingNumber\": \"SN-$m\", \"UUID\": \"0000000$m-1111-2222-3333-444444444444\"/" \
        "$data/realistic-machine.json" > "$dir/machine-$m.json"
  done
  for round in 1 2; do
    for m in A B; do
      rc=0
      (cd "$dir" && timeout 300 wine "$dir/program/$(basename "$report_exe")" \
          --snapshot "Z:${dir//\//\\}\\machine-$m.json" --folder "Z:${dir//\//\\}" --server "$url" PC-SHARED) \
          </dev/null >"$work/shared-$m-$round.txt" 2>&1 || rc=$?
      [ "$rc" -eq 0 ] || { tr -d '\r' <"$work/shared-$m-$round.txt"; bad=1; }
    done
  done
  check "shared program folder: every send" 0 "$bad"
  check "shared program folder: machines" 2 \
    "$(mysql -N -B ocsweb -e "SELECT COUNT(*) FROM hardware WHERE NAME LIKE '$prefix-%'" 2>/dev/null)"
  check "shared program folder: device ids" 2 \
    "$(mysql -N -B ocsweb -e "SELECT COUNT(DISTINCT DEVICEID) FROM hardware WHERE NAME LIKE '$prefix-%'" 2>/dev/null)"
  check "shared program folder: id files beside the program" 2 \
    "$(find "$dir/program" -name 'machine-*.deviceid' | wc -l)"
}
if [ -f "$data/realistic-machine.json" ]; then
  check_failures=()
  wine_shared_program_folder
  [ ${#check_failures[@]} -eq 0 ] || { echo "failed checks: ${check_failures[*]}"; exit 1; }
fi
