# Shared by the volume scripts: the settings bytes an install with dress_volume's choices
# writes into a fresh folder, and what a remove leaves of them.
G='{BE098140-A513-11D0-A3A4-00C04FD706EC}'
installed_bytes() {
  printf '[ExtShellFolderViews]\r\n%s=%s\r\n[%s]\r\nAttributes=1\r\nIconArea_Image=\\Ormavell.jpg\r\nIconArea_Text=0x00FFFFFF\r\nIconArea_TextBackground=0x00000080\r\n[.ShellClassInfo]\r\nConfirmFileOp=0\r\n' "$G" "$G" "$G"
}
removed_bytes() {
  printf '[ExtShellFolderViews]\r\n[.ShellClassInfo]\r\nConfirmFileOp=0\r\n'
}
foreign_bytes() {
  printf '[.ShellClassInfo]\r\nInfoTip=Kept as it is\r\n'
}
foreign_installed_bytes() {
  printf '[.ShellClassInfo]\r\nInfoTip=Kept as it is\r\nConfirmFileOp=0\r\n[ExtShellFolderViews]\r\n%s=%s\r\n[%s]\r\nAttributes=1\r\nIconArea_Image=\\Ormavell.jpg\r\nIconArea_Text=0x00FFFFFF\r\nIconArea_TextBackground=0x00000080\r\n' "$G" "$G" "$G"
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
