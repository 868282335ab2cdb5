#!/usr/bin/env bash
# Packs the Windows programs for operators: dist/tallyquest-VERSION-win64.zip
# with tallyquest.exe, tallyquest-report.exe and a short read-me. Takes the
# cross build's folder (WIN_BUILD_DIR, default build-win/), which
# scripts/windows-test.sh makes and checks; builds nothing itself.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WIN_BUILD_DIR:-$root/build-win}
die() { printf 'windows-dist: %s\n' "$*" >&2; exit 1; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt" 2>/dev/null || true)
[ -n "$version" ] || die "no configured build in $build"
for exe in tallyquest.exe tallyquest-report.exe; do
  [ -f "$build/app/$exe" ] || die "no $build/app/$exe"
done
command -v zip >/dev/null || die "zip is missing (scripts/setup.sh windows installs it)"

name=tallyquest-$version-win64
stage=$(mktemp -d "${TMPDIR:-/tmp}/tq-dist.XXXXXX")
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/$name"
cp "$build/app/tallyquest.exe" "$build/app/tallyquest-report.exe" "$stage/$name/"
# The read-me with Windows line ends, the version filled in.
sed "s/@VERSION@/$version/g" "$root/scripts/windows-readme.txt" | sed 's/$/\r/' >"$stage/$name/README.txt"

mkdir -p "$root/dist"
out=$root/dist/$name.zip
rm -f "$out.tmp"
(cd "$stage" && zip -q -X -r "$out.tmp" "$name")
mv -f "$out.tmp" "$out"
echo "wrote $out"
