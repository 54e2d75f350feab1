#include "storage/fileio.h"

#include "model/cause.h"
#include "model/error.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

// Reads a whole regular file; nothing when it is missing and missingOk is set.
std::optional<std::string> ReadRegularFile(const std::string &path, uint64_t maxBytes, bool missingOk)
{
    NoteFileInUse(path);
    // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; fstat then refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (missingOk && (errno == ENOENT || errno == ENOTDIR))
            return std::nullopt;
        throw TFileError(ReadErrorText(path, errno));
    }
    const std::unique_ptr<const int, void (*)(const int *)> closer(&fd, [](const int *f) { ::close(*f); });
    struct stat st = {};
    if (::fstat(fd, &st) != 0)
        throw TFileError(ReadErrorText(path, errno));
    if (S_ISDIR(st.st_mode))
        throw TFileError(ReadErrorText(path, EISDIR));
    if (!S_ISREG(st.st_mode))
        throw TFileError(ReadErrorText(path, CauseNotRegularFile));
    if (uint64_t(st.st_size) > maxBytes)
        throw TFileError(ReadErrorText(path, TooLargeText(maxBytes)));

    // Files of /proc and /sys tell no size, and any file may grow while it is read: the buffer
    // grows as needed, and reading stops one byte past the limit.
    const uint64_t guess = st.st_size > 0 ? uint64_t(st.st_size) + 1 : 4096;
    std::string bytes(std::min(guess, maxBytes + 1), '\0');
    size_t done = 0;
    for (;;) {
        if (done == bytes.size())
            bytes.resize(std::min<uint64_t>(uint64_t(bytes.size()) * 2, maxBytes + 1));
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw TFileError(ReadErrorText(path, errno));
        }
        if (n == 0)
            break;
        done += size_t(n);
        if (done > maxBytes)
            throw TFileError(ReadErrorText(path, TooLargeText(maxBytes)));
        // A regular file that gave its size, asked for one byte more, was at its end: a second read
        // would only say so. Files that tell no size (/proc) or another one are read until it does.
        if (st.st_size > 0 && done == uint64_t(st.st_size) && done < bytes.size())
            break;
    }
    bytes.resize(done);
    return bytes;
}

// Six letters or digits, different for each temporary even within one process.
std::string RandomSuffix()
{
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static std::atomic<uint64_t> counter = 0;
    uint64_t bits = 0;
    if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) != sizeof bits)
        bits = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) * 0x9E3779B97F4A7C15u;
    bits ^= counter.fetch_add(1) * 0xBF58476D1CE4E5B9u + uint64_t(::getpid());
    std::string suffix(6, 'a');
    for (char &c : suffix) {
        c = Letters[bits % 62];
        bits /= 62;
    }
    return suffix;
}

int WriteAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        data += n;
        size -= size_t(n);
    }
    return 0;
}

// Whether the user may write the file, as QSaveFile asks before it replaces one: root may write
// anything, so for root a file counts as protected when no one has the write permission.
bool MayReplace(const std::string &path, const struct stat &st)
{
    if (::geteuid() == 0)
        return (st.st_mode & 0222) != 0;
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 || errno != EACCES;
}

TFlushFunctions Flush = {::fsync, ::syncfs};

} // namespace

int FollowLinks(std::string &path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st = {};
        if (::lstat(path.c_str(), &st) != 0)
            return errno == ENOENT ? 0 : errno;
        if (!S_ISLNK(st.st_mode))
            return 0;
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n < 0)
            return errno;
        if (size_t(n) >= link.size())
            return ENAMETOOLONG;
        link.resize(size_t(n));
        path = link.front() == '/' ? link : FolderOf(path) + "/" + link;
    }
    return ELOOP;
}

void FlushFolder(const std::string &folder, int *error)
{
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool flushed = dir >= 0 && Flush.File(dir) == 0;
    if (!flushed && error)
        *error = errno;
    if (dir >= 0)
        ::close(dir);
}

std::optional<std::string> ReadFileIfExists(const std::string &path, uint64_t maxBytes)
{
    return ReadRegularFile(path, maxBytes, true);
}

std::string ReadWholeFile(const std::string &path, uint64_t maxBytes)
{
    return std::move(*ReadRegularFile(path, maxBytes, false));
}

void WriteFileAtomically(const std::string &path, std::string_view bytes)
{
    NoteFileInUse(path);
    TSafeWrite file;
    if (!file.Open(path, TSafeWrite::TTemporary::Nameless) || !file.Write(bytes) || !file.Commit())
        throw TFileError(WriteErrorText(path, file.Error()));
}

bool FileExists(const std::string &path)
{
    struct stat st = {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void RefuseSameFile(const std::string &input, const std::string &output)
{
    struct stat in = {}, out = {};
    if (::stat(input.c_str(), &in) == 0 && ::stat(output.c_str(), &out) == 0 && in.st_dev == out.st_dev &&
        in.st_ino == out.st_ino)
        throw TFileError(WriteErrorText(output, CauseSameAsInput));
}

TEditLock::TEditLock(const std::string &path, std::chrono::milliseconds wait)
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        Fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (Fd < 0)
            throw TFileError(ReadErrorText(path, errno));
        if (::flock(Fd, LOCK_EX | LOCK_NB) == 0) {
            // The holder before us may have put a new file in place of the one we locked.
            struct stat held = {}, now = {};
            if (::fstat(Fd, &held) == 0 && ::stat(path.c_str(), &now) == 0 && held.st_dev == now.st_dev &&
                held.st_ino == now.st_ino)
                return;
        } else if (errno != EWOULDBLOCK) {
            return; // a file system without locks: the command goes on as it did before locks
        } else if (std::chrono::steady_clock::now() >= deadline) {
            ::close(Fd);
            Fd = -1;
            throw TFileError("Файл " + path + " сейчас изменяет другая команда; попробуйте позже, файл не изменён");
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ::close(Fd);
        Fd = -1;
    }
}

TEditLock::~TEditLock()
{
    if (Fd >= 0)
        ::close(Fd);
}

std::string FolderOf(const std::string &path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool TSafeWrite::Fail(int error)
{
    if (Err == 0)
        Err = error != 0 ? error : EIO;
    return false;
}

bool TSafeWrite::Open(const std::string &path, TTemporary temporary)
{
    Discard();
    Err = 0;
    if (path.empty() || path.back() == '/')
        return Fail(CauseNoFileName);
    TargetPath = path;
    if (const int error = FollowLinks(TargetPath))
        return Fail(error);
    struct stat old = {};
    OldExists = ::stat(TargetPath.c_str(), &old) == 0;
    if (OldExists && S_ISDIR(old.st_mode))
        return Fail(EISDIR);
    // A rename would put a plain file in place of a device or a pipe (think /dev/null as root).
    if (OldExists && !S_ISREG(old.st_mode))
        return Fail(CauseNotRegularFile);
    // A file the operator marked read-only is not replaced behind their back.
    if (OldExists && !MayReplace(TargetPath, old))
        return Fail(CauseWriteProtected);
    // The name is given through /proc at Commit; without /proc (a chroot) the temporary is named.
    if (temporary == TTemporary::Nameless && ::access("/proc/self/fd", X_OK) == 0)
        Fd = ::open(FolderOf(TargetPath).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, OldExists ? 0600 : 0666);
    for (int attempt = 0; Fd < 0; ++attempt) {
        Temp = TargetPath + "." + RandomSuffix();
        // A new file gets 0666 less the umask from the kernel itself, default ACLs included.
        Fd = ::open(Temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, OldExists ? 0600 : 0666);
        if (Fd < 0 && (errno != EEXIST || attempt == 100)) {
            Temp.clear();
            return Fail(errno == ENOENT ? CauseFolderMissing : errno);
        }
    }
    struct stat st = {};
    if (::fstat(Fd, &st) == 0)
        Device = st.st_dev;
    if (OldExists) {
        // Owner first: a change of owner clears the set-id bits that the mode then restores.
        // File systems without owners or rights (the card's FAT) refuse both, which is fine.
        [[maybe_unused]] int refused = 0;
        if (old.st_uid != st.st_uid || old.st_gid != st.st_gid)
            refused = ::fchown(Fd, old.st_uid, old.st_gid);
        refused = ::fchmod(Fd, old.st_mode & 07777);
    }
    return true;
}

bool TSafeWrite::Write(std::string_view bytes)
{
    if (Fd < 0)
        return Fail(EBADF);
    const int error = WriteAll(Fd, bytes.data(), bytes.size());
    return error == 0 || Fail(error);
}

bool TSafeWrite::CopyFrom(int in, const TBytesFn &progress)
{
    if (Fd < 0)
        return Fail(EBADF);
    constexpr size_t ChunkSize = size_t(4) << 20;
    uint64_t done = 0;
    // The kernel copies without a round trip through our memory (and shares blocks where the
    // file system can); where it will not, a plain buffer does.
    for (;;) {
        const ssize_t n = ::copy_file_range(in, nullptr, Fd, nullptr, ChunkSize, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF ||
                errno == ETXTBSY || errno == EPERM)
                break;
            return Fail(errno);
        }
        if (n == 0)
            break; // the end, or a file system that leaves it to us (files of /proc): the loop below tells
        done += uint64_t(n);
        if (progress)
            progress(done);
    }
    std::unique_ptr<char[]> buffer;
    for (;;) {
        if (!buffer)
            buffer.reset(new char[ChunkSize]);
        const ssize_t n = ::read(in, buffer.get(), ChunkSize);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Fail(errno);
        if (n == 0)
            return true;
        if (const int error = WriteAll(Fd, buffer.get(), size_t(n)))
            return Fail(error);
        done += uint64_t(n);
        if (progress)
            progress(done);
    }
}

bool TSafeWrite::Rewind()
{
    if (Fd < 0)
        return Fail(EBADF);
    if (::ftruncate(Fd, 0) != 0 || ::lseek(Fd, 0, SEEK_SET) != 0)
        return Fail(errno);
    Err = 0;
    return true;
}

bool TSafeWrite::RemoveOld()
{
    if (!OldExists)
        return true;
    if (::unlink(TargetPath.c_str()) != 0 && errno != ENOENT)
        return Fail(errno);
    OldExists = false;
    return true;
}

void TSafeWrite::StartFlush()
{
    if (Fd >= 0)
        ::sync_file_range(Fd, 0, 0, SYNC_FILE_RANGE_WRITE);
}

bool TSafeWrite::Rename()
{
    // A nameless file gets a temporary name first: only a rename replaces the target atomically.
    while (Temp.empty()) {
        const std::string name = TargetPath + "." + RandomSuffix();
        if (::linkat(AT_FDCWD, ("/proc/self/fd/" + std::to_string(Fd)).c_str(), AT_FDCWD, name.c_str(),
                     AT_SYMLINK_FOLLOW) == 0)
            Temp = name;
        else if (errno != EEXIST)
            return Fail(errno);
    }
    const bool closed = ::close(Fd) == 0;
    Fd = -1;
    if (!closed)
        return Fail(errno);
    if (::rename(Temp.c_str(), TargetPath.c_str()) != 0)
        return Fail(errno);
    Temp.clear();
    OldExists = true;
    return true;
}

TFlushFunctions SetFlushFunctions(TFlushFunctions functions)
{
    return std::exchange(Flush, functions);
}

bool TSafeWrite::Commit()
{
    if (Fd < 0)
        return Fail(EBADF);
    if (Err != 0 || Flush.File(Fd) != 0 || !Rename()) {
        Fail(errno);
        Discard();
        return false;
    }
    // Make the rename itself durable; the file is in place whatever this says.
    FlushFolder(FolderOf(TargetPath));
    return true;
}

void TSafeWrite::CommitAll(const std::vector<TSafeWrite *> &writes, const std::function<int(const TSafeWrite &)> &check)
{
    // syncfs writes and commits everything of a file system; one fsync then empties the
    // device's cache, so no rename below can reach the disk before the data it names.
    std::vector<std::pair<dev_t, int>> devices; // and the errno of their flush
    for (TSafeWrite *write : writes) {
        if (write->Fd < 0 ||
            std::any_of(devices.begin(), devices.end(), [&](auto &d) { return d.first == write->Device; }))
            continue;
        const bool flushed = Flush.FileSystem(write->Fd) == 0 && Flush.File(write->Fd) == 0;
        devices.emplace_back(write->Device, flushed ? 0 : errno);
    }
    std::vector<std::string> folders;
    for (TSafeWrite *write : writes) {
        if (write->Fd < 0)
            continue;
        const int flushError =
            std::find_if(devices.begin(), devices.end(), [&](auto &d) { return d.first == write->Device; })->second;
        // The wait reports this file's own write errors, which syncfs may have given to another.
        constexpr unsigned WaitForWrite =
            SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
        int checked = 0;
        if (flushError != 0 || ::sync_file_range(write->Fd, 0, 0, WaitForWrite) != 0 ||
            (check && (checked = check(*write)) != 0) || !write->Rename()) {
            write->Fail(flushError != 0 ? flushError : checked != 0 ? checked : errno);
            write->Discard();
            continue;
        }
        const std::string folder = FolderOf(write->TargetPath);
        if (std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(folder);
    }
    // The renames live in the folders: a copy counts only once its folder is on the disk too.
    for (const std::string &folder : folders) {
        int error = 0;
        FlushFolder(folder, &error);
        if (error != 0)
            for (TSafeWrite *write : writes)
                if (write->Err == 0 && FolderOf(write->TargetPath) == folder)
                    write->Fail(error);
    }
}

void TSafeWrite::Discard()
{
    if (Fd >= 0)
        ::close(Fd);
    Fd = -1;
    if (!Temp.empty())
        ::unlink(Temp.c_str());
    Temp.clear();
}
