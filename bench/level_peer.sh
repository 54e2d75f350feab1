#!/usr/bin/env bash
# Audio on every core, against its peers, in one run.
#  1. "sigcfg-tool tracks" over FILES three-minute MP3s against the floor of decoding them alone
#     ("mpg123 -t" on each): CPU time (user + system) of each, and our wall time against our own
#     CPU time (what the worker threads buy on this machine).
#  2. "sigcfg-tool copy-tracks --level -16" of a dozen varied tracks (8 to 48 kHz; speech-like,
#     noise, music-like, clipped; quiet to hot) against ffmpeg's loudnorm in two passes (measure,
#     then level and encode with libmp3lame at the same rate and bitrate): CPU of each, and where
#     each copy landed by our meter.
# CPU comes from /usr/bin/time; on a shared machine wall times are noisy, CPU times less so.
# Usage: bench/level_peer.sh BUILD_DIR [FILES] [SECONDS] [LEVEL_SECONDS]
set -euo pipefail
build="$1"
files="${2:-16}"
seconds="${3:-180}"
level_seconds="${4:-180}"
tool="$build/sigcfg-tool"
[ -x "$tool" ] || { echo "level_peer: $tool not built" >&2; exit 2; }
for p in lame ffmpeg mpg123 /usr/bin/time; do
    command -v "$p" >/dev/null || { echo "level_peer: $p missing (scripts/install-deps bench, and mpg123)" >&2; exit 2; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/level.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cores=$(nproc)

# CPU seconds (user + system) and wall seconds of a command: "cpu wall".
measure() {
    /usr/bin/time -f '%U %S %e' -o "$work/time" "$@" >/dev/null 2>&1 || true
    awk '{printf "%.2f %.2f", $1 + $2, $3}' "$work/time"
}
project() { # name, then "track;path" lines
    local out="$1"
    shift
    { printf '[Project]\r\nName=bench\r\n[Playlist]\r\n'; local i=0; for line in "$@"; do printf '%d=%s\r\n' "$i" "$line"; i=$((i + 1)); done; } >"$out"
}

# --- 1. tracks against decoding alone -------------------------------------------------------------
mkdir -p "$work/t"
for v in 0 1 2 3; do
    f=$((v * 110 + 220))
    ffmpeg -nostdin -v error -f lavfi -i "aevalsrc=exprs='0.3*sin(2*PI*$f*t)+0.1*sin(2*PI*${f}*3.01*t)|0.3*sin(2*PI*$f*1.5*t)':sample_rate=44100:duration=$seconds" \
        -c:a libmp3lame -b:a $((128 + 32 * v))k "$work/t/v$v.mp3"
done
lines=()
for i in $(seq 1 "$files"); do
    cp "$work/t/v$((i % 4)).mp3" "$work/t/track$i.mp3" # distinct files: each one measured
    lines+=("$i;$work/t/track$i.mp3")
done
project "$work/tracks.vlpj" "${lines[@]}"
decode_all() { for i in $(seq 1 "$files"); do mpg123 -q -t "$work/t/track$i.mp3"; done; }
"$tool" tracks "$work/tracks.vlpj" >/dev/null || true # the page cache, for both
read -r ours_cpu ours_wall < <(measure "$tool" tracks "$work/tracks.vlpj")
read -r floor_cpu floor_wall < <(measure bash -c "$(declare -f decode_all); files=$files work=$work decode_all")
echo "tracks: $files x $seconds s MP3, $cores cores"
echo "  sigcfg-tool tracks: cpu $ours_cpu s, wall $ours_wall s"
echo "  mpg123 -t (floor):  cpu $floor_cpu s, wall $floor_wall s"
awk -v o="$ours_cpu" -v f="$floor_cpu" -v w="$ours_wall" 'BEGIN {
    printf "  cpu ours / floor = %.2f (goal <= 1.10); wall / own cpu = %.2f (goal <= 0.60 on 2 cores)\n", o / f, w / o }'

# --- 2. copy-tracks --level against ffmpeg loudnorm two-pass -------------------------------------
# name, rate, channels, ffmpeg source, gain dB, kbps
tracks=(
    "speech8 8000 1 aevalsrc=exprs='(0.5*sin(2*PI*140*t)+0.3*sin(2*PI*420*t)+0.2*sin(2*PI*980*t))*between(mod(t\,3)\,0\,2.4)*abs(sin(2*PI*2*t))' -24 16"
    "speech16 16000 1 aevalsrc=exprs='(0.5*sin(2*PI*120*t)+0.3*sin(2*PI*360*t)+0.2*sin(2*PI*1500*t))*between(mod(t\,3)\,0\,2.4)*abs(sin(2*PI*2*t))' -20 32"
    "speech22 22050 1 aevalsrc=exprs='(0.5*sin(2*PI*160*t)+0.3*sin(2*PI*480*t)+0.2*sin(2*PI*2200*t))*between(mod(t\,3)\,0\,2.4)*abs(sin(2*PI*2*t))' -10 48"
    "noise8 8000 1 anoisesrc=color=white:amplitude=0.3 -12 24"
    "pink44 44100 2 anoisesrc=color=pink:amplitude=0.5 -14 160"
    "brown22 22050 1 anoisesrc=color=brown:amplitude=0.9 -20 64"
    "music16 16000 1 aevalsrc=exprs='0.2*sin(2*PI*220*t)+0.2*sin(2*PI*277*t)+0.2*sin(2*PI*330*t)' -30 32"
    "music44 44100 2 aevalsrc=exprs='0.2*sin(2*PI*220*t)+0.2*sin(2*PI*277*t)+0.2*sin(2*PI*330*t)|0.2*sin(2*PI*165*t)+0.2*sin(2*PI*440*t)' -6 128"
    "music48 48000 2 aevalsrc=exprs='0.3*sin(2*PI*(100+t)*t)+0.2*sin(2*PI*660*t)|0.3*sin(2*PI*(120+t)*t)' -3 192"
    "clipped44 44100 2 anoisesrc=color=pink:amplitude=1 +12 192"
    "clipped22 22050 1 anoisesrc=color=white:amplitude=1 +6 64"
    "hot44 44100 2 aevalsrc=exprs='0.9*sin(PI/2*n+PI/4)|0.9*sin(PI/2*n)' -6 128"
)
mkdir -p "$work/l" "$work/card" "$work/ff"
lines=()
i=0
for entry in "${tracks[@]}"; do
    read -r name rate channels source gain kbps <<<"$entry"
    layout=$([ "$channels" = 1 ] && echo mono || echo stereo)
    ffmpeg -nostdin -v error -f lavfi -i "$source:sample_rate=$rate:duration=$level_seconds" \
        -af "volume=${gain}dB,aformat=sample_fmts=s16:channel_layouts=$layout" -f wav "$work/l/$name.wav"
    lame --quiet -b "$kbps" "$work/l/$name.wav" "$work/l/$name.mp3"
    rm "$work/l/$name.wav"
    i=$((i + 1))
    lines+=("$i;$work/l/$name.mp3")
done
project "$work/level.vlpj" "${lines[@]}"
peer_level() { # ffmpeg's two passes over each track
    for entry in "${tracks[@]}"; do
        read -r name rate channels source gain kbps <<<"$entry"
        local json
        json="$(ffmpeg -nostdin -hide_banner -i "$work/l/$name.mp3" -af loudnorm=I=-16:TP=-1:print_format=json -f null - 2>&1 | sed -n '/^{/,/^}/p')"
        local mi mtp mlra mth off
        mi=$(sed -n 's/.*"input_i" : "\(.*\)".*/\1/p' <<<"$json")
        mtp=$(sed -n 's/.*"input_tp" : "\(.*\)".*/\1/p' <<<"$json")
        mlra=$(sed -n 's/.*"input_lra" : "\(.*\)".*/\1/p' <<<"$json")
        mth=$(sed -n 's/.*"input_thresh" : "\(.*\)".*/\1/p' <<<"$json")
        off=$(sed -n 's/.*"target_offset" : "\(.*\)".*/\1/p' <<<"$json")
        ffmpeg -nostdin -v error -y -i "$work/l/$name.mp3" \
            -af "loudnorm=I=-16:TP=-1:measured_I=$mi:measured_TP=$mtp:measured_LRA=$mlra:measured_thresh=$mth:offset=$off:linear=true" \
            -ar "$rate" -c:a libmp3lame -b:a "${kbps}k" "$work/ff/$name.mp3"
    done
}
read -r level_cpu level_wall < <(measure "$tool" copy-tracks --level -16 "$work/level.vlpj" "$work/card/")
"$tool" copy-tracks --level -16 "$work/level.vlpj" "$work/card/" >"$work/level.log" || true
read -r peer_cpu peer_wall < <(measure bash -c "$(declare -f peer_level); work=$work; $(declare -p tracks); peer_level")
peer_level
echo "copy-tracks --level -16: ${#tracks[@]} tracks x $level_seconds s"
echo "  sigcfg-tool: cpu $level_cpu s, wall $level_wall s"
echo "  ffmpeg loudnorm two-pass + libmp3lame: cpu $peer_cpu s, wall $peer_wall s"
awk -v o="$level_cpu" -v p="$peer_cpu" -v w="$level_wall" 'BEGIN {
    printf "  cpu ffmpeg / ours = %.2f (goal >= 3); wall / own cpu = %.2f (goal <= 0.60 on 2 cores)\n", p / o, w / o }'
# Where each copy landed, by our meter (ffmpeg's own copies beside ours).
cards=()
ffs=()
i=0
for entry in "${tracks[@]}"; do
    read -r name _ <<<"$entry"
    i=$((i + 1))
    cards+=("$i;$work/card/$(printf '%03d' "$i").mp3")
    ffs+=("$i;$work/ff/$name.mp3")
done
project "$work/card.vlpj" "${cards[@]}"
project "$work/ff.vlpj" "${ffs[@]}"
"$tool" tracks --tsv "$work/card.vlpj" >"$work/card.tsv" || true
"$tool" tracks --tsv "$work/ff.vlpj" >"$work/ff.tsv" || true
printf '  %-10s %8s %8s   %8s %8s\n' track "ours" "dBTP" "ffmpeg" "dBTP"
i=0
for entry in "${tracks[@]}"; do
    read -r name _ <<<"$entry"
    i=$((i + 1))
    read -r ol op < <(awk -F'\t' -v n="$i" '$1 == n {print $8, $9}' "$work/card.tsv")
    read -r fl fp < <(awk -F'\t' -v n="$i" '$1 == n {print $8, $9}' "$work/ff.tsv")
    printf '  %-10s %8s %8s   %8s %8s\n' "$name" "$ol" "$op" "$fl" "$fp"
done
grep -c "не выровнен" "$work/level.log" | awk '{print "  copies named not levelled: " $1}'
tail -n 1 "$work/level.log" | sed 's/^/  /'
