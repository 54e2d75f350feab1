#!/usr/bin/env bash
# The companion tool on real files: a project written as a Windows program writes it
# (Windows-1251, CR LF), its clash report, its text view and the conversions.
set -uo pipefail
tool="$1"
source "$(dirname "$0")/../support/shell.sh"

to_windows >"$work/school.vlpj" <<'EOF_PROJECT'
[Project]
Name=Школа
Device=Велтара ДК-4
[Groups]
0=1;Корпус;1;2;
1=3;Двор;4;
[Scenarios]
0=1;Начало;8;30;20;1;0;1;2;3;4;
1=1;Конец;14;0;20;2;0;1;2;3;4;
2=3;Перемена;10;5;15;3;5;
[Playlist]
0=1;C:\Звонки\начало.mp3
1=2;C:\Звонки\конец.mp3
EOF_PROJECT

to_windows >"$work/clash.vlpj" <<'EOF_PROJECT'
[Project]
Name=Завод
Device=Велтара ДК-2
[Groups]
0=1;Цех;1;
[Scenarios]
0=1;А;8;30;10;1;0;
1=1;Б;8;30;10;2;0;1;
EOF_PROJECT

# --version: the version, then copyright and licence
version="$("$tool" --version)"
expect_eq "$(head -1 <<<"$version")" "sigcfg-tool (sigcfg) 1.4.0.0" "version"
expect_has "$version" "Copyright (C) " "version: copyright line"
expect_has "$version" "Лицензия GPLv3+" "version: licence line"

# --help in GNU layout: Russian usage line, every command's text in one column, no line past 79
# columns, the bug address last but one
help="$("$tool" --help)"; rc=$?
expect_eq "$rc" "0" "help exit status"
expect_eq "$(head -1 <<<"$help")" "Использование: sigcfg-tool КОМАНДА АРГУМЕНТЫ…" "help: usage line"
# The addresses only when the build names them; never a placeholder.
expect_eq "$(grep -ciE 'example\.(org|com)' <<<"$help$version")" "0" "help and version: placeholder address"
for command in check show convert copy-tracks tracks drives bells shift print; do
    grep -qE "^  $command " <<<"$help" || fail "help lists $command"
done
wide="$(LC_ALL=C.UTF-8 bash -c 'while IFS= read -r line; do ((${#line} > 79)) && echo "$line"; done' <<<"$help")"
expect_eq "$wide" "" "help lines past 79 columns"
# Every description starts at the same column (32) as the options' texts.
expect_eq "$(grep -E '^  [a-z-]+ ' <<<"$help" | LC_ALL=C.UTF-8 grep -vE '^.{31} [^ ]|^  (copy-tracks|card-check|bells|shift|sound) ')" "" \
    "command texts aligned"

# Usage errors: one Russian line naming the fault (and the command's usage), exit status 2.
while IFS='|' read -r words expected; do
    read -ra argv <<<"$words"
    err="$("$tool" "${argv[@]}" 2>&1 >/dev/null)"; rc=$?
    expect_eq "$rc" "2" "exit status of [$words]"
    expect_eq "$(head -1 <<<"$err")" "$expected" "first line for [$words]"
done <<'EOF_USAGE'
|sigcfg-tool: не указана команда; см. sigcfg-tool --help
x|sigcfg-tool: неизвестная команда «x»; см. sigcfg-tool --help
--bogus|sigcfg-tool: неизвестный параметр «--bogus»; см. sigcfg-tool --help
check|sigcfg-tool: не хватает аргументов
check a b|sigcfg-tool: лишний аргумент «b»
drives --root|sigcfg-tool: у параметра --root нет значения
shift a.vlpj --group 1|sigcfg-tool: нужны оба параметра --group и --minutes
bells a.vlpj --group 1 --lessons 2 --lesson 45|sigcfg-tool: не указан параметр --start
EOF_USAGE
err="$("$tool" check 2>&1)"
expect_has "$err" "Использование: sigcfg-tool check ФАЙЛ.vlpj" "a command's usage error shows its usage"

# check: clean project
out="$("$tool" check "$work/school.vlpj")"; rc=$?
expect_eq "$rc" "0" "check exit status of a clean project"
expect_eq "$out" $'Проверка проекта\nВсего ошибок: 0' "check output of a clean project"

# check: both sides of the clash on Monday
out="$("$tool" check "$work/clash.vlpj")"; rc=$?
expect_eq "$rc" "1" "check exit status with clashes"
expect_eq "$out" "Проверка проекта
Ошибка совпадение времени: (группа 1 сценарий 1) с (группой 1 сценарий 2) день Понедельник
Ошибка совпадение времени: (группа 1 сценарий 2) с (группой 1 сценарий 1) день Понедельник
Всего ошибок: 2" "check output with clashes"

# check: a missing file is an error naming it
err="$("$tool" check "$work/none.vlpj" 2>&1 >/dev/null)"; rc=$?
expect_eq "$rc" "2" "check exit status of a missing file"
expect_has "$err" "$work/none.vlpj" "error names the missing file"

# show
out="$("$tool" show "$work/school.vlpj")"
expect_has "$out" "Проект: Школа" "show: project name"
expect_has "$out" "Устройство: Велтара ДК-4" "show: device"
expect_has "$out" "Группа 1: Корпус" "show: group 1"
expect_has "$out" "Зоны: 1, 2" "show: zones of group 1"
expect_has "$out" "Сценарий 2: Конец" "show: scenario 2 of group 1"
expect_has "$out" "Время: 08:30; Дни: Понедельник, Вторник, Среда, Четверг, Пятница; Трек: 1; Громкость: 20" \
    "show: scenario details"
expect_has "$out" "Группа 3: Двор" "show: group 3"
expect_has "$out" 'C:\Звонки\конец.mp3' "show: playlist"

# convert .vlpj -> .csv: 45 fields, CR LF, end-of-table line last; what CSV has no column for is
# named before it is left out, and the exit status says so
err="$("$tool" convert "$work/school.vlpj" "$work/school.csv" 2>&1)"; rc=$?
expect_eq "$rc" "1" "convert to csv leaves the names out"
expect_has "$err" "sigcfg-tool: $work/school.csv: не записано: название проекта «Школа» — в файле обмена этого нет
sigcfg-tool: $work/school.csv: не записано: тип устройства «Велтара ДК-4» (файл обмена читается как «Велтара ДК-М-32»)" \
    "what CSV leaves out"
expect_eq "$(wc -l <<<"$err" | tr -d ' ')" "5" "names, device, group and scenario names, playlist"
expect_eq "$(wc -l <"$work/school.csv" | tr -d ' ')" "4" "csv line count"
expect_eq "$(head -1 "$work/school.csv")" $'08;30;1;1;1;1;1;0;0;1;1;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;20;01;01;01\r' \
    "first csv line"
expect_eq "$(tail -1 "$work/school.csv")" $'90;00;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;00;00;00;00\r' \
    "end-of-table line"

# convert .csv -> .vlpj: type 9, no names, same numbers
"$tool" convert "$work/school.csv" "$work/back.vlpj" 2>/dev/null || fail "convert csv to vlpj"
out="$("$tool" show "$work/back.vlpj")"
expect_has "$out" "Устройство: Велтара ДК-М-32" "imported device type"
expect_has "$out" "Группа 3: " "imported group 3"
expect_has "$out" "Время: 10:05; Дни: Суббота; Трек: 3; Громкость: 15" "imported scenario"

# convert .vlpj -> .vlpj normalises a hand-edited file and keeps its bytes for a clean one
"$tool" convert "$work/school.vlpj" "$work/same.vlpj" || fail "convert vlpj to vlpj"
cmp -s "$work/school.vlpj" "$work/same.vlpj" || fail "a clean Windows file is written back byte for byte"

# workbooks: out as .xlsx, back in under a name ending in .xls (read by content, not by name)
"$tool" convert "$work/school.vlpj" "$work/school.xls.xlsx" 2>/dev/null
expect_eq "$?" "1" "convert to xlsx leaves the names out"
mv "$work/school.xls.xlsx" "$work/school.xls"
"$tool" convert "$work/school.xls" "$work/fromsheet.vlpj" || fail "convert a workbook to vlpj"
out="$("$tool" show "$work/fromsheet.vlpj")"
expect_has "$out" "Устройство: Велтара ДК-М-32" "workbook import device type"
expect_has "$out" "Время: 10:05; Дни: Суббота; Трек: 3; Громкость: 15" "workbook import scenario"
printf 'not a workbook' >"$work/bad.xlsx"
err="$("$tool" convert "$work/bad.xlsx" "$work/bad.vlpj" 2>&1)"; rc=$?
expect_eq "$rc" "2" "a damaged workbook is an error"
expect_has "$err" "$work/bad.xlsx" "the error names the workbook"
[ ! -e "$work/bad.vlpj" ] || fail "nothing is written from a damaged workbook"

# the workbook code is a module loaded on demand: without it only workbook commands fail, and say why
mkdir -p "$work/bare"
cp "$tool" "$work/bare/sigcfg-tool"
"$work/bare/sigcfg-tool" check "$work/school.vlpj" >/dev/null; rc=$?
expect_eq "$rc" "0" "a project command needs no workbook module"
err="$("$work/bare/sigcfg-tool" convert "$work/school.vlpj" "$work/nomodule.xlsx" 2>&1)"; rc=$?
expect_eq "$rc" "2" "a workbook command without the module is an error"
expect_has "$err" "libsigcfg-workbook.so" "the error names the missing module"

# what is no project is refused by name, and nothing is written: a picture, an empty file
printf '\x89PNG\r\n\x1a\n\0\0\0\rIHDR' >"$work/picture.vlpj"
: >"$work/empty.vlpj"
for case in "picture:в нём есть нулевые байты" "empty:пустой файл, а не проект"; do
    name="${case%%:*}"
    err="$("$tool" convert "$work/$name.vlpj" "$work/$name-out.vlpj" 2>&1)"; rc=$?
    expect_eq "$rc" "2" "$name named .vlpj is an error"
    expect_eq "$err" "sigcfg-tool: Файл '$work/$name.vlpj' не является проектом: ${case#*:}" "$name is named as no project"
    [ ! -e "$work/$name-out.vlpj" ] || fail "nothing is written from $name"
done

# skipped entries: the first hundred, then one line that counts the rest
{ printf '[Project]\r\nDevice=\xc2\xe5\xeb\xf2\xe0\xf0\xe0 \xc4\xca-2\r\n[Groups]\r\n0=1;g;'
  for _ in $(seq 1000); do printf '0;'; done; printf '\r\n'; } >"$work/zones.vlpj"
err="$("$tool" convert "$work/zones.vlpj" "$work/zones-out.vlpj" 2>&1)"; rc=$?
expect_eq "$rc" "1" "convert with skipped entries"
expect_eq "$(wc -l <<<"$err" | tr -d ' ')" "102" "skipped entries listed under their heading"
expect_eq "$(head -1 <<<"$err")" "sigcfg-tool: $work/zones.vlpj: Пропущено при чтении:" "heading of the skipped entries"
expect_eq "$(tail -1 <<<"$err")" "sigcfg-tool: $work/zones.vlpj: не записано: …: пропущено записей сверх первых 100: 901" \
    "closing line of the skipped entries"

# what convert reads but can not write: every loss on stderr, exit 1; a file of valid UTF-8 without
# a mark is read as UTF-8 and the heading says so
printf '[Project]\nName=Школа\nDevice=Велтара ДК-4\n[Groups]\n0=1;Корпус;1;\n' >"$work/utf8.vlpj"
printf '[Project]\r\nDevice=X-9\r\n[Groups]\r\n0=1;g;\r\n' >"$work/nodevice.vlpj"
printf '[Project]\r\n; note\r\n[Extra]\r\nA=1\r\n[Playlist]\r\n+1=a\r\n' >"$work/extra.vlpj"
while IFS='|' read -r name rc_expected line; do
    err="$("$tool" convert "$work/$name" "$work/out-$name" 2>&1)"; rc=$?
    expect_eq "$rc" "$rc_expected" "convert $name: exit status"
    expect_has "$err" "$line" "convert $name: message"
done <<EOF_CASES
utf8.vlpj|0|$work/utf8.vlpj: Пропущено при чтении (файл без метки порядка байтов прочитан как UTF-8, а не Windows-1251): ничего
nodevice.vlpj|1|не записано: [Project] Device: неизвестный тип устройства «X-9»: это потеря всех групп
extra.vlpj|1|не записано: строка 2: строка без «ключ=значение» (комментарий?) «; note»; пропущена
extra.vlpj|1|не записано: строка 3: неизвестный раздел «[Extra]» пропущен со всеми своими строками
extra.vlpj|1|не записано: [Playlist] +1: ключ не номер строки
EOF_CASES
expect_has "$("$tool" show "$work/out-utf8.vlpj")" "Группа 1: Корпус" "the UTF-8 file's groups are kept"

# a line whose meaning a save would change: convert names it with both texts and exits 1; bells
# and shift refuse and leave the file byte for byte; show prints what the format reads
while IFS='|' read -r line written shown; do
    printf '[Project]\nName=Школа\nDevice=Велтара ДК-4\n[Groups]\n0=1;Корпус;1;\n[Scenarios]\n0=%s\n' "$line" |
        to_windows >"$work/changed.vlpj"
    cp "$work/changed.vlpj" "$work/changed-before.vlpj"
    err="$("$tool" convert "$work/changed.vlpj" "$work/changed-out.vlpj" 2>&1)"; rc=$?
    expect_eq "$rc" "1" "convert [$line]: exit status"
    expect_has "$err" "$work/changed.vlpj: не записано: [Scenarios] 0: «$line» будет записано как «$written»" \
        "convert [$line]: both texts"
    for edit in "shift --group 1 --minutes 5" "bells --group 1 --start 12:00 --lessons 1 --lesson 45"; do
        read -ra argv <<<"$edit"
        err="$("$tool" "${argv[0]}" "$work/changed.vlpj" "${argv[@]:1}" 2>&1)"; rc=$?
        expect_eq "$rc" "2" "${argv[0]} [$line]: exit status"
        expect_has "$err" "пропало бы: [Scenarios] 0: «$line» будет записано как «$written»" "${argv[0]} [$line]: named"
        cmp -s "$work/changed.vlpj" "$work/changed-before.vlpj" || fail "${argv[0]} [$line] changed the file"
    done
    expect_has "$("$tool" show "$work/changed.vlpj" 2>/dev/null)" "$shown" "show [$line]"
done <<'EOF_CHANGED'
1;Суббота;10;0;20;1;5;;|1;Суббота;10;0;20;1;0;5;|Время: 10:00; Дни: Понедельник, Суббота; Трек: 1; Громкость: 20
1;Суббота;10;0;20;1;5; ;6;|1;Суббота;10;0;20;1;0;5;6;|Дни: Понедельник, Суббота, Воскресенье; Трек: 1
1;Будни;8;30;20;1;0,1,2,3,4;|1;Будни;8;30;20;1;0;|Время: 08:30; Дни: Понедельник; Трек: 1; Громкость: 20
1;Урок;8;30;громко;1;0;|1;Урок;8;30;0;1;0;|Время: 08:30; Дни: Понедельник; Трек: 1; Громкость: 0
1;Начало;8.5;30;20;1;0;|1;Начало;8;30;20;1;0;|Время: 08:30; Дни: Понедельник; Трек: 1; Громкость: 20
1;Начало;8;30;|1;Начало;8;30;0;0;|Время: 08:30; Дни: нет; Трек: 0; Громкость: 0
EOF_CHANGED

# CSV fields and workbook cells whose text the project will not hold are named the same way
sed 's/^08;30;/8.5;30;/' "$work/school.csv" >"$work/decimal.csv"
err="$("$tool" convert "$work/decimal.csv" "$work/decimal.vlpj" 2>&1)"; rc=$?
expect_eq "$rc" "1" "convert a CSV file with a decimal hour"
expect_has "$err" "$work/decimal.csv: не записано: строка 1: Час: «8.5» — не целое число; в проекте будет 8" \
    "the CSV field is named"

# an output that is the input, through a link, is refused before anything is written; a folder is
# named as one
ln -s school.vlpj "$work/link.csv"
cp "$work/school.vlpj" "$work/school-before.vlpj"
err="$("$tool" convert "$work/school.vlpj" "$work/link.csv" 2>&1)"; rc=$?
expect_eq "$rc" "2" "convert onto its own input"
expect_has "$err" "Unable to write to $work/link.csv
это сам исходный файл" "convert onto its own input: message"
cmp -s "$work/school.vlpj" "$work/school-before.vlpj" || fail "convert onto its own input changed it"
mkdir "$work/folder.vlpj"
expect_has "$("$tool" check "$work/folder.vlpj" 2>&1)" "это папка, а не файл" "a folder as the project"

# a pair that does not exist
err="$("$tool" convert "$work/school.csv" "$work/x.csv" 2>&1)"; rc=$?
expect_eq "$rc" "2" "unsupported pair exit status"
expect_has "$err" "не преобразуется в $work/x.csv; преобразования по расширению:" "unsupported pair in Russian"
expect_has "$err" ".csv -> .vlpj, .xlsx" "unsupported pair lists the pairs"

finish "tool"
