#!/usr/bin/env bash
# kill -9 at random moments of installs and removes on ext4, on copies of a loop-mounted image:
# afterwards e2fsck -n finds the volume clean, every file holds its bytes from before the
# operation or from after it, and no temporary file is left (new content has no name until it
# is complete). The operation run again on a killed image finishes the job.
#   ext4_kill_test.sh DRESS_VOLUME [KILLS]
# ORMAVELL_CUT_SEED repeats a run's random moments.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../lib.sh"
# The operations run under the read-only root, on the images' volumes only.
under_read_only_root "$0" "$@"
tool=$1 kills=${2:-12}
need mkfs.ext4 e2fsck python3
seed=${ORMAVELL_CUT_SEED:-$(( $(date +%s) % 100000 ))}
RANDOM=$seed
work=$(mktemp -d)
m=$work/m
mkdir -p "$m"
trap 'umount "$m" 2> /dev/null || true; rm -rf "$work"' EXIT
helper() { python3 "$here/power_cut.py" "$@"; }
printf 'JPEG of this install' > "$work/sea.jpg"
run() {  # run OPERATION: on the volume mounted at $m
  if [ "$1" = install ]; then "$tool" install "$m" "$work/sea.jpg"; else "$tool" remove "$m"; fi
}
copy_out() {  # copy_out IMAGE DIR: the files of the image
  mount -o loop,ro "$work/$1" "$m"
  mkdir -p "$2"
  cp -a "$m/." "$2/"
  rm -rf "$2/lost+found"
  umount "$m"
}
fsck_clean() {  # fsck_clean IMAGE
  e2fsck -f -n "$work/$1" > "$work/$1.fsck" 2>&1 || { cat "$work/$1.fsck"; fail "$1: e2fsck -n finds faults"; }
}

# 3 000 folders whose settings files are the fixtures.
helper tree "$here/../fixtures/profile" "$work/files-base" 30 100
printf 'EARLIER PICTURE' > "$work/files-base/Ormavell.jpg"
truncate -s 96M "$work/base.img"
mkfs.ext4 -q -F -N 16384 -d "$work/files-base" "$work/base.img"

# The references, uninterrupted and timed: an install over the base, a remove over that.
declare -A ms
for op in install remove; do
  [ $op = install ] && from=base || from=installed
  cp "$work/$from.img" "$work/ref.img"
  mount -o loop "$work/ref.img" "$m"
  start=$(date +%s%N)
  run $op > "$work/ref.log" || { cat "$work/ref.log"; die "the uninterrupted $op failed"; }
  ms[$op]=$(( ($(date +%s%N) - start) / 1000000 + 1 ))
  umount "$m"
  [ $op = install ] && cp "$work/ref.img" "$work/installed.img" && after=installed || after=removed
  copy_out ref.img "$work/files-$after"
done
echo "seed $seed; uninterrupted: install ${ms[install]} ms, remove ${ms[remove]} ms"

checked=0 old=0 new=0 leftovers=0 middle=0
for (( n = 1; n <= kills; n++ )); do
  if (( n % 2 )); then op=install before=base after=installed; else op=remove before=installed after=removed; fi
  at=$(( RANDOM % ${ms[$op]} ))
  cp "$work/$before.img" "$work/kill$n.img"
  mount -o loop "$work/kill$n.img" "$m"
  # The program itself in the background, so that the kill reaches it.
  if [ $op = install ]; then "$tool" install "$m" "$work/sea.jpg" > /dev/null &
  else "$tool" remove "$m" > /dev/null &
  fi
  sleep "$(printf '%d.%03d' $((at / 1000)) $((at % 1000)))"
  kill -9 $! 2> /dev/null || true
  wait $! 2> /dev/null || true
  # The kernel ends the calls a killed program had made a moment after the process itself; a
  # slow machine is given a minute.
  for (( tries = 0; tries < 600; tries++ )); do umount "$m" 2> /dev/null && break; sleep 0.1; done
  mountpoint -q "$m" && die "kill $n: the volume stays busy after the kill"
  fsck_clean "kill$n.img"
  copy_out "kill$n.img" "$work/files-kill$n"
  if ! result=$(helper check "$work/files-$before" "$work/files-$after" "$work/files-kill$n"); then
    echo "$result"
    fail "kill $n ($op at $at ms): files that are neither old nor new"
    continue
  fi
  read -r s o w l <<< "$(tail -n 1 <<< "$result")"
  echo "kill $n: $op killed at $at ms: $s settings files, $o old, $w new; $l temporary files left"
  checked=$((checked + s)) old=$((old + o)) new=$((new + w)) leftovers=$((leftovers + l))
  (( o > 0 && w > 0 )) && middle=$((middle + 1))
  if (( n <= 2 )); then
    # The next run finishes the job: exactly the uninterrupted result.
    mount -o loop "$work/kill$n.img" "$m"
    run $op > "$work/finish.log" || fail "kill $n: the $op after it did not succeed"
    umount "$m"
    fsck_clean "kill$n.img"
    rm -rf "$work/files-kill$n"
    copy_out "kill$n.img" "$work/files-kill$n"
    result=$(helper check "$work/files-$after" "$work/files-$after" "$work/files-kill$n") ||
      { echo "$result"; fail "kill $n: after the $op the files differ from an uninterrupted one"; }
    [ "$(tail -n 1 <<< "$result" | cut -d' ' -f4)" = 0 ] || fail "kill $n: temporary files left"
  fi
done
# Kills that all fall before or after the renames test nothing of their order.
(( middle * 4 >= kills )) ||
  fail "only $middle of $kills kills fell in the middle of an operation (some files old, some new)"
echo "ext4 kills: $kills kills ($middle in the middle of an operation)," \
  "$checked settings files checked ($old old, $new new)," \
  "$leftovers temporary files left; 2 operations finished after a kill"
finish
