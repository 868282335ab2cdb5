#!/usr/bin/env bash
# Builds the provider's fuzz targets with clang and libFuzzer and runs each
# for a bounded time. Exits non-zero when a target finds a crash.
# usage: platform/linux/fuzz/run.sh BUILD_DIR [SECONDS_PER_TARGET]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
build=${1:?usage: run.sh BUILD_DIR [SECONDS]}
seconds=${2:-60}
mkdir -p "$build"
src="$root/platform/linux"
for target in smbios_fuzz sysfs_fuzz; do
  echo "== building $target"
  clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I"$root" \
    "$here/$target.cpp" "$src/smbios.cpp" "$src/sysfs.cpp" "$src/ids.cpp" "$root/wmi/cimdate.cpp" -o "$build/$target"
done

# Seeds: the shared firmware tables when present, and a few text samples.
seeds="$build/seeds"
mkdir -p "$seeds/smbios" "$seeds/sysfs"
if [ -d "$root/../shared/testdata/smbios" ]; then
  cp "$root"/../shared/testdata/smbios/*.d* "$seeds/smbios/" 2>/dev/null || true
fi
printf '\x0022 1 259:2 / / rw,relatime - ext4 /dev/nvme0n1p2 rw\n' >"$seeds/sysfs/mountinfo"
printf '\x01processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\n\n' >"$seeds/sysfs/cpuinfo"
printf '\x02PRETTY_NAME="Debian GNU/Linux 12"\n' >"$seeds/sysfs/osrelease"
printf '\x04#1 SMP Debian 6.1.76-1 (2024-02-01)' >"$seeds/sysfs/version"
printf '\x068086  Intel Corporation\n\t15f3  Ethernet\n' >"$seeds/sysfs/ids"

status=0
for target in smbios_fuzz sysfs_fuzz; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  seed="$seeds/${target%_fuzz}"
  echo "== $target for ${seconds}s"
  if ! (cd "$build" && "./$target" -max_total_time="$seconds" -max_len=65536 -print_final_stats=1 \
        "$corpus" "$seed" 2>&1 | tail -n 12); then
    status=1
  fi
  if ls "$build"/crash-* "$build"/leak-* "$build"/timeout-* >/dev/null 2>&1; then
    echo "$target: finding written to $build"
    status=1
  fi
done
exit $status
