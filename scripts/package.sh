#!/usr/bin/env bash
# Builds the Debian packages dist/tallyquest-report_VERSION_ARCH.deb (the
# headless program, no Qt) and dist/tallyquest_VERSION_ARCH.deb (the
# windows, depending on it): a release build with Debian's hardening flags
# into build-package/ (PACKAGE_BUILD_DIR), then CPack's DEB generator. With
# --lint, lintian checks both packages and any error or warning fails the
# script. Prints the packages' paths, one a line, the headless one first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PACKAGE_BUILD_DIR:-$root/build-package}
dist=$root/dist
lint=0
[ "${1:-}" = --lint ] && lint=1
# Progress and lintian's findings go to standard error; standard output
# carries only the packages' paths.
exec 3>&1 1>&2

"$root/scripts/setup.sh" core ui linux-provider package

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTQ_PACKAGING=ON -DTQ_TESTS=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" -j "${JOBS:-$(nproc)}"
[ -x "$build/app/tallyquest" ] || { echo "package: the windows program was not built (Qt 6 missing?)" >&2; exit 1; }

# Only this version's packages are replaced; the staging folder goes away.
mkdir -p "$dist"
(cd "$build" && cpack -G DEB -B "$dist" >/dev/null)
rm -rf "$dist/_CPack_Packages"
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
debs=()
for name in tallyquest-report tallyquest; do
  deb=$dist/${name}_${version}_$(dpkg --print-architecture).deb
  [ -f "$deb" ] || { echo "package: no $deb" >&2; exit 1; }
  debs+=("$deb")
done

if [ $lint -eq 1 ]; then
  lintian --fail-on error,warning --tag-display-limit 0 "${debs[@]}"
fi
printf '%s\n' "${debs[@]}" >&3
