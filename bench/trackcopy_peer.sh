#!/usr/bin/env bash
# Card copy speed against its peer, in one run: "sigcfg-tool copy-tracks" (a flushed temporary
# and a rename per file, committed in small groups) versus "cp" of the same files followed by a
# "sync" of those files and their folder: both put the same files on the disk, nothing else
# (copy-tracks with --no-verify). The read-back check is measured beside them: the same copy,
# then every file read from the disk again and compared.
# Usage: bench/trackcopy_peer.sh BUILD_DIR [FILES] [MB_EACH] [ROUNDS]
set -euo pipefail
build="$1"
files="${2:-40}"
mb="${3:-5}"
rounds="${4:-5}"
tool="$build/sigcfg-tool"
[ -x "$tool" ] || { echo "trackcopy_peer: $tool not built" >&2; exit 2; }

work="$(mktemp -d "${TMPDIR:-/tmp}/trackcopy.XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src"

# A project file whose playlist names every source file (plain ASCII reads the same in 1251).
{
    printf '[Project]\r\nName=bench\r\n[Playlist]\r\n'
    for i in $(seq 1 "$files"); do
        head -c "$((mb * 1024 * 1024))" /dev/urandom >"$work/src/track$i.mp3"
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
    "$tool" copy-tracks --no-verify "$work/bench.vlpj" "$work/ours/" >/dev/null
    t1=$(now)
    ours+=($(((t1 - t0) / 1000000)))
}
run_verified() {
    rm -rf "$work/verified" && mkdir "$work/verified"
    sync
    local t0 t1
    t0=$(now)
    "$tool" copy-tracks "$work/bench.vlpj" "$work/verified/" >/dev/null
    t1=$(now)
    verified+=($(((t1 - t0) / 1000000)))
}
run_peer() {
    sync
    local t0 t1
    t0=$(now)
    cp "$work"/src/*.mp3 "$work/peer/"
    sync "$work"/peer/*.mp3 "$work/peer"
    t1=$(now)
    peer+=($(((t1 - t0) / 1000000)))
}
ours=()
peer=()
verified=()
for r in $(seq 1 "$rounds"); do
    rm -rf "$work/ours" "$work/peer"
    mkdir "$work/ours" "$work/peer"
    # Take turns at going first, so neither side always meets the other's leftovers.
    if ((r % 2)); then run_ours; run_peer; else run_peer; run_ours; fi
    run_verified
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }
mo=$(median "${ours[@]}")
mp=$(median "${peer[@]}")
echo "files: $files x ${mb} MB, rounds: $rounds, on $(df -T "$work" | awk 'NR==2 {print $2}')"
echo "copy-tracks (ms): ${ours[*]}  median $mo"
echo "cp + sync   (ms): ${peer[*]}  median $mp"
echo "copy-tracks with read-back (ms): ${verified[*]}  median $(median "${verified[@]}")"
awk -v o="$mo" -v p="$mp" 'BEGIN { if (p > 0) printf "copy-tracks / (cp + sync) = %.2f\n", o / p }'
