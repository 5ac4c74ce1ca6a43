#!/usr/bin/env bash
# The Windows program's command line under Wine, its output read from pipes: the log's UTF-8
# bytes on standard output, the exit statuses, the drive letter checks.
#   wine_command_line_test.sh WINE-RUN WINE PREFIX ORMAVELL.EXE
set -uo pipefail
. "$(dirname "$0")/../lib.sh"
winerun=$1 wine=$2 prefix=$3 exe=$4
"$winerun" "$wine" "$prefix" --init || die "Wine did not start"

drive=$(mktemp -d)
mapping="$prefix/dosdevices/l:"
trap 'rm -f "$mapping"; rm -rf "$drive"' EXIT
ln -sfn "$drive" "$mapping"
mkdir "$drive/A"
printf 'JPEG' > "$drive/../sea-$$.jpg"
picture="Z:$(realpath "$drive/../sea-$$.jpg" | tr / '\\')"

# run EXPECTED-STATUS ARGS...: runs the program with its output in $out and its errors, without
# Wine's own messages and those of the fonts library Wine loads, in $err.
run() {
  local expected=$1
  shift
  "$winerun" "$wine" "$prefix" "$exe" "$@" > "$drive/../out-$$" 2> "$drive/../err-$$"
  local status=$?
  out=$(od -An -c "$drive/../out-$$")
  err=$(grep -v -e '^wine: ' -e '^Fontconfig ' "$drive/../err-$$")
  [ "$status" -eq "$expected" ] || fail "$*: status $status, not $expected; $err"
}
expect_out() {  # expect_out NAME BYTES
  [ "$out" = "$(printf '%s' "$2" | od -An -c)" ] || fail "$1: standard output is$out"
}

run 0 --version
expect_out version $'1.00.0003\n'

run 0 install l: --picture "$picture" --back-color 0x00000080
expect_out install $'*** Копирование файла картинки в корень диска\n\n  Скопировано...\n  Имя файла: L:\\Ormavell.jpg\n\n*** Построение дерева каталогов\n\n  L:\\\n  L:\\A\\\n\n*** Все операции завершены успешно\n'
[ -z "$err" ] || fail "install wrote errors: $err"
# Black text: the colour not given.
expect_bytes "$drive/A/Desktop.INI" installed_bytes '..\Ormavell.jpg' 0x00000000
# Wine keeps no read-only mark on a folder, so the check finds A as Windows 98 to XP would.
run 1 check L:
expect_out check $'*** Проверка оформления папок\n\n  L:\\A\\: папка не только для чтения и не системная: Windows 98–XP не открывают её Desktop.INI\n\n*** Проверено папок: 2, оформлено: 1, не оформлено: 1\n'

run 0 remove 'L:\'
expect_out remove $'*** Удаление файлов картинок с маской "Ormavell.*"\n\n  Удалён файл L:\\Ormavell.jpg...\n\n*** Построение дерева каталогов\n\n  L:\\\n  L:\\A\\\n\n*** Все операции завершены успешно\n'

run 1 install L: --picture 'Z:\no\such\picture.jpg'
run 2 install q: --picture "$picture"
[ "$err" = "ormavell: нет диска Q:" ] || fail "q: refused with: $err"
run 2 remove /tmp
run 2 check q:
run 2 install L: --picture "$picture" --text-color 0xFF

finish "Windows command line checked under Wine"
