#!/usr/bin/env bash
# Renumbering from the card's own files when another program wrote them as 001.MP3 and the
# playlist spells 001.mp3 (or 001.Mp3): on a FAT card the spellings are one file, each with its
# own inode under FUSE. Every number must get the bytes its playlist line names, as they were
# before the run, for any reordering; on a full card with --make-room, no number may get any
# other track's bytes.
set -uo pipefail
source "$(dirname "$0")/cardtracks.sh" "$@"

count=12
make_tracks o "$count" 2
track_size=$(stat -c %s "$work/src/o1.mp3")

# A reordering as a list: track i gets the sound of the card file of number ${order[i-1]}: a
# rotation, the reverse, neighbours swapped, each sound twice, and one at random. More tracks than
# the writer commits at once, so that later sources are read after earlier renames.
orders=(
    "$(seq 2 "$count" | tr '\n' ' ')1"
    "$(seq "$count" -1 1 | tr '\n' ' ')"
    "$(seq 1 "$count" | awk '{ printf "%d ", NR % 2 ? $1 + 1 : $1 - 1 }')"
    "$(seq 1 "$count" | awk '{ printf "%d ", int(($1 + 1) / 2) }')"
    "$(shuf -i 1-"$count" | tr '\n' ' ')"
)
spellings=(lower upper mixed)

spell() {
    case "$2" in
    lower) printf '%03d.mp3' "$1" ;;
    upper) printf '%03d.MP3' "$1" ;;
    mixed) printf '%03d.Mp3' "$1" ;;
    esac
}

for order in "${orders[@]}"; do
    read -ra from <<<"$order"
    for room in big full; do
        card_new 64
        # Written by another program: upper-case names.
        for i in $(seq 1 "$count"); do
            cp "$work/src/o$i.mp3" "$card/$(spell "$i" upper)"
        done
        lines=()
        for i in $(seq 1 "$count"); do
            lines+=("$i;$card/$(spell "${from[i - 1]}" "${spellings[RANDOM % 3]}")")
        done
        write_project "$work/renumber.vlpj" "${lines[@]}"
        flags=()
        if [ "$room" = full ]; then
            card_full "$(room_for_none)"
            flags=(--make-room)
        fi
        out="$("$tool" copy-tracks "${flags[@]}" "$work/renumber.vlpj" "$card/" 2>&1)"
        rc=$?
        what="order [$order], $room card"
        [ "$room" = big ] && expect_eq "$rc" "0" "$what: exit status"$'\n'"$out"
        [ "$rc" -le 1 ] || fail "$what: exit status $rc"$'\n'"$out"
        for i in $(seq 1 "$count"); do
            got="$fat/$(card_name "$i")"
            if cmp -s "$got" "$work/src/o${from[i - 1]}.mp3"; then
                continue
            elif [ "$rc" -ne 0 ] && cmp -s "$got" "$work/src/o$i.mp3"; then
                continue # not copied, and said so: the old track stays
            fi
            fail "$what: track $i does not hold track ${from[i - 1]}'s sound"$'\n'"$out"
        done
        expect_eq "$(ls "$fat" | grep -ci '^[0-9]*\.mp3$')" "$count" "$what: one file per number"
    done
done

card_finish "case variants"
