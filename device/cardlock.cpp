#include "device/cardlock.h"

#include "device/trackcopycard.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

std::string HolderOf(int fd)
{
    char text[32] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    std::string pid(text, n > 0 ? size_t(n) : 0);
    while (!pid.empty() && (pid.back() == '\n' || pid.back() == ' '))
        pid.pop_back();
    return pid;
}

} // namespace

TCardLock::TCardLock(const TCardFolder &card, std::chrono::milliseconds wait) : Card(card)
{
    if (card.Error != 0)
        return;
    const std::string path = card.Path(CardLockName);
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        FileFd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644);
        if (FileFd < 0)
            return; // a card that takes no new file takes no copy either: the copy says why
        if (AfterOpen)
            AfterOpen();
        if (::flock(FileFd, LOCK_EX | LOCK_NB) == 0) {
            // The holder before us removes the file as it leaves: a lock on that one holds nothing.
            struct stat held = {}, now = {};
            if (::fstat(FileFd, &held) == 0 && ::stat(path.c_str(), &now) == 0 && held.st_dev == now.st_dev &&
                held.st_ino == now.st_ino)
                break;
        } else if (errno != EWOULDBLOCK) {
            ::close(FileFd);
            FileFd = -1;
            return; // no locks on this file system
        } else if (std::chrono::steady_clock::now() >= deadline) {
            const std::string pid = HolderOf(FileFd);
            Refusal = "SD-карту в папке '" + card.Folder + "' сейчас записывает другая программа" +
                      (pid.empty() ? "" : " (процесс " + pid + ")") + ": ничего не скопировано, попробуйте позже";
            ::close(FileFd);
            FileFd = -1;
            return;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        ::close(FileFd);
        FileFd = -1;
    }
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(FileFd, 0) == 0) [[maybe_unused]]
        const ssize_t written = ::pwrite(FileFd, pid.data(), pid.size(), 0);
    // The folder too, for a writer that reaches it without our lock file.
    FolderFd = ::open(card.Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (FolderFd >= 0)
        ::flock(FolderFd, LOCK_EX | LOCK_NB);
}

TCardLock::~TCardLock()
{
    if (FileFd >= 0) {
        // Removed while still locked: a run waiting on this file sees it gone and makes a new one.
        ::unlink(Card.Path(CardLockName).c_str());
        ::close(FileFd);
    }
    if (FolderFd >= 0)
        ::close(FolderFd);
}
