#include "device/trackcopy.h"

#include "device/sdcard.h"
#include "model/lib.h"
#include "storage/fileio.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t ChunkSize = size_t(4) << 20;

class TFd
{
public:
    explicit TFd(int fd = -1) : Fd(fd) {}
    ~TFd() { Close(); }
    TFd(const TFd &) = delete;
    TFd &operator=(const TFd &) = delete;
    int Get() const { return Fd; }
    bool Close()
    {
        if (Fd < 0)
            return true;
        const bool closed = ::close(Fd) == 0;
        Fd = -1;
        return closed;
    }

private:
    int Fd;
};

std::string FolderOf(const std::string &path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Copies everything from in to out; the kernel does it where it can (no round trip through
// user memory, reflinks on file systems that share blocks), a plain buffer elsewhere.
bool CopyData(int in, int out, uint64_t total, const std::function<void(uint64_t, uint64_t)> &progress)
{
    uint64_t done = 0;
    bool kernelCopy = true;
    while (kernelCopy) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, ChunkSize, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF ||
                errno == ETXTBSY || errno == EPERM)
                break;
            return false;
        }
        if (n == 0)
            break; // end of file, or a file system that leaves it to us: the loop below tells
        done += static_cast<uint64_t>(n);
        if (progress)
            progress(done, total);
    }
    std::unique_ptr<char[]> buffer;
    for (;;) {
        if (!buffer)
            buffer.reset(new char[ChunkSize]);
        const ssize_t n = ::read(in, buffer.get(), ChunkSize);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return true;
        if (!WriteAll(out, buffer.get(), static_cast<size_t>(n)))
            return false;
        done += static_cast<uint64_t>(n);
        if (progress)
            progress(done, total);
    }
}

} // namespace

std::string CardFilePath(const std::string &target, int32_t number)
{
    return target + TrackFileName(number) + ".mp3";
}

bool CopyFileSafely(const std::string &source, const std::string &target,
                    const std::function<void(uint64_t done, uint64_t total)> &progress)
{
    if (target.empty() || target.back() == '/')
        return false;
    TFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st
    {
    };
    if (in.Get() < 0 || ::fstat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    ::posix_fadvise(in.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);

    std::string temp = target + ".XXXXXX";
    TFd out(::mkstemp(temp.data()));
    if (out.Get() < 0)
        return false;
    // mkstemp makes the file for the owner only; give it the rights of an ordinary new file.
    // File systems without rights (the card's FAT) refuse, which does not matter.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(out.Get(), 0666 & ~mask);

    const auto total = static_cast<uint64_t>(st.st_size);
    if (progress)
        progress(0, total);
    const bool written = CopyData(in.Get(), out.Get(), total, progress) && ::fsync(out.Get()) == 0;
    const bool closed = out.Close();
    if (!written || !closed || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // The rename lives in the folder: flush it too, so the copy survives pulling the card.
    TFd folder(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() >= 0)
        ::fsync(folder.Get());
    return true;
}

bool CopyTracks(const std::vector<std::string> &playList, const std::string &target, TLogSink &log,
                const TCopyProgressFn &progress, const std::atomic<bool> *stop)
{
    size_t count = 0;
    for (const std::string &line : playList)
        if (!TextAfter(line, ";").empty())
            ++count;

    bool allCopied = true;
    size_t index = 0;
    for (const std::string &line : playList) {
        const std::string source(TextAfter(line, ";"));
        if (source.empty())
            continue;
        if (stop && stop->load()) {
            log.AddLog(CopyStoppedLine);
            return false;
        }
        ++index;
        if (!FileExists(source)) {
            log.AddLog("Файл '" + source + "' отсутствует");
            allCopied = false;
            continue;
        }
        const std::string card = CardFilePath(target, LeadingNumber(line));
        TCopyProgress state{index, count, source, card, 0, 0};
        std::function<void(uint64_t, uint64_t)> report;
        if (progress) {
            report = [&](uint64_t done, uint64_t total) {
                state.BytesDone = done;
                state.BytesTotal = total;
                progress(state);
            };
        }
        if (CopyFileSafely(source, card, report)) {
            log.AddLog("Файл '" + source + "' скопирован в '" + card + "'");
        } else {
            log.AddLog("Файл '" + source + "' не скопирован в '" + card + "'");
            allCopied = false;
        }
    }
    return allCopied;
}
