#!/usr/bin/env bash
# The Linux program's command line on a real volume below /mnt: standard output carries byte
# for byte the window's transcript for the same tree (dress_volume logs what the engine gives
# the window), the exit statuses, and the drives that are refused.
#   command_line_test.sh ORMAVELL DRESS_VOLUME
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../lib.sh"
under_read_only_root "$0" "$@"
ormavell=$1 dress=$2

# run EXPECTED-STATUS ARGS...: the program's output in /tmp/out, its errors in /tmp/err.
run() {
  local expected=$1
  shift
  "$ormavell" "$@" > /tmp/out 2> /tmp/err
  local status=$?
  [ "$status" -eq "$expected" ] || fail "$*: status $status, not $expected: $(cat /tmp/err)"
}

# /mnt is a tmpfs of this namespace, so that a mount point can be made below it.
mount -t tmpfs ormavell-mnt /mnt
stick=/mnt/stick
mkdir "$stick"
truncate -s 16M /tmp/stick.img
mkfs.ext4 -q -F /tmp/stick.img
# strictatime: a read sets the access time, so that the check's reads can be seen to set none.
mount -o loop,strictatime /tmp/stick.img "$stick" || die "cannot mount a loop device"
trap 'umount "$stick"' EXIT
mkdir -p "$stick/A/A1" "$stick/B"
printf 'JPEG' > /tmp/sea.jpg

run 0 install "$stick" --picture /tmp/sea.jpg --text-color 0x00FFFFFF --back-color 0x00000080
cp /tmp/out /tmp/cli-install
[ ! -s /tmp/err ] || fail "install wrote to standard error: $(cat /tmp/err)"
"$dress" install "$stick" /tmp/sea.jpg > /tmp/window-install
cmp /tmp/cli-install /tmp/window-install || fail "install: the log differs from the window's"

# The check of the dressed volume: every folder as a reader shows it, nothing changed, access
# times included; a folder too deep for a folder-relative entry is noted, not failed.
mkdir -p "$stick/$deep_folder"
# Black text and no background: the choices not given.
run 0 install "$stick" --picture /tmp/sea.jpg
expect_bytes "$stick/$deep_folder/Desktop.INI" installed_bytes '\Ormavell.jpg' 0x00000000 ''
expect_bytes "$stick/A/A1/Desktop.INI" installed_bytes '..\..\Ormavell.jpg' 0x00000000 ''
# Files' access times far in the past: any read of the check would set them to now. Folders'
# access times are left out, as the snapshot's own listings set them on this mount.
find "$stick" ! -type d -exec touch -a -h -d @1000000000 {} +
snapshot() {
  { find "$stick" -type d -exec stat -c '%n %Y %Z %a' {} +
    find "$stick" ! -type d -exec stat -c '%n %X %Y %Z %a' {} +; } | sort
  getfattr -R -d -m - "$stick" 2>/dev/null
}
snapshot > /tmp/before-check
run 0 check "$stick"
snapshot > /tmp/after-check
cmp -s /tmp/before-check /tmp/after-check || fail "the check changed the volume: $(diff /tmp/before-check /tmp/after-check)"
[ "$(grep -c ': примечание: ' /tmp/out)" = 1 ] && grep -q "^  $stick/$deep_folder/: примечание: " /tmp/out ||
  fail "check: not one note for the deep folder: $(cat /tmp/out)"
tail -n 1 /tmp/out | grep -qx '\*\*\* Проверено папок: 7, оформлено: 7, не оформлено: 0, с примечанием: 1' ||
  fail "check: summary $(tail -n 1 /tmp/out)"
setfattr -n user.DOSATTRIB -v 0x10 "$stick/A"
run 1 check "$stick"
grep -qx "  $stick/A/: папка не только для чтения и не системная: Windows 98–XP не открывают её Desktop.INI" /tmp/out ||
  fail "check did not name A: $(cat /tmp/out)"
run 2 check /tmp

# A relative path names the same place.
cd "$stick/A" || die "cannot enter $stick/A"
run 0 remove ..
cd /
cp /tmp/out /tmp/cli-remove
"$dress" install "$stick" /tmp/sea.jpg > /dev/null
"$dress" remove "$stick" > /tmp/window-remove
cmp /tmp/cli-remove /tmp/window-remove || fail "remove: the log differs from the window's"
grep -qx "  Удалён файл $stick/Ormavell.jpg..." /tmp/cli-remove || fail "remove deleted no picture"

run 1 install "$stick/" --picture /tmp/missing.jpg
run 2 install "$stick" --picture /tmp/sea.jpg --back-color white
# The system disk, a volume the list does not offer, and a folder that is no drive's root.
mkdir "$stick/C"
for refused in / /tmp "$stick/C"; do
  run 2 install "$refused" --picture /tmp/sea.jpg
  [ "$(wc -l < /tmp/err)" -eq 1 ] && grep -q '^ormavell: ' /tmp/err ||
    fail "$refused: not refused in one line: $(cat /tmp/err)"
  [ ! -s /tmp/out ] || fail "$refused: a log was written"
done
[ ! -e "$stick/C/Desktop.INI" ] && [ ! -e "$stick/C/Ormavell.jpg" ] ||
  fail "a refused run dressed a folder"

finish "Linux command line checked on an ext4 volume below /mnt"
