#!/usr/bin/env bash
# Power cuts during installs and removes on FAT32. Each cut boots a virtual machine on a copy of
# an image in the shared folder, starts the operation and cuts the power at a random moment
# (sysrq "b": nothing more reaches the image). The image is then checked from outside: fsck.vfat
# finds nothing beyond what any cut leaves (the dirty bit, its copy in the backup boot sector,
# the free-cluster count, unused clusters, the two copies of the FAT differing), and every file
# holds its bytes from before the operation or from after it. Last, the same operation run again
# on some of the cut images finishes the job: every file as after an uninterrupted run, no
# temporary file left.
#   fat_power_cut_test.sh DRESS_VOLUME VM_RUN [CUTS]
# ORMAVELL_CUT_SEED repeats a run's random moments.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../lib.sh"
export MTOOLS_SKIP_CHECK=1

if [ "${1:-}" = --inside ]; then
  # Inside the virtual machine only: the sysrq write resets whatever machine runs it.
  [ -d /vm-run-ctl ] || die "--inside runs only inside vm-run"
  export ORMAVELL_DISPOSABLE_MACHINE=1
  tool=$2 work=$3 what=$4
  shift 4
  mkdir -p /tmp/m
  run() {  # run OPERATION IMAGE OPTIONS: the operation on the mounted image, its log beside it
    mount -o "loop,$3" "$work/$2" /tmp/m
    if [ "$1" = install ]; then "$tool" install /tmp/m "$work/sea.jpg"; else "$tool" remove /tmp/m; fi \
      > "$work/$2.log"
  }
  ms() { echo $(( $(date +%s%N) / 1000000 )); }
  case "$what" in
    reference)  # an install, then a remove over it, each timed; the installed image is kept
      start=$(ms)
      run install ref-install.img iocharset=utf8 || die "the install did not succeed"
      umount /tmp/m
      echo "install $(( $(ms) - start ))" > "$work/durations"
      cp "$work/ref-install.img" "$work/installed.img"
      cp "$work/ref-install.img" "$work/ref-remove.img"
      start=$(ms)
      run remove ref-remove.img iocharset=utf8 || die "the remove did not succeed"
      umount /tmp/m
      echo "remove $(( $(ms) - start ))" >> "$work/durations" ;;
    cut)  # cut OPERATION IMAGE OPTIONS SECONDS; IMAGE.started tells the operation began
      run "$1" "$2" "$3" &
      touch "$work/$2.started"
      sleep "$4"
      echo b > /proc/sysrq-trigger ;;
    finish)  # finish OPERATION:IMAGE...: each run to its end
      for job in "$@"; do
        run "${job%%:*}" "${job#*:}" iocharset=utf8 || die "the ${job%%:*} did not succeed"
        umount /tmp/m
      done ;;
  esac
  exit 0
fi

tool=$1 vmrun=$2 cuts=${3:-20}
[ -x "$vmrun" ] || die "vm-run not found at $vmrun"
need mkfs.vfat fsck.vfat mcopy mattrib python3
seed=${ORMAVELL_CUT_SEED:-$(( $(date +%s) % 100000 ))}
RANDOM=$seed
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
helper() { python3 "$here/power_cut.py" "$@"; }
vm() { "$vmrun" --timeout 300 --out "$work" -- "bash '$here/fat_power_cut_test.sh' --inside '$tool' '$work' $*"; }
extract() {  # extract IMAGE DIR: every file of the image; false when mtools cannot read them all
  rm -rf "$2" && mkdir -p "$2"
  mcopy -s -n -i "$work/$1" '::/*' "$2/" > "$work/$1.mcopy" 2>&1 ||
    { fail "$1: mtools cannot read every file: $(head -n 3 "$work/$1.mcopy")"; return 1; }
}
succeeded() { [ "$(tail -n 1 "$work/$1.log" 2>/dev/null)" = "*** Все операции завершены успешно" ]; }

# fsck_clean IMAGE: fsck.vfat -n reports only what any power cut leaves. A cut between the
# kernel's writes of the two copies of the FAT leaves them differing; fsck.vfat then checks every
# file against the first copy, the one a repair keeps, so a file pointing at clusters that copy
# marks free still shows.
fsck_clean() {
  fsck.vfat -n "$work/$1" > "$work/$1.fsck" 2>&1 || true
  local odd
  odd=$(grep -Ev '^(fsck\.fat .*|There are differences between boot sector and its backup\.|This is mostly harmless\. Differences: \(offset:original/backup\)|  65:0[01]/0[01]|  Not automatically fixing this\.|Reclaimed [0-9]+ unused clusters? .*|Dirty bit is set\. Fs was not properly unmounted and some data may be corrupt\.| Automatically removing dirty bit\.|Free cluster summary wrong \([0-9]+ vs\. really [0-9]+\)|  Auto-correcting\.|FATs differ but appear to be intact\.|  Using first FAT\.|Leaving filesystem unchanged\.|.*: [0-9]+ files, [0-9]+/[0-9]+ clusters|)$' "$work/$1.fsck" || true)
  [ -z "$odd" ] || { fail "$1: fsck.vfat -n reports more than a power cut leaves:"; head -n 20 <<< "$odd"; }
}

# 2 000 folders whose settings files are the fixtures, on a FAT32 volume of 512-byte clusters
# (so that the larger files are chains of clusters), with the hidden picture of an earlier
# install in the root.
helper tree "$here/../fixtures/profile" "$work/tree" 20 100
truncate -s 48M "$work/base.img"
mkfs.vfat -F 32 -s 1 -S 512 -n CUTS "$work/base.img" > /dev/null
mcopy -s -i "$work/base.img" "$work/tree/"* ::/
printf 'EARLIER PICTURE' > "$work/old.jpg"
mcopy -i "$work/base.img" "$work/old.jpg" ::/Ormavell.jpg
mattrib -i "$work/base.img" +h ::/Ormavell.jpg
printf 'JPEG of this install' > "$work/sea.jpg"
fsck_clean base.img

# The references: an install over the base and a remove over that install, uninterrupted.
cp "$work/base.img" "$work/ref-install.img"
vm reference > "$work/vm.log" 2>&1 || true
succeeded ref-install.img && succeeded ref-remove.img ||
  { cat "$work/vm.log"; die "the uninterrupted install and remove did not succeed"; }
extract base.img "$work/files-base" && extract installed.img "$work/files-installed" &&
  extract ref-remove.img "$work/files-removed" || die "the images to compare with cannot be read"
declare -A ms
while read -r op duration; do ms[$op]=$duration; done < "$work/durations"
echo "seed $seed; uninterrupted: install ${ms[install]} ms, remove ${ms[remove]} ms"

# One cut: a copy of the image before the operation, mounted with or without "flush" (as
# desktops mount sticks), the power cut at a random moment of the operation's usual length.
cut() {  # cut N MILLISECONDS
  local n=$1 at=$2 op image before after options
  if (( n % 2 )); then op=install before=base after=installed; else op=remove before=installed after=removed; fi
  image=cut$n.img
  options=iocharset=utf8
  (( n % 4 < 2 )) && options=$options,flush
  cp "$work/$before.img" "$work/$image"
  vm cut "$op" "$image" "$options" "$(printf '%d.%03d' $((at / 1000)) $((at % 1000)))" \
    > "$work/$image.vm" 2>&1 || true
  echo "$op $before $after $at $options" > "$work/$image.what"
}

checked=0 leftovers=0 old=0 new=0 middle=0
declare -a at
for (( n = 1; n <= cuts; n++ )); do
  if (( n % 2 )); then op=install; else op=remove; fi
  at[n]=$(( RANDOM % (${ms[$op]} + 1) ))
done
for (( n = 1; n <= cuts; n += 2 )); do
  # Two machines at a time.
  cut "$n" "${at[n]}" &
  if (( n + 1 <= cuts )); then cut $(( n + 1 )) "${at[n + 1]}"; fi
  wait
done
for (( n = 1; n <= cuts; n++ )); do
  image=cut$n.img
  read -r op before after at options < "$work/$image.what"
  # A machine that never started the operation leaves the image as it was: that proves nothing.
  [ -e "$work/$image.started" ] || { fail "cut $n: the machine did not start the $op"; continue; }
  fsck_clean "$image"
  extract "$image" "$work/files-$image" || continue
  if ! result=$(helper check "$work/files-$before" "$work/files-$after" "$work/files-$image"); then
    echo "$result"
    fail "$image ($op cut at $at ms, $options): files that are neither old nor new"
    continue
  fi
  read -r s o w l <<< "$(tail -n 1 <<< "$result")"
  echo "cut $n: $op cut at $at ms ($options): $s settings files, $o old, $w new; $l temporary files left"
  checked=$((checked + s)) old=$((old + o)) new=$((new + w)) leftovers=$((leftovers + l))
  (( o > 0 && w > 0 )) && middle=$((middle + 1))
done
# Cuts that all fall before or after the renames test nothing of their order.
(( middle * 4 >= cuts )) ||
  fail "only $middle of $cuts cuts fell in the middle of an operation (some files old, some new)"

# The next run finishes the job: on the first cut image of each operation.
finish=() finished=0
for (( n = 1; n <= cuts && n <= 2; n++ )); do
  read -r op _ < "$work/cut$n.img.what"
  finish+=("$op:cut$n.img")
done
vm finish "${finish[@]}" > "$work/vm.log" 2>&1 || true
for job in "${finish[@]}"; do
  op=${job%%:*} image=${job#*:}
  read -r _ _ after _ < "$work/$image.what"
  succeeded "$image" || { fail "$image: the $op after the cut did not succeed"; continue; }
  finished=$((finished + 1))
  fsck_clean "$image"
  extract "$image" "$work/files-$image" || continue
  # Finished means exactly the uninterrupted result: no old file, no temporary file.
  result=$(helper check "$work/files-$after" "$work/files-$after" "$work/files-$image") ||
    { echo "$result"; fail "$image: after the $op the files differ from an uninterrupted one"; }
  read -r _ _ _ l <<< "$(tail -n 1 <<< "$result")"
  [ "$l" = 0 ] || fail "$image: $l temporary files left after the $op finished"
  fat_listing -/ -i "$work/$image" ::/ > "$work/$image.attrs"
  result=$(helper attrs "$work/$image.attrs" "$op") || { echo "$result"; fail "$image: attributes after the $op"; }
done

echo "FAT32 power cuts: $cuts cuts ($middle in the middle of an operation)," \
  "$checked settings files checked ($old old, $new new)," \
  "$leftovers temporary files left by the cuts; $finished operations finished after a cut"
finish
