# A real FAT32 card for the card writer's tests: an image made by mkfs.vfat, mounted with fusefat,
# and our fault layer (faultfs) over it. Sourced by cardtracks.sh, after tests/support/shell.sh,
# with $faultfs set to the fault layer's program. Gives:
#   card_new [MB] [plain]  a fresh, empty card (the one before it is unmounted); $card is its
#                      folder. plain: the fault layer over a plain folder instead of a FAT image,
#                      for loops that fusefat does not survive (it breaks its own FAT under
#                      hundreds of killed copies and then loops for ever)
#   card_faults K=V..  the faults from now on (none: a healthy card again)
#   $card_capacity     the size that cardtracks.sh's card_full gave the card, "" for none
#   $fat               the same card without the fault layer: what the card really holds
#   card_check_daemon  skips the test (exit 77) if fusefat broke down under it
#   CARD_DEBUG=1       fusefat logs every call to $work/fusefat.log
# A machine that can not mount it (no /dev/fuse, not root, no FUSE in a chroot) skips the test
# (exit 77) with one line saying why. The mounts go when the test ends, however it ends.

card="$work/card"
fat="$work/fat"
faults="$work/faults"
card_image="$work/card.img"
card_hung="$work/fusefat.hung"

card_skip() {
    echo "skipped: $*"
    exit 77
}

# wait_mounted DIR: true once DIR is a mount point (a few seconds at most).
wait_mounted() {
    local i
    for i in $(seq 1 100); do
        mountpoint -q "$1" && return 0
        sleep 0.05
    done
    return 1
}

# watch_fusefat PID: ends a fusefat that spins (most of a core for 15 s on end), leaving the
# reason in $card_hung. That is fusefat's own fault (it loops over a FAT it has broken), not the
# card writer's; a test that meets it skips.
watch_fusefat() {
    local pid="$1" hz last now spin=0
    hz=$(getconf CLK_TCK)
    last=$(awk '{ print $14 + $15 }' "/proc/$pid/stat" 2>/dev/null) || return 0
    while sleep 1; do
        now=$(awk '{ print $14 + $15 }' "/proc/$pid/stat" 2>/dev/null) || return 0
        if ((now - last >= hz * 7 / 10)); then spin=$((spin + 1)); else spin=0; fi
        last=$now
        if ((spin >= 15)); then
            echo "fusefat spun at full speed for 15 s (its FAT image is broken) and was ended" >"$card_hung"
            kill -9 "$pid"
            return 0
        fi
    done
}

# card_check_daemon: skips the test once fusefat had to be ended.
card_check_daemon() {
    [ ! -e "$card_hung" ] || card_skip "$(cat "$card_hung")"
}

card_unmount() {
    # Lazily: a run killed a moment ago may not have let go of its files yet. The daemons are
    # ended by their own ids, also when one of them hangs.
    # A mount whose daemon died is no mount point any more, but is still to be detached.
    grep -qF " $card " /proc/mounts && fusermount3 -u -z "$card"
    grep -qF " $fat " /proc/mounts && fusermount -u -z "$fat"
    local pid
    for pid in ${card_daemons:-}; do
        kill -9 "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    card_daemons=""
    return 0
}

card_cleanup() {
    card_unmount
    rm -rf "$work"
}
trap card_cleanup EXIT

card_faults() {
    printf '%s\n' "$@" >"$faults.new"
    mv "$faults.new" "$faults"
}

card_new() {
    local mb="${1:-64}" kind="${2:-fat}" tool
    [ "$(id -u)" -eq 0 ] || card_skip "fusefat mounts a card image read-write only as root"
    [ -c /dev/fuse ] || card_skip "no /dev/fuse here (a chroot or container without FUSE)"
    for tool in mkfs.vfat fusefat fusermount fusermount3 mountpoint; do
        command -v "$tool" >/dev/null || card_skip "$tool is not installed (scripts/install-deps)"
    done
    [ -x "$faultfs" ] || card_skip "the fault layer $faultfs is not built"
    card_unmount
    card_capacity=""
    card_serial=$((${card_serial:-0} + 1))
    rm -f "$card_image"
    mkdir -p "$card" "$fat"
    card_faults
    if [ "$kind" = plain ]; then
        rm -rf "$fat" && mkdir "$fat"
        start_faultfs
        return
    fi
    truncate -s "${mb}M" "$card_image"
    mkfs.vfat -F 32 "$card_image" >/dev/null 2>&1 || card_skip "mkfs.vfat can not make a ${mb} MB FAT32 image"
    # fusefat prints the volume's layout on standard output; rw+ is its read-write mode. One
    # thread: with several, fusefat deadlocks now and then. Both daemons stay in the foreground
    # of a background job, so that the test knows them and ends them.
    fusefat -f -s -o rw+ ${CARD_DEBUG:+-d} "$card_image" "$fat" >"$work/fusefat.log" 2>&1 &
    card_daemons="$!"
    watch_fusefat "$card_daemons" &
    card_daemons+=" $!"
    wait_mounted "$fat" || card_skip "fusefat can not mount the image: $(grep -v '^$' "$work/fusefat.log" | tail -n 1)"
    start_faultfs
}

start_faultfs() {
    # Each card a name of its own, as each real card has its own volume id.
    "$faultfs" "$fat" "$faults" "$card" -f -o "fsname=sigcard$card_serial-$$" 2>"$work/faultfs.err" &
    card_daemons+=" $!"
    wait_mounted "$card" || card_skip "the fault layer can not mount: $(head -n 1 "$work/faultfs.err")"
}
