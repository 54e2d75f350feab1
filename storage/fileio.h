#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

// The file layer under every reader and writer: whole files in, whole files out, and the one
// safe write that every file the program writes goes through.

/// Larger than any file of ours: readers refuse a larger file before reading it.
inline constexpr uint64_t MaxReadBytes = uint64_t(16) << 20;

/// The whole file. Only regular files are read (a pipe, device or folder is refused at once),
/// and none larger than maxBytes. Throws TFileError "Не удалось прочитать файл <path>" with the
/// cause on the next line.
std::string ReadWholeFile(const std::string &path, uint64_t maxBytes = MaxReadBytes);

/// The whole file, or nothing when no file exists at the path; other failures throw as above.
std::optional<std::string> ReadFileIfExists(const std::string &path, uint64_t maxBytes = MaxReadBytes);

/// Puts bytes in place of the file through TSafeWrite, with a nameless temporary. On failure the
/// old file is left as it was, no temporary stays, and TFileError "Unable to write to <path>"
/// with the cause on the next line is thrown.
void WriteFileAtomically(const std::string &path, std::string_view bytes);

/// True when a regular file (or a link to one) exists at the path.
bool FileExists(const std::string &path);

/// Throws TFileError "Unable to write to <output>" with the cause "это сам исходный файл" when the
/// output is the input (the same file, through any link), before anything is written over it.
void RefuseSameFile(const std::string &input, const std::string &output);

/// An advisory lock (flock) on a file that a command reads, changes and writes back, held until
/// the object goes: a second such command waits for it a while, then refuses.
class TEditLock
{
public:
    /// Throws TFileError naming the file when another holder keeps it locked for longer than wait,
    /// or when it can not be opened.
    explicit TEditLock(const std::string &path, std::chrono::milliseconds wait = std::chrono::seconds(2));
    ~TEditLock();
    TEditLock(const TEditLock &) = delete;
    TEditLock &operator=(const TEditLock &) = delete;

private:
    int Fd = -1;
};

/// The folder part of a path: "." for a bare name, "/" for a file in the root.
std::string FolderOf(const std::string &path);

/// Follows symbolic links, in place, to the file a write to path replaces; 0 or an errno value. A
/// link that leads nowhere yet gives the path it leads to: the write creates that file.
int FollowLinks(std::string &path);

/// Makes the renames in a folder durable (fsync of the folder, through the flush functions below);
/// the errno value of a failure goes to error when given.
void FlushFolder(const std::string &folder, int *error = nullptr);

/// Told how many bytes a copy has written so far.
using TBytesFn = std::function<void(uint64_t done)>;

/// The flushes the safe write relies on. Tests put in ones that fail, since no real disk can be
/// made to fail a flush on demand; a commit whose flush fails must never count as written.
struct TFlushFunctions
{
    int (*File)(int fd);
    int (*FileSystem)(int fd);
};
/// Puts in the flush functions and returns the ones before.
TFlushFunctions SetFlushFunctions(TFlushFunctions functions);

/// The safe write: a new version of a file goes to a temporary beside it (the file's name, "."
/// and six letters or digits, or no name until the rename) and takes the file's place by a rename once it is on the
/// disk, so the file is always either old or new. A symbolic link is followed: the file it leads to is replaced and the
/// link stays. A replaced file keeps its permission bits (and its owner where allowed); a new one gets the usual rights
/// of a new file. Every step returns false on failure and keeps the first errno value in Error(); an unfinished write
/// removes its temporary.
class TSafeWrite
{
public:
    TSafeWrite() = default;
    ~TSafeWrite() { Discard(); }
    TSafeWrite(const TSafeWrite &) = delete;
    TSafeWrite &operator=(const TSafeWrite &) = delete;

    /// Named: the temporary has a name from the start (the card writer finds and clears those of
    /// an interrupted run itself). Nameless: it gets one only at Commit, where the file system
    /// allows (O_TMPFILE), so a process killed part-way leaves nothing behind; else it is named.
    enum class TTemporary { Named, Nameless };
    /// Makes the temporary for the file at path.
    bool Open(const std::string &path, TTemporary temporary = TTemporary::Named);
    /// Appends bytes to the temporary.
    bool Write(std::string_view bytes);
    /// Appends everything left in the file in; the kernel copies where it can.
    bool CopyFrom(int in, const TBytesFn &progress = {});
    /// Empties the temporary to start over.
    bool Rewind();
    /// True when a file stood at the target when Open ran and has not been removed since.
    bool ReplacesFile() const { return OldExists; }
    /// Removes the file to be replaced now, ahead of the rename, to make room on a full disk.
    bool RemoveOld();
    /// Lets the device start on the data without waiting for it.
    void StartFlush();
    /// Flushes the temporary to the disk, renames it over the target and flushes the folder.
    bool Commit();
    /// Commits many writes with one flush of each file system for all of them (a flush per file
    /// costs a journal commit and a device cache flush each). Error() of each tells its fate.
    /// check, when given, sees each write once its data is on the disk and before its rename: a
    /// non-zero result (an errno value or Cause constant) fails that write and keeps the old file.
    static void CommitAll(const std::vector<TSafeWrite *> &writes,
                          const std::function<int(const TSafeWrite &)> &check = {});
    /// Removes the temporary, leaving the target as it was.
    void Discard();

    /// The errno value (or Cause constant) of the first failure, 0 when none.
    int Error() const { return Err; }
    /// The file that the write replaces: the path with its links followed.
    const std::string &Target() const { return TargetPath; }
    /// The temporary being written, "" when none.
    const std::string &Temporary() const { return Temp; }
    bool IsOpen() const { return Fd >= 0; }

private:
    bool Fail(int error);
    bool Rename();

    std::string TargetPath;
    std::string Temp;
    int Fd = -1;
    int Err = 0;
    dev_t Device = 0;
    bool OldExists = false;
};
