#!/usr/bin/env bash
# An install and a remove on a FAT32 volume, inside a virtual machine whose kernel has vfat;
# after each, the attribute bytes and the settings files are read from the unmounted image.
#   fat_volume_test.sh DRESS_VOLUME VM_RUN
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../lib.sh"
if [ "${1:-}" = --inside ]; then
  tool=$2 work=$3
  # The throw-away machine is the install's read-only root: nothing of this machine is written.
  export ORMAVELL_DISPOSABLE_MACHINE=1
  img=$work/fat.img m=$work/m
  export MTOOLS_SKIP_CHECK=1
  check() {  # check STAGE
    for f in /Desktop.INI /A/Desktop.INI /A/A1/Desktop.INI /B/desktop.ini; do
      expect "$1: $f" "$(fat_attributes "$img" $f)" SH
    done
    for d in /A /A/A1 /B; do
      expect "$1: $d" "$(fat_attributes "$img" $d)" R
    done
    mcopy -n -i "$img" ::/A/A1/Desktop.INI "$work/a1.ini"
    mcopy -n -i "$img" ::/B/desktop.ini "$work/b.ini"
  }
  mkdir -p "$m"
  mount -o loop,iocharset=utf8 "$img" "$m"
  "$tool" install "$m" "$work/sea.jpg" > "$work/install.log" || { cat "$work/install.log"; fail "install did not end with success"; }
  expect_check "$tool" "$m" 0
  umount "$m"
  check install
  expect "install: the picture" "$(fat_attributes "$img" /Ormavell.jpg)" H
  expect_bytes "$work/a1.ini" installed_bytes
  expect_bytes "$work/b.ini" foreign_installed_bytes
  # The walk's order: root, then each folder before the folders below it.
  grep -q "^  $m/A/A1/\$" "$work/install.log" || fail "install log lacks A1"

  mount -o loop,iocharset=utf8 "$img" "$m"
  "$tool" remove "$m" > "$work/remove.log" || { cat "$work/remove.log"; fail "remove did not end with success"; }
  expect_check "$tool" "$m" 1
  umount "$m"
  check remove
  root=$(mdir -b -i "$img" ::/) || die "mdir could not list the volume's root"
  printf '%s\n' "$root" | grep -qi '^::/Ormavell\.' && fail "remove left the picture"
  expect_bytes "$work/a1.ini" removed_bytes
  expect_bytes "$work/b.ini" foreign_removed_bytes
  fsck.vfat -n "$img" > /dev/null || fail "the file system is not clean"
  finish "FAT32 volume: install and remove checked on disk"
fi

tool=$1 vmrun=$2
[ -x "$vmrun" ] || die "vm-run not found at $vmrun"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export MTOOLS_SKIP_CHECK=1
truncate -s 300M "$work/fat.img"
mkfs.vfat -F 32 -n ORMTEST "$work/fat.img" > /dev/null
mmd -i "$work/fat.img" ::/A ::/A/A1 ::/B "::/${deep_folder%/*}" "::/$deep_folder"
foreign_bytes > "$work/foreign.ini"
mcopy -i "$work/fat.img" "$work/foreign.ini" ::/B/desktop.ini
printf 'JPEG' > "$work/sea.jpg"
"$vmrun" --out "$work" -- "bash '$here/fat_volume_test.sh' --inside '$tool' '$work'"
