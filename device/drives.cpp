#include "device/drives.h"

#include "model/lib.h"
#include "storage/fileio.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace fs = std::filesystem;

namespace {

// The kernel writes blanks, tabs, line ends and backslashes of mount points as \ooo.
std::string DecodeMountField(std::string_view field)
{
    std::string text;
    text.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const char a = field[i + 1], b = field[i + 2], c = field[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                text += static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0'));
                i += 3;
                continue;
            }
        }
        text += field[i];
    }
    return text;
}

std::vector<std::string_view> SplitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start)
            fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

std::string ReadSmallFile(const fs::path &path)
{
    try {
        return ReadFileIfExists(path.string()).value_or(std::string());
    } catch (const std::exception &) {
        return {};
    }
}

std::optional<std::string> ReadTable(const std::string &path)
{
    try {
        return ReadFileIfExists(path);
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

fs::path Canonical(const fs::path &path)
{
    std::error_code error;
    fs::path resolved = fs::canonical(path, error);
    return error ? path : resolved;
}

bool IsPlainName(const std::string &name)
{
    return !name.empty() && name.find('/') == std::string::npos && name != "." && name != "..";
}

fs::path BlockEntry(const TDriveSources &sources, const std::string &name)
{
    return fs::path(sources.SysRoot) / "class" / "block" / name;
}

// "/usb" in the device's sysfs path, not counting the sysfs root itself.
bool OnUsbBus(const fs::path &sysRoot, const fs::path &path)
{
    const std::string root = Canonical(sysRoot).string();
    std::string resolved = Canonical(path).string();
    if (resolved.compare(0, root.size(), root) == 0)
        resolved.erase(0, root.size());
    return resolved.find("/usb") != std::string::npos;
}

// visited: the names already walked. Mapped devices stacked on each other (LVM on RAID on
// encrypted partitions) share slaves, and walking each path again took minutes on real trees.
void CollectDisks(const TDriveSources &sources, const std::string &name, int depth, std::vector<std::string> &disks,
                  std::set<std::string> &visited)
{
    if (!IsPlainName(name) || depth > 8 || !visited.insert(name).second)
        return;
    const fs::path entry = BlockEntry(sources, name);
    std::error_code error;
    if (!fs::exists(entry, error))
        return;
    // A mapped device (encrypted stick, LVM, RAID) lives on whatever its slaves live on.
    bool mapped = false;
    for (const auto &slave : fs::directory_iterator(entry / "slaves", error)) {
        mapped = true;
        CollectDisks(sources, slave.path().filename().string(), depth + 1, disks, visited);
    }
    if (mapped)
        return;
    // A partition sits in its disk's folder in the real device tree.
    if (fs::exists(entry / "partition", error)) {
        CollectDisks(sources, Canonical(entry).parent_path().filename().string(), depth + 1, disks, visited);
        return;
    }
    if (std::find(disks.begin(), disks.end(), name) == disks.end())
        disks.push_back(name);
}

void CollectDisks(const TDriveSources &sources, const std::string &name, std::vector<std::string> &disks)
{
    std::set<std::string> visited;
    CollectDisks(sources, name, 0, disks, visited);
}

// A live system's boot stick and its persistence store: removable, but the running system's own.
bool IsLiveSystemMount(const std::string &mountPoint)
{
    return mountPoint == "/run/live/medium" || mountPoint.starts_with("/run/live/medium/") ||
           mountPoint.starts_with("/run/live/persistence/");
}

// The kernel name of the block device behind a "/dev/..." text, following links such as
// /dev/disk/by-uuid/... or /dev/mapper/...; "" when it is no device file.
std::string BlockDeviceName(const TDriveSources &sources, const std::string &device)
{
    constexpr std::string_view prefix = "/dev/";
    if (!device.starts_with(prefix))
        return {};
    const fs::path local = fs::path(sources.DevRoot) / device.substr(prefix.size());
    std::error_code error;
    if (fs::is_symlink(local, error)) {
        const fs::path resolved = fs::canonical(local, error);
        return error ? std::string() : resolved.filename().string();
    }
    return fs::exists(local, error) ? local.filename().string() : std::string();
}

// The block device of a mounted folder by its device number: for a root given as /dev/root,
// which has no node in /dev.
std::string BlockDeviceOfFolder(const TDriveSources &sources, const std::string &mountPoint)
{
    struct stat st = {};
    if (::stat((fs::path(sources.Root) / fs::path(mountPoint).relative_path()).c_str(), &st) != 0)
        return {};
    const fs::path link = fs::path(sources.SysRoot) / "dev" / "block" /
                          (std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev)));
    std::error_code error;
    const fs::path resolved = fs::canonical(link, error);
    return error ? std::string() : resolved.filename().string();
}

// udev writes blanks and other awkward bytes of a label as \xHH.
std::string DecodeUdevName(std::string_view name)
{
    std::string text;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' && std::isxdigit((unsigned char)name[i + 2]) &&
            std::isxdigit((unsigned char)name[i + 3])) {
            text += static_cast<char>(std::stoi(std::string(name.substr(i + 2, 2)), nullptr, 16));
            i += 3;
            continue;
        }
        text += name[i];
    }
    return text;
}

std::string LabelOf(const TDriveSources &sources, const std::string &name)
{
    std::error_code error;
    for (const auto &link : fs::directory_iterator(fs::path(sources.DevRoot) / "disk" / "by-label", error)) {
        std::error_code linkError;
        const fs::path target = fs::canonical(link.path(), linkError);
        if (!linkError && target.filename() == name)
            return DecodeUdevName(link.path().filename().string());
    }
    return {};
}

uint64_t SizeOf(const TDriveSources &sources, const std::string &name)
{
    const std::string text(TrimControl(ReadSmallFile(BlockEntry(sources, name) / "size")));
    const int64_t sectors = LeadingNumber64(text);
    // sysfs counts 512-byte sectors; a count past any real disk is as good as none.
    return sectors > 0 && sectors < (int64_t(1) << 50) ? static_cast<uint64_t>(sectors) * 512 : 0;
}

} // namespace

TDriveSources TDriveSources::UnderRoot(const std::string &root)
{
    const fs::path base(root.empty() ? "/" : root);
    return {(base / "proc/self/mounts").string(), (base / "proc/swaps").string(), (base / "sys").string(),
            (base / "dev").string(), base.string()};
}

std::vector<TMountEntry> ParseMountTable(std::string_view text)
{
    std::vector<TMountEntry> entries;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const std::vector<std::string_view> fields = SplitFields(line);
        if (fields.size() < 2)
            continue;
        entries.push_back({DecodeMountField(fields[0]), DecodeMountField(fields[1])});
    }
    return entries;
}

std::vector<std::string> DisksOf(const TDriveSources &sources, const std::string &name)
{
    std::vector<std::string> disks;
    CollectDisks(sources, name, disks);
    return disks;
}

bool IsRemovableDisk(const TDriveSources &sources, const std::string &disk)
{
    if (!IsPlainName(disk))
        return false;
    const fs::path entry = BlockEntry(sources, disk);
    // The same driver serves built-in eMMC and card slots; only the card's own type tells them apart.
    if (disk.starts_with("mmcblk"))
        return TrimControl(ReadSmallFile(entry / "device" / "type")) == "SD";
    return OnUsbBus(fs::path(sources.SysRoot), entry) || TrimControl(ReadSmallFile(entry / "removable")) == "1";
}

std::vector<std::string> SystemDisks(const TDriveSources &sources, const std::vector<TMountEntry> &mounts)
{
    static const std::string_view systemFolders[] = {"/",     "/boot", "/boot/efi", "/efi", "/boot/firmware",
                                                     "/home", "/usr",  "/var"};
    std::vector<std::string> disks;
    for (const TMountEntry &entry : mounts) {
        if (std::find(std::begin(systemFolders), std::end(systemFolders), entry.MountPoint) ==
                std::end(systemFolders) &&
            !IsLiveSystemMount(entry.MountPoint))
            continue;
        std::string name = BlockDeviceName(sources, entry.Device);
        std::error_code error;
        if (!IsPlainName(name) || !fs::exists(BlockEntry(sources, name), error))
            name = BlockDeviceOfFolder(sources, entry.MountPoint);
        CollectDisks(sources, name, disks);
    }
    if (const std::optional<std::string> swaps = ReadTable(sources.SwapsPath)) {
        // Same escapes as the mount table; the first line is a header, swap files are no device.
        for (const TMountEntry &entry : ParseMountTable(*swaps))
            CollectDisks(sources, BlockDeviceName(sources, entry.Device), disks);
    }
    return disks;
}

std::optional<std::vector<TDrive>> RemovableDrives(const TDriveSources &sources)
{
    const std::optional<std::string> table = ReadTable(sources.MountsPath);
    if (!table)
        return std::nullopt;
    const std::vector<TMountEntry> mounts = ParseMountTable(*table);
    const std::vector<std::string> system = SystemDisks(sources, mounts);
    std::vector<TDrive> drives;
    for (const TMountEntry &entry : mounts) {
        if (entry.MountPoint.empty() || IsLiveSystemMount(entry.MountPoint))
            continue;
        const std::string name = BlockDeviceName(sources, entry.Device);
        const std::vector<std::string> disks = DisksOf(sources, name);
        const bool offered = !disks.empty() && std::all_of(disks.begin(), disks.end(), [&](const std::string &disk) {
            return IsRemovableDisk(sources, disk) && std::find(system.begin(), system.end(), disk) == system.end();
        });
        if (offered)
            drives.push_back({entry.MountPoint, LabelOf(sources, name), SizeOf(sources, name), "/dev/" + name});
    }
    return drives;
}

std::string SizeText(uint64_t bytes)
{
    static const char *const units[] = {"КБ", "МБ", "ГБ", "ТБ"};
    size_t unit = 0;
    uint64_t scale = 1024;
    while (unit + 1 < std::size(units) && bytes >= scale * 1024) {
        scale *= 1024;
        ++unit;
    }
    // Tenths, rounded, without floating point or the locale's separator.
    const uint64_t tenths = bytes / scale * 10 + ((bytes % scale) * 10 + scale / 2) / scale;
    return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10) + " " + units[unit];
}

std::string DriveChoiceText(const TDrive &drive)
{
    std::string details = drive.Label;
    if (drive.Size > 0)
        details += (details.empty() ? "" : ", ") + SizeText(drive.Size);
    return details.empty() ? drive.MountPoint : drive.MountPoint + " (" + details + ")";
}
