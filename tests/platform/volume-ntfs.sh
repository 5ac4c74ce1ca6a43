#!/usr/bin/env bash
# The file service tests on an NTFS image mounted with ntfs-3g, then the bits on disk, read
# with ntfsinfo after unmounting.
#   volume-ntfs.sh TEST_PROGRAM ATTR_TOOL
set -euo pipefail
. "$(dirname "$0")/../lib.sh"
need mkntfs ntfs-3g ntfsinfo setfattr mountpoint
under_read_only_root "$0" "$@"
program=$1
tool=$2
work=$(mktemp -d)
image=$work/ntfs.img
volume=$work/volume
mkdir "$volume"
cleanup() {
  ntfs_unmount "$volume"
  rm -rf "$work"
}
trap cleanup EXIT

ntfs_image "$image"
ntfs_mount "$image" "$volume"

ORMAVELL_TEST_KIND=ntfs ORMAVELL_TEST_VOLUME="$volume" "$program"

# What a dressed folder leaves, set through the file services.
mkdir "$volume/Games"
echo '[.ShellClassInfo]' >"$volume/Games/desktop.ini"
echo picture >"$volume/Ormavell.jpg"
echo text >"$volume/plain.txt"
echo text >"$volume/indexed.txt"
setfattr -n system.ntfs_attrib_be -v 0x00002020 "$volume/indexed.txt"  # not content indexed
"$tool" set 6 "$volume/Games/desktop.ini"
"$tool" set 1 "$volume/Games"
"$tool" set 2 "$volume/Ormavell.jpg"
"$tool" set 6 "$volume/indexed.txt"
ntfs_unmount "$volume"

on_disk() { ntfs_attributes "$image" "$1"; }
expect /Games/desktop.ini "$(on_disk /Games/desktop.ini)" "HIDDEN SYSTEM (0x00000006)"
expect /Games "$(on_disk /Games)" "READONLY (0x00000001)"
expect /Ormavell.jpg "$(on_disk /Ormavell.jpg)" "HIDDEN (0x00000002)"
expect /plain.txt "$(on_disk /plain.txt)" "ARCHIVE (0x00000020)"
expect /indexed.txt "$(on_disk /indexed.txt)" "HIDDEN SYSTEM NOT_CONTENT_INDEXED (0x00002006)"
# user.DOSATTRIB would have become an alternate data stream; none may be there.
info=$(ntfsinfo -F /Games/desktop.ini "$image") || die "ntfsinfo could not read /Games/desktop.ini"
if grep -q "Attribute name:.*DOSATTRIB" <<< "$info"; then
  fail "a DOSATTRIB stream was written to NTFS"
fi
finish
