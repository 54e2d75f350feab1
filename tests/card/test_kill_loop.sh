#!/usr/bin/env bash
# kill -9 at random moments of a copy onto a full, slow card. Without --make-room every track
# holds one of its two versions right after each kill; with it, a track missing after a kill has
# its bytes in the journal, and the next run finishes that journal, says so, and leaves every
# track new. CARD_ROUNDS sets the rounds of each loop (10 here, more for a longer hunt).
set -uo pipefail
source "$(dirname "$0")/cardtracks.sh" "$@"

rounds="${CARD_ROUNDS:-10}"
count=4
two_versions "$count" 8
# A card of a few hundred kilobytes a second: a run lasts long enough to be cut anywhere.
slow=("write_rate=$((track_size * 10))" "read_rate=$((track_size * 40))")

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# kill_at MS ARGS...: runs the tool and kills it with SIGKILL MS milliseconds after its start.
kill_at() {
    local ms="$1"
    shift
    "$tool" "$@" >"$work/killed.out" 2>&1 &
    local pid=$!
    sleep "$(awk -v ms="$ms" 'BEGIN { printf "%.3f", ms / 1000 }')"
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
}

# The whole run's length on this card, to spread the kills over it.
card_new 64
put_tracks a "$count"
card_full "$(room_for_one)" "${slow[@]}"
start=$(now_ms)
"$tool" copy-tracks "$work/b.vlpj" "$card/" >/dev/null 2>&1
span=$(($(now_ms) - start + 50))
echo "span $span ms"

# Room for one track beside the old ones: the default needs no removal, and must make none.
for mode in default make-room; do
    card_new 64
    put_tracks a "$count"
    if [ "$mode" = default ]; then
        card_full "$(room_for_one)" "${slow[@]}"
        flags=()
    else
        card_full "$(room_for_none)" "${slow[@]}"
        flags=(--make-room)
    fi
    for round in $(seq 1 "$rounds"); do
        # Each round writes the other version over what the card holds.
        if ((round % 2)); then project="$work/b.vlpj" want=b; else project="$work/a.vlpj" want=a; fi
        kill_at $((RANDOM % span)) copy-tracks "${flags[@]}" "$project" "$card/"
        card_state "$count" a b
        what="$mode, round $round, right after the kill"
        expect_eq "$state_wrong" "0" "$what: tracks with other bytes ($state_tracks)"
        if [ "$mode" = default ]; then
            expect_eq "$state_absent" "0" "$what: tracks without a file ($state_tracks)"
            continue
        fi
        had_journal=0
        for entry in $state_tracks; do
            n="${entry%%:*}"
            if [ "${entry#*:}" = absent ] && ! journal_holds "$work/src/a$n.mp3" && ! journal_holds "$work/src/b$n.mp3"; then
                fail "$what: track $n has no file and no backup in the journal"
            fi
        done
        for n in $(seq 1 "$count"); do
            journal_holds "$work/src/a$n.mp3" && had_journal=1
            journal_holds "$work/src/b$n.mp3" && had_journal=1
        done

        out="$("$tool" copy-tracks "${flags[@]}" "$project" "$card/" 2>&1)"
        rc=$?
        card_state "$count" a b
        what="$mode, round $round, the run after"
        expect_eq "$rc" "0" "$what: exit status"$'\n'"$out"
        expect_eq "$((state_absent + state_wrong))" "0" "$what: tracks lost ($state_tracks)"
        [ "$want" = a ] && expect_eq "$state_old" "$count" "$what: every track is the project's ($state_tracks)"
        [ "$want" = b ] && expect_eq "$state_new" "$count" "$what: every track is the project's ($state_tracks)"
        [ "$had_journal" -eq 0 ] || expect_journal_told "$out" "$what"
        for n in $(seq 1 "$count"); do
            journal_holds "$work/src/a$n.mp3" || journal_holds "$work/src/b$n.mp3" &&
                fail "$what: track $n's backup is still in the journal"
        done
    done
    # What the killed default runs left behind (temporaries) does not stop a whole run after them.
    if [ "$mode" = default ]; then
        out="$("$tool" copy-tracks "$work/a.vlpj" "$card/" 2>&1)"
        rc=$?
        card_state "$count" a b
        expect_eq "$rc" "0" "a whole run after the kills: exit status"$'\n'"$out"
        expect_eq "$state_old" "$count" "a whole run after the kills: every track is the project's ($state_tracks)"
    fi
done

finish "kill loop"
