#!/usr/bin/env bash
# An install and a remove on an NTFS volume mounted with ntfs-3g; after each, the attributes
# and the settings files are read from the unmounted image with ntfsinfo and ntfscat.
#   ntfs_volume_test.sh DRESS_VOLUME
set -eu
here=$(cd "$(dirname "$0")" && pwd)
tool=$1
. "$here/../lib.sh"
# The install and remove run under the read-only root, on the image's volume only.
under_read_only_root "$0" "$@"
work=$(mktemp -d)
img=$work/ntfs.img m=$work/m
cleanup() { ntfs_unmount "$m"; rm -rf "$work"; }
trap cleanup EXIT

check() {  # check STAGE
  for f in /Desktop.INI /A/Desktop.INI /A/A1/Desktop.INI /B/desktop.ini; do
    expect "$1: $f" "$(ntfs_attributes "$img" $f)" "HIDDEN SYSTEM (0x00000006)"
  done
  # Folders made on NTFS carry archive, and the folder step keeps every bit it does not set.
  for d in /A /A/A1 /B; do
    expect "$1: $d" "$(ntfs_attributes "$img" $d)" "READONLY ARCHIVE (0x00000021)"
  done
  ntfscat "$img" /A/A1/Desktop.INI > "$work/a1.ini"
  ntfscat "$img" /B/desktop.ini > "$work/b.ini"
}

ntfs_image "$img"
mkdir -p "$m"
ntfs_mount "$img" "$m"
mkdir -p "$m/A/A1" "$m/B" "$m/$deep_folder"
foreign_bytes > "$m/B/desktop.ini"
ntfs_unmount "$m"
printf 'JPEG' > "$work/sea.jpg"

ntfs_mount "$img" "$m"
"$tool" install "$m" "$work/sea.jpg" > "$work/install.log" || { cat "$work/install.log"; fail "install did not end with success"; }
expect_check "$tool" "$m" 0
ntfs_unmount "$m"
check install
expect "install: the picture" "$(ntfs_attributes "$img" /Ormavell.jpg)" "HIDDEN (0x00000002)"
expect_bytes "$work/a1.ini" installed_bytes
expect_bytes "$work/b.ini" foreign_installed_bytes
[ "$(ntfsls -p /B "$img" | grep -ci '^desktop.ini$')" = 1 ] || fail "install made a second settings file beside desktop.ini"

ntfs_mount "$img" "$m"
"$tool" remove "$m" > "$work/remove.log" || { cat "$work/remove.log"; fail "remove did not end with success"; }
expect_check "$tool" "$m" 1
ntfs_unmount "$m"
check remove
root=$(ntfsls -p / "$img") || die "ntfsls could not list the volume's root"
grep -qi '^Ormavell' <<< "$root" && fail "remove left the picture"
expect_bytes "$work/a1.ini" removed_bytes
expect_bytes "$work/b.ini" foreign_removed_bytes
finish "NTFS volume: install and remove checked on disk"
