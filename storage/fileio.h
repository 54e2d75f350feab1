#pragma once

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

/// Puts bytes in place of the file through TSafeWrite. On failure the old file is left as it
/// was, no temporary stays, and TFileError "Unable to write to <path>" with the cause on the
/// next line is thrown.
void WriteFileAtomically(const std::string &path, std::string_view bytes);

/// True when a regular file (or a link to one) exists at the path.
bool FileExists(const std::string &path);

/// The folder part of a path: "." for a bare name, "/" for a file in the root.
std::string FolderOf(const std::string &path);

/// Told how many bytes a copy has written so far.
using TBytesFn = std::function<void(uint64_t done)>;

/// The safe write: a new version of a file goes to a temporary beside it (the file's name, "."
/// and six letters or digits) and takes the file's place by a rename once it is on the disk, so
/// the file is always either old or new. A symbolic link is followed: the file it leads to is
/// replaced and the link stays. A replaced file keeps its permission bits (and its owner where
/// allowed); a new one gets the usual rights of a new file. Every step returns false on failure
/// and keeps the first errno value in Error(); an unfinished write removes its temporary.
class TSafeWrite
{
public:
    TSafeWrite() = default;
    ~TSafeWrite() { Discard(); }
    TSafeWrite(const TSafeWrite &) = delete;
    TSafeWrite &operator=(const TSafeWrite &) = delete;

    /// Makes the temporary for the file at path.
    bool Open(const std::string &path);
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
