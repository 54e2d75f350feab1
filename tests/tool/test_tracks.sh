#!/usr/bin/env bash
# sigcfg-tool tracks: what each track file holds, and tracks still playing at the next bell.
set -uo pipefail
tool="$1"
source "$(dirname "$0")/../support/shell.sh"

command -v lame >/dev/null || { echo "FAIL: lame is needed (scripts/install-deps)"; exit 1; }
# A 3-minute mono tone at 8 kHz, encoded by lame, and 26 dB quieter; its WAV renamed; a copy with
# its middle overwritten.
tone_wav "$work/march.wav" 180
lame --quiet -b 32 "$work/march.wav" "$work/march.mp3" || fail "lame"
lame --quiet -b 32 --scale 0.05 "$work/march.wav" "$work/quiet.mp3" || fail "lame"
cp "$work/march.wav" "$work/wav.mp3"
cp "$work/march.mp3" "$work/damaged.mp3"
head -c 20000 /dev/urandom | dd of="$work/damaged.mp3" bs=1 seek=300000 conv=notrunc status=none

# The march in the gym at 08:30 Monday, a bell at 08:32 in the main building: no zone in common,
# but the device has one player.
to_windows >"$work/school.vlpj" <<EOF_PROJECT
[Project]
Name=Школа
Device=Велтара ДК-4
[Groups]
0=1;Корпус;1;2;
1=2;Спортзал;3;
[Scenarios]
0=2;Марш;8;30;20;1;0;
1=1;Звонок;8;32;20;2;0;
[Playlist]
0=1;$work/march.mp3
1=2;$work/wav.mp3
2=3;$work/damaged.mp3
3=4;$work/missing.mp3
EOF_PROJECT

out="$("$tool" tracks --tsv "$work/school.vlpj")"; rc=$?
expect_eq "$rc" "1" "exit status with problems"
expect_eq "$(head -1 <<<"$out")" "$(printf 'track\tstatus\tseconds\tsample_rate\tchannels\tkbps\tpath\tlufs\ttrue_peak_dbtp')" "header"
expect_eq "$(cut -f1,2 <<<"$out" | tail -n +2 | tr '\t\n' ': ')" "1:ok 2:not-mp3 3:damaged 4:missing " "statuses"
seconds="$(awk -F'\t' '$1 == 1 {print $3}' <<<"$out")"
awk -v s="$seconds" 'BEGIN { exit !(s > 179.95 && s < 180.05) }' || fail "march length: $seconds"
expect_eq "$(awk -F'\t' '$1 == 1 {print $4, $5, $6, $7}' <<<"$out")" "8000 1 32 $work/march.mp3" "march format"
# The tone peaks at 6000 of 32767 (-14.7 dBFS); its loudness lies a few LU below that.
read -r lufs peak < <(awk -F'\t' '$1 == 1 {print $8, $9}' <<<"$out")
awk -v l="$lufs" -v p="$peak" 'BEGIN { exit !(l > -21 && l < -16 && p > -15.5 && p < -14) }' || fail "march loudness: $lufs $peak"
expect_eq "$(awk -F'\t' '$1 == 2 {print "[" $8 "][" $9 "]"}' <<<"$out")" "[][]" "no loudness of a file that is not an MP3"
grep -q "Наложение" <<<"$out" && fail "--tsv leaves overlaps out"

out="$("$tool" tracks "$work/school.vlpj")"; rc=$?
expect_eq "$rc" "1" "exit status of the table"
grep -qF "Наложение звука: трек 1 (180.0 с) сценария 1 группы 2 «Марш» в 08:30 ещё звучит, когда в 08:32 начинается сценарий 1 группы 1 «Звонок»: ещё 60.0 с; дни: Понедельник" <<<"$out" ||
    fail "the overlap is reported: [$out]"

# Only the good track, and the bell moved past its end: clean.
to_windows >"$work/clean.vlpj" <<EOF_PROJECT
[Project]
Name=Школа
Device=Велтара ДК-4
[Groups]
0=1;Корпус;1;
[Scenarios]
0=1;Марш;8;30;20;1;0;
1=1;Звонок;8;33;20;1;0;
[Playlist]
0=1;$work/march.mp3
1=2;$work/march.mp3
2=3;$work/quiet.mp3
EOF_PROJECT
out="$("$tool" tracks "$work/clean.vlpj")"
expect_eq "$?" "0" "exit status when clean"
# Only the quiet copy lies more than 6 LU from the others' median.
expect_eq "$(grep -c "громкость сильно отличается от остальных" <<<"$out")" "1" "one track marked"
grep -q "^Трек 3: .*, −[0-9]*,[0-9] LUFS, пик −[0-9]*,[0-9] dBTP, громкость сильно отличается" <<<"$out" ||
    fail "the quiet track is marked: [$out]"

"$tool" tracks "$work/nothing.vlpj" >/dev/null 2>&1
expect_eq "$?" "2" "exit status of a missing project"

# 1,024 bells of long names within three minutes under the march: half a million overlaps, the
# first thousand listed and the rest counted, in bounded memory.
python3 - "$work" <<'EOF_PY'
import sys
lines = ["[Project]", "Device=" + "Велтара ДК-4", "[Groups]"]
lines += [f"{g}={g + 1};g;1;" for g in range(32)]
lines += ["[Scenarios]"]
lines += [f"{k}={k // 32 + 1};{'n' * 2000};8;{k % 3};20;1;0;" for k in range(1024)]
lines += ["[Playlist]", f"0=1;{sys.argv[1]}/march.mp3"]
open(sys.argv[1] + "/many.vlpj", "wb").write("\r\n".join(lines).encode("cp1251"))
EOF_PY
# AddressSanitizer reserves terabytes of address space: a limit on it means nothing there.
limit=1000000
# (Read whole: grep -q would stop early, and pipefail would take ldd's broken pipe for "no".)
[[ "$(ldd "$tool" 2>/dev/null)" == *libasan* ]] && limit=unlimited
out="$(ulimit -v "$limit"; "$tool" tracks "$work/many.vlpj")"; rc=$?
expect_eq "$rc" "1" "exit status with many overlaps"
expect_eq "$(grep -c '^Наложение звука' <<<"$out")" "1000" "overlaps listed"
expect_has "$out" "… и ещё " "the overlaps not listed are counted"

finish "tracks"
