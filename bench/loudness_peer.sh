#!/usr/bin/env bash
# Loudness measurement against its peer, in one run: integrated loudness and true peak of a dozen
# generated tracks (tones, noise, speech-like, bells; quiet to loud; mono and stereo; 22.05, 44.1
# and 48 kHz) as "sigcfg-tool tracks --tsv" gives them and as ffmpeg's ebur128 filter gives them,
# side by side with the difference, then the CPU time of each (user + system, median of ROUNDS)
# and their ratio. ffmpeg is only the peer here: scripts/install-deps bench installs it.
# Usage: bench/loudness_peer.sh BUILD_DIR [SECONDS] [ROUNDS]
set -euo pipefail
build="$1"
seconds="${2:-60}"
rounds="${3:-3}"
tool="$build/sigcfg-tool"
[ -x "$tool" ] || { echo "loudness_peer: $tool not built" >&2; exit 2; }
for p in ffmpeg lame /usr/bin/time; do
    command -v "$p" >/dev/null || { echo "loudness_peer: $p missing (scripts/install-deps bench)" >&2; exit 2; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/loudness.XXXXXX")"
trap 'rm -rf "$work"' EXIT

# name, rate, channels, ffmpeg source (full scale), gain in dB, bitrate. The speech-like source is a
# buzz of harmonics under a syllable envelope with pauses; the sweep and the tone at a quarter of
# the rate have true peaks above their samples. The noise sources are mono, spread to both channels.
tracks=(
    "sine1k-20 48000 1 aevalsrc=exprs='sin(2*PI*1000*t)' -20 320"
    "sine1k-6 44100 2 aevalsrc=exprs='sin(2*PI*1000*t)|sin(2*PI*1000*t)' -6 192"
    "sine100-30 22050 1 aevalsrc=exprs='sin(2*PI*100*t)' -30 64"
    "pink-18 44100 2 anoisesrc=color=pink:amplitude=0.5 -8 160"
    "white-10 48000 2 anoisesrc=color=white:amplitude=0.9 -2 256"
    "brown-25 22050 1 anoisesrc=color=brown:amplitude=0.9 -14 48"
    "speech-16 22050 1 aevalsrc=exprs='(0.5*sin(2*PI*140*t)+0.3*sin(2*PI*420*t)+0.2*sin(2*PI*980*t))*between(mod(t\,3)\,0\,2.4)*abs(sin(2*PI*2*t))' -2 64"
    "speech-30 44100 2 aevalsrc=exprs='(0.5*sin(2*PI*110*t)+0.3*sin(2*PI*330*t)+0.2*sin(2*PI*1210*t))*between(mod(t\,4)\,0\,3)*abs(sin(2*PI*2.5*t))|0.8*(0.5*sin(2*PI*110*t)+0.3*sin(2*PI*330*t))*between(mod(t\,4)\,0\,3)*abs(sin(2*PI*2.5*t))' -14 128"
    "sweep-12 48000 2 aevalsrc=exprs='sin(2*PI*(50+t*t*40)*t)|sin(2*PI*(60+t*t*40)*t)' -6 192"
    "fs4-peaks 44100 1 aevalsrc=exprs='sin(PI/2*n+PI/4)' -3 128"
)
for entry in "${tracks[@]}"; do
    read -r name rate channels source gain kbps <<<"$entry"
    channels_layout=$([ "$channels" = 1 ] && echo mono || echo stereo)
    ffmpeg -nostdin -v error -f lavfi -i "$source:sample_rate=$rate:duration=$seconds" \
        -af "volume=${gain}dB,aformat=sample_fmts=s16:channel_layouts=$channels_layout" \
        -f wav "$work/$name.wav"
    lame --quiet -b "$kbps" "$work/$name.wav" "$work/$name.mp3"
    rm "$work/$name.wav"
done
# Two bells of our own, mono 44.1 kHz at -16 LUFS.
"$tool" sound bell "$work/bell-school.mp3" --kind school --seconds 20 >/dev/null
"$tool" sound bell "$work/bell-gong.mp3" --kind gong --seconds 8 >/dev/null

names=()
for f in "$work"/*.mp3; do
    name="$(basename "$f" .mp3)"
    names+=("$name")
    printf '[Project]\r\nName=bench\r\n[Playlist]\r\n0=1;%s\r\n' "$f" >"$work/$name.vlpj"
done

ours() { "$tool" tracks --tsv "$work/$1.vlpj"; }
peer() { ffmpeg -nostdin -nostats -hide_banner -i "$work/$1.mp3" -filter_complex ebur128=peak=true -f null - 2>&1; }
# CPU seconds (user + system) of one run of a function.
cpu() { /usr/bin/time -f '%U %S' -o "$work/time" bash -c "$(declare -f "$1"); tool='$tool' work='$work' $1 $2" >/dev/null 2>&1 || true
        awk '{printf "%.3f", $1 + $2}' "$work/time"; }
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }

printf '%-12s %9s %9s %7s   %9s %9s %7s   %8s %8s %6s\n' track "LUFS" "ffmpeg" diff "dBTP" "ffmpeg" diff "cpu s" "ffmpeg" ratio
sum_ours=0
sum_peer=0
for name in "${names[@]}"; do
    read -r lufs peak < <(ours "$name" | awk -F'\t' 'NR == 2 {print $8, $9}')
    summary="$(peer "$name" | sed -n '/Summary:/,$p')"
    plufs=$(awk '/^ *I:/ {v = $2} END {print v}' <<<"$summary")
    ppeak=$(awk '/^ *Peak:/ {v = $2} END {print v}' <<<"$summary")
    to=()
    tp=()
    for r in $(seq 1 "$rounds"); do
        to+=("$(cpu ours "$name")")
        tp+=("$(cpu peer "$name")")
    done
    mo=$(median "${to[@]}")
    mp=$(median "${tp[@]}")
    sum_ours=$(awk -v a="$sum_ours" -v b="$mo" 'BEGIN {print a + b}')
    sum_peer=$(awk -v a="$sum_peer" -v b="$mp" 'BEGIN {print a + b}')
    awk -v n="$name" -v l="$lufs" -v pl="$plufs" -v p="$peak" -v pp="$ppeak" -v o="$mo" -v q="$mp" 'BEGIN {
        printf "%-12s %9.2f %9.2f %+7.2f   %9.2f %9.2f %+7.2f   %8.3f %8.3f %6.2f\n",
            n, l, pl, l - pl, p, pp, p - pp, o, q, (q > 0 ? o / q : 0) }'
done
echo "tracks of $seconds s (bells 20 and 8 s), cpu: median of $rounds runs, user + system, including start-up"
awk -v o="$sum_ours" -v p="$sum_peer" 'BEGIN { printf "total cpu: sigcfg-tool %.2f s, ffmpeg %.2f s, ratio %.2f\n", o, p, (p > 0 ? o / p : 0) }'
