#!/usr/bin/env bash
# sigcfg-tool drives --root: what the card writer offers on machine trees laid out as the kernel
# lays out sysfs (class/block and block linking into devices, device/type, removable, size).
set -uo pipefail
tool="$1"
source "$(dirname "$0")/../support/shell.sh"

# new_machine NAME: an empty machine; the functions below fill the latest one.
new_machine() {
    root="$work/$1"
    mkdir -p "$root/proc/self" "$root/sys/block" "$root/sys/class/block" "$root/dev/disk/by-label"
    printf 'proc /proc proc rw 0 0\n' >"$root/proc/self/mounts"
    printf 'Filename\tType\tSize\tUsed\tPriority\n' >"$root/proc/swaps"
}
# add_disk BUS_PATH DISK REMOVABLE TYPE PARTITION...: partitions of 7,4 GiB (15523840 sectors).
add_disk() {
    local bus="$root/sys/devices/$1" disk="$2" removable="$3" type="$4"
    shift 4
    local dir="$bus/block/$disk"
    mkdir -p "$dir"
    echo "$removable" >"$dir/removable"
    echo $((15523840 * $#)) >"$dir/size"
    [ -z "$type" ] || echo "$type" >"$bus/type"
    ln -s "$(realpath --relative-to="$dir" "$bus")" "$dir/device"
    ln -s "$(realpath --relative-to="$root/sys/block" "$dir")" "$root/sys/block/$disk"
    ln -s "$(realpath --relative-to="$root/sys/class/block" "$dir")" "$root/sys/class/block/$disk"
    : >"$root/dev/$disk"
    for part in "$@"; do
        mkdir -p "$dir/$part"
        echo 1 >"$dir/$part/partition"
        echo 15523840 >"$dir/$part/size"
        ln -s "$(realpath --relative-to="$root/sys/class/block" "$dir/$part")" "$root/sys/class/block/$part"
        : >"$root/dev/$part"
    done
}
mount_at() { printf '%s %s vfat rw 0 0\n' "$1" "$2" >>"$root/proc/self/mounts"; }
label() { ln -s "../../$2" "$root/dev/disk/by-label/$1"; }

emmc=platform/soc/7c4000.mmc/mmc_host/mmc0/mmc0:0001
sdslot=platform/soc/8804000.mmc/mmc_host/mmc1/mmc1:aaaa
usb1=pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0/host2/target2:0:0/2:0:0:0
usb2=pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/host3/target3:0:0/3:0:0:0

# A laptop whose system disk is eMMC, with an SD card and a USB stick.
new_machine laptop
add_disk "$emmc" mmcblk0 0 MMC mmcblk0p1 mmcblk0p2 mmcblk0p3
add_disk "$sdslot" mmcblk1 0 SD mmcblk1p1
add_disk "$usb1" sda 0 "" sda1
mount_at /dev/mmcblk0p2 /
mount_at /dev/mmcblk0p1 /boot/efi
printf '/dev/mmcblk0p3\tpartition\t1\t0\t-2\n' >>"$root/proc/swaps"
mount_at /dev/mmcblk1p1 /media/op/CARD
mount_at /dev/sda1 '/media/op/MY\040STICK'
label CARD mmcblk1p1
out="$("$tool" drives --root "$root")"; rc=$?
expect_eq "$rc" "0" "exit status with drives"
expect_eq "$out" $'/media/op/CARD\tCARD\t7,4 ГБ\t/dev/mmcblk1p1\n/media/op/MY STICK\t\t7,4 ГБ\t/dev/sda1' "eMMC laptop"

# A system booted from a USB disk, with a second stick.
new_machine usbboot
add_disk "$usb1" sda 0 "" sda1 sda2 sda3
add_disk "$usb2" sdb 0 "" sdb1
mount_at /dev/sda2 /
mount_at /dev/sda1 /boot/efi
mount_at /dev/sda3 /media/op/DATA
mount_at /dev/sdb1 /media/op/STICK
out="$("$tool" drives --root "$root")"
expect_eq "$out" $'/media/op/STICK\t\t7,4 ГБ\t/dev/sdb1' "USB-booted system"

# Nothing to offer: exit 1; no mount table: exit 2.
new_machine bare
add_disk "$emmc" mmcblk0 0 MMC mmcblk0p1
mount_at /dev/mmcblk0p1 /
out="$("$tool" drives --root "$root" 2>"$work/err")"; rc=$?
expect_eq "$rc:$out" "1:" "no drive"
expect_eq "$(cat "$work/err")" "Съёмных дисков не найдено" "no drive says so"
rm "$root/proc/self/mounts"
"$tool" drives --root "$root" >/dev/null 2>&1
expect_eq "$?" "2" "unreadable mount table"
"$tool" drives --root >/dev/null 2>&1
expect_eq "$?" "2" "--root without a folder"

finish "drives"
