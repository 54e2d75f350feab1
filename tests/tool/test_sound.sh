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
for text in " " "$(printf 'я%.0s' {1..1001})"; do
    "$tool" sound speech "$text" "$work/x.mp3" >/dev/null 2>&1
    expect_eq "$?" "2" "exit status of a text of ${#text} characters"
done
[ -e "$work/x.mp3" ] && fail "a refused command writes nothing"

finish "sound"
