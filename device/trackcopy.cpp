#include "device/trackcopy.h"

#include "device/sdcard.h"
#include "model/cause.h"
#include "model/lib.h"
#include "storage/fileio.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

// A commit after this much: an interruption loses at most this much finished work, and a
// group this size still keeps the copy as fast as cp followed by one sync (bench/trackcopy_peer.sh).
constexpr size_t BatchFiles = 8;
constexpr uint64_t BatchBytes = uint64_t(8) << 20;

// Room a copy needs beyond its size: the last cluster and a longer folder on a FAT card.
constexpr uint64_t RoomSlack = uint64_t(64) << 10;

std::optional<uint64_t> FileSystemFreeSpace(const std::string &folder)
{
    struct statvfs st = {};
    if (::statvfs(folder.c_str(), &st) != 0)
        return std::nullopt;
    return uint64_t(st.f_bavail) * st.f_frsize;
}

// A track's file name as TrackFileName makes it: "007", "042", "123", "00-5".
bool IsTrackStem(std::string_view stem)
{
    const bool negative = stem.substr(0, 3) == "00-";
    if (negative)
        stem.remove_prefix(3);
    if (stem.empty() || (!negative && stem.size() < 3))
        return false;
    return stem.find_first_not_of("0123456789") == std::string_view::npos;
}

// prefix + track + ".mp3." + the safe write's six letters or digits.
bool IsOwnTemporary(std::string_view name, std::string_view prefix)
{
    constexpr std::string_view Extension = ".mp3.";
    if (name.substr(0, prefix.size()) != prefix || name.size() < prefix.size() + Extension.size() + 6)
        return false;
    name.remove_prefix(prefix.size());
    const std::string_view suffix = name.substr(name.size() - 6);
    name.remove_suffix(6);
    if (name.substr(name.size() - Extension.size()) != Extension)
        return false;
    name.remove_suffix(Extension.size());
    return IsTrackStem(name) && suffix.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                         "0123456789") == std::string_view::npos;
}

std::string ResultLine(const TCopyResult &result)
{
    switch (result.Outcome) {
    case TCopyResult::Copied:
        return CopiedLine(result.Source, result.Target);
    case TCopyResult::Missing:
        return "Файл '" + result.Source + "' отсутствует";
    case TCopyResult::Failed:
        break;
    }
    const std::string cause = CauseText(result.Cause);
    return NotCopiedLine(result.Source, result.Target,
                         result.SourceUnreadable ? "исходный файл не читается: " + cause : cause);
}

// Copies into safe writes and commits them in groups. Log lines come out in playlist order,
// each once its fate is known: "скопирован" only when the data and the new name are on the disk.
class TCardWriter
{
public:
    TCardWriter(TLogSink &log, TCopyReport &report, const TFreeSpaceFn &freeSpace, const TCopyVerify &verify)
        : Log(log), Report(report), FreeSpace(freeSpace ? freeSpace : FileSystemFreeSpace), Verify(verify)
    {}

    size_t PendingFiles() const { return Entries.size(); }
    uint64_t PendingBytes() const { return Bytes; }

    void AddMissing(const std::string &source)
    {
        Report.Files.push_back({source, {}, TCopyResult::Missing});
        Entries.push_back({Report.Files.size() - 1, nullptr});
    }

    void Copy(const std::string &source, const std::string &target, const TBytesFn &progress)
    {
        Report.Files.push_back({source, target, TCopyResult::Failed});
        const size_t index = Report.Files.size() - 1;
        const auto fail = [&](int cause, bool sourceSide = false) {
            Report.Files[index].Cause = cause;
            Report.Files[index].SourceUnreadable = sourceSide;
            Entries.push_back({index, nullptr});
        };
        const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (in < 0)
            return fail(errno, true);
        const std::unique_ptr<const int, void (*)(const int *)> closer(&in, [](const int *f) { ::close(*f); });
        struct stat st = {};
        if (::fstat(in, &st) != 0)
            return fail(errno, true);
        if (!S_ISREG(st.st_mode))
            return fail(CauseNotRegularFile, true);
        ::posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);
        const auto size = uint64_t(st.st_size);

        auto write = std::make_unique<TSafeWrite>();
        if (!write->Open(target))
            return fail(write->Error());
        if (!HasRoom(*write, size)) {
            Commit(); // the renames of the pending copies free the files they replace
            if (!HasRoom(*write, size) && write->ReplacesFile() && !RemoveOldFirst(*write, index))
                return fail(write->Error());
        }
        if (progress)
            progress(0);
        // Free space is only an estimate: a full card shows itself for sure when a write fails.
        while (!write->CopyFrom(in, progress)) {
            const int error = write->Error();
            const bool full = error == ENOSPC || error == EDQUOT;
            if (!full || (PendingFiles() == 0 && !write->ReplacesFile()) || !write->Rewind() ||
                ::lseek(in, 0, SEEK_SET) != 0)
                return fail(error);
            if (PendingFiles() > 0)
                Commit();
            else if (!RemoveOldFirst(*write, index))
                return fail(write->Error());
        }
        // Let the device start on this file while the next one is read.
        write->StartFlush();
        Bytes += size;
        Entries.push_back({index, std::move(write)});
    }

    void Commit()
    {
        std::vector<TSafeWrite *> writes;
        for (const TEntry &entry : Entries)
            if (entry.Write)
                writes.push_back(entry.Write.get());
        TSafeWrite::CommitAll(writes);
        for (const TEntry &entry : Entries) {
            TCopyResult &result = Report.Files[entry.Index];
            if (entry.Write) {
                result.Cause = entry.Write->Error();
                if (result.Cause == 0 && !ReadsBack(entry))
                    result.Cause = CauseDiffersAfterWrite;
                result.Outcome = result.Cause == 0 ? TCopyResult::Copied : TCopyResult::Failed;
            }
            Log.AddLog(ResultLine(result));
        }
        Entries.clear();
        Bytes = 0;
    }

private:
    struct TEntry
    {
        size_t Index;                      // in Report.Files
        std::unique_ptr<TSafeWrite> Write; // nothing when there is no copy to commit
    };

    bool HasRoom(const TSafeWrite &write, uint64_t size) const
    {
        const std::optional<uint64_t> free = FreeSpace(FolderOf(write.Target()));
        return !free || *free >= size + RoomSlack;
    }

    // Only called with nothing pending, so the line keeps its place in playlist order.
    bool RemoveOldFirst(TSafeWrite &write, size_t index)
    {
        if (!write.RemoveOld())
            return false;
        Report.Files[index].OldRemovedFirst = true;
        Log.AddLog("Файл '" + write.Target() +
                   "' удалён перед копированием: на карте нет места для новой копии рядом "
                   "со старой");
        return true;
    }

    // The copy as the card gives it back, past the page cache, equals its source. A later copy
    // of the group to the same name replaced this one and is read back in its turn.
    bool ReadsBack(const TEntry &entry) const
    {
        const TCopyResult &result = Report.Files[entry.Index];
        const bool replaced = std::any_of(&entry + 1, Entries.data() + Entries.size(), [&](const TEntry &later) {
            return later.Write && later.Write->Error() == 0 && Report.Files[later.Index].Target == result.Target;
        });
        return !Verify.Enabled || replaced || CardCopyMatches(result.Source, result.Target, Verify.Read);
    }

    TLogSink &Log;
    TCopyReport &Report;
    TFreeSpaceFn FreeSpace;
    const TCopyVerify &Verify;
    std::vector<TEntry> Entries;
    uint64_t Bytes = 0;
};

} // namespace

bool TCopyReport::AllCopied() const
{
    for (const TCopyResult &file : Files)
        if (file.Outcome != TCopyResult::Copied)
            return false;
    return !Stopped;
}

size_t RemoveStaleTemporaries(const std::string &target)
{
    const size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    const std::string prefix = slash == std::string::npos ? target : target.substr(slash + 1);
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return 0;
    size_t removed = 0;
    while (const dirent *entry = ::readdir(dir)) {
        if (!IsOwnTemporary(entry->d_name, prefix))
            continue;
        const std::string path = folder + "/" + entry->d_name;
        struct stat st = {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(path.c_str()) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

TCopyReport CopyTracks(const std::vector<std::string> &playList, const std::string &target, TLogSink &log,
                       const TCopyOptions &options)
{
    TCopyReport report;
    report.TemporariesRemoved = RemoveStaleTemporaries(target);
    if (report.TemporariesRemoved > 0)
        log.AddLog("Удалены временные файлы прерванного копирования: " + std::to_string(report.TemporariesRemoved));

    size_t count = 0;
    for (const std::string &line : playList)
        if (!TextAfter(line, ";").empty())
            ++count;

    TCardWriter writer(log, report, options.FreeSpace, options.Verify);
    size_t index = 0;
    for (const std::string &line : playList) {
        const std::string source(TextAfter(line, ";"));
        if (source.empty())
            continue;
        if (options.Stop && options.Stop->load()) {
            writer.Commit(); // what was copied before the stop still goes onto the card
            log.AddLog(CopyStoppedLine);
            report.Stopped = true;
            return report;
        }
        ++index;
        if (!FileExists(source)) {
            writer.AddMissing(source);
            continue;
        }
        const std::string card = CardFilePath(target, LeadingNumber(line));
        TCopyProgress state{index, count, source, card, 0, 0};
        TBytesFn bytes;
        if (options.Progress) {
            struct stat st = {};
            state.BytesTotal = ::stat(source.c_str(), &st) == 0 ? uint64_t(st.st_size) : 0;
            bytes = [&](uint64_t done) {
                state.BytesDone = done;
                options.Progress(state);
            };
        }
        writer.Copy(source, card, bytes);
        if (writer.PendingFiles() >= BatchFiles || writer.PendingBytes() >= BatchBytes)
            writer.Commit();
    }
    writer.Commit();
    return report;
}

std::string CopiedLine(const std::string &source, const std::string &target)
{
    return "Файл '" + source + "' скопирован в '" + target + "'";
}

std::string NotCopiedLine(const std::string &source, const std::string &target, const std::string &cause)
{
    return "Файл '" + source + "' не скопирован в '" + target + "'" + (cause.empty() ? "" : ": " + cause);
}

bool CopyTracks(const std::vector<std::string> &playList, const std::string &target, TLogSink &log,
                const TCopyProgressFn &progress, const std::atomic<bool> *stop)
{
    return CopyTracks(playList, target, log, TCopyOptions{progress, stop, {}, {}}).AllCopied();
}
