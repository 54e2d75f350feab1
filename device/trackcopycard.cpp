#include "device/trackcopycard.h"

#include "device/sdcard.h"
#include "model/cause.h"
#include "model/lib.h"
#include "storage/fileio.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <set>
#include <unistd.h>

namespace {

std::pair<dev_t, ino_t> FileId(const struct stat &st)
{
    return {st.st_dev, st.st_ino};
}

std::string LowerName(const std::string &path)
{
    std::string name = path.substr(path.find_last_of('/') + 1);
    for (char &c : name)
        if (c >= 'A' && c <= 'Z')
            c = char(c + 32);
    return name;
}

// A copy of the open file in, in an unnamed file of the computer's temporary folder, open for
// reading from its start; in itself when no copy can be made there. Takes in over.
int Snapshot(int in)
{
    const char *folder = std::getenv("TMPDIR");
    const int out = ::open(folder && *folder ? folder : "/tmp", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (out < 0)
        return in;
    std::vector<char> buffer(size_t(1) << 20);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        ssize_t done = 0;
        while (n > 0 && done < n) {
            const ssize_t w = ::write(out, buffer.data() + done, size_t(n - done));
            if (w < 0 && errno != EINTR)
                break;
            done += w > 0 ? w : 0;
        }
        if (n == 0 && ::lseek(out, 0, SEEK_SET) == 0) {
            ::close(in);
            return out;
        }
        if (n < 0 || done < n) {
            ::close(out);
            ::lseek(in, 0, SEEK_SET);
            return in;
        }
    }
}

// The file at path lies directly in the card folder.
bool InFolder(const std::string &path, const TCardFolder &card)
{
    struct stat folder = {};
    return card.Error == 0 && ::stat(FolderOf(path).c_str(), &folder) == 0 && card.Is(folder);
}

} // namespace

TCardFolder::TCardFolder(const std::string &folder)
    : Folder(folder), Fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
    struct stat st = {};
    if (Fd < 0 || ::fstat(Fd, &st) != 0) {
        Error = errno == ENOENT ? CauseFolderMissing : errno;
        return;
    }
    Id = FileId(st);
    MountPoint = IsMountPoint();
    const std::string held = "/proc/self/fd/" + std::to_string(Fd);
    if (::access(held.c_str(), F_OK) == 0)
        Through = held;
}

TCardFolder::~TCardFolder()
{
    if (Fd >= 0)
        ::close(Fd);
}

std::string TCardFolder::Path(const std::string &name) const
{
    return (Through.empty() ? Folder : Through) + "/" + name;
}

bool TCardFolder::Present() const
{
    struct stat st = {};
    return Error == 0 && ::stat(Folder.c_str(), &st) == 0 && FileId(st) == Id && IsMountPoint() == MountPoint;
}

bool TCardFolder::IsMountPoint() const
{
    struct stat self = {}, parent = {};
    if (::stat(Folder.c_str(), &self) != 0 || ::stat((Folder + "/..").c_str(), &parent) != 0)
        return false;
    return self.st_dev != parent.st_dev || self.st_ino == parent.st_ino;
}

TCardSources::TCardSources(const std::vector<std::string> &playList, const std::string &target, const TCardFolder &card)
    : Card(card)
{
    std::set<std::pair<dev_t, ino_t>> replaced;
    std::set<std::string> written; // the card names the run writes, in lower case
    struct stat st = {};
    for (const std::string &line : playList) {
        if (TextAfter(line, ";").empty())
            continue;
        const std::string path = CardFilePath(target, LeadingNumber(line));
        written.insert(LowerName(path));
        if (::stat(path.c_str(), &st) == 0 && st.st_dev == card.Device())
            replaced.insert(FileId(st));
    }
    for (const std::string &line : playList) {
        const std::string source(TextAfter(line, ";"));
        if (source.empty() || ::stat(source.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || ByPath.count(source))
            continue;
        const bool onCard = InFolder(source, card);
        if (!replaced.count(FileId(st)) && !onCard)
            continue;
        if (onCard)
            CardNames.insert(LowerName(source));
        if (!Held.count(FileId(st))) {
            int fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
            // A card file that the run writes over under another spelling is copied off the card
            // first: FUSE keeps an open file alive across a rename only under the same spelling.
            if (fd >= 0 && onCard && written.count(LowerName(source)))
                fd = Snapshot(fd);
            Held[FileId(st)] = fd >= 0 ? fd : -errno;
        }
        ByPath[source] = Held[FileId(st)];
    }
}

TCardSources::~TCardSources()
{
    for (const auto &[id, fd] : Held)
        if (fd >= 0)
            ::close(fd);
}

std::optional<int> TCardSources::Find(const std::string &path) const
{
    const auto found = ByPath.find(path);
    return found == ByPath.end() ? std::nullopt : std::optional<int>(found->second);
}

bool TCardSources::Holds(const struct stat &st) const
{
    return Held.count(FileId(st)) > 0;
}

bool TCardSources::HoldsPath(const std::string &path) const
{
    struct stat st = {};
    if (::stat(path.c_str(), &st) == 0 && Holds(st))
        return true;
    return CardNames.count(LowerName(path)) > 0 && InFolder(path, Card);
}
