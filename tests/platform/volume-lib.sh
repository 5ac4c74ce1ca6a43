# Shell helpers for the volume test scripts (sourced).

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
