#!/usr/bin/env bash
# sigcfg-tool sound bell and speech: sounds written as MP3s that the tool itself reads as good tracks.
set -uo pipefail
tool="$1"
source "$(dirname "$0")/../support/shell.sh"

out="$("$tool" sound bell "$work/gong.mp3" --kind gong --seconds 2)"
expect_eq "$?" "0" "exit status"
expect_eq "$out" "$work/gong.mp3: 2 с, −16,0 LUFS, пик $(sed 's/.*пик //' <<<"$out")" "report line"
to_windows >"$work/bells.vlpj" <<EOF_PROJECT
[Project]
Name=Школа
Device=Велтара ДК-4
[Playlist]
0=1;$work/gong.mp3
EOF_PROJECT
expect_eq "$("$tool" tracks --tsv "$work/bells.vlpj" | awk -F'\t' '$1 == 1 {print $2, $3, $4, $5}')" "ok 2.000 44100 1" \
    "the tone as a track"

out="$("$tool" sound speech "Внимание! Урок начинается." "$work/speech.mp3" --chime)"
expect_eq "$?" "0" "exit status of speech"
expect_eq "$(sed 's/: 0:0[4-9]\.[0-9], −16,[0-1] LUFS, пик −.*//' <<<"$out")" "$work/speech.mp3" "speech report [$out]"
expect_eq "$(cat "$work/speech.mp3.txt")" $'Гонг: да\nГолос: ru\n\nВнимание! Урок начинается.' "the words kept beside the MP3"
mkdir -p "$work/nodata/espeak-ng-data"
err="$(ESPEAK_DATA_PATH="$work/nodata" "$tool" sound speech "Тест" "$work/x.mp3" 2>&1)"
expect_eq "$?" "2" "exit status without voice data"
expect_has "$err" "$work/x.mp3" "the failure names the file"
expect_has "$err" "установите пакет espeak-ng-data" "the failure names the package"

for wrong in "sound" "sound siren $work/x.mp3" "sound bell $work/x.mp3" "sound bell $work/x.mp3 --kind siren" \
    "sound bell $work/x.mp3 --kind school --seconds 0" "sound speech $work/x.mp3" "sound speech a b $work/x.mp3" \
    "sound speech a $work/x.mp3 --voice" "sound speech a $work/x.mp3 --loud"; do
    read -ra words <<<"$wrong"
    "$tool" "${words[@]}" >/dev/null 2>&1
    expect_eq "$?" "2" "exit status of [$wrong]"
done
# text with nothing to say: blanks, no-break and zero-width spaces, Windows-1251 bytes, punctuation
for text in " " $'\u00a0\u200b' "$(printf 'Урок' | iconv -f UTF-8 -t CP1251)" "..." "$(printf 'я%.0s' {1..1001})"; do
    err="$("$tool" sound speech "$text" "$work/x.mp3" 2>&1)"
    expect_eq "$?" "2" "exit status of a text of ${#text} characters"
    expect_has "$err" "текст" "the refusal says what is wrong with the text"
done
[ -e "$work/x.mp3" ] && fail "a refused command writes nothing"

# a sound goes only into an MP3: a project (by name or by content) stays as it was, and so does
# everything when the words file's place is taken
to_windows >"$work/school.vlpj" <<<$'[Project]\nName=Школа'
cp "$work/school.vlpj" "$work/school.mp3"
cp "$work/school.vlpj" "$work/before"
for call in "bell $work/school.vlpj --kind school" "speech Тест $work/school.vlpj" "bell $work/school.mp3 --kind gong" \
    "speech Тест $work/school.mp3"; do
    read -ra words <<<"$call"
    err="$("$tool" sound "${words[@]}" 2>&1)"
    expect_eq "$?" "2" "exit status of [sound $call]"
    expect_has "$err" "не записан" "the refusal of [sound $call]"
done
cmp -s "$work/school.vlpj" "$work/before" || fail "the project is byte-identical after sound bell onto it"
cmp -s "$work/school.mp3" "$work/before" || fail "a project named .mp3 is byte-identical"
mkdir "$work/folder.mp3.txt"
mkfifo "$work/pipe.mp3.txt"
for name in folder pipe; do
    err="$("$tool" sound speech "Тест" "$work/$name.mp3" 2>&1)"
    expect_eq "$?" "2" "exit status with a $name in the words file's place"
    expect_has "$err" "Не удалось записать файл $work/$name.mp3.txt" "the words file named"
    [ -e "$work/$name.mp3" ] && fail "no MP3 without its words file ($name)"
done
"$tool" sound speech "Внимание" "$work/speech.mp3" >/dev/null
"$tool" sound bell "$work/speech.mp3" --kind chime >/dev/null
[ -e "$work/speech.mp3.txt" ] && fail "a bell made over an announcement takes its words away"

# killed at any moment, the MP3 and its words file come and go together: never one without the
# other, but for a words file whose MP3 waits under its staged name; the next run for a pair that
# was cut off finishes or clears it and leaves nothing else
mkdir "$work/kill"
for round in $(seq 20); do
    out="$work/kill/a$round.mp3"
    "$tool" sound speech "Объявление $round" "$out" >/dev/null 2>&1 &
    sleep "0.$(printf '%03d' $((RANDOM % 300)))"
    kill -9 $! 2>/dev/null
    wait $! 2>/dev/null
    if [ -e "$out" ] && [ ! -e "$out.txt" ]; then
        fail "round $round: an MP3 without its words file"
    elif [ ! -e "$out" ] && [ -e "$out.txt" ] && [ ! -e "$work/kill/.a$round.mp3.sigcfg-new" ]; then
        fail "round $round: a words file without its MP3"
    fi
done
left="$(ls -A "$work/kill" | sed -n 's/^\.\(a[0-9]*\)\.mp3\..*/\1/p' | head -1)"
"$tool" sound speech "Последнее" "$work/kill/${left:-a1}.mp3" >/dev/null
expect_eq "$(tail -1 "$work/kill/${left:-a1}.mp3.txt")" "Последнее" "the words of the run after a cut-off one"
expect_eq "$(ls -A "$work/kill" | grep -c "^\.${left:-a1}\.")" "0" "nothing of the cut-off run is left"

finish "sound"
