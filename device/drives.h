#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Removable drives on Linux: mounted filesystems whose device sits on removable media.

/// Where the system describes its mounts and block devices; tests point these at a tree of
/// their own.
struct TDriveSources
{
    std::string MountsPath = "/proc/self/mounts";
    std::string SysRoot = "/sys";
    std::string DevRoot = "/dev"; // where "/dev/..." names of the mount table are looked up
};

/// One entry of the mount table, escapes (\040 and the like) decoded.
struct TMountEntry
{
    std::string Device;
    std::string MountPoint;
};

/// The entries of a mount table in /proc/self/mounts form, in order; malformed lines are skipped.
std::vector<TMountEntry> ParseMountTable(std::string_view text);

/// True when the block device (a name under /sys/class/block, "sdb1") or the disk it is a
/// partition of is removable media: removable=1, an SD/MMC card, or a disk on the USB bus.
bool IsRemovableBlockDevice(const TDriveSources &sources, const std::string &name);

/// The roots offered for the card: each mount point on removable media followed by "/", in
/// mount-table order. Nothing when the mount table can not be read.
std::optional<std::vector<std::string>> RemovableDriveRoots(const TDriveSources &sources = {});
