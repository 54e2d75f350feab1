#!/usr/bin/env bash
# Card copy speed against its peers, in one run. "sigcfg-tool copy-tracks --no-verify" (a
# flushed temporary and a rename per file, committed in small groups) against "cp" of the same
# files followed by a "sync" of those files and their folder: both put the same files on the
# disk, nothing else. Then the verified copy (each temporary flushed, dropped from the cache,
# read back and compared before its rename) against its physical floor: the same cp and sync,
# then every copy dropped from the cache and read back once, compared with its source by cmp.
# The sources are MPEG frames with random contents, so that the MP3 check passes them.
# With TRACKCOPY_CARD=WRITE_MB_S[:READ_MB_S] every side writes onto a FAT32 card image (mkfs.vfat,
# fusefat) through the tests' fault layer slowed to that speed, as an SD card in a reader (as
# root; the layer is BUILD_DIR/tests/card/faultfs).
# Usage: [TRACKCOPY_CARD=10:20] bench/trackcopy_peer.sh BUILD_DIR [FILES] [MB_EACH] [ROUNDS]
set -euo pipefail
build="$1"
card_speed="${TRACKCOPY_CARD:-}"
files="${2:-$([ -n "$card_speed" ] && echo 8 || echo 40)}"
mb="${3:-$([ -n "$card_speed" ] && echo 2 || echo 5)}"
rounds="${4:-$([ -n "$card_speed" ] && echo 3 || echo 5)}"
tool="$build/sigcfg-tool"
[ -x "$tool" ] || { echo "trackcopy_peer: $tool not built" >&2; exit 2; }

work="$(mktemp -d "${TMPDIR:-/tmp}/trackcopy.XXXXXX")"
unmount() {
    mountpoint -q "$work/card" 2>/dev/null && fusermount3 -u -z "$work/card"
    mountpoint -q "$work/fat" 2>/dev/null && fusermount -u -z "$work/fat"
    rm -rf "$work"
}
trap unmount EXIT
mkdir -p "$work/src"

# Where the four sides write: the scratch folder, or the slowed card.
out="$work"
if [ -n "$card_speed" ]; then
    faultfs="$build/tests/card/faultfs"
    [ -x "$faultfs" ] || { echo "trackcopy_peer: $faultfs not built" >&2; exit 2; }
    write_mb="${card_speed%%:*}"
    read_mb="${card_speed#*:}"
    [ "$read_mb" != "$card_speed" ] || read_mb=$((write_mb * 2))
    # Room for the two sides that stay between their runs and the two that are made again.
    truncate -s $((files * mb * 4 + 64))M "$work/card.img"
    mkfs.vfat -F 32 "$work/card.img" >/dev/null
    mkdir -p "$work/fat" "$work/card"
    fusefat -s -o rw+ "$work/card.img" "$work/fat" >/dev/null 2>&1
    printf 'write_rate=%d\nread_rate=%d\n' $((write_mb << 20)) $((read_mb << 20)) >"$work/faults"
    "$faultfs" "$work/fat" "$work/faults" "$work/card"
    out="$work/card"
fi

# A project file whose playlist names every source file (plain ASCII reads the same in 1251).
{
    printf '[Project]\r\nName=bench\r\n[Playlist]\r\n'
    for i in $(seq 1 "$files"); do
        python3 -c 'import os, sys
out = open(sys.argv[1], "wb")
for _ in range(int(sys.argv[2]) * 1024 * 1024 // 417):
    out.write(b"\xff\xfb\x90\x00" + os.urandom(413))' "$work/src/track$i.mp3" "$mb"
        printf '%d=%d;%s\r\n' "$((i - 1))" "$i" "$work/src/track$i.mp3"
    done
} >"$work/bench.vlpj"
sync

now() { date +%s%N; }
# Untimed: each side starts with nothing of the other's waiting to be written.
run_ours() {
    sync
    local t0 t1
    t0=$(now)
    "$tool" copy-tracks --no-verify "$work/bench.vlpj" "$out/ours/" >/dev/null
    t1=$(now)
    ours+=($(((t1 - t0) / 1000000)))
}
run_verified() {
    rm -rf "$out/verified" && mkdir "$out/verified"
    sync
    local t0 t1
    t0=$(now)
    "$tool" copy-tracks "$work/bench.vlpj" "$out/verified/" >/dev/null
    t1=$(now)
    verified+=($(((t1 - t0) / 1000000)))
}
run_peer() {
    sync
    local t0 t1
    t0=$(now)
    cp "$work"/src/*.mp3 "$out/peer/"
    sync "$out"/peer/*.mp3 "$out/peer"
    t1=$(now)
    peer+=($(((t1 - t0) / 1000000)))
}
run_floor() {
    rm -rf "$out/floor" && mkdir "$out/floor"
    sync
    local t0 t1 f
    t0=$(now)
    cp "$work"/src/*.mp3 "$out/floor/"
    sync "$out"/floor/*.mp3 "$out/floor"
    for f in "$work"/src/*.mp3; do
        # count=0 with nocache drops the file's pages: cmp then reads what the disk returns.
        dd if="$out/floor/${f##*/}" iflag=nocache count=0 status=none
        cmp -s "$f" "$out/floor/${f##*/}"
    done
    t1=$(now)
    floor+=($(((t1 - t0) / 1000000)))
}
ours=()
peer=()
verified=()
floor=()
for r in $(seq 1 "$rounds"); do
    rm -rf "$out/ours" "$out/peer"
    mkdir "$out/ours" "$out/peer"
    # Take turns at going first, so neither side always meets the other's leftovers.
    if ((r % 2)); then
        run_ours; run_peer; run_verified; run_floor
    else
        run_peer; run_ours; run_floor; run_verified
    fi
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }
mo=$(median "${ours[@]}")
mp=$(median "${peer[@]}")
mv=$(median "${verified[@]}")
mf=$(median "${floor[@]}")
echo "files: $files x ${mb} MB, rounds: $rounds, on $(df -T "$out" | awk 'NR==2 {print $2}')"
echo "copy-tracks --no-verify (ms): ${ours[*]}  median $mo"
echo "cp + sync               (ms): ${peer[*]}  median $mp"
echo "copy-tracks             (ms): ${verified[*]}  median $mv"
echo "cp + sync + read back   (ms): ${floor[*]}  median $mf"
awk -v o="$mo" -v p="$mp" 'BEGIN { if (p > 0) printf "copy-tracks --no-verify / (cp + sync) = %.2f\n", o / p }'
awk -v o="$mv" -v p="$mf" 'BEGIN { if (p > 0) printf "copy-tracks / (cp + sync + read back) = %.2f\n", o / p }'
