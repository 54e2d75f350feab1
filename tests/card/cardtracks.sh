# Tracks, projects and the card's state for the card writer's tests. A test sources it with its
# own arguments (the tool, the fault layer), after `set -uo pipefail`; it brings the shared shell
# checks and the card image with it.
#   make_tracks TAG COUNT SECONDS   real MP3s $work/src/TAG1.mp3 ... (lame, random sound: no two alike)
#   write_project FILE "N;PATH"...  a project whose scenarios use those tracks, playlist as given
#   project_of FILE TAG COUNT       the same for tracks 1..COUNT from TAG's files
#   two_versions COUNT SECONDS      tracks a1.. and b1.., projects a.vlpj and b.vlpj, $track_size
#   card_state COUNT OLD NEW        what the card holds per track, compared byte for byte with
#                                   the sources: sets state_new/old/absent/wrong and state_tracks
#   kept_claims TEXT                the track numbers of the log lines that say the old record stays
#                                   (by the card file they name, else by "трек N:")
#   journal_holds FILE              true when a file of the card journal holds FILE's bytes (its
#                                   name then in $journal_hit)

tool="$1"
faultfs="$2"
source "$(dirname "${BASH_SOURCE[0]}")/../support/shell.sh"
source "$(dirname "${BASH_SOURCE[0]}")/cardimage.sh"

export XDG_STATE_HOME="$work/state"
journal="$XDG_STATE_HOME/sigcfg/card-journal"
mkdir -p "$work/src"

make_tracks() {
    local tag="$1" count="$2" seconds="$3" i
    command -v lame >/dev/null || card_skip "lame is not installed"
    for i in $(seq 1 "$count"); do
        # Noise at a fixed bit rate: tracks of one length have nearly one size, all different bytes.
        head -c $((seconds * 16000)) /dev/urandom |
            lame -r -s 8 --bitwidth 16 -m m --signed --little-endian -b 32 --cbr --silent - "$work/src/$tag$i.mp3" \
                2>"$work/lame.err" || fail "lame could not make $tag$i.mp3: $(cat "$work/lame.err")"
    done
}

write_project() {
    local file="$1" line n=0
    shift
    {
        printf '[Project]\nName=Карта\nDevice=Велтара ДК-4\n[Groups]\n0=1;Корпус;1;\n[Scenarios]\n'
        for line in "$@"; do
            printf '%d=1;Звонок %d;8;%d;20;%d;0;\n' "$n" "$n" "$n" "${line%%;*}"
            n=$((n + 1))
        done
        printf '[Playlist]\n'
        n=0
        for line in "$@"; do
            printf '%d=%s\n' "$n" "$line"
            n=$((n + 1))
        done
    } | to_windows >"$file"
}

project_of() {
    local file="$1" tag="$2" count="$3" i lines=()
    for i in $(seq 1 "$count"); do
        lines+=("$i;$work/src/$tag$i.mp3")
    done
    write_project "$file" "${lines[@]}"
}

two_versions() {
    make_tracks a "$1" "$2"
    make_tracks b "$1" "$2"
    project_of "$work/a.vlpj" a "$1"
    project_of "$work/b.vlpj" b "$1"
    track_size=$(stat -c %s "$work/src/a1.mp3")
}

card_name() { printf '%03d.mp3' "$1"; }

# Read through the plain FAT mount, not the fault layer: what the card holds, not what a fault shows.
card_state() {
    local count="$1" old="$2" new="$3" i file what
    card_check_daemon
    state_new=0 state_old=0 state_absent=0 state_wrong=0 state_tracks=""
    for i in $(seq 1 "$count"); do
        file="$fat/$(card_name "$i")"
        if [ ! -f "$file" ]; then
            what=absent state_absent=$((state_absent + 1))
        elif [ -n "$new" ] && cmp -s "$file" "$work/src/$new$i.mp3"; then
            what=new state_new=$((state_new + 1))
        elif [ -n "$old" ] && cmp -s "$file" "$work/src/$old$i.mp3"; then
            what=old state_old=$((state_old + 1))
        else
            what=wrong state_wrong=$((state_wrong + 1))
        fi
        state_tracks+="$i:$what "
    done
}

kept_claims() {
    grep -E "оставлена|осталась старая запись" <<<"$1" |
        sed -nE "s|.*/0*([0-9]+)\.mp3'.*|\1|p; t; s|.*(Т\|т)рек ([0-9]+):.*|\2|p" | sort -un
}

journal_holds() {
    local f
    [ -d "$journal" ] || return 1
    while IFS= read -r -d '' f; do
        cmp -s "$f" "$1" && journal_hit="${f#"$journal"/}" && return 0
    done < <(find "$journal" -type f -print0)
    return 1
}

# expect_journal_told OUTPUT WHAT: a run that found an unfinished journal says what became of it.
expect_journal_told() {
    grep -qE "прерванного копирования|Журнал копирования" <<<"$1" ||
        fail "$2: the journal left by the run before is finished without a word:"$'\n'"$1"
}

# What the card's files take, as the fault layer counts it: 4 KiB clusters, a cluster per folder.
card_used() {
    find "$fat" -mindepth 1 -printf '%y %s\n' | awk '{ if ($1 == "d") t += 4096; else t += int(($2 + 4095) / 4096) * 4096 } END { print t + 0 }'
}

# card_full ROOM FAULT...: the card is full but for ROOM bytes, and has those faults from now on.
# Its size stays for the card's life (the card writer knows a card by it).
card_full() {
    card_capacity=$(($(card_used) + $1))
    shift
    card_set "$@"
}

# card_set FAULT...: these faults from now on, on a card of the same size.
card_set() {
    card_faults ${card_capacity:+"capacity=$card_capacity"} "$@"
}

# Room on a full card: not enough for a new track beside its old one, but enough once the old
# one is gone; or enough for one beside. The writer keeps 64 KiB of slack beyond a track's size
# for the last cluster and a longer folder.
room_for_none() { echo $((track_size / 2 + 69632)); }
room_for_one() { echo $((track_size + 131072)); }

# put_tracks TAG COUNT: the card gets TAG's tracks as another program writes them.
put_tracks() {
    local i
    for i in $(seq 1 "$2"); do
        cp "$work/src/$1$i.mp3" "$card/$(card_name "$i")" || fail "cp $1$i.mp3 to the card"
    done
}

# card_finish NAME: the test's verdict, or a skip when fusefat broke down under it.
card_finish() {
    card_check_daemon
    finish "$1"
}
