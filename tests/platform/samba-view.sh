#!/usr/bin/env bash
# What a Windows client sees through Samba of the attributes we store: smbd on 127.0.0.1 with a
# private configuration and port, sharing an ext4 image, asked with smbclient's allinfo; then a
# tree dressed by DRESS_VOLUME, read through Samba the way a reader reads it.
#   samba-view.sh ATTR_TOOL DRESS_VOLUME
set -euo pipefail
. "$(dirname "$0")/../lib.sh"
need smbd smbclient getfattr python3 mkfs.ext4
under_read_only_root "$0" "$@"
tool=$1 dress=$2
work=$(mktemp -d)
share=$work/share
mkdir -p "$share" "$work"/{lock,state,cache,pid,private,ncalrpc}
truncate -s 32M "$work/ext4.img"
mkfs.ext4 -q -F "$work/ext4.img"
mount -o loop "$work/ext4.img" "$share"
smbd_pid=""
cleanup() {
  if [ -n "$smbd_pid" ]; then kill -TERM "$smbd_pid" 2>/dev/null || true; wait "$smbd_pid" || true; fi
  umount "$share" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A port nobody listens on now (other smbd instances may run on this machine).
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >"$work/smb.conf" <<CONF
[global]
  server role = standalone server
  interfaces = 127.0.0.1
  bind interfaces only = yes
  smb ports = $port
  disable netbios = yes
  lock directory = $work/lock
  state directory = $work/state
  cache directory = $work/cache
  pid directory = $work/pid
  private dir = $work/private
  ncalrpc dir = $work/ncalrpc
  log file = $work/smbd.log
  map to guest = Bad User
  load printers = no
  printcap name = /dev/null
  disable spoolss = yes
[share]
  path = $share
  guest ok = yes
  read only = no
  force user = root
CONF
# In a process group of its own: when it stops, smbd signals its whole group.
smbd --foreground --configfile="$work/smb.conf" >"$work/smbd.out" 2>&1 &
smbd_pid=$!

client() { smbclient "//127.0.0.1/share" -p "$port" -N -s "$work/smb.conf" -c "$1" 2>/dev/null; }
# Waits for the server itself, a minute at most on a slow machine.
for _ in $(seq 600); do client ls >/dev/null && break; sleep 0.1; done
client ls >/dev/null || die "smbd did not start: $(cat "$work/smbd.out")"

# The attribute value Samba reports for NAME, in hex as allinfo prints it.
seen_by_windows() { client "allinfo \"$1\"" | sed -n 's/^attributes: .*(\([0-9a-f]*\))$/\1/p'; }
# The same as our own reading, with 0 as Windows' "normal" 0x80.
seen_by_us() {
  local value
  value=$("$tool" get "$share/$1" | cut -d' ' -f1)
  if [ "$((value))" -eq 0 ]; then echo 80; else printf '%x\n' "$((value))"; fi
}

mkdir "$share/Games" "$share/Empty"
printf '[.ShellClassInfo]\r\n' >"$share/Games/desktop.ini"
echo picture >"$share/Ormavell.jpg"
echo text >"$share/plain.txt"
echo text >"$share/.dotfile"
echo text >"$share/readonly.txt"
chmod 0444 "$share/readonly.txt"
"$tool" set 6 "$share/Games/desktop.ini"
"$tool" set 1 "$share/Games"
"$tool" set 2 "$share/Ormavell.jpg"

expect Games/desktop.ini "$(seen_by_windows Games/desktop.ini)" 6
expect Games "$(seen_by_windows Games)" 11
expect Ormavell.jpg "$(seen_by_windows Ormavell.jpg)" 2
expect plain.txt "$(seen_by_windows plain.txt)" 80
expect .dotfile "$(seen_by_windows .dotfile)" 2
expect readonly.txt "$(seen_by_windows readonly.txt)" 80
expect Empty "$(seen_by_windows Empty)" 10
for name in Games/desktop.ini Games Ormavell.jpg plain.txt .dotfile readonly.txt Empty; do
  expect "our view of $name" "$(seen_by_us "$name")" "$(seen_by_windows "$name")"
done

# A file whose attributes a client set through Samba holds Samba's own blob with a creation
# time; our change keeps that time and Samba shows the new bits.
echo text >"$share/client.txt"
client 'setmode client.txt +hs' >/dev/null
expect "client.txt set by the client" "$(seen_by_windows client.txt)" 6
blob() { getfattr -e hex -n user.DOSATTRIB "$share/$1" 2>/dev/null | sed -n 's/^user.DOSATTRIB=//p'; }
before=$(blob client.txt)
expect "Samba's blob" "${before:0:26}" 0x000005000500000011000000
"$tool" set 21 "$share/client.txt"
expect "client.txt after our change" "$(seen_by_windows client.txt)" 21
after=$(blob client.txt)
expect "the blob after our change" "$after" "${before:0:26}21000000${before:34}"

# A dressed tree, each folder read through Samba: the folder read-only (so that Windows 98 to XP
# open its settings), the settings file hidden and system, and the picture entry, resolved
# against the folder as ReactOS resolves it, naming the hidden backdrop of the tree's own root.
mkdir -p "$share/Dressed/A/A1" "$share/Dressed/B"
echo picture >"$work/sea.jpg"
"$dress" install "$share/Dressed" "$work/sea.jpg" >"$work/install.log" ||
  die "install: $(cat "$work/install.log")"
"$dress" check "$share/Dressed" >"$work/check.log" || fail "check: $(cat "$work/check.log")"
expect "backdrop" "$(seen_by_windows Dressed/Ormavell.jpg)" 2
for folder in Dressed Dressed/A Dressed/A/A1 Dressed/B; do
  if [ "$folder" != Dressed ]; then
    expect "$folder read-only" "$(($(printf '0x%s' "$(seen_by_windows "$folder")") & 1))" 1
  fi
  expect "$folder/Desktop.INI" "$(seen_by_windows "$folder/Desktop.INI")" 6
  rm -f "$work/seen.ini"
  client "get \"$folder/Desktop.INI\" \"$work/seen.ini\"" >/dev/null
  value=$(sed -n 's/^IconArea_Image=\(.*\)\r$/\1/p' "$work/seen.ini")
  resolved=$(python3 -c 'import ntpath, sys; print(ntpath.normpath(ntpath.join(sys.argv[1], sys.argv[2])))' \
    "\\\\127.0.0.1\\share\\${folder//\//\\}" "$value")
  expect "$folder's picture" "$resolved" '\\127.0.0.1\share\Dressed\Ormavell.jpg'
done
finish "ok: a dressed tree shows its own backdrop in every folder through Samba"
