#!/usr/bin/env bash
# sigcfg-tool bells and shift on a real project file: what they write, their exit codes, and that
# a refusal leaves the file byte for byte as it was.
set -uo pipefail
tool="$1"
data="$2"
source "$(dirname "$0")/../support/shell.sh"

fresh() { cp "$data/windows-school.vlpj" "$work/school.vlpj"; }
# Runs the tool expecting a refusal: exit 2, the reason on stderr, the file untouched.
expect_refused() {
    local what="$1" reason="$2"
    shift 2
    fresh
    local err rc
    err="$("$tool" "$@" 2>&1 >/dev/null)"; rc=$?
    expect_eq "$rc" "2" "$what: exit status"
    expect_has "$err" "$reason" "$what: reason"
    cmp -s "$data/windows-school.vlpj" "$work/school.vlpj" || fail "$what: the file was changed"
}

help="$("$tool" --help)"
expect_has "$help" "bells ФАЙЛ.vlpj --group Г" "help lists bells"
expect_has "$help" "shift ФАЙЛ.vlpj --group Г --minutes N" "help lists shift"

# Group 3 holds one scenario in slot 1; three lessons with warnings and end bells fill slots 2-10
# in time order on the weekend, and group 1 stays as it was.
fresh
out="$("$tool" bells "$work/school.vlpj" --group 3 --start 9:00 --lessons 3 --lesson 40 --breaks 10,20 \
    --days 6-7 --start-track 4 --end-track 5 --warn 3 --warn-track 6 --volume 15)"; rc=$?
expect_eq "$rc" "0" "bells without clashes"
expect_eq "$(head -1 <<<"$out")" "Проверка проекта" "bells prints the check"
show="$("$tool" show "$work/school.vlpj")"
expect_has "$show" "Сценарий 2: Урок 1: предупреждение
    Время: 08:57; Дни: Суббота, Воскресенье; Трек: 6; Громкость: 15
  Сценарий 3: Урок 1: начало
    Время: 09:00; Дни: Суббота, Воскресенье; Трек: 4; Громкость: 15
  Сценарий 4: Урок 1: конец
    Время: 09:40; Дни: Суббота, Воскресенье; Трек: 5; Громкость: 15
  Сценарий 5: Урок 2: предупреждение
    Время: 09:47" "bells: first lesson and the next warning"
expect_has "$show" "Сценарий 10: Урок 3: конец
    Время: 11:30" "bells: the last break repeats"
expect_has "$show" "Сценарий 2: Конец
    Время: 14:00; Дни: Понедельник, Вторник, Среда, Четверг, Пятница; Трек: 2; Громкость: 20" "group 1 untouched"
expect_eq "$(grep -c "Сценарий" <<<"$show")" "12" "bells: scenario count"

# Defaults: Monday to Friday, start track 1, end track = start track, volume 20; one lands on
# group 1's 08:30 bell, so the check finds clashes.
fresh
"$tool" bells "$work/school.vlpj" --group 1 --start 08:30 --lessons 1 --lesson 45 --start-track 7 >/dev/null; rc=$?
expect_eq "$rc" "1" "bells with clashes"
show="$("$tool" show "$work/school.vlpj")"
expect_has "$show" "Сценарий 3: Урок 1: начало
    Время: 08:30; Дни: Понедельник, Вторник, Среда, Четверг, Пятница; Трек: 7; Громкость: 20
  Сценарий 4: Урок 1: конец
    Время: 09:15; Дни: Понедельник, Вторник, Среда, Четверг, Пятница; Трек: 7; Громкость: 20" "bells defaults"

# --replace takes away the bells it made before (same prefix only) and puts them back: twice is
# once. --dry-run lists the plan and writes nothing; each run ends with what it added and removed.
fresh
bells=(bells "$work/school.vlpj" --group 3 --lessons 2 --lesson 45 --days 6)
"$tool" "${bells[@]}" --start 10:00 --prefix "2 смена: " >/dev/null
out="$("$tool" "${bells[@]}" --start 10:00 --replace)"
expect_eq "$(tail -1 <<<"$out")" "Добавлено 4 сценария в слоты 6–9, удалено 0" "first replacing run"
cp "$work/school.vlpj" "$work/once.vlpj"
out="$("$tool" "${bells[@]}" --start 10:00 --replace)"
expect_eq "$(tail -1 <<<"$out")" "Добавлено 4 сценария в слоты 6–9, удалено 4" "second replacing run"
cmp -s "$work/school.vlpj" "$work/once.vlpj" || fail "--replace twice differs from once"
expect_has "$("$tool" show "$work/school.vlpj")" "Сценарий 5: 2 смена: Урок 2: конец" "the other prefix stays"
out="$("$tool" "${bells[@]}" --replace --start 10:02 --dry-run)"; rc=$?
expect_eq "$rc" "0" "dry run without clashes"
expect_has "$out" "10:02  Урок 1: начало  слот 6  трек 1" "dry run: a planned bell"
expect_has "$out" "Будут удалены прежние звонки: 4" "dry run: what goes"
expect_has "$out" "Проверка: совпадений по времени нет" "dry run: the verdict"
cmp -s "$work/school.vlpj" "$work/once.vlpj" || fail "--dry-run wrote the file"

# shift moves the whole group and writes the file; the other group keeps its time.
fresh
"$tool" shift "$work/school.vlpj" --group 1 --minutes -30 >/dev/null; rc=$?
expect_eq "$rc" "0" "shift exit status"
show="$("$tool" show "$work/school.vlpj")"
expect_has "$show" "Время: 08:00; Дни: Понедельник" "shift: first scenario"
expect_has "$show" "Время: 13:30; Дни: Понедельник" "shift: second scenario"
expect_has "$show" "Время: 10:05; Дни: Суббота" "shift: other group untouched"

# Refusals: exit 2, the reason, the file unchanged.
expect_refused "too few slots" "В группе 1 свободно 30 мест, нужно 32" \
    bells "$work/school.vlpj" --group 1 --start 07:00 --lessons 16 --lesson 20 --breaks 5
expect_refused "a bell past midnight" "Урок 2: конец" \
    bells "$work/school.vlpj" --group 1 --start 22:00 --lessons 2 --lesson 45 --breaks 60
expect_refused "a bad day list" "1-5 или 1,3,5" \
    bells "$work/school.vlpj" --group 1 --start 08:00 --lessons 1 --lesson 45 --days 0-4
expect_refused "an empty break" "в списке перемен «10,,5» пустое место" \
    bells "$work/school.vlpj" --group 3 --start 08:00 --lessons 3 --lesson 45 --breaks 10,,5
expect_refused "a warning track without a warning" "укажите --warn от 1 до 120" \
    bells "$work/school.vlpj" --group 3 --start 08:00 --lessons 3 --lesson 45 --warn 0 --warn-track 5
expect_refused "too many lessons" "от 1 до 16" \
    bells "$work/school.vlpj" --group 3 --start 08:00 --lessons 17 --lesson 20 --breaks 0
expect_refused "too long a lesson" "от 1 до 240 минут" \
    bells "$work/school.vlpj" --group 3 --start 08:00 --lessons 1 --lesson 241
expect_refused "too many for the group even when replacing" "свободно 31 место, нужно 32" \
    bells "$work/school.vlpj" --group 3 --start 07:00 --lessons 16 --lesson 20 --breaks 5 --replace
expect_refused "a missing option" "--lesson" \
    bells "$work/school.vlpj" --group 1 --start 08:00 --lessons 1
expect_refused "shift past 23:59" "за пределы суток" \
    shift "$work/school.vlpj" --group 1 --minutes +600
expect_refused "shift by a word" "не целое число" \
    shift "$work/school.vlpj" --group 1 --minutes five

# A file with an entry the model has no place for is not written back without it.
printf '[Project]\r\nName=X\r\nDevice=\xc2\xe5\xeb\xf2\xe0\xf0\xe0 \xc4\xca-4\r\n[Groups]\r\n0=1;A;1;\r\n[Scenarios]\r\n0=1;B;8;0;20;1;0;\r\n1=40;C;9;0;20;1;0;\r\n' >"$work/odd.vlpj"
cp "$work/odd.vlpj" "$work/odd-before.vlpj"
err="$("$tool" shift "$work/odd.vlpj" --group 1 --minutes 5 2>&1 >/dev/null)"; rc=$?
expect_eq "$rc" "2" "a file with a skipped entry: exit status"
expect_has "$err" "[Scenarios] 1" "the skipped entry is named"
cmp -s "$work/odd.vlpj" "$work/odd-before.vlpj" || fail "a file with a skipped entry was changed"

# Whatever the reader does not keep is named and the file stays as it was: comments, unknown
# sections and keys, keys that are no plain number, lines after a gap, groups and zones beyond the
# device, scenarios without their group.
device='Device=\xc2\xe5\xeb\xf2\xe0\xf0\xe0 \xc4\xca-2\r\n'
while IFS='|' read -r body named; do
    printf "[Project]\r\n$device[Groups]\r\n0=1;A;1;\r\n$body" >"$work/lossy.vlpj"
    cp "$work/lossy.vlpj" "$work/lossy-before.vlpj"
    err="$("$tool" shift "$work/lossy.vlpj" --group 1 --minutes 5 2>&1 >/dev/null)"; rc=$?
    expect_eq "$rc" "2" "shift on [$body]: exit status"
    expect_has "$err" "$named" "shift on [$body]: what would be lost"
    expect_has "$err" "файл не изменён" "shift on [$body]: the file is left"
    cmp -s "$work/lossy.vlpj" "$work/lossy-before.vlpj" || fail "shift on [$body]: the file was changed"
done <<'EOF_CASES'
; keep this\r\n|строка 5: строка без «ключ=значение» (комментарий?) «; keep this»
[Notes]\r\nA=1\r\n|строка 5: неизвестный раздел «[Notes]»
[Scenarios]\r\n+1=1;s;8;0;1;1;0;\r\n|[Scenarios] +1: ключ не номер строки
[Scenarios]\r\n01=1;s;8;0;1;1;0;\r\n|[Scenarios] 01: ключ не номер строки
[Scenarios]\r\n2147483648=1;s;8;0;1;1;0;\r\n|[Scenarios] 2147483648: номер ключа больше 1023
[Playlist]\r\n0=1;a.mp3\r\n2=2;b.mp3\r\n|[Playlist] 2: после отсутствующего ключа 1
1=3;C;\r\n|[Groups] 1: номер группы 3 выше числа зон устройства (2)
[Scenarios]\r\n0=5;s;8;0;1;1;0;\r\n|[Scenarios] 0: группы 5 нет в разделе [Groups]
[Groups]\r\n0=2;B;\r\n|строка 5: повторный раздел «[Groups]»
EOF_CASES

# A file the operator made read-only is not replaced.
fresh
chmod 0444 "$work/school.vlpj"
err="$("$tool" shift "$work/school.vlpj" --group 1 --minutes 5 2>&1 >/dev/null)"; rc=$?
expect_eq "$rc" "2" "a read-only file: exit status"
expect_has "$err" "файл защищён от записи" "a read-only file: reason"
cmp -s "$data/windows-school.vlpj" "$work/school.vlpj" || fail "a read-only file was changed"
chmod 0644 "$work/school.vlpj"

# An edit waits for another one on the same file, and refuses when that one does not end soon.
fresh
flock "$work/school.vlpj" sleep 2.7 &
holder=$!
sleep 0.5
err="$("$tool" shift "$work/school.vlpj" --group 1 --minutes 5 2>&1 >/dev/null)"; rc=$?
expect_eq "$rc" "2" "a locked file: exit status"
expect_has "$err" "сейчас изменяет другая команда" "a locked file: reason"
cmp -s "$data/windows-school.vlpj" "$work/school.vlpj" || fail "a locked file was changed"
wait "$holder"
flock "$work/school.vlpj" sleep 1 &
holder=$!
sleep 0.3
"$tool" shift "$work/school.vlpj" --group 1 --minutes 5 >/dev/null; rc=$?
expect_eq "$rc" "0" "an edit waits for a short one"
wait "$holder"

finish "bells and shift"
