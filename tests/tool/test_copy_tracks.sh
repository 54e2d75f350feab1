#!/usr/bin/env bash
# sigcfg-tool copy-tracks: the card writer's copy stage on a real project file.
set -uo pipefail
tool="$1"
source "$(dirname "$0")/../support/shell.sh"
export XDG_STATE_HOME="$work/state" # the card journal stays in the test's folder

mkdir -p "$work/Звонки" "$work/card"
printf 'first bell' >"$work/Звонки/начало.mp3"
printf 'last bell' >"$work/Звонки/конец урока.mp3"

to_windows >"$work/school.vlpj" <<EOF_PROJECT
[Project]
Name=Школа
Device=Велтара ДК-4
[Groups]
0=1;Корпус;1;
[Scenarios]
0=1;Начало;8;30;20;1;0;
1=1;Конец;14;0;20;12;0;
2=1;Пожар;9;0;20;7;0;
3=1;Обед;12;0;20;9;0;
[Playlist]
0=1;$work/Звонки/начало.mp3
1=12;$work/Звонки/конец урока.mp3
2=5;
3=7;$work/Звонки/нет такого.mp3
EOF_PROJECT

# The files are text, not MP3: refused with exit 2 and nothing copied, unless --force.
err="$("$tool" copy-tracks "$work/school.vlpj" "$work/card/" 2>&1 >/dev/null)"; rc=$?
expect_eq "$rc" "2" "exit status of a playlist of non-MP3 files"
expect_has "$err" "Трек 1: файл '$work/Звонки/начало.mp3' — не MP3" "the refused file is named"
expect_eq "$(ls -A "$work/card")" "" "nothing copied when refused"

# With --force: one file missing, track 9 without a line: the gaps first, then the copies, then the summary; exit 1.
out="$("$tool" copy-tracks --force "$work/school.vlpj" "$work/card/" | grep -v "не MP3")"; rc=$?
expect_eq "$rc" "1" "exit status with a missing file"
expect_eq "$out" "Трек 7: нет файла
Трек 9: нет файла
Файл '$work/Звонки/начало.mp3' скопирован в '$work/card/001.mp3'
Файл '$work/Звонки/конец урока.mp3' скопирован в '$work/card/012.mp3'
Файл '$work/Звонки/нет такого.mp3' отсутствует
трек 7: на карте нет файла — звонок не прозвучит
Скопировано 2 из 3; не скопированы треки: 7; нет файла у треков: 7, 9; на карте нет файла у треков: 7" "log lines"
expect_eq "$(cat "$work/card/012.mp3")" "last bell" "copied content"
expect_eq "$(ls "$work/card" | tr '\n' ' ')" "001.mp3 012.mp3 " "card listing"

# Every file there but track 9 still has none: still exit 1.
printf 'x' >"$work/Звонки/нет такого.mp3"
"$tool" copy-tracks --force "$work/school.vlpj" "$work/card/" >/dev/null
expect_eq "$?" "1" "exit status while a used track has no file"

# Everything there: exit 0; a folder named without the final "/" gets the files inside it.
to_windows >"$work/clean.vlpj" <<EOF_PROJECT
[Groups]
0=1;Корпус;1;
[Scenarios]
0=1;Начало;8;30;20;7;0;
[Playlist]
0=7;$work/Звонки/нет такого.mp3
EOF_PROJECT
mkdir -p "$work/music"
out="$("$tool" copy-tracks --force "$work/clean.vlpj" "$work/music")"; rc=$?
expect_eq "$rc" "0" "exit status when all are copied"
expect_eq "$(ls "$work/music")" "007.mp3" "inside the folder named without a slash"
expect_eq "$(tail -n 1 <<<"$out")" "Скопировано 1 из 1" "summary of a clean run"
[ ! -e "$work/music007.mp3" ] || fail "no sibling file beside the folder"

# An empty, relative or missing target copies nothing anywhere, the working folder included.
mkdir -p "$work/cwd"
for target in "" "  " "card" "$work/nowhere" "$work/Звонки/начало.mp3"; do
    err="$(cd "$work/cwd" && "$tool" copy-tracks --force "$work/school.vlpj" "$target" 2>&1 >/dev/null)"; rc=$?
    expect_eq "$rc" "2" "exit status for target [$target]"
    grep -qF "ничего не скопировано" <<<"$err" || fail "reason for target [$target]: [$err]"
done
expect_eq "$(ls -A "$work/cwd")" "" "nothing written into the working folder"

# A project file that is not there is an error naming it.
err="$("$tool" copy-tracks --force "$work/nothing.vlpj" "$work/card/" 2>&1 >/dev/null)"; rc=$?
expect_eq "$rc" "2" "exit status of a missing project"
grep -qF "$work/nothing.vlpj" <<<"$err" || fail "error names the file: [$err]"

"$tool" copy-tracks --force "$work/school.vlpj" >/dev/null 2>&1
expect_eq "$?" "2" "exit status without a target"

# A stray track-named file on the card is listed, not deleted; other names are left alone.
mkdir -p "$work/card2"
printf 'old' >"$work/card2/017.mp3"
printf 'notes' >"$work/card2/notes.txt"
out="$("$tool" copy-tracks --no-verify --force "$work/clean.vlpj" "$work/card2/")"; rc=$?
expect_eq "$rc" "0" "exit status with an extra file"
expect_eq "$(tail -2 <<<"$out" | head -1)" "Файл '$work/card2/017.mp3' — лишний файл на карте" "extra file line, before the summary"
[ -f "$work/card2/017.mp3" ] || fail "the extra file stays"

# A number given twice, or outside 1..999, refuses too; an old copy of a track whose file is gone is named.
to_windows >"$work/twice.vlpj" <<EOF_PROJECT
[Groups]
0=1;Корпус;1;
[Scenarios]
0=1;Начало;8;30;20;15;0;
[Playlist]
0=3;$work/Звонки/начало.mp3
1=15;$work/Звонки/пропал.mp3
2=3;$work/Звонки/конец урока.mp3
3=1000;$work/Звонки/начало.mp3
EOF_PROJECT
mkdir -p "$work/card3"
printf 'old' >"$work/card3/015.mp3"
err="$("$tool" copy-tracks "$work/twice.vlpj" "$work/card3/" 2>&1 >/dev/null)"; rc=$?
expect_eq "$rc" "2" "exit status of a number given twice"
expect_has "$err" "трек 3 указан дважды: строки 1 и 3" "the repeated number"
expect_has "$err" "строка 4: номер трека 1000 — вне диапазона 1–999" "the number out of range"
out="$("$tool" copy-tracks --force "$work/twice.vlpj" "$work/card3/")"
expect_has "$out" "Файл '$work/card3/015.mp3' — на карте осталась старая запись трека 15" "the old copy of a missing track"

# --level through the audio module: a bell made at -16 LUFS reaches the card at -20; a value out of
# range or missing is a usage error that copies nothing.
"$tool" sound bell "$work/bell.mp3" --kind chime >/dev/null || fail "sound bell"
to_windows >"$work/level.vlpj" <<EOF_PROJECT
[Project]
Name=Громкость
Device=Велтара ДК-4
[Playlist]
0=1;$work/bell.mp3
EOF_PROJECT
mkdir -p "$work/card4"
for bad in "-3" "-60" "тихо" ""; do
    err="$("$tool" copy-tracks --level $bad "$work/level.vlpj" "$work/card4/" 2>&1)"; rc=$?
    expect_eq "$rc" "2" "exit status of --level [$bad]"
    expect_has "$err" "--level: громкость в LUFS от -40 до -5" "the range of --level [$bad]"
done
expect_eq "$(ls -A "$work/card4")" "" "nothing copied for a wrong --level"
out="$("$tool" copy-tracks --level -20 "$work/level.vlpj" "$work/card4/")" || fail "levelled copy: $out"
expect_has "$out" "выровнен −4," "the gain of the levelled track"
cmp -s "$work/bell.mp3" "$work/card4/001.mp3" && fail "the levelled copy is the source's bytes"
printf '[Project]\r\nName=Card\r\n[Playlist]\r\n0=1;%s\r\n' "$work/card4/001.mp3" >"$work/card4.vlpj"
lufs="$("$tool" tracks --tsv "$work/card4.vlpj" | awk -F'\t' 'NR == 2 {print $8}')"
awk -v l="$lufs" 'BEGIN {exit !(l >= -20.5 && l <= -19.5)}' || fail "the card's copy is at $lufs LUFS, not -20"

# A chime brought to -5 LUFS is past what the limiter may give: the copy says what it reached, the
# summary names the track and the exit status is 1, yet the copy keeps under -1 dBTP.
mkdir -p "$work/card5"
out="$("$tool" copy-tracks --level -5 "$work/level.vlpj" "$work/card5/")"; rc=$?
expect_eq "$rc" "1" "exit status of a copy that missed its loudness"
expect_has "$out" "не выровнен: получилось −" "the copy's line says what it reached"
expect_eq "$(tail -n 1 <<<"$out")" "Скопировано 1 из 1; не выровнены треки: 1" "the summary names the track"
printf '[Project]\r\nName=Card\r\n[Playlist]\r\n0=1;%s\r\n' "$work/card5/001.mp3" >"$work/card5.vlpj"
peak="$("$tool" tracks --tsv "$work/card5.vlpj" | awk -F'\t' 'NR == 2 {print $9}')"
awk -v p="$peak" 'BEGIN {exit !(p <= -1)}' || fail "the missed copy peaks at $peak dBTP"

# card-check of a levelled card: a copy is right against the loudness it was levelled to, named
# with what it measures against another or when it missed, and wrong when its length is not its
# source's (a levelled copy of another bell).
"$tool" sound bell "$work/long.mp3" --kind chime --seconds 9 >/dev/null || fail "sound bell --seconds"
sed "s|$work/bell.mp3|$work/long.mp3|" "$work/level.vlpj" >"$work/long.vlpj"
mkdir -p "$work/card6"
"$tool" copy-tracks --level -20 "$work/long.vlpj" "$work/card6/" >/dev/null || fail "levelled copy of the long bell"
for c in "-20 card4 0 Карта совпадает с плейлистом: треков 1; выровненных копий: 1" \
    "-16 card4 1 трек 1: файл '$work/card4/001.mp3' — копия '$work/bell.mp3', выровненная не до −16,0 LUFS: −20," \
    "-5 card5 1 выровненная не до −5,0 LUFS: −" \
    "-20 card6 1 трек 1: файл '$work/card6/001.mp3' на карте отличается от '$work/bell.mp3'" \
    "none card4 1 трек 1: файл '$work/card4/001.mp3' на карте отличается от '$work/bell.mp3'"; do
    read -r level card status want <<<"$c"
    if [ "$level" = none ]; then set --; else set -- --level "$level"; fi
    out="$("$tool" card-check "$@" "$work/level.vlpj" "$work/$card/")"; rc=$?
    expect_eq "$rc" "$status" "card-check $* of $card"
    expect_has "$out" "$want" "card-check $* of $card"
done

# card-check: the card the copy left is what the playlist puts there; each difference is named, exit 1.
to_windows >"$work/check.vlpj" <<EOF_PROJECT
[Groups]
0=1;Корпус;1;
[Scenarios]
0=1;Начало;8;30;20;1;0;
[Playlist]
0=1;$work/Звонки/начало.mp3
1=12;$work/Звонки/конец урока.mp3
EOF_PROJECT
mkdir -p "$work/checked"
"$tool" copy-tracks --force "$work/check.vlpj" "$work/checked/" >/dev/null
out="$("$tool" card-check "$work/check.vlpj" "$work/checked/")"; rc=$?
expect_eq "$rc" "0" "card-check of a card just written"
expect_eq "$out" "Карта совпадает с плейлистом: треков 2" "card-check summary"
printf 'other' >"$work/checked/012.mp3"
printf 'x' >"$work/checked/077.mp3"
out="$("$tool" card-check "$work/check.vlpj" "$work/checked/")"; rc=$?
expect_eq "$rc" "1" "card-check of a changed card"
expect_eq "$out" "трек 12: файл '$work/checked/012.mp3' на карте отличается от '$work/Звонки/конец урока.mp3'
Файл '$work/checked/077.mp3' — лишний файл на карте
Отличий карты от плейлиста: 2" "card-check names each difference"
"$tool" card-check "$work/check.vlpj" "$work/nowhere" >/dev/null 2>&1
expect_eq "$?" "2" "card-check of a missing folder"

# Two runs on one card: the second waits, then refuses with exit 2 naming the first.
exec 9>"$work/checked/.sigcfg-card.lock"
flock 9
echo "$$" >&9
err="$("$tool" copy-tracks --force "$work/check.vlpj" "$work/checked/" 2>&1)"; rc=$?
exec 9>&-
expect_eq "$rc" "2" "a second run on a locked card"
expect_has "$err" "(процесс $$)" "the refusal names the other run"
finish "copy-tracks"
