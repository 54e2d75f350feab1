#pragma once

#include "storage/fileio.h"

#include <optional>
#include <string>
#include <string_view>

// Two files that belong together, a main file and its companion (a sound and the words it speaks),
// put in place as one: after any interruption, kill -9 included, the pair is whole again, either
// both new or both as they were, once the next write of the pair (or FinishFilePair) has run.
//
// How: the new main file is made under a scratch name, the companion's new bytes (or a marker
// saying "remove it") under a staged name, each written and flushed by the safe write. Renaming
// the scratch main file to its staged name is the commit point; then the companion takes its
// place, then the main file, each rename flushed before the next. A run that finds the main file
// staged finishes those two steps; one that finds only scratch or companion files removes them.
// Between the two renames a new companion may stand beside the old main file (or none) for an
// instant; the staged main file then says the pair is mid-commit, and it is the only such state.

/// One write of a pair. The files are named by the paths given with their links followed.
class TFilePairWrite
{
public:
    /// Locks the main file's folder against another pair write there, finishes or clears what an
    /// interrupted write of this pair left, and checks both places: throws TFileError naming the
    /// file and why (a folder or a pipe where a file should be, no folder, ...) before anything is
    /// written.
    TFilePairWrite(const std::string &main, const std::string &companion);
    /// An uncommitted write removes what it made; the old pair stays as it was.
    ~TFilePairWrite();
    TFilePairWrite(const TFilePairWrite &) = delete;
    TFilePairWrite &operator=(const TFilePairWrite &) = delete;

    /// Where the caller writes the new main file (with the safe write) before Commit.
    const std::string &MainScratch() const { return Names.MainScratch; }
    /// The main file as written, its links followed.
    const std::string &Main() const { return Names.Main; }

    /// Puts the main file from MainScratch and the companion in place: its new bytes, or nothing
    /// (the companion is removed). Throws TFileError naming the file that failed and why; until the
    /// commit point nothing has changed, and a failure after it takes the new main file back.
    void Commit(std::optional<std::string_view> companion);

    /// The names of one pair's files; the staged ones lie beside their targets, hidden.
    struct TNames
    {
        std::string Main, MainScratch, MainStaged;
        std::string Companion, CompanionStaged, CompanionGone;
    };
    static TNames NamesOf(const std::string &main, const std::string &companion);

private:
    TNames Names;
    std::optional<TEditLock> Lock;
    bool Done = false;
};

/// Finishes a write of the pair that was interrupted after its commit point, or removes what one
/// interrupted before it left; nothing when there is none. Throws TFileError as Commit.
void FinishFilePair(const std::string &main, const std::string &companion);
