#!/usr/bin/env bash
# engine_bench's rows on a volume of its own: an ext4 or NTFS (ntfs-3g) image file on this
# machine's disk in FOLDER (default /var/tmp), mounted below /mnt under the read-only root.
# The system disk itself is never dressed, not even by a benchmark. FAT: bench/fat_bench.sh.
#   bench/volume_bench.sh ext4|ntfs [FOLDERS] [FOLDER]
# Defaults: 100000 folders. Needs build/default/bench/engine_bench; runs as root.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
bench=${ENGINE_BENCH:-$repo/build/default/bench/engine_bench}

if [ "${1:-}" = --inside ]; then
  kind=$2 image=$3/volume.img folders=$4
  truncate -s 8G "$image"
  mount -t tmpfs none /mnt
  mkdir /mnt/volume
  case "$kind" in
    # Two trees of FOLDERS folders, each with three files, need more inodes than the default.
    ext4) mkfs.ext4 -q -F -N $((folders * 10)) "$image" && mount -o loop "$image" /mnt/volume ;;
    ntfs) mkfs.ntfs -q -F -f "$image" && ntfs-3g "$image" /mnt/volume ;;
  esac
  status=0
  "$bench" /mnt/volume "$folders" || status=$?
  umount /mnt/volume
  exit $status
fi

kind=${1:-}
case "$kind" in
  ext4 | ntfs) ;;
  *) echo "usage: bench/volume_bench.sh ext4|ntfs [FOLDERS] [FOLDER]" >&2; exit 2 ;;
esac
[ -x "$bench" ] || { echo "build engine_bench first: cmake --build build/default --target engine_bench"; exit 1; }
folders=${2:-100000}
work=$(mktemp -d "${3:-/var/tmp}/ormavell-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "$kind image in $work, $folders folders"
"$repo/tests/read-only-root" --keep "$work" "$0" --inside "$kind" "$work" "$folders"
