#!/usr/bin/env bash
# Track inspection against its peer, in one run: "sigcfg-tool tracks --tsv" over a project of
# FILES tracks of SECONDS each (every frame walked, exact length) versus one "ffprobe" per file
# asking for the duration. Both read the same files from the page cache; both print each length.
# Usage: bench/tracks_peer.sh BUILD_DIR [FILES] [SECONDS] [ROUNDS]
set -euo pipefail
build="$1"
files="${2:-100}"
seconds="${3:-180}"
rounds="${4:-5}"
tool="$build/sigcfg-tool"
[ -x "$tool" ] || { echo "tracks_peer: $tool not built" >&2; exit 2; }
for p in lame ffprobe python3; do
    command -v "$p" >/dev/null || { echo "tracks_peer: $p missing (scripts/install-deps bench)" >&2; exit 2; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/tracks.XXXXXX")"
trap 'rm -rf "$work"' EXIT

# A stereo 44.1 kHz tone of the given length, encoded four ways: constant bitrate, variable
# bitrate, with an ID3v2 tag, and at 48 kHz. The 100 files are copies of these four.
python3 - "$work/tone.wav" "$seconds" <<'EOF_PY'
import array, math, sys, wave
rate, seconds = 44100, int(sys.argv[2])
period = array.array("h", (int(8000 * math.sin(2 * math.pi * 441 * i / rate)) for i in range(rate // 441)))
frames = array.array("h")
for s in period:
    frames.extend((s, s))
w = wave.open(sys.argv[1], "wb")
w.setnchannels(2); w.setsampwidth(2); w.setframerate(rate)
w.writeframes(frames.tobytes() * (441 * seconds))
w.close()
EOF_PY
lame --quiet -b 128 "$work/tone.wav" "$work/v0.mp3" &
lame --quiet -V 2 "$work/tone.wav" "$work/v1.mp3" &
lame --quiet -b 192 --tt Bench --ta Bench --add-id3v2 "$work/tone.wav" "$work/v2.mp3" &
wait
lame --quiet -b 160 --resample 48 "$work/tone.wav" "$work/v3.mp3"
{
    printf '[Project]\r\nName=bench\r\n[Playlist]\r\n'
    for i in $(seq 1 "$files"); do
        cp "$work/v$((i % 4)).mp3" "$work/track$i.mp3"
        printf '%d=%d;%s\r\n' "$((i - 1))" "$i" "$work/track$i.mp3"
    done
} >"$work/bench.vlpj"
# One untimed pass each, so both start from the page cache.
"$tool" tracks --tsv "$work/bench.vlpj" >"$work/ours.tsv" || true
for i in $(seq 1 "$files"); do
    ffprobe -v error -show_entries format=duration -of csv=p=0 "$work/track$i.mp3"
done >"$work/peer.txt"

now() { date +%s%N; }
ours=()
peer=()
for r in $(seq 1 "$rounds"); do
    t0=$(now)
    "$tool" tracks --tsv "$work/bench.vlpj" >/dev/null || true
    t1=$(now)
    for i in $(seq 1 "$files"); do
        ffprobe -v error -show_entries format=duration -of csv=p=0 "$work/track$i.mp3" >/dev/null
    done
    t2=$(now)
    ours+=($(((t1 - t0) / 1000000)))
    peer+=($(((t2 - t1) / 1000000)))
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }
mo=$(median "${ours[@]}")
mp=$(median "${peer[@]}")
echo "files: $files x ${seconds} s (4 encodings), rounds: $rounds"
echo "sigcfg-tool tracks (ms): ${ours[*]}  median $mo"
echo "ffprobe per file   (ms): ${peer[*]}  median $mp"
awk -v o="$mo" -v p="$mp" 'BEGIN { if (p > 0) printf "tracks / ffprobe = %.2f\n", o / p }'
# How far each is from the true length, per encoding (files 4, 1, 2, 3 are encodings 0..3).
for v in 0 1 2 3; do
    n=$((v == 0 ? 4 : v))
    o=$(awk -F'\t' -v n="$n" '$1 == n {print $3}' "$work/ours.tsv")
    p=$(sed -n "${n}p" "$work/peer.txt")
    echo "encoding $v: true $seconds.000 s, tracks $o s, ffprobe $p s"
done
