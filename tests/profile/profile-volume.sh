#!/usr/bin/env bash
# The profile writer on an NTFS image (ntfs-3g) or a FAT32 image (inside vm-run, since this
# machine's kernel has no vfat): the test rewrites a hidden, system and read-only Desktop.INI
# there, and the bits on disk are read after unmounting with the file system's own tools.
#   profile-volume.sh ntfs TEST_PROGRAM
#   profile-volume.sh fat VM_RUN TEST_PROGRAM
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

. "$here/../lib.sh"

kind=$1
shift
filter=--gtest_filter='ProfileWriterOnVolume.*'
case "$kind" in
  ntfs)
    need mkntfs ntfs-3g ntfsinfo mountpoint
    under_read_only_root "$0" ntfs "$@"
    program=$1
    work=$(mktemp -d)
    volume=$work/volume
    mkdir "$volume"
    cleanup() {
      ntfs_unmount "$volume"
      rm -rf "$work"
    }
    trap cleanup EXIT
    ntfs_image "$work/ntfs.img"
    ntfs_mount "$work/ntfs.img" "$volume"
    ORMAVELL_TEST_VOLUME="$volume" "$program" "$filter"
    ntfs_unmount "$volume"
    bits() { ntfs_attributes "$work/ntfs.img" "$1"; }
    expect /Desktop.INI "$(bits /Desktop.INI)" \
      "READONLY HIDDEN SYSTEM NOT_CONTENT_INDEXED (0x00002007)"
    expect /plain.ini "$(bits /plain.ini)" "(0x00000000)"
    ;;
  fat)
    vm_run=$1
    program=$2
    [ -x "$vm_run" ] || die "vm-run not found at $vm_run"
    exec "$vm_run" --timeout 280 -- "$here/profile-volume.sh fat-inside $(printf '%q' "$program")"
    ;;
  fat-inside)
    need mkfs.vfat mattrib mount umount
    # Inside the throw-away machine the tests need no read-only root of their own.
    export ORMAVELL_DISPOSABLE_MACHINE=1
    program=$1
    image=/tmp/ormavell-profile-fat.img
    volume=/tmp/ormavell-profile-fat
    truncate -s 64M "$image"
    mkfs.vfat -n ORMTEST "$image" >/dev/null
    mkdir -p "$volume"
    mount -o loop,iocharset=utf8 "$image" "$volume"
    ORMAVELL_TEST_VOLUME="$volume" "$program" "$filter"
    umount "$volume"
    bits() { fat_attributes "$image" "$1"; }
    expect /Desktop.INI "$(bits /Desktop.INI)" SHR
    expect /plain.ini "$(bits /plain.ini)" ""
    ;;
  *) die "unknown volume kind $kind" ;;
esac
finish
