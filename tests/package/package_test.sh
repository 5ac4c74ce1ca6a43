#!/usr/bin/env bash
# Builds the Debian package of a finished build, installs it into a throw-away root (a dpkg
# database of its own, under the read-only root), starts the installed program and runs the
# validators: lintian (no errors), desktop-file-validate and appstreamcli.
#   package_test.sh BUILD-DIR READ-ONLY-ROOT
set -euo pipefail
. "$(dirname "$0")/../lib.sh"
if [ "${1:-}" = --inside ]; then
  work=$2
  deb=$work/ormavell_1.0.3_amd64.deb
  root=$work/root
  mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
  touch "$root/var/lib/dpkg/status"
  # The throw-away root has no libraries of its own; the program runs with this machine's.
  dpkg --root="$root" --force-depends -i "$deb" > "$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log"; die "dpkg did not install the package"; }
  version=$("$root/usr/bin/ormavell" --version)
  expect "the installed program's version" "$version" 1.00.0003
  for file in usr/share/man/man1/ormavell.1.gz usr/share/icons/hicolor/32x32/apps/ormavell.png \
              usr/share/doc/ormavell/copyright; do
    [ -f "$root/$file" ] || fail "the package lacks /$file"
  done
  echo "== lintian"
  lintian --allow-root "$deb" | tee "$work/lintian.txt"
  ! grep -q '^E:' "$work/lintian.txt" || fail "lintian reports errors"
  echo "== desktop-file-validate"
  desktop-file-validate "$root/usr/share/applications/ormavell.desktop"
  echo "== appstreamcli validate"
  appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
  finish "Package $(stat -c %s "$deb") bytes: installed, started and validated"
fi

build=$1 readonlyroot=$2
work=$build/package-test
rm -rf "$work"
mkdir -p "$work"
# cpack installs into its own folder below work; nothing of this machine is touched.
cpack --config "$build/CPackConfig.cmake" -B "$work" > "$work/cpack.log" ||
  { cat "$work/cpack.log"; die "cpack did not build the package"; }
exec "$readonlyroot" --keep "$work" "$0" --inside "$work"
