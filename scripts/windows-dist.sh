#!/usr/bin/env bash
# Packs the Windows programs for operators: dist/tallyquest-VERSION-win64.zip
# with tallyquest.exe and tallyquest-report.exe (debug data stripped), a
# short read-me and the licence texts of all that the programs carry: ours,
# and the notices of nlohmann-json, pugixml, zlib and the mingw-w64 runtime
# with winpthreads and GCC's runtime, as their Debian packages state them.
# Takes the cross build's folder (WIN_BUILD_DIR, default build-win/), which
# scripts/windows-test.sh makes and checks; builds nothing itself.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WIN_BUILD_DIR:-$root/build-win}
die() { printf 'windows-dist: %s\n' "$*" >&2; exit 1; }
cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt" 2>/dev/null || true; }

version=$(cache CMAKE_PROJECT_VERSION)
[ -n "$version" ] || die "no configured build in $build"
for exe in tallyquest.exe tallyquest-report.exe; do
  [ -f "$build/app/$exe" ] || die "no $build/app/$exe"
done
command -v zip >/dev/null || die "zip is missing (scripts/setup.sh windows installs it)"
triple=x86_64-w64-mingw32

name=tallyquest-$version-win64
stage=$(mktemp -d "${TMPDIR:-/tmp}/tq-dist.XXXXXX")
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/$name/licenses"
# Nothing beside the programs: only DLLs that every Windows has.
needs=$(bash "$root/scripts/windows-imports.sh" "$build/app/tallyquest.exe" "$build/app/tallyquest-report.exe") ||
  die "DLLs that Windows does not bring: $needs"
for exe in tallyquest.exe tallyquest-report.exe; do
  $triple-strip --strip-all -o "$stage/$name/$exe" "$build/app/$exe"
  if $triple-objdump -h "$stage/$name/$exe" | grep -q ' \.debug_'; then die "$exe still holds debug data"; fi
done

# Text files with Windows line ends.
dos() { sed 's/\r$//; s/$/\r/' "$1" >"$2"; }
dos_or_die() { [ -f "$1" ] || die "no $1 (is its Debian package installed?)"; dos "$1" "$2"; }
sed "s/@VERSION@/$version/g" "$root/scripts/windows-readme.txt" | sed 's/$/\r/' >"$stage/$name/README.txt"
doc=/usr/share/doc
licenses=$stage/$name/licenses
dos_or_die "$root/LICENSE" "$licenses/Tallyquest.txt"
dos_or_die "$doc/nlohmann-json3-dev/copyright" "$licenses/nlohmann-json.txt"
dos_or_die "$doc/libz-mingw-w64-dev/copyright" "$licenses/zlib.txt"
dos_or_die "$doc/mingw-w64-x86-64-dev/copyright" "$licenses/mingw-w64-runtime-and-winpthreads.txt"
dos_or_die "$doc/gcc-mingw-w64-base/copyright" "$licenses/gcc-runtime.txt"
# pugixml comes from Debian's source package (its debian/copyright), or from
# the host's library package when the build used that source's folder.
pugixml=$(cache TQ_PUGIXML_SOURCE)/debian/copyright
[ -f "$pugixml" ] || pugixml=$doc/libpugixml1v5/copyright
dos_or_die "$pugixml" "$licenses/pugixml.txt"

mkdir -p "$root/dist"
out=$root/dist/$name.zip
rm -f "$out.tmp"
(cd "$stage" && zip -q -X -r "$out.tmp" "$name")
mv -f "$out.tmp" "$out"
echo "wrote $out"
