#!/usr/bin/env bash
# The file service tests on a FAT32 image. This machine's kernel has no vfat, so the image is
# made, mounted, tested and checked inside vm-run; the bits on disk are read with mtools after
# unmounting.
#   volume-fat.sh VM_RUN TEST_PROGRAM ATTR_TOOL
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../lib.sh"
if [ "${1:-}" != --inside ]; then
  vm_run=$1
  shift
  [ -x "$vm_run" ] || die "vm-run not found at $vm_run"
  exec "$vm_run" --timeout 280 -- "$here/volume-fat.sh --inside $(printf '%q ' "$@")"
fi
shift
# Inside the throw-away machine the tests need no read-only root of their own.
export ORMAVELL_DISPOSABLE_MACHINE=1
program=$1
tool=$2
need mkfs.vfat mattrib mount umount
image=/tmp/ormavell-fat.img
volume=/tmp/ormavell-fat
truncate -s 300M "$image"
mkfs.vfat -F 32 -n ORMTEST "$image" >/dev/null
mkdir -p "$volume"
mount -o loop,iocharset=utf8 "$image" "$volume"

ORMAVELL_TEST_KIND=fat ORMAVELL_TEST_VOLUME="$volume" "$program"
# Mounted as a desktop mounts a stick (utf8=1 over the default ASCII iocharset), vfat finds
# names whatever their case; the tests that depend on it run again.
umount "$volume"
mount -o loop,utf8=1 "$image" "$volume"
ORMAVELL_TEST_KIND=fat-nocase ORMAVELL_TEST_VOLUME="$volume" "$program" \
  --gtest_filter='*IgnoreCase*:*CopyOntoItself*:*AttributesSetThroughAFolder*'

# What a dressed folder leaves, set through the file services after the content is written
# (a write on FAT turns the archive bit back on).
mkdir "$volume/Games" "$volume/Plain folder"
printf '[.ShellClassInfo]\r\n' >"$volume/Games/desktop.ini"
echo picture >"$volume/Ormavell.jpg"
echo text >"$volume/plain.txt"
echo text >"$volume/kept.txt"
"$tool" set 6 "$volume/Games/desktop.ini"
"$tool" set 1 "$volume/Games"
"$tool" set 2 "$volume/Ormavell.jpg"
"$tool" set 21 "$volume/kept.txt"
umount "$volume"

on_disk() { fat_attributes "$image" "$1"; }
expect /Games/desktop.ini "$(on_disk /Games/desktop.ini)" SH
expect /Games "$(on_disk /Games)" R
expect "/Plain folder" "$(on_disk '/Plain folder')" ""
expect /Ormavell.jpg "$(on_disk /Ormavell.jpg)" H
expect /plain.txt "$(on_disk /plain.txt)" A
expect /kept.txt "$(on_disk /kept.txt)" AR
finish
