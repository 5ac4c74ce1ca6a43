# Shell helpers for the volume test scripts (sourced).

# under_read_only_root SCRIPT ARGS...: a script that mounts volumes and runs the tests on them
# starts again under tests/read-only-root, so that its volumes are the only disks they can write.
under_read_only_root() {
  if ! findmnt -rn -o OPTIONS / | tr , '\n' | grep -qx ro; then
    exec "$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/read-only-root" "$@"
  fi
}

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# need COMMAND...: every command must be there; a missing tool fails the test, never skips it.
need() {
  local c
  for c in "$@"; do command -v "$c" >/dev/null || fail "$c is not installed (scripts/deps test)"; done
}

# expect WHAT GOT WANTED
expect() {
  if [ "$2" = "$3" ]; then
    echo "ok: $1 = $3"
  else
    fail "$1: got '$2', wanted '$3'"
  fi
}

[ "$(id -u)" -eq 0 ] || fail "the volume tests mount file systems and must run as root"

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
  # A script whose fail only counts still stops here: nothing is to run on an unmounted folder.
  mountpoint -q "$2" || { fail "ntfs-3g did not mount: $(cat "$1.log")"; return 1; }
}

# ntfs_unmount FOLDER: unmounts, and returns once the volume is on the image; safe to call when
# nothing is mounted (for clean-up traps).
ntfs_unmount() {
  if mountpoint -q "$1"; then umount "$1"; fi
  if [ -n "$ntfs_daemon" ]; then wait "$ntfs_daemon" || true; fi
  ntfs_daemon=""
}
