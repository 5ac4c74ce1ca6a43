#!/usr/bin/env bash
# The file service tests on a private tmpfs mount (user.DOSATTRIB on a RAM file system).
#   volume-tmpfs.sh TEST_PROGRAM
set -euo pipefail
. "$(dirname "$0")/../lib.sh"
need unshare mount umount
# A mount namespace of our own: the tmpfs vanishes with the script whatever happens.
under_read_only_root "$0" "$@"
program=$1
volume=$(mktemp -d)
trap 'umount "$volume" 2>/dev/null || true; rmdir "$volume"' EXIT
mount -t tmpfs -o size=64m ormavell-test "$volume"
ORMAVELL_TEST_KIND=tmpfs ORMAVELL_TEST_VOLUME="$volume" "$program"
