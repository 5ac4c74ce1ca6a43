#!/usr/bin/env bash
# Installs and removes on an ext4 volume while another process keeps swapping its folders for
# symbolic links to a folder outside the volume: nothing outside may change, not a settings
# file, not a byte, not an attribute, not a mode, whatever moment the walk meets a link at.
#   walk_race_test.sh DRESS_VOLUME [ROUNDS]
# ORMAVELL_RACE_TREE="200 20 2" sets the volume's folders per level.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../lib.sh"
# The operations run under the read-only root, on the images' volumes only.
under_read_only_root "$0" "$@"
tool=$1 rounds=${2:-3}
read -r n1 n2 n3 <<< "${ORMAVELL_RACE_TREE:-200 20 2}"
need mkfs.ext4 python3 getfattr setfattr sha256sum
work=$(mktemp -d)
v=$work/v out=$work/outside racer=""
mkdir -p "$v" "$out"
trap 'touch "$work/stop"; [ -z "$racer" ] || wait "$racer" || true
      umount "$v" "$out" 2> /dev/null || true; rm -rf "$work"' EXIT
for img in v outside; do
  truncate -s "$([ $img = v ] && echo 512M || echo 16M)" "$work/$img.img"
  mkfs.ext4 -q -F "$work/$img.img"
  mount -o loop "$work/$img.img" "$work/$img"
  rmdir "$work/$img/lost+found"
done
# Outside holds the names the walk looks for under a swapped folder, each with settings of its
# own: plain ones, and ones dressed as by an install (its folder view entries), which a remove
# would undress.
installed_bytes | sed -n 1,4p > "$work/dressed.ini"
python3 - "$v" "$out" "$n1" "$n2" "$n3" "$work/dressed.ini" << 'EOF'
import os, sys
v, out, n1, n2, n3 = sys.argv[1], sys.argv[2], *map(int, sys.argv[3:6])
for i in range(n1):
    for j in range(n2):
        for k in range(n3):
            os.makedirs(f"{v}/d{i}/e{j}/f{k}")
dressed = open(sys.argv[6], "rb").read()
folders = ["X"] + [f"e{j}" for j in range(n2)] + [f"f{k}" for k in range(n3)]
folders += [f"e{j}/f{k}" for j in range(n2) for k in range(n3)]
for n, f in enumerate(folders):
    os.makedirs(f"{out}/{f}")
    with open(f"{out}/{f}/{'Desktop.INI' if n % 3 else 'desktop.ini'}", "wb") as w:
        w.write(b"[.ShellClassInfo]\r\nInfoTip=Mine\r\n" + (dressed if n % 2 else b""))
    os.setxattr(f"{out}/{f}", "user.DOSATTRIB", b"0x10")
EOF
setfattr -n user.DOSATTRIB -v 0x0011 "$out/X/desktop.ini" "$out/e0/Desktop.INI"
chmod 0750 "$out/X" "$out/e1" && chmod 0600 "$out/X/desktop.ini"
printf 'JPEG of this install' > "$work/sea.jpg"
snapshot() {
  (cd "$out" && find . -printf '%p %y %m %s\n' &&
    getfattr -R -P -d -m - -e hex . | awk '/^# file: /{f = substr($0, 9); next} /=/{print f, $0}' &&
    find . -type f -exec sha256sum {} +) | LC_ALL=C sort
}
snapshot > "$work/outside.before"
grep -q '^X/desktop.ini user.DOSATTRIB=0x0011$' "$work/outside.before" || die "outside: no xattrs"
total=0
for (( r = 1; r <= rounds; r++ )); do
  for op in install remove; do
    rm -f "$work/stop"
    # The racer: a level-1 or level-2 folder away, a link to outside in its place, the link
    # out and the folder back, until the stop file appears; then the count of its swaps.
    python3 - "$v" "$out" "$work/stop" "$n1" "$n2" > "$work/swaps" << 'EOF' &
import os, random, sys
v, out, stop, n1, n2 = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4]), int(sys.argv[5])
swaps = 0
while not os.path.exists(stop):
    i = random.randrange(n1)
    p = f"{v}/d{i}" if random.random() < 0.5 else f"{v}/d{i}/e{random.randrange(n2)}"
    away = f"{os.path.dirname(p)}/.{os.path.basename(p)}-away"
    os.rename(p, away)
    os.symlink(out, p)
    os.unlink(p)
    os.rename(away, p)
    swaps += 1
print(swaps)
EOF
    racer=$! status=0
    if [ $op = install ]; then "$tool" install "$v" "$work/sea.jpg" > "$work/$op.log" || status=$?
    else "$tool" remove "$v" > "$work/$op.log" || status=$?
    fi
    touch "$work/stop"
    wait "$racer" || die "round $r $op: the racer failed"
    racer=""
    swaps=$(cat "$work/swaps")
    total=$((total + swaps))
    [ $status -le 1 ] || fail "round $r $op: dress_volume ended with status $status"
    # A racer that hardly ran proves nothing.
    [ "$swaps" -ge 100 ] || fail "round $r $op: the racer made only $swaps swaps"
    [ -z "$(find "$v" -maxdepth 2 \( -type l -o -name '.*-away' \))" ] ||
      fail "round $r $op: the racer left the tree unrestored"
    leaves=$(find "$v" -mindepth 3 -maxdepth 3 -type d -name 'f*' | wc -l)
    expect "round $r $op: folders" "$leaves" $((n1 * n2 * n3))
    if ! diff "$work/outside.before" <(snapshot) > "$work/diff"; then
      grep '^[<>]' "$work/diff" | head -n 20
      fail "round $r $op ($swaps swaps, status $status): the folder outside the volume changed"
      continue
    fi
    echo "round $r $op: status $status, $swaps swaps, outside unchanged"
  done
done
finish "walk race: $rounds rounds, $total swaps, outside unchanged"
