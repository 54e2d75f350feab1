#pragma once

#include "device/cardplan.h"
#include "device/log.h"
#include "device/trackverify.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The copy stage of the card writer: every playlist file onto the card under its track name.

/// Where a copy run stands, for a progress display.
struct TCopyProgress
{
    size_t FileIndex = 0; // 1-based, among the lines that name a file
    size_t FileCount = 0;
    std::string Source;
    std::string Target;
    uint64_t BytesDone = 0;
    uint64_t BytesTotal = 0;
};

using TCopyProgressFn = std::function<void(const TCopyProgress &)>;

/// A track made over before it goes to the card (levelled to one loudness, say).
struct TTrackRemake
{
    bool Remade = false; // false: the source goes as it is
    std::string Bytes;   // what goes to the card instead, when Remade
    std::string Note;    // for the copy's line, "" for none
};

/// Makes a track over from its source: its name, its track number and the source open for
/// reading (read it from the start; it is left to the copy). An exception's text becomes the note
/// and the source goes as it is.
using TTrackRemakeFn = std::function<TTrackRemake(const std::string &source, int32_t track, int fd)>;

/// How a copy run is watched and steered; all optional.
struct TCopyOptions
{
    TCopyProgressFn Progress;
    const std::atomic<bool> *Stop = nullptr; // set: the run ends before the next file
    TFreeSpaceFn FreeSpace;                  // the file system's own figure when empty
    TCopyVerify Verify;                      // each copy read back from the card; on unless switched off
    TTrackRemakeFn Remake;                   // empty: every source goes as it is
    /// The operator agreed to remove old tracks ahead of their copies on a full card; each one's
    /// bytes are kept in the card journal until its replacement is verified.
    bool MakeRoom = false;
    std::chrono::milliseconds LockWait = std::chrono::seconds(3); // for another run on the card
    /// Test seam: called once an old track has been removed to make room, before its copy.
    std::function<void(int32_t track)> AfterRemoval;
};

/// What became of one playlist line that names a file.
struct TCopyResult
{
    enum TOutcome { Copied, Missing, Failed };
    std::string Source;
    std::string Target; // the card file
    TOutcome Outcome = Failed;
    int Cause = 0;                 // when Failed: an errno value or a Cause constant (model/cause.h)
    std::string Note;              // when Failed: the reason in full where no Cause says it
    std::string Remade;            // what Remake said of the track: after the copy's line
    bool SourceUnreadable = false; // when Failed: the cause concerns the source, not the card
    bool OldRemovedFirst = false;  // the old card file was removed to make room before the copy
    bool OldRestored = false;      // ... and put back, read back equal, when the new copy failed

    /// What the card holds under the track at the end, read from the card itself.
    enum TOnCard { NotRead, New, OldKept, Absent, Wrong };
    TOnCard OnCard = NotRead;
    int32_t Track = 0;
    std::optional<TFileId> Old;                               // the card file it replaces, as the plan found it
    std::optional<TFileId> Committed;                         // the copy this run renamed into place
    bool InJournal = false;                                   // the old track's bytes wait in the card journal
    std::optional<std::pair<uint64_t, uint64_t>> RemadePrint; // size and hash of a remade track
};

/// A whole run: the lines that name a file, in playlist order, up to a stop.
struct TCopyReport
{
    std::vector<TCopyResult> Files;
    size_t TemporariesRemoved = 0; // left behind by earlier interrupted runs
    bool Stopped = false;
    bool CardRemoved = false;  // the card left its folder during the run: nothing more was written
    std::string Refused;       // another run holds the card: nothing was done
    bool Suspect = false;      // a read-back failed: no further old track was removed
    std::string JournalFolder; // where removed tracks wait for their replacements
    /// True when every line's copy is on the card, read back at the end.
    bool AllCopied() const;
};

/// The copy's line for a file that reached the card; a remade one adds ", " and its note.
std::string CopiedLine(const std::string &source, const std::string &target);
/// The copy's line for a file that did not, with its cause after ": " when one is known.
std::string NotCopiedLine(const std::string &source, const std::string &target, const std::string &cause);

/// The log line written when the operator stops a run.
inline constexpr const char *CopyStoppedLine = "Копирование остановлено оператором";
/// The log line written when the card leaves its folder during a run.
inline constexpr const char *CardRemovedLine = "SD-карта извлечена: копирование прервано";
/// The cause of a copy that the card's removal cut short.
inline constexpr const char *CardRemovedCause = "SD-карта извлечена";

/// The temporaries that interrupted runs left in the target's folder: names of the card files'
/// own pattern ("001.mp3." and six letters or digits), as paths, sorted.
std::vector<std::string> StaleTemporaries(const std::string &target);

/// Removes what earlier interrupted runs left in the target's folder: names of the card files'
/// own pattern ("001.mp3." and six letters or digits) only. Returns how many went.
size_t RemoveStaleTemporaries(const std::string &target);

/// Copies the file of every playlist line that has a path to target + TrackFileName + ".mp3",
/// logging one line per file ("отсутствует", "скопирован в", "не скопирован в" with its cause);
/// lines without a path are skipped silently. First the temporaries of interrupted runs are
/// removed. Each copy goes to a temporary beside its card file, which is flushed, dropped from
/// the cache, read back from the card and compared with its source (unless switched off), and
/// only then renamed over the old file (a track that options.Remake made over goes from its new
/// bytes, read back and compared with them): a copy that differs leaves the old file and is "не
/// скопирован ...: не совпадает после записи". Renames go in small groups, each logged once on
/// the disk. An old file is removed ahead of its copy only when the free space plus the old file
/// hold the new one (never on a card of unknown size), and put back if the copy then fails;
/// otherwise it stays and the line says "не помещается на карту (нужно X МБ, свободно Y МБ)".
/// Sources that are the card's own files are held open from the start, so every copy gets the
/// file as it was when the run began. The card folder is held open and checked before each file
/// and each rename: once it is no longer the same folder on the same mount, the run ends at once
/// with CardRemovedLine and writes nothing more. A stop ends the run before the next file with
/// CopyStoppedLine, committing what was copied.
TCopyReport CopyTracks(const std::vector<std::string> &playList, const std::string &target, TLogSink &log,
                       const TCopyOptions &options);

/// The same, true when every line with a path was copied.
bool CopyTracks(const std::vector<std::string> &playList, const std::string &target, TLogSink &log,
                const TCopyProgressFn &progress = {}, const std::atomic<bool> *stop = nullptr);
