#include "device/trackcopy.h"

#include "device/sdcard.h"
#include "model/lib.h"
#include "storage/fileio.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t ChunkSize = size_t(4) << 20;

class TFd
{
public:
    explicit TFd(int fd = -1) : Fd(fd) {}
    ~TFd() { Close(); }
    TFd(TFd &&other) noexcept : Fd(other.Fd) { other.Fd = -1; }
    TFd &operator=(TFd &&other) = delete;
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

using TBytesFn = std::function<void(uint64_t, uint64_t)>;

// One file copied into a temporary beside its target, not yet flushed nor renamed.
struct TStaged
{
    std::string Temp;
    TFd Out;
};

// Copies source into a fresh temporary beside target; nothing when any step fails (the
// temporary is gone again then). The data is only in the page cache when this returns.
std::optional<TStaged> Stage(const std::string &source, const std::string &target, const TBytesFn &progress)
{
    if (target.empty() || target.back() == '/')
        return std::nullopt;
    TFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st = {};
    if (in.Get() < 0 || ::fstat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    ::posix_fadvise(in.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);

    std::string temp = target + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    TStaged staged{std::move(temp), TFd(fd)};
    if (staged.Out.Get() < 0)
        return std::nullopt;
    // mkstemp makes the file for the owner only; give it the rights of an ordinary new file.
    // File systems without rights (the card's FAT) refuse, which does not matter.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(staged.Out.Get(), 0666 & ~mask);

    const auto total = static_cast<uint64_t>(st.st_size);
    if (progress)
        progress(0, total);
    if (!CopyData(in.Get(), staged.Out.Get(), total, progress)) {
        staged.Out.Close();
        ::unlink(staged.Temp.c_str());
        return std::nullopt;
    }
    // Let the device start on this file while the next one is read.
    ::sync_file_range(staged.Out.Get(), 0, 0, SYNC_FILE_RANGE_WRITE);
    return staged;
}

// Puts staged copies on the disk in groups: one flush of the file system and of the device's
// cache for all of them (a flush per file costs a journal commit and a cache flush each, which
// made the card writer far slower than cp + sync), then per file a wait that reports that
// file's own write errors, the renames, and one flush of the folder. Log lines come out in
// playlist order, each once its fate is known: "скопирован" only when the data and the new
// name are on the disk.
class TCardWriter
{
public:
    TCardWriter(TLogSink &log, const TCopyVerify &verify) : Log(log), Verify(verify) {}
    TCardWriter(const TCardWriter &) = delete;
    TCardWriter &operator=(const TCardWriter &) = delete;
    // Only reached with copies pending when an exception unwinds: drop their temporaries.
    ~TCardWriter()
    {
        for (TEntry &entry : Entries)
            if (entry.Staged) {
                entry.Staged->Out.Close();
                ::unlink(entry.Staged->Temp.c_str());
            }
    }

    // Files and bytes waiting for a commit; the caller commits before these grow too large.
    size_t PendingFiles() const { return Entries.size(); }
    uint64_t PendingBytes() const { return Bytes; }

    // A line with no copy behind it, logged in its turn.
    void AddLine(std::string line) { Entries.push_back({std::move(line), {}, {}, std::nullopt}); }

    void Copy(const std::string &source, const std::string &target, const TBytesFn &progress)
    {
        uint64_t size = 0;
        auto staged = Stage(source, target, [&](uint64_t done, uint64_t total) {
            size = total;
            if (progress)
                progress(done, total);
        });
        Bytes += size;
        Entries.push_back({{}, source, target, std::move(staged)});
    }

    // True when every copy since the last commit reached the disk.
    bool Commit()
    {
        bool allCopied = true;
        int anyFd = -1;
        for (const TEntry &entry : Entries)
            if (entry.Staged)
                anyFd = entry.Staged->Out.Get();
        // syncfs writes and commits everything; one fsync then empties the device's cache,
        // so no rename below can reach the disk before the data it names.
        const bool flushed = anyFd < 0 || (::syncfs(anyFd) == 0 && ::fsync(anyFd) == 0);
        std::vector<std::string> folders;
        for (TEntry &entry : Entries) {
            if (!entry.Staged)
                continue;
            TStaged &staged = *entry.Staged;
            constexpr unsigned WaitForWrite =
                SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
            const bool synced = flushed && ::sync_file_range(staged.Out.Get(), 0, 0, WaitForWrite) == 0;
            const bool closed = staged.Out.Close();
            if (!synced || !closed || ::rename(staged.Temp.c_str(), entry.Target.c_str()) != 0) {
                ::unlink(staged.Temp.c_str());
                entry.Staged.reset();
                continue;
            }
            const std::string folder = FolderOf(entry.Target);
            if (std::find(folders.begin(), folders.end(), folder) == folders.end())
                folders.push_back(folder);
        }
        // The renames live in the folders: flush those too, so the copies survive pulling the card.
        std::vector<std::string> unflushed;
        for (const std::string &folder : folders) {
            TFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (dir.Get() < 0 || ::fsync(dir.Get()) != 0)
                unflushed.push_back(folder);
        }
        for (TEntry &entry : Entries) {
            if (entry.Target.empty()) {
                Log.AddLog(entry.Line);
                continue;
            }
            const bool copied = entry.Staged && std::find(unflushed.begin(), unflushed.end(), FolderOf(entry.Target)) ==
                                                    unflushed.end();
            const std::string &source = entry.Source, &target = entry.Target;
            // Read back from the card itself: a card that loses what it was given is found here, not at
            // the bell. A later copy to the same name replaced this one, and is read back in its turn.
            const bool replaced = std::any_of(&entry + 1, Entries.data() + Entries.size(), [&](const TEntry &later) {
                return later.Staged && later.Target == target;
            });
            const bool differs = copied && Verify.Enabled && !replaced && !CardCopyMatches(source, target, Verify.Read);
            Log.AddLog(differs ? "Файл '" + source + "' не совпадает после записи в '" + target + "'"
                       : copied ? "Файл '" + source + "' скопирован в '" + target + "'"
                                : "Файл '" + source + "' не скопирован в '" + target + "'");
            allCopied = allCopied && copied && !differs;
        }
        Entries.clear();
        Bytes = 0;
        return allCopied;
    }

private:
    struct TEntry
    {
        std::string Line; // a finished line, when Target is empty
        std::string Source;
        std::string Target;
        std::optional<TStaged> Staged; // nothing when the copy already failed
    };

    TLogSink &Log;
    const TCopyVerify &Verify;
    std::vector<TEntry> Entries;
    uint64_t Bytes = 0;
};

// A commit after this much keeps the log moving, the temporaries on the card few and the
// number of open files small.
constexpr size_t BatchFiles = 32;
constexpr uint64_t BatchBytes = uint64_t(64) << 20;

} // namespace

std::string CardFilePath(const std::string &target, int32_t number)
{
    return target + TrackFileName(number) + ".mp3";
}

bool CopyTracks(const std::vector<std::string> &playList, const std::string &target, TLogSink &log,
                const TCopyProgressFn &progress, const std::atomic<bool> *stop, const TCopyVerify &verify)
{
    size_t count = 0;
    for (const std::string &line : playList)
        if (!TextAfter(line, ";").empty())
            ++count;

    TCardWriter writer(log, verify);
    bool allCopied = true;
    size_t index = 0;
    for (const std::string &line : playList) {
        const std::string source(TextAfter(line, ";"));
        if (source.empty())
            continue;
        if (stop && stop->load()) {
            writer.Commit(); // what was copied before the stop still goes onto the card
            log.AddLog(CopyStoppedLine);
            return false;
        }
        ++index;
        if (!FileExists(source)) {
            writer.AddLine("Файл '" + source + "' отсутствует");
            allCopied = false;
            continue;
        }
        const std::string card = CardFilePath(target, LeadingNumber(line));
        TCopyProgress state{index, count, source, card, 0, 0};
        TBytesFn report;
        if (progress) {
            report = [&](uint64_t done, uint64_t total) {
                state.BytesDone = done;
                state.BytesTotal = total;
                progress(state);
            };
        }
        writer.Copy(source, card, report);
        if (writer.PendingFiles() >= BatchFiles || writer.PendingBytes() >= BatchBytes)
            allCopied = writer.Commit() && allCopied;
    }
    return writer.Commit() && allCopied;
}
