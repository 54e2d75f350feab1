#!/usr/bin/env bash
# Loudness measurement against its peer, in one run.
# First the accuracy table: integrated loudness and true peak of 34 generated tracks of eight
# seconds (tones at a quarter, a sixth and an eighth of the rate, noise, speech-like, music-like,
# masters clipped hard, our bells; 8 to 48 kHz, mono and stereo) as "sigcfg-tool tracks --tsv" gives
# them, as ffmpeg's ebur128 filter gives them, and the true peak by brute force at 16 points to a
# sample (bench/peers/truepeak_reference.cpp, the tests' reference), with the differences and their
# largest magnitudes.
# Then the cost: a dozen tracks of SECONDS measured by both, the CPU time of each (user + system,
# median of ROUNDS) and their ratio. ffmpeg is only the peer here: scripts/install-deps bench
# installs it.
# Usage: bench/loudness_peer.sh BUILD_DIR [SECONDS] [ROUNDS]
set -euo pipefail
build="$1"
seconds="${2:-60}"
rounds="${3:-3}"
tool="$build/sigcfg-tool"
reference="$build/bench/truepeak_reference"
[ -x "$tool" ] || { echo "loudness_peer: $tool not built" >&2; exit 2; }
[ -x "$reference" ] || { echo "loudness_peer: $reference not built (-DSIG_BUILD_BENCH=ON)" >&2; exit 2; }
for p in ffmpeg ffprobe lame /usr/bin/time; do
    command -v "$p" >/dev/null || { echo "loudness_peer: $p missing (scripts/install-deps bench)" >&2; exit 2; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/loudness.XXXXXX")"
trap 'rm -rf "$work"' EXIT

# The accuracy set: name, rate, channels, ffmpeg source (full scale), gain in dB, clip (1: the
# gained signal is clipped at full scale, as a master made loud by force), bitrate. n counts
# samples, so sin(PI/2*n+PI/4) is a quarter of the rate at 45 degrees: every sample 3 dB under the
# wave's crest.
music="0.3*sin(2*PI*110*t)*(0.6+0.4*exp(-mod(t\\,0.5)/0.08))+0.2*sin(2*PI*330.5*t)+0.1*sin(2*PI*1760*t+1)+0.3*(random(0)-0.5)*exp(-mod(t\\,0.5)/0.08)"
speech="(0.5*sin(2*PI*140*t)+0.3*sin(2*PI*420*t)+0.2*sin(2*PI*980*t))*between(mod(t\\,3)\\,0\\,2.4)*abs(sin(2*PI*2*t))"
shapes=(
    "sine1k-48k 48000 1 aevalsrc=exprs='sin(2*PI*1000*t)' -20 0 128"
    "sine1k-8k 8000 1 aevalsrc=exprs='sin(2*PI*1000*t)' -20 0 32"
    "sine100-22k 22050 1 aevalsrc=exprs='sin(2*PI*100*t)' -30 0 64"
    "fs4-44k 44100 1 aevalsrc=exprs='sin(PI/2*n+PI/4)' -3 0 128"
    "fs4-22k-st 22050 2 aevalsrc=exprs='sin(PI/2*n+PI/4)|sin(PI/2*n+PI/3)' -3 0 96"
    "fs4-8k 8000 1 aevalsrc=exprs='sin(PI/2*n+PI/5)' -3 0 32"
    "fs6-48k 48000 1 aevalsrc=exprs='sin(PI/3*n+PI/6)' -3 0 160"
    "fs6-16k 16000 1 aevalsrc=exprs='sin(PI/3*n+0.3)' -3 0 48"
    "fs8-44k-st 44100 2 aevalsrc=exprs='sin(PI/4*n+PI/8)|sin(PI/4*n+0.1)' -3 0 192"
    "fs8-11k 11025 1 aevalsrc=exprs='sin(PI/4*n+PI/8)' -3 0 32"
    "sweep-48k-st 48000 2 aevalsrc=exprs='sin(2*PI*(50+t*t*300)*t)|sin(2*PI*(60+t*t*300)*t)' -6 0 192"
    "pink-44k-st 44100 2 anoisesrc=color=pink:amplitude=0.5 -8 0 160"
    "pink-16k 16000 1 anoisesrc=color=pink:amplitude=0.5 -8 0 32"
    "pink-32k-st 32000 2 anoisesrc=color=pink:amplitude=0.5 -12 0 96"
    "white-48k-st 48000 2 anoisesrc=color=white:amplitude=0.9 -2 0 256"
    "white-8k 8000 1 anoisesrc=color=white:amplitude=0.9 -4 0 24"
    "brown-22k 22050 1 anoisesrc=color=brown:amplitude=0.9 -14 0 48"
    "speech-22k 22050 1 aevalsrc=exprs='$speech' -2 0 64"
    "speech-16k 16000 1 aevalsrc=exprs='$speech' -2 0 32"
    "speech-8k 8000 1 aevalsrc=exprs='$speech' -2 0 16"
    "speech-11k 11025 1 aevalsrc=exprs='$speech' -6 0 24"
    "speech-44k-st 44100 2 aevalsrc=exprs='$speech|0.8*$speech' -14 0 128"
    "speech-24k-quiet 24000 1 aevalsrc=exprs='$speech' -30 0 48"
    "music-48k-st 48000 2 aevalsrc=exprs='$music|$music' -10 0 192"
    "music-24k-st 24000 2 aevalsrc=exprs='$music|$music' -10 0 64"
    "clipped-pink-44k-st 44100 2 anoisesrc=color=pink:amplitude=0.5 12 1 192"
    "clipped-pink-48k-st 48000 2 anoisesrc=color=pink:amplitude=0.5 6 1 128"
    "clipped-white-22k 22050 1 anoisesrc=color=white:amplitude=0.5 6 1 64"
    "clipped-music-44k-st 44100 2 aevalsrc=exprs='$music|$music' 10 1 128"
    "clipped-music-32k-st 32000 2 aevalsrc=exprs='$music|$music' 8 1 112"
    "clipped-music-16k 16000 1 aevalsrc=exprs='$music' 10 1 32"
    "clipped-music-8k 8000 1 aevalsrc=exprs='$music' 10 1 16"
)
mkdir "$work/set"
for entry in "${shapes[@]}"; do
    read -r name rate channels source gain clip kbps <<<"$entry"
    layout=$([ "$channels" = 1 ] && echo mono || echo stereo)
    clipper=$([ "$clip" = 1 ] && echo ",aeval=exprs='clip(val(ch)\\,-1\\,1)'" || echo "")
    ffmpeg -nostdin -v error -f lavfi -i "$source:sample_rate=$rate:duration=8" \
        -af "volume=${gain}dB$clipper,aformat=sample_fmts=s16:channel_layouts=$layout" -f wav "$work/set/$name.wav"
    lame --quiet -b "$kbps" "$work/set/$name.wav" "$work/set/$name.mp3"
    rm "$work/set/$name.wav"
done
for kind in school chime gong; do
    "$tool" sound bell "$work/set/bell-$kind.mp3" --kind "$kind" --seconds 8 >/dev/null
done
set_files=("$work"/set/*.mp3)
{
    printf '[Project]\r\nName=bench\r\n[Playlist]\r\n'
    for i in "${!set_files[@]}"; do printf '%d=%d;%s\r\n' "$i" "$((i + 1))" "${set_files[$i]}"; done
} >"$work/set.vlpj"
"$tool" tracks --tsv "$work/set.vlpj" | awk -F'\t' 'NR > 1 {print $7 "\t" $8 "\t" $9}' >"$work/set-ours.tsv"
printf '%s\n' "${set_files[@]}" | xargs -P 2 -n 4 "$reference" >"$work/set-reference.tsv"
for f in "${set_files[@]}"; do
    ffmpeg -nostdin -v error -i "$f" -af "ebur128=metadata=1:peak=true,ametadata=mode=print:file=$work/meta" -f null -
    awk -F= -v f="$f" '/lavfi.r128.I=/ {i = $2} /lavfi.r128.true_peak=/ {if ($2 > p) p = $2}
        END {printf "%s\t%s\t%.3f\n", f, i, (p > 0 ? 20 * log(p) / log(10) : -999)}' "$work/meta"
done >"$work/set-peer.tsv"
echo "Accuracy: integrated loudness against ffmpeg's ebur128; true peak against ffmpeg and the 16x reference"
printf '%-22s %6s %2s %8s %8s %6s   %7s %7s %7s %6s %6s\n' track rate ch LUFS ffmpeg diff dBTP ffmpeg "16x" ours-16x ffm-16x
for f in "${set_files[@]}"; do
    awk -F'\t' -v f="$f" -v name="$(basename "$f" .mp3)" \
        -v rate="$(ffprobe -v error -show_entries stream=sample_rate,channels -of csv=p=0 "$f")" '
        FILENAME ~ /ours/ && $1 == f {l = $2; p = $3}
        FILENAME ~ /peer/ && $1 == f {pl = $2; pp = $3}
        FILENAME ~ /reference/ && $2 == f {r = $1}
        END {split(rate, a, ","); printf "%-22s %6d %2d %8.2f %8.2f %+6.2f   %7.2f %7.2f %7.2f %+6.2f %+6.2f\n",
             name, a[1], a[2], l, pl, l - pl, p, pp, r, p - r, pp - r}' \
        "$work/set-ours.tsv" "$work/set-peer.tsv" "$work/set-reference.tsv"
done | tee "$work/table"
awk '{ d = $6 < 0 ? -$6 : $6; o = $10 < 0 ? -$10 : $10; q = $11 < 0 ? -$11 : $11
       if (d > dl) dl = d; if (o > od) od = o; if (q > qd) qd = q; if ($10 < lo) lo = $10; if ($11 < fl) fl = $11 }
     END { printf "%d tracks: |LUFS - ffmpeg| <= %.2f LU; |dBTP - 16x| <= %.2f dB (lowest %+.2f); ffmpeg |dBTP - 16x| <= %.2f dB (lowest %+.2f)\n\n",
           NR, dl, od, lo, qd, fl }' "$work/table"

# The cost set: name, rate, channels, ffmpeg source (full scale), gain in dB, bitrate. The speech-like source is a
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
