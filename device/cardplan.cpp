#include "device/cardplan.h"

#include "device/sdcard.h"
#include "model/lib.h"
#include "storage/fileio.h"

#include <algorithm>
#include <dirent.h>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace {

std::string LowerLatin(std::string text)
{
    for (char &c : text)
        if (c >= 'A' && c <= 'Z')
            c = char(c + 32);
    return text;
}

} // namespace

std::optional<uint64_t> FileSystemFreeSpace(const std::string &folder)
{
    struct statvfs st = {};
    if (::statvfs(folder.c_str(), &st) != 0)
        return std::nullopt;
    return FreeSpaceOf(st.f_blocks, st.f_bavail, st.f_frsize);
}

std::optional<uint64_t> FreeSpaceOf(uint64_t blocks, uint64_t available, uint64_t blockSize)
{
    // Some FUSE and network mounts report no blocks at all: their free space is unknown, not zero.
    if (blocks == 0 || blockSize == 0)
        return std::nullopt;
    return available * blockSize;
}

std::string Megabytes(uint64_t bytes)
{
    const uint64_t tenths = (bytes * 10 + (uint64_t(1) << 19)) >> 20;
    return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10);
}

bool TFileId::operator==(const TFileId &other) const
{
    return Device == other.Device && Inode == other.Inode && Size == other.Size &&
           Modified.tv_sec == other.Modified.tv_sec && Modified.tv_nsec == other.Modified.tv_nsec;
}

std::optional<TFileId> FileIdAt(const std::string &path)
{
    struct stat st = {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return TFileId{st.st_dev, st.st_ino, uint64_t(st.st_size), st.st_mtim};
}

std::string CardSpelling(const std::string &folder, const std::string &name)
{
    struct stat st = {};
    if (::lstat((folder + "/" + name).c_str(), &st) == 0)
        return name;
    std::unique_ptr<DIR, int (*)(DIR *)> dir(::opendir(folder.c_str()), &::closedir);
    if (!dir)
        return {};
    const std::string wanted = LowerLatin(name);
    while (const dirent *entry = ::readdir(dir.get()))
        if (LowerLatin(entry->d_name) == wanted)
            return entry->d_name;
    return {};
}

bool TCardPlan::NeedsRoom() const
{
    for (const TPlanItem &item : Items)
        if (item.Room == TPlanItem::AfterOld)
            return true;
    return false;
}

bool TCardPlan::Tight() const
{
    for (const TPlanItem &item : Items)
        if (item.Room == TPlanItem::AfterOld || item.Room == TPlanItem::NoRoom)
            return true;
    return false;
}

std::string TCardPlan::SpaceLine() const
{
    std::string line = "нужно " + Megabytes(Need) + " МБ, ";
    if (!Free)
        return line + "свободное место на карте неизвестно";
    line += "на карте свободно " + Megabytes(*Free) + " МБ";
    if (OldBytes > 0)
        line += ", после удаления старых записей — " + Megabytes(*Free + OldBytes) + " МБ";
    return line;
}

TCardPlan PlanCardCopy(const std::vector<std::string> &playList, const std::string &target,
                       const TFreeSpaceFn &freeSpace, const std::function<bool(const std::string &)> &sourceOnCard)
{
    TCardPlan plan;
    const std::string folder = FolderOf(target + "x");
    plan.Free = (freeSpace ? freeSpace : FileSystemFreeSpace)(folder);
    std::optional<uint64_t> free = plan.Free;
    std::map<std::string, std::string> listing; // lower case -> the card's spelling
    if (std::unique_ptr<DIR, int (*)(DIR *)> dir(::opendir(folder.c_str()), &::closedir); dir)
        while (const dirent *entry = ::readdir(dir.get()))
            listing.emplace(LowerLatin(entry->d_name), entry->d_name);
    for (size_t line = 0; line < playList.size(); ++line) {
        const std::string source(TextAfter(playList[line], ";"));
        if (source.empty())
            continue;
        TPlanItem &item = plan.Items.emplace_back();
        item.Line = line;
        item.Track = LeadingNumber(playList[line]);
        item.Source = source;
        item.Target = CardFilePath(target, item.Track);
        const std::string name = item.Target.substr(item.Target.find_last_of('/') + 1);
        // One listing for the whole plan: a card folder on FUSE lists slowly.
        if (struct stat st = {}; ::lstat((folder + "/" + name).c_str(), &st) == 0)
            item.OldName = name;
        else if (const auto found = listing.find(LowerLatin(name)); found != listing.end())
            item.OldName = found->second;
        if (!item.OldName.empty())
            item.Old = FileIdAt(folder + "/" + item.OldName);
        const std::optional<TFileId> from = FileExists(source) ? FileIdAt(source) : std::nullopt;
        item.SourceMissing = !from;
        if (item.SourceMissing)
            continue;
        item.Size = from->Size;
        const bool oldIsSource = item.Old && sourceOnCard && sourceOnCard(folder + "/" + item.OldName);
        item.OldSize = item.Old && !oldIsSource ? item.Old->Size : 0;
        // A track named twice is replaced once: the later line finds the earlier line's copy.
        const bool repeated = std::any_of(plan.Items.begin(), plan.Items.end() - 1,
                                          [&](const TPlanItem &other) { return other.Target == item.Target; });
        if (!repeated)
            plan.OldBytes += item.OldSize;
        const uint64_t need = item.Size + RoomSlack;
        plan.Need += need;
        // Each rename frees the old track before the next copy needs the room; the slack is a
        // margin for the check, not space the copy keeps.
        if (!free)
            item.Room = TPlanItem::Unknown;
        else if (*free >= need)
            item.Room = TPlanItem::Beside;
        else if (*free + item.OldSize >= need)
            item.Room = TPlanItem::AfterOld;
        else
            item.Room = TPlanItem::NoRoom;
        if (free && item.Room != TPlanItem::NoRoom)
            *free = *free + item.OldSize - std::min(item.Size, *free + item.OldSize);
    }
    return plan;
}
