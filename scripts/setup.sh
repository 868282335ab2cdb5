#!/usr/bin/env bash
# Installs the Debian packages of the lists named (scripts/packages/NAME.txt)
# that are not installed yet; without names, every list but those of the
# Windows cross build, the Debian package and the inventory server. Needs
# root (or sudo) on Debian 12.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
lists=()
if [ $# -gt 0 ]; then
  for name in "$@"; do lists+=("$here/packages/$name.txt"); done
else
  for f in "$here"/packages/*.txt; do
    case "$(basename "$f")" in windows.txt | package.txt | ocs-server.txt | tidy.txt) ;; *) lists+=("$f") ;; esac
  done
fi
mapfile -t wanted < <(cat "${lists[@]}" | sed 's/#.*//' | tr -s ' \t' '\n' | sed '/^$/d' | sort -u)
missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
