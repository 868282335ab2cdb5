#!/usr/bin/env bash
# Fetches Debian's source of pugixml into FOLDER (for builds without the
# host's libpugixml, such as the Windows cross build) and prints the folder
# that holds src/pugixml.cpp, with the package's debian/copyright beside it
# (its licence notice, for what ships the library). Uses apt with a private deb-src list and state
# folder, so the system's apt configuration is left as it is.
set -euo pipefail
dest=$(mkdir -p "${1:?usage: pugixml-source.sh FOLDER}" && cd "$1" && pwd)
found=$(find "$dest" -path '*/src/pugixml.cpp' -print -quit 2>/dev/null || true)
if [ -z "$found" ]; then
  apt=$dest/apt
  mkdir -p "$apt/parts" "$apt/lists/partial"
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && sed 's/^Types:.*$/Types: deb-src/' "$f" > "$apt/parts/$(basename "$f")"
  done
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list > "$apt/parts/main.list"
  fi
  opts=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$apt/parts" -o "Dir::State::Lists=$apt/lists")
  apt-get -qq "${opts[@]}" update >/dev/null
  (cd "$dest" && apt-get -qq "${opts[@]}" source --download-only pugixml >/dev/null 2>&1)
  tar -xzf "$(ls "$dest"/pugixml_*.orig.tar.gz | head -n1)" -C "$dest"
  rm -rf "$apt"
  found=$(find "$dest" -path '*/src/pugixml.cpp' -print -quit)
fi
[ -n "$found" ] || { echo "pugixml-source: no pugixml.cpp in $dest" >&2; exit 1; }
top=$(dirname "$(dirname "$found")")
debian=$(ls "$dest"/pugixml_*.debian.tar.* 2>/dev/null | head -n1 || true)
if [ ! -f "$top/debian/copyright" ] && [ -n "$debian" ]; then
  tar -xf "$debian" -C "$top" debian/copyright
fi
echo "$top"
