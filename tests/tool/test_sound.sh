#!/usr/bin/env bash
# sigcfg-tool sound bell: a bell tone written as an MP3 that the tool itself reads as a good track.
set -uo pipefail
tool="$1"
source "$(dirname "$0")/../support/shell.sh"

out="$("$tool" sound bell "$work/gong.mp3" --kind gong --seconds 2)"
expect_eq "$?" "0" "exit status"
expect_eq "$out" "$work/gong.mp3: 2 с, −16.0 LUFS, пик $(sed 's/.*пик //' <<<"$out")" "report line"
to_windows >"$work/bells.vlpj" <<EOF_PROJECT
[Project]
Name=Школа
Device=Велтара ДК-4
[Playlist]
0=1;$work/gong.mp3
EOF_PROJECT
expect_eq "$("$tool" tracks --tsv "$work/bells.vlpj" | awk -F'\t' '$1 == 1 {print $2, $3, $4, $5}')" "ok 2.000 44100 1" \
    "the tone as a track"

for wrong in "sound" "sound siren $work/x.mp3" "sound bell $work/x.mp3" "sound bell $work/x.mp3 --kind siren" \
    "sound bell $work/x.mp3 --kind school --seconds 0"; do
    read -ra words <<<"$wrong"
    "$tool" "${words[@]}" >/dev/null 2>&1
    expect_eq "$?" "2" "exit status of [$wrong]"
done
[ -e "$work/x.mp3" ] && fail "a refused command writes nothing"

finish "sound"
