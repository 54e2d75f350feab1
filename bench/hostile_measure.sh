#!/usr/bin/env bash
# Peak memory and time of the tool on every file of a folder made by hostile_inputs.py:
#   bench/hostile_measure.sh build/sigcfg-tool FOLDER
# Each run is held to 4 GB of address space and 60 s, so a regression can not take the machine down.
set -uo pipefail
tool="$1"
folder="$2"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
run() {
    local label="$1"
    shift
    local log="$out/time.log"
    (ulimit -v 4194304; timeout 60 /usr/bin/time -v "$tool" "$@" >"$out/stdout" 2>"$log")
    local rc=$?
    local rss secs cpu lines
    rss=$(awk -F': ' '/Maximum resident set size/ {printf "%.0f", $2 / 1024}' "$log")
    secs=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$log")
    cpu=$(awk -F': ' '/User time|System time/ {t += $2} END {printf "%.2f", t}' "$log")
    lines=$(($(grep -vc -e '^\s' -e 'Command exited' -e 'Command terminated' "$log") + $(wc -l <"$out/stdout")))
    local first
    first=$(grep -v -e '^\s' -e 'Command exited' -e 'Command terminated' "$log" | head -1)
    [ "$rc" = 124 ] && first="(killed after 60 s)"
    printf '%-26s %-7s exit %-3s %6s MB %8s wall %6s cpu %8s lines  %s\n' "$label" "$1" "$rc" "${rss:-?}" \
        "${secs:-?}" "${cpu:-?}" \
        "$lines" "$first"
}
for f in "$folder"/*; do
    name="$(basename "$f")"
    case "$name" in
    *.mp3) ;;
    tracks-*.vlpj) run "$name" tracks "$f" ;;
    print-*.vlpj) run "$name" print "$f" "$out/out.pdf" ;;
    *.vlpj)
        run "$name" convert "$f" "$out/back.vlpj"
        run "$name" check "$f"
        ;;
    *.csv) run "$name" convert "$f" "$out/back.vlpj" ;;
    *) run "$name" convert "$f" "$out/back.vlpj" ;;
    esac
done
