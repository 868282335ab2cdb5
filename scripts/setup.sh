#!/usr/bin/env bash
# Installs the Debian packages of the lists named (scripts/packages/NAME.txt)
# that are not installed yet; without names, every list but those of the
# Windows cross build, the Debian package, the inventory server, clang-tidy
# and the floor benchmarks. Needs
# root (or sudo) on Debian 12 when something is missing. apt is quiet unless
# it fails.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
lists=()
if [ $# -gt 0 ]; then
  for name in "$@"; do lists+=("$here/packages/$name.txt"); done
else
  for f in "$here"/packages/*.txt; do
    case "$(basename "$f")" in windows.txt | package.txt | ocs-server.txt | tidy.txt | bench.txt) ;; *) lists+=("$f") ;; esac
  done
fi
mapfile -t wanted < <(cat "${lists[@]}" | sed 's/#.*//' | tr -s ' \t' '\n' | sed '/^$/d' | sort -u)
missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null 2>&1; then
    echo "setup: installing ${missing[*]} needs root: run this as root, or install sudo" >&2
    exit 1
  fi
  sudo=sudo
fi
echo "Installing: ${missing[*]}"
log=$(mktemp "${TMPDIR:-/tmp}/tq-setup.XXXXXX")
trap 'rm -f "$log"' EXIT
if ! { $sudo apt-get update -qq &&
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"; } >"$log" 2>&1; then
  cat "$log" >&2
  echo "setup: apt-get failed" >&2
  exit 1
fi
