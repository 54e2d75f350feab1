#pragma once

#include "device/log.h"
#include "device/trackverify.h"

#include <cstdint>
#include <string>

// The journal of tracks removed from a card to make room: each old track's bytes are kept on
// the computer until its replacement is verified on the card, so that a run cut short (killed,
// a crash, a laptop losing power) is finished or undone by the next one.

class TCardFolder;

/// Names the card that holds folder across runs and readers: its volume's id (or the file
/// system's), its size and the folder's path inside it. "" when the folder can not be read.
std::string CardId(const std::string &folder);

/// The journals' home: $XDG_STATE_HOME/sigcfg/card-journal, or ~/.local/state/sigcfg/card-journal.
std::string CardJournalRoot();

/// Writes the file at fd (read from its start) in place of path through a safe write, reads it
/// back from the card and renames it only when it is equal: 0, or the errno value or Cause
/// constant of the first failure (the old file at path then stays as it was).
int PutFileVerified(const std::string &path, int fd, const TCopyVerify &verify);

/// One card's journal, in CardJournalRoot()/<card id>/.
class TCardJournal
{
public:
    TCardJournal(const TCardFolder &card, std::string cardId);

    /// Saves the card file name (the old track of track) before it is removed: its bytes, then an
    /// entry naming the card, the track and the step, each flushed to the disk. 0 once both are
    /// there, else the errno value of the failure (and nothing may be removed).
    int Save(int32_t track, const std::string &name);
    /// The saved bytes of name.
    std::string BytesPath(const std::string &name) const;
    /// The track's replacement is verified and committed: its entry and bytes go.
    void Drop(const std::string &name);

    /// Finishes what an interrupted run left on this card, before anything else is written: a
    /// track whose file is gone gets its saved bytes back, verified ("трек 5 восстановлен после
    /// прерванного копирования"); an entry whose track is on the card is dropped, with a line
    /// when the card holds a newer track. An entry that can not be put back stays, named.
    void Recover(TLogSink &log, const TCopyVerify &verify);

    const std::string &Folder() const { return Dir; }

private:
    const TCardFolder &Card;
    std::string Id;
    std::string Dir;
};
