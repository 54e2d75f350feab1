#include "device/drives.h"

#include "model/lib.h"
#include "storage/fileio.h"

#include <filesystem>

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

fs::path Canonical(const fs::path &path)
{
    std::error_code error;
    fs::path resolved = fs::canonical(path, error);
    return error ? path : resolved;
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

bool IsRemovable(const TDriveSources &sources, const std::string &name, int depth)
{
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..")
        return false;
    const fs::path sysRoot(sources.SysRoot);
    const fs::path entry = sysRoot / "class" / "block" / name;
    std::error_code error;
    if (!fs::exists(entry, error))
        return false;
    if (name.starts_with("mmcblk"))
        return true;
    if (OnUsbBus(sysRoot, entry))
        return true;
    std::string disk = name;
    if (fs::exists(entry / "partition", error)) {
        const fs::path parent = Canonical(entry).parent_path().filename();
        if (!parent.empty())
            disk = parent.string();
    }
    if (disk.starts_with("mmcblk"))
        return true;
    const fs::path diskEntry = sysRoot / "block" / disk;
    if (TrimControl(ReadSmallFile(diskEntry / "removable")) == "1")
        return true;
    if (fs::exists(diskEntry / "device", error) && OnUsbBus(sysRoot, diskEntry / "device"))
        return true;
    // A mapped device (encrypted stick, LVM) is removable when what it sits on is.
    if (depth < 4) {
        for (const auto &slave : fs::directory_iterator(entry / "slaves", error))
            if (IsRemovable(sources, slave.path().filename().string(), depth + 1))
                return true;
    }
    return false;
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
    return local.filename().string();
}

} // namespace

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

bool IsRemovableBlockDevice(const TDriveSources &sources, const std::string &name)
{
    return IsRemovable(sources, name, 0);
}

std::optional<std::vector<std::string>> RemovableDriveRoots(const TDriveSources &sources)
{
    std::string table;
    try {
        std::optional<std::string> bytes = ReadFileIfExists(sources.MountsPath);
        if (!bytes)
            return std::nullopt;
        table = std::move(*bytes);
    } catch (const std::exception &) {
        return std::nullopt;
    }
    std::vector<std::string> roots;
    for (const TMountEntry &entry : ParseMountTable(table)) {
        if (entry.MountPoint.empty())
            continue;
        if (!IsRemovableBlockDevice(sources, BlockDeviceName(sources, entry.Device)))
            continue;
        roots.push_back(entry.MountPoint.back() == '/' ? entry.MountPoint : entry.MountPoint + "/");
    }
    return roots;
}
