#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// The card copy's plan, made before anything is written: for each playlist file, its source,
// the card file it replaces and whether the new copy fits beside the old one.

/// Bytes free for a new file in a folder, or nothing when unknown (a file system that reports no
/// size at all, as some FUSE and network mounts do).
using TFreeSpaceFn = std::function<std::optional<uint64_t>(const std::string &folder)>;

/// The file system's own figure: unknown when it reports no blocks at all (never "0 free").
std::optional<uint64_t> FileSystemFreeSpace(const std::string &folder);
/// The same from the figures statvfs gives: blocks in all, blocks free for us, their size.
std::optional<uint64_t> FreeSpaceOf(uint64_t blocks, uint64_t available, uint64_t blockSize);

/// Room a copy needs beyond its size: the last cluster and a longer folder on a FAT card.
inline constexpr uint64_t RoomSlack = uint64_t(64) << 10;

/// Megabytes with one decimal and a comma: "48,2".
std::string Megabytes(uint64_t bytes);

/// Which file a name stood for when the plan was made.
struct TFileId
{
    dev_t Device = 0;
    ino_t Inode = 0;
    uint64_t Size = 0;
    timespec Modified{};
    bool operator==(const TFileId &other) const;
};

/// The identity of the file at path (links followed), nothing when there is none.
std::optional<TFileId> FileIdAt(const std::string &path);

/// The card folder's entry for name ignoring Latin letter case (a FAT card stores 001.MP3 for
/// what another program called 001.mp3): name itself when it is there, else the first other
/// spelling in the folder's listing, "" when there is none.
std::string CardSpelling(const std::string &folder, const std::string &name);

/// One playlist line that names a file.
struct TPlanItem
{
    enum TRoom {
        Beside,   // the new copy fits on the card beside the old track
        AfterOld, // only once the old track is removed
        NoRoom,   // not even then
        Unknown,  // the card reports no size
    };
    size_t Line = 0; // in the playlist
    int32_t Track = 0;
    std::string Source;
    std::string Target;  // the card file as the copy names it
    std::string OldName; // the card file it replaces as the card spells it, "" when none
    std::optional<TFileId> Old;
    bool SourceMissing = false;
    uint64_t Size = 0;    // of the source
    uint64_t OldSize = 0; // what removing the old track frees (0 when it is a source of this run)
    TRoom Room = Unknown;
};

/// The whole plan with its space.
struct TCardPlan
{
    std::vector<TPlanItem> Items;
    uint64_t Need = 0; // every new copy with its slack
    std::optional<uint64_t> Free;
    uint64_t OldBytes = 0; // what removing every replaced old track frees

    /// Some copy fits only once its old track goes.
    bool NeedsRoom() const;
    /// Some copy does not fit beside its old track (it needs room, or has none at all).
    bool Tight() const;
    /// "нужно 48,2 МБ, на карте свободно 31,0 МБ, после удаления старых записей — 52,4 МБ".
    std::string SpaceLine() const;
};

/// The plan for copying the playlist's files to target + TrackFileName + ".mp3". sourceOnCard
/// tells which sources are the card's own files (removing one of those frees no room).
TCardPlan PlanCardCopy(const std::vector<std::string> &playList, const std::string &target,
                       const TFreeSpaceFn &freeSpace = {},
                       const std::function<bool(const std::string &path)> &sourceOnCard = {});
