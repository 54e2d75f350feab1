#!/usr/bin/env bash
# kill -9 (or a pulled card) at random moments of a copy onto a full, slow card. Without
# --make-room every track holds one of its two versions right after each kill; with it, a track
# missing after a kill has its bytes in the journal, and the next run finishes that journal, says
# so, and leaves every track new. CARD_ROUNDS sets the rounds of each loop (10 here, more for a
# longer hunt).
set -uo pipefail
source "$(dirname "$0")/cardtracks.sh" "$@"

rounds="${CARD_ROUNDS:-10}"
# fusefat does not last through hundreds of killed copies (it breaks its FAT and loops): the loop
# runs on the fault layer over a plain folder, unless CARD_KILL_FAT=1 asks for the FAT image.
backing=$([ "${CARD_KILL_FAT:-0}" = 1 ] && echo fat || echo plain)
count=4
two_versions "$count" 8
# A card of a few hundred kilobytes a second: a run lasts long enough to be cut anywhere.
slow=("write_rate=$((track_size * 10))" "read_rate=$((track_size * 40))")

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# cut_at HOW MS ARGS...: runs the tool and cuts it short MS milliseconds after its start: HOW is
# kill (SIGKILL) or pull (the card vanishes under it, and comes back once the run has ended).
cut_at() {
    local how="$1" ms="$2"
    shift 2
    "$tool" "$@" >"$work/cut.out" 2>&1 &
    local pid=$!
    sleep "$(awk -v ms="$ms" 'BEGIN { printf "%.3f", ms / 1000 }')"
    if [ "$how" = kill ]; then
        kill -9 "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    else
        card_set vanish=ENODEV "${slow[@]}"
        wait "$pid"
        cut_rc=$?
        card_set "${slow[@]}"
    fi
}

# The whole run's length on this card, to spread the kills over it.
card_new 64 "$backing"
put_tracks a "$count"
card_full "$(room_for_one)" "${slow[@]}"
start=$(now_ms)
"$tool" copy-tracks "$work/b.vlpj" "$card/" >/dev/null 2>&1
span=$(($(now_ms) - start + 50))
echo "span $span ms"

# Room for one track beside the old ones: the default needs no removal, and must make none. A
# card pulled out in the middle of --make-room (half as many rounds) is put back and finished.
for mode in default make-room pulled; do
    card_new 64 "$backing"
    put_tracks a "$count"
    if [ "$mode" = default ]; then
        card_full "$(room_for_one)" "${slow[@]}"
        flags=()
    else
        card_full "$(room_for_none)" "${slow[@]}"
        flags=(--make-room)
    fi
    how=$([ "$mode" = pulled ] && echo pull || echo kill)
    for round in $(seq 1 $([ "$mode" = pulled ] && echo $(((rounds + 1) / 2)) || echo "$rounds")); do
        # Each round writes the other version over what the card holds.
        if ((round % 2)); then project="$work/b.vlpj" want=b; else project="$work/a.vlpj" want=a; fi
        cut_at "$how" $((RANDOM % span)) copy-tracks "${flags[@]}" "$project" "$card/"
        card_state "$count" a b
        what="$mode, round $round, right after the ${how}"
        expect_eq "$state_wrong" "0" "$what: tracks with other bytes ($state_tracks)"
        if [ "$mode" = default ]; then
            expect_eq "$state_absent" "0" "$what: tracks without a file ($state_tracks)"
            continue
        fi
        # A run that ended well before the card went must have left every track the project's.
        if [ "$how" = pull ] && [ "$cut_rc" -eq 0 ]; then
            [ "$want" = a ] && expect_eq "$state_old" "$count" "$what: exit 0, every track a's ($state_tracks)"
            [ "$want" = b ] && expect_eq "$state_new" "$count" "$what: exit 0, every track b's ($state_tracks)"
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
                fail "$what: track $n's backup is still in the journal ($journal_hit)"
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

card_finish "kill loop"
