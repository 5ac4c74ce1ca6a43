#!/usr/bin/env bash
# What a Windows client sees through Samba of the attributes we store: smbd on 127.0.0.1 with a
# private configuration and port, asked with smbclient's allinfo.
#   samba-view.sh ATTR_TOOL
set -euo pipefail
. "$(dirname "$0")/volume-lib.sh"
need smbd smbclient getfattr python3
tool=$1
work=$(mktemp -d)
share=$work/share
mkdir -p "$share" "$work"/{lock,state,cache,pid,private,ncalrpc}
smbd_pid=""
cleanup() {
  if [ -n "$smbd_pid" ]; then kill -TERM "$smbd_pid" 2>/dev/null || true; wait "$smbd_pid" || true; fi
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
for _ in $(seq 100); do client ls >/dev/null && break; sleep 0.1; done
client ls >/dev/null || fail "smbd did not start: $(cat "$work/smbd.out")"

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
