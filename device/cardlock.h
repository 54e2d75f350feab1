#pragma once

#include <chrono>
#include <functional>
#include <string>

// One writer per card: two copies into one card folder would remove each other's temporaries
// and rename each other's files over their own.

class TCardFolder;

/// The lock file's name in the card folder; it holds the pid of the run that holds it.
inline constexpr const char *CardLockName = ".sigcfg-card.lock";

/// An advisory lock (flock) on the lock file in the card folder and on the folder itself, held
/// for the whole run. A second run waits up to wait, then gives up with Error naming the other
/// process. A file system without locks lets the run go on unlocked.
class TCardLock
{
public:
    TCardLock(const TCardFolder &card, std::chrono::milliseconds wait = std::chrono::seconds(3));
    ~TCardLock();
    TCardLock(const TCardLock &) = delete;
    TCardLock &operator=(const TCardLock &) = delete;

    /// Why the run may not write: "" when it holds the card (or the card has no locks).
    const std::string &Error() const { return Refusal; }

    /// Test seam: runs after the lock file is opened and before it is locked.
    static inline std::function<void()> AfterOpen;

private:
    const TCardFolder &Card;
    int FileFd = -1;
    int FolderFd = -1;
    std::string Refusal;
};
