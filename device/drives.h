#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Drives for the card on Linux: mounted file systems on SD cards and USB sticks, never on a
// disk that holds the system.

/// Where the system describes its mounts, swap areas and block devices; tests and the tool's
/// --root point these at a tree of their own.
struct TDriveSources
{
    std::string MountsPath = "/proc/self/mounts";
    std::string SwapsPath = "/proc/swaps";
    std::string SysRoot = "/sys";
    std::string DevRoot = "/dev"; // where "/dev/..." names of the mount table are looked up
    std::string Root = "/";       // where the mount points themselves are, for their device numbers

    /// Everything below root as on a running system: root/proc/self/mounts, root/sys, root/dev.
    static TDriveSources UnderRoot(const std::string &root);
};

/// One entry of the mount table, escapes (\040 and the like) decoded.
struct TMountEntry
{
    std::string Device;
    std::string MountPoint;
};

/// The entries of a mount table in /proc/self/mounts form, in order; malformed lines are skipped.
std::vector<TMountEntry> ParseMountTable(std::string_view text);

/// The whole disks (kernel names, "sdb") that a block device ("sdb1", "dm-0") lives on: a
/// partition's disk, the disks under a mapped device. Nothing for a name sysfs does not know.
std::vector<std::string> DisksOf(const TDriveSources &sources, const std::string &name);

/// True when the whole disk is a card or a stick: an mmcblk disk whose device type is "SD" (not
/// the built-in "MMC"), or any other disk on the USB bus or marked removable.
bool IsRemovableDisk(const TDriveSources &sources, const std::string &disk);

/// The disks that hold /, /boot, /boot/efi, /efi, /boot/firmware, /home, /usr, /var, a swap area
/// or a live system's boot stick.
std::vector<std::string> SystemDisks(const TDriveSources &sources, const std::vector<TMountEntry> &mounts);

/// A mounted file system the card writer offers.
struct TDrive
{
    std::string MountPoint; // as the mount table has it; the copy goes into this folder
    std::string Label;      // the file system's own label, "" when it has none
    uint64_t Size = 0;      // bytes of the mounted device, 0 when unknown
    std::string Device;     // "/dev/sdb1"

    bool operator==(const TDrive &) const = default;
};

/// Every mount on cards and sticks, in mount-table order, none on a system disk and none of a live
/// system's boot stick (/run/live/medium, /run/live/persistence/...). Nothing when the mount table
/// can not be read.
std::optional<std::vector<TDrive>> RemovableDrives(const TDriveSources &sources = {});

/// A size as file managers show it: binary units, one decimal, decimal comma ("7,4 ГБ").
std::string SizeText(uint64_t bytes);

/// The drive as the choice shows it: "/media/op/CARD (CARD, 7,4 ГБ)", leaving out what is unknown.
std::string DriveChoiceText(const TDrive &drive);
