#!/usr/bin/env bash
# engine_bench's rows on a FAT32 volume, inside ../shared/tools/vm-run (this machine's kernel
# has no vfat). The image is a file of the shared folder, written through to this machine as a
# stick's blocks would be, or (memory) a file in the machine's own memory.
#   bench/fat_bench.sh [FOLDERS] [shared|memory] [MOUNT OPTIONS]
# Defaults: 3000 folders, shared, iocharset=utf8. Needs build/default/bench/engine_bench.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
folders=${1:-3000} where=${2:-shared} options=${3:-iocharset=utf8}
bench=${ENGINE_BENCH:-$repo/build/default/bench/engine_bench}
vmrun=${VM_RUN:-$repo/../shared/tools/vm-run}

if [ "$folders" = --inside ]; then
  # Inside the throw-away machine, which is the benchmark's read-only root.
  export ORMAVELL_DISPOSABLE_MACHINE=1
  image=$2/fat.img
  truncate -s 1G "$image"
  mkfs.vfat -F 32 "$image" > /dev/null
  mkdir -p /tmp/fat
  mount -o "loop,$3" "$image" /tmp/fat
  "$4" /tmp/fat "$5"
  umount /tmp/fat
  exit
fi

[ -x "$bench" ] || { echo "build engine_bench first: cmake --build build/default --target engine_bench"; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
[ "$where" = memory ] && folder=/tmp || folder=$out
echo "FAT32, $folders folders, image in the ${where} folder, mounted with $options"
"$vmrun" --timeout 1800 --out "$out" -- \
  "bash '$repo/bench/fat_bench.sh' --inside '$folder' '$options' '$bench' '$folders'"
