# A real FAT32 card for the card writer's tests: an image made by mkfs.vfat, mounted with fusefat,
# and our fault layer (faultfs) over it. Sourced by cardtracks.sh, after tests/support/shell.sh,
# with $faultfs set to the fault layer's program. Gives:
#   card_new [MB]      a fresh, empty card (the one before it is unmounted); $card is its folder
#   card_faults K=V..  the faults from now on (none: a healthy card again)
#   $card_capacity     the size that cardtracks.sh's card_full gave the card, "" for none
#   $fat               the same card without the fault layer: what the card really holds
# A machine that can not mount it (no /dev/fuse, not root, no FUSE in a chroot) skips the test
# (exit 77) with one line saying why. The mounts go when the test ends, however it ends.

card="$work/card"
fat="$work/fat"
faults="$work/faults"
card_image="$work/card.img"

card_skip() {
    echo "skipped: $*"
    exit 77
}

card_unmount() {
    # Lazily: a run killed a moment ago may not have let go of its files yet.
    mountpoint -q "$card" 2>/dev/null && fusermount3 -u -z "$card"
    mountpoint -q "$fat" 2>/dev/null && { fusermount -u -z "$fat" 2>/dev/null || fusermount3 -u -z "$fat"; }
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
    local mb="${1:-64}" tool
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
    truncate -s "${mb}M" "$card_image"
    mkfs.vfat -F 32 "$card_image" >/dev/null 2>&1 || card_skip "mkfs.vfat can not make a ${mb} MB FAT32 image"
    # fusefat prints the volume's layout on standard output; rw+ is its read-write mode.
    fusefat -o rw+ "$card_image" "$fat" >/dev/null 2>"$work/fusefat.err" ||
        card_skip "fusefat can not mount the image: $(head -n 1 "$work/fusefat.err")"
    # Each card a name of its own, as each real card has its own volume id.
    "$faultfs" "$fat" "$faults" "$card" -o "fsname=sigcard$card_serial-$$" 2>"$work/faultfs.err" ||
        card_skip "the fault layer can not mount: $(head -n 1 "$work/faultfs.err")"
    mountpoint -q "$card" || card_skip "the fault layer did not mount"
}
