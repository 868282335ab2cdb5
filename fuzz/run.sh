#!/usr/bin/env bash
# Builds the fuzz targets with clang in the folder given and runs them one
# after the other within a time budget (seconds for all of them together:
# second argument, FUZZ_TIME, or 240), shared out evenly. Exits non-zero
# when a target finds a crash, a leak or undefined behaviour; what it found
# is left in BUILD_DIR/artifacts.
set -euo pipefail
build=${1:?usage: fuzz/run.sh BUILD_DIR [SECONDS]}
budget=${2:-${FUZZ_TIME:-240}}
targets=(wql snapshot report_snapshot report_root ocs_reply ocs_inventory edid)
seconds=$((budget / ${#targets[@]}))
[ "$seconds" -ge 1 ] || seconds=1
root=$(cd "$(dirname "$0")/.." && pwd)

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTQ_FUZZ=ON -DTQ_UI=OFF -DTQ_TESTS=OFF >/dev/null
cmake --build "$build" --target "${targets[@]/%/_fuzz}" -j "${JOBS:-2}"

status=0
mkdir -p "$build/artifacts"
# Seeds: the query and snapshot samples; the whole-report targets start from
# the snapshots and from a recorded machine's files joined by "@@".
seeds="$build/seeds"
mkdir -p "$seeds/report_root"
{
  printf '\x00\x18\x00\x00\x01\x02\x00\x00\x03\x1F\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00Vendor\x001.0\x00\x00'
  printf '\x09\x11\x01\x00\x01\xA5\x0D\x04\x03\x00\x00\x00\x00\x00\x00\x00\x00SLOT1\x00\x00\x7F\x04\x02\x00\x00\x00@@'
  printf '@@processor\t: 0\nvendor_id\t: GenuineIntel\nmodel name\t: Intel(R) Core(TM) i5\n\n@@'
  printf 'PRETTY_NAME="Debian GNU/Linux 12"\nVERSION_ID="12"\n@@22 1 8:1 / / rw - ext4 /dev/sda1 rw\n@@'
  printf 'MemTotal: 16318480 kB\n@@6.1.0-18-amd64@@#1 SMP Debian 6.1.76-1 (2024-02-01)@@host@@Model@@Maker@@1.0@@'
  printf '0x8086@@0x15f3@@0x020000@@0x03@@976773168@@Disk@@@@00:11:22:33:44:55@@up@@'
  printf 'Codec: Realtek ALC892\nVendor Id: 0x10ec0892\n@@XKBLAYOUT="de"\n'
} >"$seeds/report_root/machine"

for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  args=(-max_total_time="$seconds" -max_len=4096 -artifact_prefix="$build/artifacts/${target}_" -print_final_stats=1)
  if [[ -f "$root/fuzz/$target.dict" ]]; then args+=(-dict="$root/fuzz/$target.dict"); fi
  case $target in
    report_snapshot) inputs=("$root/fuzz/corpus/snapshot") ;;
    report_root) inputs=("$seeds/report_root"); args+=(-max_len=16384) ;;
    ocs_inventory) inputs=("$root/fuzz/corpus/inventory" "$root/fuzz/corpus/snapshot"); args+=(-max_len=8192) ;;
    edid) inputs=("$root/tests/data/edid") ;;
    *) inputs=("$root/fuzz/corpus/$target") ;;
  esac
  echo "== ${target}_fuzz for ${seconds}s"
  if ! "$build/fuzz/${target}_fuzz" "${args[@]}" "$corpus" "${inputs[@]}"; then
    echo "${target}_fuzz: finding in $build/artifacts" >&2
    status=1
  fi
done
exit "$status"
