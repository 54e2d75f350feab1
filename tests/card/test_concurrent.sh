#!/usr/bin/env bash
# Runs onto one card at once, started at random moments: each waits for the one before it or
# refuses with exit 2 naming it; none fails, none reports a card that another run wrote over, and
# the card ends with the sound of the last run to finish. CARD_ROUNDS / 3 rounds (at least 3).
set -uo pipefail
source "$(dirname "$0")/cardtracks.sh" "$@"

rounds=$((${CARD_ROUNDS:-9} / 3))
((rounds >= 3)) || rounds=3
count=6
two_versions "$count" 6

# A slow card whose locks take a while to take effect: a run that opened the lock file just
# before its holder removed it gets a lock on a file that is no longer there. Over a plain folder:
# fusefat does not last through runs that race each other (it breaks its FAT and loops).
card_new 64 plain
card_faults "write_rate=$((track_size * 8))" "lock_delay_ms=300"
start=$(date +%s%N)
"$tool" copy-tracks "$work/a.vlpj" "$card/" >/dev/null 2>&1 || fail "a run alone"
span=$((($(date +%s%N) - start) / 1000000 + 20))

for round in $(seq 1 "$rounds"); do
    pids=() tags=() finished=()
    # Three runs: the second starts while the first holds the card, the third about when the
    # first lets go of it.
    for k in 0 1 2; do
        tag=$([ "$k" -eq 1 ] && echo b || echo a)
        case $k in
        1) pause=$((RANDOM % (span / 2))) ;;
        2) pause=$((span - pause + RANDOM % (span / 2))) ;;
        *) pause=0 ;;
        esac
        sleep "$(awk -v ms="$pause" 'BEGIN { printf "%.3f", ms / 1000 }')"
        "$tool" copy-tracks "$work/$tag.vlpj" "$card/" >"$work/run$k.out" 2>&1 &
        pids+=($!)
        tags+=("$tag")
    done
    declare -A status=()
    running=("${pids[@]}")
    while [ "${#running[@]}" -gt 0 ]; do
        wait -n -p done_pid "${running[@]}"
        status[$done_pid]=$?
        finished+=("$done_pid")
        mapfile -t running < <(printf '%s\n' "${running[@]}" | grep -vx "$done_pid")
    done
    last=""
    for k in 0 1 2; do
        pid=${pids[k]} rc=${status[${pids[k]}]}
        out="$(cat "$work/run$k.out")"
        what="round $round, run $k ($pid, ${tags[k]})"
        case "$rc" in
        0) ;;
        2)
            others=$(printf '%s\n' "${pids[@]}" | grep -vx "$pid" | paste -sd'|')
            grep -qE "(^|[^0-9])($others)([^0-9]|$)" <<<"$out" || fail "$what: the refusal names no other run"$'\n'"$out"
            ;;
        *) fail "$what: exit status $rc"$'\n'"$out" ;;
        esac
    done
    # The last run to finish with the card copied is the one whose sound the card holds.
    for pid in "${finished[@]}"; do
        for k in 0 1 2; do
            [ "${pids[k]}" = "$pid" ] && [ "${status[$pid]}" = 0 ] && last="${tags[k]}"
        done
    done
    card_state "$count" a b
    if [ -z "$last" ]; then
        fail "round $round: every run refused"
    elif [ "$last" = a ]; then
        expect_eq "$state_old" "$count" "round $round: the card after the last run, a's ($state_tracks)"
    else
        expect_eq "$state_new" "$count" "round $round: the card after the last run, b's ($state_tracks)"
    fi
    unset status
done

card_finish "concurrent runs"
