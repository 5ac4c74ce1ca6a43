#!/usr/bin/env bash
# A test program on an ext4 image, where writes are deferred and runs of new files renamed in
# the background; then a check of the image after unmounting.
#   volume-ext4.sh TEST_PROGRAM
set -euo pipefail
. "$(dirname "$0")/../lib.sh"
need mkfs.ext4 e2fsck mount umount
under_read_only_root "$0" "$@"
program=$1
work=$(mktemp -d)
volume=$work/volume
mkdir "$volume"
trap 'umount "$volume" 2>/dev/null || true; rm -rf "$work"' EXIT
truncate -s 64M "$work/ext4.img"
mkfs.ext4 -q -F "$work/ext4.img"
mount -o loop "$work/ext4.img" "$volume"
# Programs that make their folders in the temporary folder make them on this volume too.
ORMAVELL_TEST_KIND=local ORMAVELL_TEST_VOLUME="$volume" TMPDIR="$volume" "$program"
umount "$volume"
e2fsck -fn "$work/ext4.img" >/dev/null || fail "the ext4 image does not check clean"
finish "ok: the ext4 image checks clean"
