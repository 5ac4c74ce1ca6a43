# Shell helpers of the test scripts (sourced by bash). A set-up that did not work (a tool, a
# mount, a machine) stops the script with die; a wrong result is counted by fail, and finish ends
# the script with status 1 when any check failed.

# under_read_only_root SCRIPT ARGS...: a script that mounts volumes and runs the tests on them
# starts again under tests/read-only-root, so that its volumes are the only disks they can write.
under_read_only_root() {
  if ! findmnt -rn -o OPTIONS / | tr , '\n' | grep -qx ro; then
    exec "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/read-only-root" "$@"
  fi
}

# die MESSAGE: the script stops.
die() {
  echo "FAIL: $*" >&2
  exit 1
}

# fail MESSAGE: a failed check; the script goes on (also under set -e).
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
  return 0
}

# finish [MESSAGE]: the script's end: status 1 when a check failed, else MESSAGE and status 0.
finish() {
  if [ "$failures" -gt 0 ]; then
    echo "FAIL: checks failed: $failures" >&2
    exit 1
  fi
  if [ $# -gt 0 ]; then echo "$*"; fi
  exit 0
}

# need COMMAND...: every command must be there; a missing tool fails the test, never skips it.
need() {
  local c
  for c in "$@"; do command -v "$c" >/dev/null || die "$c is not installed (scripts/deps test)"; done
}

# expect WHAT GOT WANTED
expect() {
  if [ "$2" = "$3" ]; then
    echo "ok: $1 = $3"
  else
    fail "$1: got '$2', wanted '$3'"
  fi
}

[ "$(id -u)" -eq 0 ] || die "the tests mount file systems and must run as root"

# ntfs_image IMAGE: a fresh, empty 32 MiB NTFS image.
ntfs_image() {
  truncate -s 32M "$1"
  mkntfs -F -q -Q -L ORMTEST "$1" 2>/dev/null
}

# ntfs_mount IMAGE FOLDER: mounts the image with ntfs-3g. The daemon runs in the foreground, so
# that ntfs_unmount can wait for it: it writes the volume out only when it ends.
ntfs_daemon=""
ntfs_mount() {
  ntfs-3g -o no_detach "$1" "$2" >"$1.log" 2>&1 &
  ntfs_daemon=$!
  # Waits for the mount itself, a minute at most on a slow machine.
  for _ in $(seq 600); do mountpoint -q "$2" && break; sleep 0.1; done
  mountpoint -q "$2" || die "ntfs-3g did not mount: $(cat "$1.log")"
}

# ntfs_unmount FOLDER: unmounts, and returns once the volume is on the image; safe to call when
# nothing is mounted (for clean-up traps).
ntfs_unmount() {
  if mountpoint -q "$1"; then umount "$1"; fi
  if [ -n "$ntfs_daemon" ]; then wait "$ntfs_daemon" || true; fi
  ntfs_daemon=""
}

# ntfs_attributes IMAGE PATH: the file attributes of PATH on the unmounted image as ntfsinfo
# prints those of its $STANDARD_INFORMATION, which Windows reads: "HIDDEN SYSTEM (0x00000006)".
ntfs_attributes() {
  ntfsinfo -F "$2" "$1" 2>/dev/null | awk '/Dumping attribute \$STANDARD_INFORMATION/ { s = 1 }
    s && !done && /File attributes:/ { sub(/.*File attributes:[ \t]*/, ""); print; done = 1 }'
}

# fat_listing MATTRIB_ARGUMENTS...: the entries mattrib lists, each as the letters of the bits set
# (in mattrib's order A, S, H, R; none for none), a tab and the path from the root ("/A/B").
fat_listing() {
  MTOOLS_SKIP_CHECK=1 mattrib "$@" | awk '{ i = index($0, "::/"); if (i) {
    bits = substr($0, 1, i - 1); gsub(/ /, "", bits); print bits "\t" substr($0, i + 2) } }'
}

# fat_attributes IMAGE PATH: the letters of PATH's bits set on the unmounted image ("SH"), or
# "(missing)" when there is no such entry.
fat_attributes() {
  fat_listing -i "$1" "::$2" | path=$2 awk -F '\t' '$2 == ENVIRON["path"] { print $1; found = 1 }
    END { if (!found) print "(missing)" }'
}

# The settings bytes an install with dress_volume's choices (white text on dark red) writes into
# a fresh folder two levels down (A/A1) and into a folder one level down with a settings file of
# its own (B), and what a remove leaves of them.
G='{BE098140-A513-11D0-A3A4-00C04FD706EC}'
# installed_bytes [PICTURE_ENTRY [TEXT_COLOUR [BACK_COLOUR]]]: a fresh folder's; other values
# for another depth or other choices, an empty BACK_COLOUR for none.
installed_bytes() {
  local back=${3-0x00000080}
  printf '[ExtShellFolderViews]\r\n%s=%s\r\n[%s]\r\nAttributes=1\r\nIconArea_Image=%s\r\nIconArea_Text=%s\r\n' \
    "$G" "$G" "$G" "${1:-..\\..\\Ormavell.jpg}" "${2:-0x00FFFFFF}"
  if [ -n "$back" ]; then printf 'IconArea_TextBackground=%s\r\n' "$back"; fi
  printf '[.ShellClassInfo]\r\nConfirmFileOp=0\r\n'
}
removed_bytes() {
  printf '[ExtShellFolderViews]\r\n[.ShellClassInfo]\r\nConfirmFileOp=0\r\n'
}
foreign_bytes() {
  printf '[.ShellClassInfo]\r\nInfoTip=Kept as it is\r\n'
}
foreign_installed_bytes() {
  printf '[.ShellClassInfo]\r\nInfoTip=Kept as it is\r\nConfirmFileOp=0\r\n[ExtShellFolderViews]\r\n%s=%s\r\n[%s]\r\nAttributes=1\r\nIconArea_Image=..\\Ormavell.jpg\r\nIconArea_Text=0x00FFFFFF\r\nIconArea_TextBackground=0x00000080\r\n' "$G" "$G" "$G"
}
foreign_removed_bytes() {
  printf '[.ShellClassInfo]\r\nInfoTip=Kept as it is\r\nConfirmFileOp=0\r\n[ExtShellFolderViews]\r\n'
}
# expect_bytes FILE FUNCTION [ARGUMENTS...]: the file holds exactly the function's output.
expect_bytes() {
  local file=$1 expected
  shift
  expected=$(mktemp)
  "$@" > "$expected"
  cmp -s "$file" "$expected" || { fail "$file differs from $*:"; head -c 320 "$file" | od -c; }
  rm -f "$expected"
}
# A folder two levels down too deep for a folder-relative picture entry: "X:\", its 120 + 1 +
# 117 characters, "\" and "..\..\Ormavell.jpg" would make 260.
deep_folder=$(printf 'd%.0s' $(seq 120))/$(printf 'e%.0s' $(seq 117))
# expect_check TOOL ROOT STATUS: the check of ROOT ends with STATUS; after an install it notes the
# deep folder's root-relative entry and names no folder.
expect_check() {
  local status=0
  "$1" check "$2" > "$2.check" 2>&1 || status=$?
  [ "$status" = "$3" ] || { fail "check of $2: status $status, not $3"; cat "$2.check"; }
  if [ "$3" = 0 ]; then
    grep -q "^  $2/$deep_folder/: примечание: " "$2.check" || fail "check noted no deep folder: $(cat "$2.check")"
  fi
}
