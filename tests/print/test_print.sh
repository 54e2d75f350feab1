#!/usr/bin/env bash
# sigcfg-tool print: the PDF of a project names everything in it with every font embedded, a full
# project fills several pages, anything that is not a project is refused with nothing written,
# and the tool's other commands still load no Qt.
set -uo pipefail
tool="$1"
source "$(dirname "$0")/../support/shell.sh"

expect_has() { grep -qF -- "$2" <<<"$1" || fail "$3: [$2] not in the text"; }

to_windows >"$work/school.vlpj" <<'EOF_PROJECT'
[Project]
Name=Школа №5
Device=Велтара ДК-4
[Groups]
0=1;Корпус;1;2;
1=3;Двор;4;
2=7;Скрытая;1;
3=2;Пустая;3;
[Scenarios]
0=1;Начало уроков;8;30;20;1;0;1;2;3;4;
1=1;Конец;14;0;25;2;0;1;2;3;4;
2=3;Перемена;8;30;15;3;0;5;
3=7;Невидимка;9;0;10;4;0;
[Playlist]
0=1;C:\Звонки\начало, младшие классы.mp3
1=2;C:\Звонки\конец.mp3
2=3;/home/op/перемена.mp3
EOF_PROJECT

"$tool" print "$work/school.vlpj" "$work/school.pdf"
expect_eq "$?" "0" "print exit status"
text="$(pdftotext -layout "$work/school.pdf" - 2>/dev/null)"
for part in "Школа №5" "Велтара ДК-4" "school.vlpj" "Группа 1: Корпус" "Зоны: 1, 2" "Группа 3: Двор" "Зоны: 4" \
    "Начало уроков" "08:30" "Пн Вт Ср Чт Пт" "начало, младшие классы.mp3" "конец.mp3" "перемена.mp3" "Пн Сб" "Неделя" \
    "Совпадения времени" "Страница 1 из 3"; do
    expect_has "$text" "$part" "PDF text"
done
grep -q "Невидимка" <<<"$text" && fail "a group the device hides is printed"
expect_has "$text" "Без сценариев: Группа 2: Пустая" "an empty group's line"
expect_eq "$(grep -c "Зоны:" <<<"$text")" "2" "group blocks"
grep -qE "^ *2 +Конец +14:00 +Пн Вт Ср Чт Пт +2 +конец.mp3 +25" <<<"$text" || fail "a table row: $text"
expect_eq "$(pdfinfo "$work/school.pdf" | sed -n 's/^Page size: *//p')" "595 x 842 pts (A4)" "A4"
expect_eq "$(pdfinfo -f 2 -l 2 "$work/school.pdf" | sed -n 's/^Page *2 size: *//p')" "842 x 595 pts (A4)" \
    "landscape chart"
fonts="$(pdffonts "$work/school.pdf" | tail -n +3)"
[ -n "$fonts" ] || fail "no fonts listed"
awk '$(NF-4) != "yes" { bad = 1 } END { exit bad }' <<<"$fonts" || fail "a font is not embedded: $fonts"

# Generated bells open the print with a wall timetable per group: a row per lesson and day set,
# weekdays before Saturday; the scenario table lists Saturday's rows after the weekdays'.
# A long official name: the running header cuts it short of the print date.
long="Муниципальное бюджетное общеобразовательное учреждение «Средняя общеобразовательная школа №5 с углублённым изучением отдельных предметов»"
# The group the device hides goes: bells refuse to write back a file that would lose it.
iconv -f CP1251 -t UTF-8 "$work/school.vlpj" | sed -e "s/^Name=.*/Name=$long\r/" -e '/^2=7;/d' -e 's/^3=2;/2=2;/' \
    -e '/^3=7;/d' |
    iconv -f UTF-8 -t CP1251 >"$work/bells.vlpj"
"$tool" bells "$work/bells.vlpj" --group 3 --start 08:30 --lessons 6 --lesson 45 --breaks 10,20,10 --warn 2 \
    --warn-track 3 >/dev/null
"$tool" bells "$work/bells.vlpj" --group 3 --start 09:00 --lessons 4 --lesson 40 --days 6 >/dev/null
"$tool" print "$work/bells.vlpj" "$work/bells.pdf" || fail "print with bells"
wall="$(pdftotext -layout -f 1 -l 1 "$work/bells.pdf" - 2>/dev/null | sed -E 's/^ *//; s/ *$//; s/ {2,}/ | /g')"
for row in "Звонки. Группа 3: Двор" "Пн Вт Ср Чт Пт" "Урок | Начало | Конец | Предупреждение" "Урок 1 | 08:30 | 09:15 | 08:28" \
    "Урок 3 | 10:30 | 11:15 | 10:28" "Урок 6 | 13:15 | 14:00 | 13:13" "Урок | Начало | Конец" "Урок 4 | 11:30 | 12:10"; do
    grep -qxF -- "$row" <<<"$wall" || fail "timetable row [$row] not in: $wall"
done
[ "$(grep -n "^Сб$" <<<"$wall" | cut -d: -f1)" -gt "$(grep -n "Урок 6" <<<"$wall" | cut -d: -f1)" ] ||
    fail "Saturday before the weekdays: $wall"
tables="$(pdftotext -layout -f 2 -l 2 "$work/bells.pdf" - 2>/dev/null)"
grep -qE "^ *27 +Урок 4: конец +12:10 +Сб" <<<"$(grep -E "^ *[0-9]+ " <<<"$tables" | tail -n 1)" ||
    fail "the last table row is not Saturday's last bell: $tables"
pdftotext -layout -f 1 -l 1 "$work/school.pdf" - | grep -q "Звонки" && fail "a timetable without generated bells"
header="$(pdftotext -layout -f 3 -l 3 "$work/bells.pdf" - 2>/dev/null | head -n 1)"
grep -qE "^Муниципальное .*… +Напечатано: [0-9.]+$" <<<"$header" || fail "the running header: [$header]"

# Columns as wide as what they hold: a short file name beside a half-empty name column is printed
# whole, also when its track number lies beyond the playlist's length.
to_windows >"$work/short.vlpj" <<'EOF_PROJECT'
[Project]
Name=Школа
Device=Велтара ДК-4
[Groups]
0=1;Корпус;1;
[Scenarios]
0=1;Урок 1: начало;8;30;20;11;0;1;2;3;4;
1=1;Урок 1: конец;9;15;20;12;0;1;2;3;4;
[Playlist]
0=1;/home/op/один.mp3
1=11;/home/op/Звонки/начало.mp3
2=12;/home/op/Звонки/конец урока.mp3
EOF_PROJECT
"$tool" print "$work/short.vlpj" "$work/short.pdf" || fail "print of short names"
short="$(pdftotext -layout "$work/short.pdf" - 2>/dev/null)"
grep -qE "^ *1 +Урок 1: начало +08:30 +Пн Вт Ср Чт Пт +11 +начало\.mp3 +20$" <<<"$short" || fail "a short file name cut: $short"
expect_has "$short" "конец урока.mp3" "the longer file name"

# A track still playing at a later bell is printed as an overlap, though the two share no zone:
# the device has one player.
command -v lame >/dev/null || fail "lame is needed (scripts/install-deps)"
tone_wav "$work/march.wav" 90
lame --quiet -b 8 "$work/march.wav" "$work/march.mp3" && rm "$work/march.wav" || fail "lame"
to_windows >"$work/gym.vlpj" <<EOF_PROJECT
[Project]
Name=Школа
Device=Велтара ДК-4
[Groups]
0=1;Корпус;1;
1=2;Спортзал;3;
[Scenarios]
0=2;Марш;8;30;20;1;0;
1=1;Звонок;8;31;20;2;0;
[Playlist]
0=1;$work/march.mp3
EOF_PROJECT
"$tool" print "$work/gym.vlpj" "$work/gym.pdf" || fail "print with an overlap"
gym="$(pdftotext "$work/gym.pdf" - 2>/dev/null | tr '\n' ' ')"
expect_has "$gym" "Наложения звука" "the overlaps' heading"
expect_has "$gym" "«Марш» в 08:30 ещё звучит, когда в 08:31 начинается сценарий 1 группы 1 «Звонок»" "the overlap"

# A project without a bell prints no chart page.
printf '[Project]\r\nName=X\r\nDevice=\xc2\xe5\xeb\xf2\xe0\xf0\xe0 \xc4\xca-4\r\n[Groups]\r\n0=1;A;1;\r\n' >"$work/empty.vlpj"
"$tool" print "$work/empty.vlpj" "$work/empty.pdf" || fail "print of a project without scenarios"
expect_eq "$(pdfinfo "$work/empty.pdf" | sed -n 's/^Pages: *//p')" "1" "pages without scenarios"

# The largest project: 32 groups of 32 scenarios runs to several pages.
{
    printf '[Project]\r\nName=Full\r\nDevice=Велтара ДК-М-32\r\n[Groups]\r\n'
    for g in $(seq 1 32); do printf '%d=%d;Группа %d;%d;\r\n' $((g - 1)) "$g" "$g" "$g"; done
    printf '[Scenarios]\r\n'
    for k in $(seq 0 1023); do
        printf '%d=%d;Звонок %d;%d;%d;20;%d;0;1;2;3;4;5;6;\r\n' "$k" $((k / 32 + 1)) "$k" $((k / 60)) $((k % 60)) $((k % 100 + 1))
    done
} | iconv -f UTF-8 -t CP1251 >"$work/full.vlpj"
"$tool" print "$work/full.vlpj" "$work/full.pdf" || fail "print of the full project"
pages="$(pdfinfo "$work/full.pdf" | sed -n 's/^Pages: *//p')"
[ "${pages:-0}" -ge 10 ] || fail "the full project on $pages pages"
full="$(pdftotext "$work/full.pdf" - 2>/dev/null)"
expect_has "$full" "Звонок 999" "a scenario of the last page"
expect_has "$full" "Группа 32: Группа 32" "the last group"

# Not a project: refused with exit 2, nothing written, an old file left alone.
printf '\x89PNG\r\n\x1a\n\0\0\0' >"$work/picture.vlpj"
echo "old" >"$work/old.pdf"
"$tool" print "$work/picture.vlpj" "$work/old.pdf" 2>/dev/null
expect_eq "$?" "2" "a picture named .vlpj"
expect_eq "$(cat "$work/old.pdf")" "old" "the old file after a refusal"
"$tool" print "$work/missing.vlpj" "$work/new.pdf" 2>/dev/null
expect_eq "$?" "2" "a missing project"
"$tool" print "$work/school.vlpj" "$work/school.vlpj" 2>/dev/null
expect_eq "$?" "2" "the project itself as the output"
"$tool" print "$work/school.vlpj" 2>/dev/null
expect_eq "$?" "2" "a missing argument"
"$tool" print "$work/school.vlpj" "$work/no/such/folder/x.pdf" 2>/dev/null
expect_eq "$?" "2" "an unwritable output"
expect_eq "$(ls "$work" | grep -c -v -E '^(school|bells|empty|full|picture|short|gym)\.(vlpj|pdf)$|^(old\.pdf|march\.mp3)$')" "0" "files left behind"
iconv -f CP1251 -t UTF-8 "$work/school.vlpj" | grep -q "Начало уроков" || fail "the project file after print to itself"

# The other commands must not load Qt.
ldd "$tool" | grep -qi "libQt" && fail "sigcfg-tool links Qt"

finish "print"
