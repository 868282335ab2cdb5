#!/usr/bin/env bash
# Builds the two Debian packages (scripts/package.sh --lint), checks that the
# headless one pulls in no Qt and no X, installs it alone with apt, then the
# windows too, and checks what a user gets: the headless program run from
# another folder writes its report there; the menu entry's command shows the
# windows under Xvfb, and their report goes to the documents folder; man
# finds both pages. Removes the packages at the end and checks nothing of
# them is left.
# Needs root (or sudo) on Debian 12.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
snapshot=$root/tests/data/realistic-machine.json

failures=()
check() {  # check DESCRIPTION EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then
    printf '   ok   %s\n' "$1"
  else
    printf '   FAIL %s: expected [%s], got [%s]\n' "$1" "$2" "$3"
    failures+=("$1")
  fi
}
yes_no() { if "$@" >/dev/null 2>&1; then echo yes; else echo no; fi; }

mapfile -t debs < <("$root/scripts/package.sh" --lint)
report_deb=${debs[0]} windows_deb=${debs[1]}
work=$(mktemp -d "${TMPDIR:-/tmp}/tq-package.XXXXXX")
purge() {
  local p
  for p in tallyquest tallyquest-report; do
    if dpkg -s "$p" >/dev/null 2>&1; then
      DEBIAN_FRONTEND=noninteractive $sudo apt-get purge -y -qq "$p" >/dev/null || true
    fi
  done
}
cleanup() {
  # A check that stopped half-way leaves no package behind either, and no
  # chroot with its /proc still mounted.
  purge
  ! mountpoint -q "$work/chroot/proc" || $sudo umount "$work/chroot/proc"
  $sudo rm -rf --one-file-system "$work"
}
trap cleanup EXIT

# What the headless package would bring onto a machine without a desktop:
# every package its dependencies reach, none of Qt or X.
echo "== the headless package's dependencies"
mapfile -t direct < <(dpkg-deb -f "$report_deb" Depends | tr ',|' '\n\n' | sed 's/(.*)//; s/^ *//; s/ *$//' | sed '/^$/d')
mapfile -t reached < <(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
  --no-replaces --no-enhances "${direct[@]}" | sed -n 's/^\([^ <][^ ]*\)$/\1/p' | sort -u)
echo "   ${#reached[@]} packages reached from: ${direct[*]}"
check "headless package: no Qt, X or OpenGL pulled in" "" \
  "$(printf '%s\n' "${reached[@]}" | grep -E '^(libqt|qt6-|libx11|libxcb|libgl|libegl|xserver)' | tr '\n' ' ')"
check "headless package: depends on libcurl4" yes "$(yes_no grep -qw libcurl4 <<<"${direct[*]}")"
check "windows package: depends on the headless one" "tallyquest-report (= $(dpkg-deb -f "$report_deb" Version))" \
  "$(dpkg-deb -f "$windows_deb" Depends | tr ',' '\n' | sed 's/^ *//' | grep '^tallyquest-report')"

# The headless package alone in a fresh minimal Debian 12 (debootstrap's
# minbase, kept in /var/cache/tallyquest and copied for each run): apt brings
# what it needs, the program runs there, and nothing of Qt or X comes along.
# Without the mirror this check says so and is skipped.
clean_chroot() {
  local started=$SECONDS mirror=${TQ_DEBIAN_MIRROR:-http://deb.debian.org/debian}
  local cache=/var/cache/tallyquest/bookworm-minbase dir=$work/chroot host=${mirror#*://}
  host=${host%%/*}
  local port=80
  [ "${mirror%%://*}" != https ] || port=443
  [ "${host##*:}" = "$host" ] || { port=${host##*:}; host=${host%:*}; }
  echo "== installing $report_deb alone in a clean Debian 12 chroot"
  if ! timeout 10 bash -c "exec 3<>/dev/tcp/$host/$port" 2>/dev/null; then
    echo "   skipped: the Debian mirror $mirror cannot be reached"
    return 0
  fi
  if [ ! -x "$cache/usr/bin/apt-get" ]; then
    $sudo rm -rf --one-file-system "$cache.new"
    $sudo mkdir -p "$(dirname "$cache")"
    if ! $sudo debootstrap --variant=minbase bookworm "$cache.new" "$mirror" >"$work/debootstrap.txt" 2>&1; then
      echo "   skipped: debootstrap from $mirror failed: $(grep -m1 '^E:' "$work/debootstrap.txt" || tail -n1 "$work/debootstrap.txt")"
      $sudo rm -rf --one-file-system "$cache.new"
      return 0
    fi
    $sudo mv "$cache.new" "$cache"
  fi
  $sudo cp -a "$cache" "$dir"
  $sudo cp /etc/resolv.conf "$dir/etc/resolv.conf"
  $sudo cp "$report_deb" "$snapshot" "$dir/tmp/"
  $sudo mount -t proc proc "$dir/proc"
  local inside=($sudo chroot "$dir" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive)
  if ! "${inside[@]}" apt-get update -qq >"$work/chroot-apt.txt" 2>&1; then
    echo "   skipped: apt-get update in the chroot failed (is the Debian mirror reachable?)"
    $sudo umount "$dir/proc"
    $sudo rm -rf --one-file-system "$dir"
    return 0
  fi
  local status=0
  "${inside[@]}" sh -c "cd /tmp && apt-get install -y -qq --no-install-recommends ./$(basename "$report_deb")" \
    >"$work/chroot-apt.txt" 2>&1 || status=$?
  [ "$status" -eq 0 ] || tail -n 10 "$work/chroot-apt.txt" | sed 's/^/   | /'
  check "clean chroot: apt installs the headless package" 0 "$status"
  check "clean chroot: tallyquest-report runs" "tallyquest-report $(dpkg-deb -f "$report_deb" Version)" \
    "$("${inside[@]}" tallyquest-report --version 2>&1)"
  status=0
  "${inside[@]}" sh -c "cd /tmp && tallyquest-report --snapshot $(basename "$snapshot") 'CHROOT 01' && test -s 'CHROOT 01.htm'" \
    >"$work/chroot-report.txt" 2>&1 || status=$?
  [ "$status" -eq 0 ] || tail -n 5 "$work/chroot-report.txt" | sed 's/^/   | /'
  check "clean chroot: headless report written" 0 "$status"
  status=0
  "${inside[@]}" sh -c "cd /tmp && tallyquest-report 'CHROOT LIVE' && test -s 'CHROOT LIVE.htm'" \
    >"$work/chroot-live.txt" 2>&1 || status=$?
  [ "$status" -eq 0 ] || tail -n 5 "$work/chroot-live.txt" | sed 's/^/   | /'
  check "clean chroot: report of the machine itself written" 0 "$status"
  check "clean chroot: no Qt or X installed" "" \
    "$("${inside[@]}" dpkg -l | awk '/^ii/ {print $2}' | grep -E '^(libqt6|libx11|libxcb|qt6-)' | tr '\n' ' ')"
  $sudo umount "$dir/proc"
  $sudo rm -rf --one-file-system "$dir"
  echo "   took $((SECONDS - started)) s"
}
clean_chroot

purge
echo "== installing $report_deb alone"
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$report_deb" >/dev/null
check "headless package alone: tallyquest-report runs" "tallyquest-report $(dpkg-deb -f "$report_deb" Version)" \
  "$(tallyquest-report --version 2>&1)"
check "headless package alone: no windows program" no "$(yes_no test -e /usr/bin/tallyquest)"

echo "== installing $windows_deb"
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$windows_deb" >/dev/null
mapfile -t installed < <(dpkg -L tallyquest-report tallyquest | while read -r f; do [ -d "$f" ] || echo "$f"; done)
chmod 755 "$work"

echo "== the installed programs"
check "programs in /usr/bin" "/usr/bin/tallyquest /usr/bin/tallyquest-report" \
  "$(command -v tallyquest) $(command -v tallyquest-report)"
check "version" "tallyquest-report $(dpkg-query -W -f='${Version}' tallyquest-report)" "$(tallyquest-report --version)"
check "manual page tallyquest-report(1)" /usr/share/man/man1/tallyquest-report.1.gz "$(man -w tallyquest-report 2>&1)"
check "manual page tallyquest(1)" /usr/share/man/man1/tallyquest.1.gz "$(man -w tallyquest 2>&1)"
check "icon in the hicolor theme" yes "$(yes_no test -s /usr/share/icons/hicolor/48x48/apps/tallyquest.png)"
check "copyright files" "yes yes" \
  "$(yes_no test -s /usr/share/doc/tallyquest-report/copyright) $(yes_no test -s /usr/share/doc/tallyquest/copyright)"

check "machine's state folder, sticky and open to all" 1777 "$(stat -c %a /var/lib/tallyquest 2>&1)"

# The headless run from a folder of the user's: the report lands there, and
# the last message names it.
mkdir -p "$work/reports"
status=0
(cd "$work/reports" && tallyquest-report --snapshot "$snapshot" "PKG 01") 2>"$work/report.txt" || status=$?
check "headless run: exit status" 0 "$status"
check "headless run: report in the current folder" yes "$(yes_no test -s "$work/reports/PKG 01.htm")"
check "headless run: nothing in /usr/bin" no "$(yes_no test -e "/usr/bin/PKG 01.htm")"
check "headless run: message names the report" yes \
  "$(yes_no grep -q "^The file is saved on .*reports.PKG 01\.htm$" "$work/report.txt")"

# The windows, started with the menu entry's command under Xvfb, in a fresh
# home: the main window shows; a report made through it lands in the
# documents folder, and the viewer (a stand-in here) is asked to open it.
echo "== the windows under Xvfb"
entry=/usr/share/applications/tallyquest.desktop
command=$(sed -n 's/^Exec=//p' "$entry")
check "menu entry runs tallyquest" tallyquest "$command"
mkdir -p "$work/home" "$work/bin"
printf '#!/bin/sh\nprintf "%%s\\n" "$1" >> "%s/opened.txt"\n' "$work" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
cat >"$work/gui.sh" <<SCRIPT
#!/usr/bin/env bash
# Inside xvfb-run: start the windows, wait for the main window, then make a
# report through the keyboard as a user would.
export HOME=$work/home PATH=$work/bin:\$PATH TALLYQUEST_SNAPSHOT=$snapshot
unset XDG_CONFIG_HOME XDG_DOCUMENTS_DIR
$command &
pid=\$!
trap 'kill \$pid 2>/dev/null' EXIT
find_window() {  # find_window TITLE [TRIES]: the visible window of that title
  for _ in \$(seq 1 \${2:-60}); do
    w=\$(xdotool search --onlyvisible --name "^\$1\\\$" 2>/dev/null | head -n1)
    [ -n "\$w" ] && { echo "\$w"; return 0; }
    kill -0 \$pid 2>/dev/null || return 1
    sleep 0.5
  done
  return 1
}
gone() { if kill -0 \$pid 2>/dev/null; then echo "not shown in time"; else wait \$pid; echo "the program ended with status \$?"; fi; }
main=\$(find_window Tallyquest 120) || { printf 'no main window: '; gone; exit 1; }
echo "main window \$(xwininfo -id "\$main" | sed -n 's/^ *Width: //p')x\$(xwininfo -id "\$main" | sed -n 's/^ *Height: //p')"
# The start notice bears the same title while the program loads: press
# "create report" on whichever window is up until the dialog answers.
dialog=""
for _ in \$(seq 1 15); do
  main=\$(find_window Tallyquest) || { printf 'no main window: '; gone; exit 1; }
  xdotool windowfocus --sync "\$main" key alt+r
  dialog=\$(find_window "Set Filename" 4) && break
done
[ -n "\$dialog" ] || { printf 'no report-name dialog: '; gone; exit 1; }
xdotool windowfocus --sync "\$dialog" type "PKG GUI"
xdotool key Return
saved=\$(find_window "File is saved" 120) || { printf 'no saved message: '; gone; exit 1; }
xdotool windowfocus --sync "\$saved" key Return
for _ in \$(seq 1 40); do kill -0 \$pid 2>/dev/null || break; sleep 0.5; done
if kill -0 \$pid 2>/dev/null; then echo "still running"; exit 1; fi
echo "ended"
SCRIPT
chmod +x "$work/gui.sh"
status=0
timeout 300 xvfb-run -a -s "-screen 0 1280x1024x24" "$work/gui.sh" >"$work/gui.txt" 2>"$work/gui-err.txt" || status=$?
sed 's/^/   /' "$work/gui.txt"
[ "$status" -eq 0 ] || sed 's/^/   | /' "$work/gui-err.txt" | tail -n 20
check "windows: main window shown, report made, program ended" 0 "$status"
check "windows: report in the documents folder" yes "$(yes_no test -s "$work/home/Documents/PKG GUI.htm")"
check "windows: viewer asked to open it" "$work/home/Documents/PKG GUI.htm" "$(cat "$work/opened.txt" 2>/dev/null)"

echo "== removing the packages"
DEBIAN_FRONTEND=noninteractive $sudo apt-get purge -y -qq tallyquest tallyquest-report >/dev/null
check "packages removed" "no no" "$(yes_no dpkg -s tallyquest) $(yes_no dpkg -s tallyquest-report)"
check "machine's state folder removed" no "$(yes_no test -e /var/lib/tallyquest)"
left=()
for f in "${installed[@]}"; do [ ! -e "$f" ] || left+=("$f"); done
check "no file left behind" "" "${left[*]}"

if [ ${#failures[@]} -gt 0 ]; then
  echo "failed package checks: ${failures[*]}"
  exit 1
fi
echo "== package checks passed"
