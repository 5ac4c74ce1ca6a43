# Shared by the volume scripts: the settings bytes an install with dress_volume's choices
# writes into a fresh folder two levels down (A/A1) and into a folder one level down with a
# settings file of its own (B), and what a remove leaves of them.
G='{BE098140-A513-11D0-A3A4-00C04FD706EC}'
installed_bytes() {
  printf '[ExtShellFolderViews]\r\n%s=%s\r\n[%s]\r\nAttributes=1\r\nIconArea_Image=..\\..\\Ormavell.jpg\r\nIconArea_Text=0x00FFFFFF\r\nIconArea_TextBackground=0x00000080\r\n[.ShellClassInfo]\r\nConfirmFileOp=0\r\n' "$G" "$G" "$G"
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
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# expect_bytes FILE FUNCTION: the file holds exactly the function's output.
expect_bytes() {
  "$2" > "$1.expected"
  cmp -s "$1" "$1.expected" || { fail "$1 differs from $2:"; od -c "$1" | head -20; }
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
