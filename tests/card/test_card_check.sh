#!/usr/bin/env bash
# card-check reads the card back and names every difference from what the project would put
# there: a missing track, one with other bytes, an extra track file, a torn one (cut short, or a
# temporary left by a copy that never finished). A card that reads back wrong or is gone is not
# reported as fine.
set -uo pipefail
source "$(dirname "$0")/cardtracks.sh" "$@"

count=6
make_tracks t "$count" 4
project_of "$work/p.vlpj" t "$count"

# The damages: how each is made on a card that matched, the file it concerns, and the words of the
# line that must name it (missing, changed, extra, torn: cut short or a temporary never renamed).
damage_missing() { rm "$card/002.mp3"; }
damage_changed() { printf '\x55' | dd of="$card/003.mp3" bs=1 seek=2000 conv=notrunc status=none; }
damage_extra() { cp "$work/src/t1.mp3" "$card/050.mp3"; }
damage_truncated() { truncate -s $(($(stat -c %s "$card/004.mp3") / 2)) "$card/004.mp3"; }
damage_temporary() { head -c 3000 "$work/src/t5.mp3" >"$card/005.mp3.Xq7ZpA"; }
damages=(
    "missing 002.mp3 нет"
    "changed 003.mp3 отлича"
    "extra 050.mp3 лишн"
    "truncated 004.mp3 отлича|недописан"
    "temporary 005.mp3.Xq7ZpA недописан"
)

clean_card() {
    card_new 64
    "$tool" copy-tracks "$work/p.vlpj" "$card/" >"$work/copy.out" 2>&1 || fail "the copy before: $(cat "$work/copy.out")"
}

# expect_named OUTPUT FILE WORDS WHAT: a line names FILE (or its track) and says one of WORDS.
expect_named() {
    local n="${2%%.*}"
    n=$((10#$n))
    grep -E "$2|(Т|т)рек $n([^0-9]|\$)" <<<"$1" | grep -qE "$3" ||
        fail "$4: no line names $2 with [$3]:"$'\n'"$1"
}

clean_card
out="$("$tool" card-check "$work/p.vlpj" "$card/" 2>&1)"
expect_eq "$?" "0" "a card that matches: exit status"$'\n'"$out"

# Written by another program in capitals: the same card for the device.
card_new 64
for i in $(seq 1 "$count"); do cp "$work/src/t$i.mp3" "$card/$(printf '%03d.MP3' "$i")"; done
out="$("$tool" card-check "$work/p.vlpj" "$card/" 2>&1)"
expect_eq "$?" "0" "a card in capitals: exit status"$'\n'"$out"

for row in "${damages[@]}"; do
    read -r kind file word <<<"$row"
    clean_card
    "damage_$kind"
    out="$("$tool" card-check "$work/p.vlpj" "$card/" 2>&1)"
    expect_eq "$?" "1" "$kind: exit status"$'\n'"$out"
    expect_named "$out" "$file" "$word" "$kind"
done

# All at once: each named, none for another.
clean_card
for row in "${damages[@]}"; do
    read -r kind file word <<<"$row"
    "damage_$kind"
done
out="$("$tool" card-check "$work/p.vlpj" "$card/" 2>&1)"
expect_eq "$?" "1" "every damage at once: exit status"
for row in "${damages[@]}"; do
    read -r kind file word <<<"$row"
    expect_named "$out" "$file" "$word" "$kind among the others"
done
grep -E "00[16]\.mp3|(Т|т)рек [16]([^0-9]|$)" <<<"$out" | grep -E "нет|отлича|лишн|недописан" &&
    fail "tracks 1 and 6 are right, but a line says otherwise:"$'\n'"$out"

# A card that reads back other bytes than it holds, or has gone, is not a good card.
for fault in flip_read=1 vanish=ENODEV vanish=EIO; do
    clean_card
    card_faults "$fault"
    out="$("$tool" card-check "$work/p.vlpj" "$card/" 2>&1)"
    rc=$?
    [ "$rc" -ne 0 ] || fail "$fault: card-check says the card is right"$'\n'"$out"
    card_faults
done

card_finish "card-check"
