#!/usr/bin/env bash
# Audio on every core, against its peers, in one run.
#  1. "sigcfg-tool tracks" over FILES three-minute MP3s against the floor of decoding them alone
#     ("mpg123 -t" on each): CPU time (user + system) of each, and our wall time against our own
#     CPU time (what the worker threads buy on this machine).
#  2. "sigcfg-tool copy-tracks --level -16" of 16 varied tracks (8 to 48 kHz; speech-like, noise,
#     music-like, clipped; quiet to hot, one at the target with peaks over 0 dBTP) against ffmpeg's
#     loudnorm in two passes (measure, then level and encode with libmp3lame at the same rate and
#     bitrate): CPU of each.
#  3. The same tracks levelled to -16 and to -10: where each copy landed by our meter, by ffmpeg's
#     and by the 16x reference, and whether every copy the log calls levelled is.
# CPU comes from /usr/bin/time; on a shared machine wall times are noisy, CPU times less so.
# Usage: bench/level_peer.sh BUILD_DIR [FILES] [SECONDS] [LEVEL_SECONDS] [TRACKS_ROUNDS]
set -euo pipefail
build="$1"
files="${2:-16}"
seconds="${3:-180}"
level_seconds="${4:-180}"
tracks_rounds="${5:-5}"
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
    tail -n 1 "$work/time" | awk '{printf "%.2f %.2f\n", $1 + $2, $3}'
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
    ffmpeg -nostdin -v error -f lavfi -i "sine=frequency=$f:beep_factor=3:sample_rate=44100:duration=$seconds" \
        -ac 2 -c:a libmp3lame -b:a $((128 + 32 * v))k "$work/t/v$v.mp3"
done
lines=()
for i in $(seq 1 "$files"); do
    cp "$work/t/v$((i % 4)).mp3" "$work/t/track$i.mp3" # distinct files: each one measured
    lines+=("$i;$work/t/track$i.mp3")
done
project "$work/tracks.vlpj" "${lines[@]}"
decode_all() { for i in $(seq 1 "$files"); do mpg123 -q -t "$work/t/track$i.mp3"; done; }
"$tool" tracks "$work/tracks.vlpj" >/dev/null || true # the page cache, for both
# Rounds of the two, interleaved, so that a neighbour's load on a shared machine falls on both
# alike; the median of the rounds' ratios.
ratios=()
walls=()
for round in $(seq 1 "$tracks_rounds"); do
    read -r ours_cpu ours_wall < <(measure "$tool" tracks "$work/tracks.vlpj")
    read -r floor_cpu floor_wall < <(measure bash -c "$(declare -f decode_all); files=$files work=$work decode_all")
    echo "  round $round: sigcfg-tool tracks cpu $ours_cpu s, wall $ours_wall s; mpg123 -t cpu $floor_cpu s"
    ratios+=("$(awk -v o="$ours_cpu" -v f="$floor_cpu" 'BEGIN {printf "%.3f", o / f}')")
    walls+=("$(awk -v o="$ours_cpu" -v w="$ours_wall" 'BEGIN {printf "%.3f", w / o}')")
done
middle() { printf '%s\n' "$@" | sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
echo "tracks: $files x $seconds s MP3, $cores cores, $tracks_rounds rounds"
echo "  cpu ours / floor = $(middle "${ratios[@]}") (median; goal <= 1.10); wall / own cpu = $(middle "${walls[@]}") (median; goal <= 0.60 on 2 cores)"

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
    "music24 24000 2 aevalsrc=exprs='0.2*sin(2*PI*196*t)+0.2*sin(2*PI*247*t)+0.1*sin(2*PI*3000*t)|0.2*sin(2*PI*294*t)+0.1*sin(2*PI*5000*t)' -12 64"
    "music44 44100 2 aevalsrc=exprs='0.2*sin(2*PI*220*t)+0.2*sin(2*PI*277*t)+0.2*sin(2*PI*330*t)|0.2*sin(2*PI*165*t)+0.2*sin(2*PI*440*t)' -6 128"
    "music48 48000 2 aevalsrc=exprs='0.3*sin(2*PI*(100+t)*t)+0.2*sin(2*PI*660*t)|0.3*sin(2*PI*(120+t)*t)' -3 192"
    "speech32 32000 2 aevalsrc=exprs='(0.5*sin(2*PI*130*t)+0.3*sin(2*PI*390*t)+0.2*sin(2*PI*3100*t))*between(mod(t\,3)\,0\,2.4)*abs(sin(2*PI*2*t))' -8 96"
    "clipped44 44100 2 anoisesrc=color=pink:amplitude=1 +3 192"
    "clipped22 22050 1 anoisesrc=color=white:amplitude=1 0 64"
    "clipped48 48000 2 aevalsrc=exprs='0.6*sin(2*PI*110*t)+0.4*sin(2*PI*1760*t)+0.3*sin(2*PI*7040*t)|0.6*sin(2*PI*165*t)+0.4*sin(2*PI*2640*t)' +9 256"
    "hot44 44100 2 aevalsrc=exprs='0.9*sin(PI/2*n+PI/4)|0.9*sin(PI/2*n)' -6 128"
    "near44 44100 2 aevalsrc=exprs='0.12*sin(2*PI*440*t)+1.4*sin(2*PI*2500*t+PI/4)*lt(mod(t\,1)\,0.012)' 0 128"
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
read -r peer_cpu peer_wall < <(measure bash -c "$(declare -f peer_level); work=$work; $(declare -p tracks); peer_level")
echo "copy-tracks --level -16: ${#tracks[@]} tracks x $level_seconds s"
echo "  sigcfg-tool: cpu $level_cpu s, wall $level_wall s"
echo "  ffmpeg loudnorm two-pass + libmp3lame: cpu $peer_cpu s, wall $peer_wall s"
awk -v o="$level_cpu" -v p="$peer_cpu" -v w="$level_wall" 'BEGIN {
    printf "  cpu ffmpeg / ours = %.2f (goal >= 3); wall / own cpu = %.2f (goal <= 0.60 on 2 cores)\n", p / o, w / o }'

# --- 3. Where the levelled copies landed, to -16 and to -10 ---------------------------------------
# Each copy by three meters: ours, ffmpeg's ebur128 (loudness and true peak) and the 16x reference
# of the tests (when the bench programs are built). Every copy must be at or under -1 dBTP by all
# three (ffmpeg's one decimal read as is); one the log calls levelled must be within 0.5 LU of the
# target by ours and by ffmpeg, and one that is not must be named "не выровнен" with exit 1.
reference="$build/bench/truepeak_reference"
ref() { if [ -x "$reference" ]; then "$reference" "$1" | cut -f1; else echo "-"; fi; }
ffmeter() { # "I TP" of a file by ffmpeg's ebur128
    ffmpeg -nostdin -nostats -hide_banner -i "$1" -filter_complex ebur128=peak=true -f null - 2>&1 |
        awk '/^ *I:/ {i = $2} /^ *Peak:/ {p = $2} END {print i, p}'
}
wrong=0
for target in -16 -10; do
    card="$work/card$target"
    mkdir -p "$card"
    status=0
    "$tool" copy-tracks --level "$target" "$work/level.vlpj" "$card/" >"$work/level$target.log" 2>&1 || status=$?
    cards=()
    i=0
    for entry in "${tracks[@]}"; do
        i=$((i + 1))
        cards+=("$i;$card/$(printf '%03d' "$i").mp3")
    done
    project "$work/card$target.vlpj" "${cards[@]}"
    "$tool" tracks --tsv "$work/card$target.vlpj" >"$work/card$target.tsv" || true
    echo "copy-tracks --level $target: exit $status"
    printf '  %-10s %8s %8s %8s %8s %8s  %s\n' track ours dBTP ffmpeg dBTP 16x verdict
    i=0
    missed=0
    for entry in "${tracks[@]}"; do
        read -r name _ <<<"$entry"
        i=$((i + 1))
        file="$card/$(printf '%03d' "$i").mp3"
        read -r ol op < <(awk -F'\t' -v n="$i" '$1 == n {gsub(",", ".", $8); gsub(",", ".", $9); gsub("−", "-", $8); gsub("−", "-", $9); print $8, $9}' "$work/card$target.tsv")
        read -r fl fp < <(ffmeter "$file")
        rp=$(ref "$file")
        named=0
        if grep -q "трек $i: не выровнен" "$work/level$target.log"; then
            named=1
            missed=$((missed + 1))
        fi
        # Every copy on the card keeps under the ceiling, a missed one too.
        verdict=$(awk -v t="$target" -v named="$named" -v ol="$ol" -v op="$op" -v fl="$fl" -v fp="$fp" -v rp="$rp" 'BEGIN {
            d = ol - t; e = fl - t; bad = ""
            if (!named && (d < -0.5 || d > 0.5)) bad = bad " ours " d " LU"
            if (!named && (e < -0.5 || e > 0.5)) bad = bad " ffmpeg " e " LU"
            if (op > -1) bad = bad " ours " op " dBTP"
            if (fp > -1) bad = bad " ffmpeg " fp " dBTP"
            if (rp != "-" && rp > -1) bad = bad " 16x " rp " dBTP"
            print bad != "" ? "WRONG:" bad : named ? "named missed" : "ok" }')
        case "$verdict" in WRONG*) wrong=$((wrong + 1)) ;; esac
        printf '  %-10s %8s %8s %8s %8s %8s  %s\n' "$name" "$ol" "$op" "$fl" "$fp" "$rp" "$verdict"
    done
    if [ "$missed" -gt 0 ] && [ "$status" != 1 ]; then
        echo "  WRONG: $missed copies named missed, yet the exit status is $status"
        wrong=$((wrong + 1))
    fi
    tail -n 1 "$work/level$target.log" | sed 's/^/  /'
done
echo "copies called levelled that are not, copies over -1 dBTP, wrong exit statuses: $wrong"
