#include "device/trackcopy.h"

#include "device/cardjournal.h"
#include "device/cardlock.h"
#include "device/cardreport.h"
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

std::string ResultLine(const TCopyResult &result, const std::string &journalFolder)
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
    // Said only of a put-back that was read back from the card equal to the saved old track.
    if (result.OldRestored)
        cause += "; старая запись трека оставлена на карте";
    else if (result.InJournal)
        cause += "; старую запись трека вернуть на карту не удалось, она сохранена в " + journalFolder +
                 " и вернётся на карту при следующем запуске";
    return NotCopiedLine(result.Source, result.Target, cause);
}

std::string FileName(const std::string &path)
{
    return path.substr(path.find_last_of('/') + 1);
}

// Copies into safe writes, reads each back and renames the good ones in groups. Log lines come
// out in playlist order, each once its fate is known: "скопирован" only when the data, read back
// from the card, equals its source and the new name is on the disk.
class TCardWriter
{
public:
    TCardWriter(TLogSink &log, TCopyReport &report, const TCopyOptions &options, const TCardFolder &card,
                const TCardSources &sources, TCardJournal &journal)
        : Log(log), Report(report), Options(options),
          FreeSpace(options.FreeSpace ? options.FreeSpace : FileSystemFreeSpace), Verify(options.Verify),
          Remake(options.Remake), Card(card), Sources(sources), Journal(journal)
    {}
    ~TCardWriter() { Abandon(); }

    size_t PendingFiles() const { return Entries.size(); }
    uint64_t PendingBytes() const { return Bytes; }
    bool CardGone() const { return Gone; }

    void AddMissing(const TPlanItem &item)
    {
        Add(item).Outcome = TCopyResult::Missing;
        Entries.emplace_back().Index = Report.Files.size() - 1;
    }

    void Copy(const TPlanItem &item, const TBytesFn &progress)
    {
        TCopyResult &result = Add(item);
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
        if (!OpenSource(entry, item.Source))
            return fail(entry.SourceFd, true);
        struct stat st = {};
        if (::fstat(entry.SourceFd, &st) != 0)
            return fail(errno, true);
        if (!S_ISREG(st.st_mode))
            return fail(CauseNotRegularFile, true);
        ::posix_fadvise(entry.SourceFd, 0, 0, POSIX_FADV_SEQUENTIAL);
        if (Remake && !RemakeSource(entry, result, item.Source, item.Track, st))
            return fail(errno, true);
        const auto size = uint64_t(st.st_size);

        entry.Write = std::make_unique<TSafeWrite>();
        TSafeWrite &write = *entry.Write;
        if (!write.Open(Card.Path(FileName(item.Target))))
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
                if (result.Cause == 0) {
                    // Only the very file that was read back; anything else is compared byte for byte at the end.
                    const std::optional<TFileId> now = FileIdAt(entry.Write->Target());
                    if (now && entry.Verified && now->Device == entry.Verified->Device &&
                        now->Inode == entry.Verified->Inode && now->Size == entry.Verified->Size)
                        result.Committed = now;
                    // Verified and renamed into place: the old track's saved bytes are no longer needed.
                    if (result.InJournal)
                        Journal.Drop(FileName(result.Target));
                    result.InJournal = false;
                }
            }
            Log.AddLog(ResultLine(result, Journal.Folder()));
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
            Log.AddLog(ResultLine(result, Journal.Folder()));
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
        std::optional<TFileId> Verified; // the temporary as it was read back
    };

    TCopyResult &Add(const TPlanItem &item)
    {
        TCopyResult &result = Report.Files.emplace_back();
        result.Source = item.Source;
        result.Target = item.SourceMissing ? std::string() : item.Target;
        result.Track = item.Track;
        result.Old = item.Old;
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
        result.RemadePrint = std::make_pair(uint64_t(remade.Bytes.size()), Fingerprint(remade.Bytes));
        const int fd = ::memfd_create("sigcfg-track", MFD_CLOEXEC);
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
        const auto entry =
            std::find_if(Entries.begin(), Entries.end(), [&](const TEntry &e) { return e.Write.get() == &write; });
        // The file that is read back is the one renamed: the report knows it again by this.
        entry->Verified = FileIdAt(write.Temporary());
        if (!Verify.Enabled)
            return 0;
        const int cause = CompareWithCard(entry->SourceFd, write.Temporary(), Verify.Read);
        if (cause != 0 && !Card.Present()) {
            Gone = true; // a read-back that failed because the card went
            return ENODEV;
        }
        if (cause != 0)
            Distrust(Report.Files[entry->Index].Track);
        return cause;
    }

    // A card that gave back other bytes than were written may alter whatever it is given next:
    // no further old track is removed on it.
    void Distrust(int32_t track)
    {
        if (Report.Suspect)
            return;
        Report.Suspect = true;
        if (Options.MakeRoom)
            Log.AddLog("Трек " + std::to_string(track) +
                       ": запись на карте не совпала с записанным; карта ненадёжна, старые записи больше не "
                       "удаляются, новые копируются только рядом со старыми");
    }

    bool HasRoom(uint64_t size) const
    {
        const std::optional<uint64_t> free = FreeSpace(Card.Folder);
        return !free || *free >= size + RoomSlack;
    }

    // Removes the old track ahead of its copy when that makes room for it and the operator agreed,
    // once its bytes are in the card journal; false, with the reason in the result, when it does
    // not (or the card's size is unknown) and the old track stays.
    bool MakeRoom(TSafeWrite &write, TEntry &entry, uint64_t size)
    {
        TCopyResult &result = Report.Files[entry.Index];
        const std::optional<uint64_t> free = FreeSpace(Card.Folder);
        const std::string name = FileName(result.Target), spelled = CardSpelling(Card.Folder, name);
        struct stat old = {};
        const bool oldFrees = !spelled.empty() && ::stat(Card.Path(spelled).c_str(), &old) == 0 &&
                              S_ISREG(old.st_mode) && !Sources.Holds(old) &&
                              !Sources.HoldsPath(Card.Folder + "/" + spelled);
        if (!free) {
            // A card of unknown size showed itself full by a failed write: the old track goes only
            // with the operator's word, and the write is tried again.
            if (!Options.MakeRoom || Report.Suspect || !oldFrees)
                return false;
        } else {
            const uint64_t after = *free + (oldFrees ? uint64_t(old.st_size) : 0);
            const auto noRoom = [&](const std::string &more) {
                result.Note = "не помещается на карту (нужно " + Megabytes(size + RoomSlack) + " МБ, свободно " +
                              Megabytes(*free) + " МБ" + more + ")";
                write.Discard();
                return false;
            };
            if (after < size + RoomSlack)
                return noRoom("");
            const std::string instead = ", после удаления старой записи — " + Megabytes(after) + " МБ; ";
            if (!Options.MakeRoom)
                return noRoom(instead + "старая запись не удалена без согласия");
            if (Report.Suspect)
                return noRoom(instead + "карта ненадёжна, старая запись не удалена");
        }
        // The old track's bytes are on the computer's disk before it leaves the card.
        if (const int cause = Journal.Save(result.Track, name)) {
            result.Note = "старую запись трека не удалось сохранить в журнал (" + CauseText(cause) +
                          "), а без её удаления копия не помещается";
            write.Discard();
            return false;
        }
        if (spelled == name ? !write.RemoveOld() : ::unlink(Card.Path(spelled).c_str()) != 0) {
            result.Cause = spelled == name ? write.Error() : errno;
            Journal.Drop(name);
            write.Discard();
            return false;
        }
        result.OldRemovedFirst = true;
        result.InJournal = true;
        Log.AddLog("Файл '" + result.Target +
                   "' удалён перед копированием: на карте нет места для новой копии рядом "
                   "со старой");
        if (Options.AfterRemoval)
            Options.AfterRemoval(result.Track);
        return true;
    }

    // The copy failed after its old track was removed: the saved one goes back, read back like a
    // copy. When it does not, its bytes stay in the journal for the next run.
    void Restore(TEntry &entry)
    {
        TCopyResult &result = Report.Files[entry.Index];
        if (!result.InJournal || Gone || !Card.Present())
            return;
        const std::string name = FileName(result.Target);
        const int saved = ::open(Journal.BytesPath(name).c_str(), O_RDONLY | O_CLOEXEC);
        const int cause = saved < 0 ? errno : PutFileVerified(Card.Path(name), saved, Verify);
        if (saved >= 0)
            ::close(saved);
        if (cause != 0) {
            Distrust(result.Track);
            return;
        }
        result.OldRestored = true;
        result.InJournal = false;
        result.Old = FileIdAt(Card.Path(name)); // the old track now, for the report read from the card
        Journal.Drop(name);
    }

    TLogSink &Log;
    TCopyReport &Report;
    const TCopyOptions &Options;
    TFreeSpaceFn FreeSpace;
    const TCopyVerify &Verify;
    const TTrackRemakeFn &Remake;
    const TCardFolder &Card;
    const TCardSources &Sources;
    TCardJournal &Journal;
    std::vector<TEntry> Entries;
    uint64_t Bytes = 0;
    bool Gone = false;
};

} // namespace

bool TCopyReport::AllCopied() const
{
    for (const TCopyResult &file : Files)
        if (file.Outcome != TCopyResult::Copied || file.OnCard != TCopyResult::New)
            return false;
    return !Stopped && !CardRemoved && Refused.empty();
}

std::vector<std::string> StaleTemporaries(const std::string &target)
{
    const size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    const std::string prefix = slash == std::string::npos ? target : target.substr(slash + 1);
    std::vector<std::string> found;
    std::unique_ptr<DIR, int (*)(DIR *)> dir(::opendir(folder.c_str()), &::closedir);
    if (!dir)
        return found;
    while (const dirent *entry = ::readdir(dir.get())) {
        const std::string path = folder + "/" + entry->d_name;
        struct stat st = {};
        if (IsOwnTemporary(entry->d_name, prefix) && ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            found.push_back(path);
    }
    std::sort(found.begin(), found.end());
    return found;
}

size_t RemoveStaleTemporaries(const std::string &target)
{
    // Called only under the card's lock: no live run of ours is writing these.
    size_t removed = 0;
    for (const std::string &path : StaleTemporaries(target))
        removed += ::unlink(path.c_str()) == 0;
    return removed;
}

TCopyReport CopyTracks(const std::vector<std::string> &playList, const std::string &target, TLogSink &log,
                       const TCopyOptions &options)
{
    TCopyReport report;
    TCardFolder card(FolderOf(target + "x"));
    // One writer per card, for everything below: a second run would clear our temporaries as its
    // own leftovers and rename its files over ours.
    const TCardLock lock(card, options.LockWait);
    if (!lock.Error().empty()) {
        report.Refused = lock.Error();
        log.AddLog(lock.Error());
        return report;
    }
    // What an interrupted run left comes first: its removed tracks back onto the card.
    TCardJournal journal(card, card.Error == 0 ? CardId(card.Folder) : std::string());
    report.JournalFolder = journal.Folder();
    journal.Recover(log, options.Verify);
    report.TemporariesRemoved = RemoveStaleTemporaries(target);
    if (report.TemporariesRemoved > 0)
        log.AddLog("Удалены временные файлы прерванного копирования: " + std::to_string(report.TemporariesRemoved));

    const TCardSources sources(playList, target, card);
    const TCardPlan plan = PlanCardCopy(playList, target, options.FreeSpace,
                                        [&](const std::string &path) { return sources.HoldsPath(path); });
    if (card.Error == 0 && plan.Tight())
        log.AddLog("Место на SD-карте: " + plan.SpaceLine());

    std::optional<TCardWriter> writer(std::in_place, log, report, options, card, sources, journal);
    // The run's end, however it came: what the card holds is read back and told.
    const auto finish = [&] {
        writer.reset();
        if (report.CardRemoved)
            log.AddLog(CardRemovedLine);
        else if (report.Stopped)
            log.AddLog(CopyStoppedLine);
        for (size_t i = report.Files.size(); i < plan.Items.size(); ++i) {
            TCopyResult &result = report.Files.emplace_back();
            result.Source = plan.Items[i].Source;
            result.Target = plan.Items[i].SourceMissing ? std::string() : plan.Items[i].Target;
            result.Track = plan.Items[i].Track;
            result.Old = plan.Items[i].Old;
            result.Note = report.CardRemoved ? CardRemovedCause : CopyStoppedLine;
        }
        // A card that went away is not read: its folder now lies on another disk.
        if (!report.CardRemoved && card.Error == 0)
            ReadBackCard(report, plan, card, sources, journal, options.Verify, log);
        return report;
    };
    for (size_t index = 0; index < plan.Items.size(); ++index) {
        const TPlanItem &item = plan.Items[index];
        if (options.Stop && options.Stop->load()) {
            writer->Commit(); // what was copied before the stop still goes onto the card
            report.CardRemoved = writer->CardGone();
            report.Stopped = !report.CardRemoved;
            return finish();
        }
        if (card.Error == 0 && !card.Present()) {
            report.CardRemoved = true;
            return finish();
        }
        if (item.SourceMissing) {
            writer->AddMissing(item);
            continue;
        }
        TCopyProgress state{index + 1, plan.Items.size(), item.Source, item.Target, 0, item.Size};
        TBytesFn bytes;
        if (options.Progress)
            bytes = [&](uint64_t done) {
                state.BytesDone = done;
                options.Progress(state);
            };
        writer->Copy(item, bytes);
        if (writer->PendingFiles() >= BatchFiles || writer->PendingBytes() >= BatchBytes)
            writer->Commit();
        if (writer->CardGone()) {
            report.CardRemoved = true;
            return finish();
        }
    }
    writer->Commit();
    report.CardRemoved = writer->CardGone();
    return finish();
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
    TCopyOptions options;
    options.Progress = progress;
    options.Stop = stop;
    return CopyTracks(playList, target, log, options).AllCopied();
}
