#include "device/trackcopy.h"

#include "device/sdcard.h"
#include "device/trackcopycard.h"
#include "model/cause.h"
#include "model/lib.h"
#include "storage/fileio.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/mman.h>
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

// An old track removed to make room is kept in memory until its replacement is on the card;
// a larger one is not removed at all.
constexpr uint64_t MaxKeptOld = uint64_t(256) << 20;

std::optional<uint64_t> FileSystemFreeSpace(const std::string &folder)
{
    struct statvfs st = {};
    // Some FUSE and network mounts report no blocks at all: their free space is unknown, not zero.
    if (::statvfs(folder.c_str(), &st) != 0 || st.f_blocks == 0)
        return std::nullopt;
    return uint64_t(st.f_bavail) * st.f_frsize;
}

std::string Megabytes(uint64_t bytes)
{
    const uint64_t tenths = (bytes * 10 + (uint64_t(1) << 19)) >> 20;
    return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10);
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
        return CopiedLine(result.Source, result.Target) + (result.Remade.empty() ? "" : ", " + result.Remade);
    case TCopyResult::Missing:
        return "Файл '" + result.Source + "' отсутствует";
    case TCopyResult::Failed:
        break;
    }
    std::string cause = result.Note.empty() ? CauseText(result.Cause) : result.Note;
    if (result.SourceUnreadable)
        cause = "исходный файл не читается: " + cause;
    if (result.OldRestored)
        cause += "; старая запись трека оставлена на карте";
    return NotCopiedLine(result.Source, result.Target, cause);
}

// Copies into safe writes, reads each back and renames the good ones in groups. Log lines come
// out in playlist order, each once its fate is known: "скопирован" only when the data, read back
// from the card, equals its source and the new name is on the disk.
class TCardWriter
{
public:
    TCardWriter(TLogSink &log, TCopyReport &report, const TCopyOptions &options, const TCardFolder &card,
                const TCardSources &sources)
        : Log(log), Report(report), FreeSpace(options.FreeSpace ? options.FreeSpace : FileSystemFreeSpace),
          Verify(options.Verify), Remake(options.Remake), Card(card), Sources(sources)
    {}
    ~TCardWriter() { Abandon(); }

    size_t PendingFiles() const { return Entries.size(); }
    uint64_t PendingBytes() const { return Bytes; }
    bool CardGone() const { return Gone; }

    void AddMissing(const std::string &source)
    {
        Add(source, {}).Outcome = TCopyResult::Missing;
        Entries.emplace_back().Index = Report.Files.size() - 1;
    }

    void Copy(const std::string &source, int32_t track, const std::string &target, const TBytesFn &progress)
    {
        TCopyResult &result = Add(source, target);
        TEntry entry;
        entry.Index = Report.Files.size() - 1;
        const auto fail = [&](int cause, bool sourceSide = false) {
            result.Cause = cause;
            result.SourceUnreadable = sourceSide;
            if (entry.Write)
                entry.Write->Discard(); // its room first: the old track may have to come back
            Restore(entry);
            Entries.push_back(std::move(entry));
        };
        if (Card.Error != 0)
            return fail(Card.Error);
        if (!OpenSource(entry, source))
            return fail(entry.SourceFd, true);
        struct stat st = {};
        if (::fstat(entry.SourceFd, &st) != 0)
            return fail(errno, true);
        if (!S_ISREG(st.st_mode))
            return fail(CauseNotRegularFile, true);
        ::posix_fadvise(entry.SourceFd, 0, 0, POSIX_FADV_SEQUENTIAL);
        if (Remake && !RemakeSource(entry, result, source, track, st))
            return fail(errno, true);
        const auto size = uint64_t(st.st_size);

        entry.Write = std::make_unique<TSafeWrite>();
        TSafeWrite &write = *entry.Write;
        if (!write.Open(Card.Path(target.substr(target.find_last_of('/') + 1))))
            return fail(write.Error());
        if (!HasRoom(size)) {
            Commit(); // the renames of the pending copies free the files they replace
            if (Gone)
                return fail(ENODEV);
            if (!HasRoom(size) && !MakeRoom(write, entry, size))
                return Entries.push_back(std::move(entry));
        }
        if (progress)
            progress(0);
        // Free space is only an estimate: a full card shows itself for sure when a write fails.
        while (!write.CopyFrom(entry.SourceFd, progress)) {
            const int error = write.Error();
            const bool full = error == ENOSPC || error == EDQUOT;
            if (!full || !write.Rewind() || ::lseek(entry.SourceFd, 0, SEEK_SET) != 0)
                return fail(error);
            if (PendingFiles() > 0) {
                Commit();
                if (Gone)
                    return fail(ENODEV);
            } else if (result.OldRemovedFirst || !MakeRoom(write, entry, size)) {
                if (result.Note.empty() && result.Cause == 0)
                    return fail(error);
                return Entries.push_back(std::move(entry));
            }
        }
        // Let the device start on this file while the next one is read.
        write.StartFlush();
        Bytes += size;
        Entries.push_back(std::move(entry));
    }

    void Commit()
    {
        std::vector<TSafeWrite *> writes;
        for (const TEntry &entry : Entries)
            if (entry.Write && entry.Write->IsOpen())
                writes.push_back(entry.Write.get());
        TSafeWrite::CommitAll(writes, [&](const TSafeWrite &write) { return Check(write); });
        for (TEntry &entry : Entries) {
            TCopyResult &result = Report.Files[entry.Index];
            if (entry.Write && result.Cause == 0 && result.Note.empty()) {
                result.Cause = entry.Write->Error();
                if (Gone && result.Cause != 0)
                    result.Note = CardRemovedCause;
                else if (result.Cause != 0)
                    Restore(entry);
                result.Outcome = result.Cause == 0 ? TCopyResult::Copied : TCopyResult::Failed;
            }
            Log.AddLog(ResultLine(result));
        }
        Release();
    }

    /// The card is gone: what is pending is not renamed, and nothing is written to put it right.
    void Abandon()
    {
        Gone = true;
        for (TEntry &entry : Entries) {
            TCopyResult &result = Report.Files[entry.Index];
            if (entry.Write && result.Cause == 0 && result.Note.empty())
                result.Note = CardRemovedCause;
            Log.AddLog(ResultLine(result));
        }
        Release();
    }

private:
    struct TEntry
    {
        size_t Index = 0;                  // in Report.Files
        std::unique_ptr<TSafeWrite> Write; // nothing when there is no copy to commit
        int SourceFd = -1;
        bool OwnsSource = false;
        std::optional<std::string> Old; // the old track, removed to make room
    };

    TCopyResult &Add(const std::string &source, const std::string &target)
    {
        TCopyResult &result = Report.Files.emplace_back();
        result.Source = source;
        result.Target = target;
        return result;
    }

    // Puts the remade track in place of the source: a file in memory that the copy reads and
    // compares like any source. False with errno set when that file can not be made.
    bool RemakeSource(TEntry &entry, TCopyResult &result, const std::string &source, int32_t track, struct stat &st)
    {
        TTrackRemake remade;
        try {
            remade = Remake(source, track, entry.SourceFd);
        } catch (const std::exception &error) {
            remade.Note = error.what();
        }
        result.Remade = remade.Note;
        if (!remade.Remade)
            return ::lseek(entry.SourceFd, 0, SEEK_SET) == 0;
        const int fd = remade.Fd >= 0 ? remade.Fd : ::memfd_create("sigcfg-track", MFD_CLOEXEC);
        if (fd < 0)
            return false;
        size_t done = 0;
        while (done < remade.Bytes.size()) {
            const ssize_t n = ::write(fd, remade.Bytes.data() + done, remade.Bytes.size() - done);
            if (n < 0 && errno != EINTR)
                break;
            done += n > 0 ? size_t(n) : 0;
        }
        if (done < remade.Bytes.size() || ::lseek(fd, 0, SEEK_SET) != 0 || ::fstat(fd, &st) != 0) {
            const int error = errno;
            ::close(fd);
            errno = error;
            return false;
        }
        if (entry.OwnsSource)
            ::close(entry.SourceFd);
        entry.SourceFd = fd;
        entry.OwnsSource = true;
        return true;
    }

    // The held descriptor of a source on the card, or a new one; false with -errno in SourceFd.
    bool OpenSource(TEntry &entry, const std::string &source)
    {
        if (const std::optional<int> held = Sources.Find(source)) {
            entry.SourceFd = *held >= 0 ? *held : -*held;
            return *held >= 0 && ::lseek(*held, 0, SEEK_SET) == 0;
        }
        entry.SourceFd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (entry.SourceFd < 0) {
            entry.SourceFd = errno;
            return false;
        }
        entry.OwnsSource = true;
        return true;
    }

    void Release()
    {
        for (TEntry &entry : Entries)
            if (entry.OwnsSource)
                ::close(entry.SourceFd);
        Entries.clear();
        Bytes = 0;
    }

    // Before each rename: the card is still there, and the copy reads back as its source.
    int Check(const TSafeWrite &write)
    {
        if (Gone || !Card.Present()) {
            Gone = true;
            return ENODEV;
        }
        if (!Verify.Enabled)
            return 0;
        const auto entry =
            std::find_if(Entries.begin(), Entries.end(), [&](const TEntry &e) { return e.Write.get() == &write; });
        const int cause = CompareWithCard(entry->SourceFd, write.Temporary(), Verify.Read);
        if (cause != 0 && !Card.Present()) {
            Gone = true; // a read-back that failed because the card went
            return ENODEV;
        }
        return cause;
    }

    bool HasRoom(uint64_t size) const
    {
        const std::optional<uint64_t> free = FreeSpace(Card.Folder);
        return !free || *free >= size + RoomSlack;
    }

    // Removes the old track ahead of its copy when that makes room for it; false, with the reason
    // in the result, when it would not (or the card's size is unknown) and the old track stays.
    bool MakeRoom(TSafeWrite &write, TEntry &entry, uint64_t size)
    {
        TCopyResult &result = Report.Files[entry.Index];
        const std::optional<uint64_t> free = FreeSpace(Card.Folder);
        if (!free)
            return false;
        struct stat old = {};
        const bool oldFrees = write.ReplacesFile() && ::stat(write.Target().c_str(), &old) == 0 &&
                              !Sources.Holds(old) && uint64_t(old.st_size) <= MaxKeptOld;
        const uint64_t room = *free + (oldFrees ? uint64_t(old.st_size) : 0);
        if (room < size + RoomSlack) {
            result.Note = "не помещается на карту (нужно " + Megabytes(size + RoomSlack) + " МБ, свободно " +
                          Megabytes(room) + " МБ)";
            write.Discard();
            return false;
        }
        try {
            entry.Old = ReadWholeFile(write.Target(), MaxKeptOld);
        } catch (const std::exception &) {
            result.Note = "старая запись трека не читается, а без её удаления копия не помещается";
            write.Discard();
            return false;
        }
        if (!write.RemoveOld()) {
            result.Cause = write.Error();
            write.Discard();
            return false;
        }
        result.OldRemovedFirst = true;
        Log.AddLog("Файл '" + result.Target +
                   "' удалён перед копированием: на карте нет места для новой копии рядом "
                   "со старой");
        return true;
    }

    // The copy failed after its old track was removed: the old one goes back, checked like a copy.
    void Restore(TEntry &entry)
    {
        if (!entry.Old || Gone || !Card.Present())
            return;
        TSafeWrite back;
        const std::string path = entry.Write ? entry.Write->Target() : std::string();
        if (!path.empty() && back.Open(path) && back.Write(*entry.Old) && back.Commit())
            Report.Files[entry.Index].OldRestored = true;
        entry.Old.reset();
    }

    TLogSink &Log;
    TCopyReport &Report;
    TFreeSpaceFn FreeSpace;
    const TCopyVerify &Verify;
    const TTrackRemakeFn &Remake;
    const TCardFolder &Card;
    const TCardSources &Sources;
    std::vector<TEntry> Entries;
    uint64_t Bytes = 0;
    bool Gone = false;
};

} // namespace

bool TCopyReport::AllCopied() const
{
    for (const TCopyResult &file : Files)
        if (file.Outcome != TCopyResult::Copied)
            return false;
    return !Stopped && !CardRemoved;
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
    TCardFolder card(FolderOf(target + "x"));
    report.TemporariesRemoved = RemoveStaleTemporaries(target);
    if (report.TemporariesRemoved > 0)
        log.AddLog("Удалены временные файлы прерванного копирования: " + std::to_string(report.TemporariesRemoved));

    size_t count = 0;
    for (const std::string &line : playList)
        if (!TextAfter(line, ";").empty())
            ++count;

    const TCardSources sources(playList, target, card);
    TCardWriter writer(log, report, options, card, sources);
    const auto removed = [&] {
        writer.Abandon();
        log.AddLog(CardRemovedLine);
        report.CardRemoved = true;
        return report;
    };
    size_t index = 0;
    for (const std::string &line : playList) {
        const std::string source(TextAfter(line, ";"));
        if (source.empty())
            continue;
        if (options.Stop && options.Stop->load()) {
            writer.Commit(); // what was copied before the stop still goes onto the card
            if (writer.CardGone())
                return removed();
            log.AddLog(CopyStoppedLine);
            report.Stopped = true;
            return report;
        }
        if (card.Error == 0 && !card.Present())
            return removed();
        ++index;
        if (!FileExists(source)) {
            writer.AddMissing(source);
            continue;
        }
        const std::string cardFile = CardFilePath(target, LeadingNumber(line));
        TCopyProgress state{index, count, source, cardFile, 0, 0};
        TBytesFn bytes;
        if (options.Progress) {
            struct stat st = {};
            state.BytesTotal = ::stat(source.c_str(), &st) == 0 ? uint64_t(st.st_size) : 0;
            bytes = [&](uint64_t done) {
                state.BytesDone = done;
                options.Progress(state);
            };
        }
        writer.Copy(source, LeadingNumber(line), cardFile, bytes);
        if (writer.PendingFiles() >= BatchFiles || writer.PendingBytes() >= BatchBytes)
            writer.Commit();
        if (writer.CardGone())
            return removed();
    }
    writer.Commit();
    if (writer.CardGone())
        return removed();
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
    return CopyTracks(playList, target, log, TCopyOptions{progress, stop, {}, {}, {}}).AllCopied();
}
