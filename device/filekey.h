#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <sys/stat.h>

/// What tells one state of a file from another within a run: the same device, inode, size and
/// modification time mean the same bytes, whatever name the file was reached by.
struct TFileKey
{
    uint64_t Device = 0, Inode = 0;
    int64_t Size = 0, Seconds = 0, Nanoseconds = 0;
    auto operator<=>(const TFileKey &) const = default;

    static TFileKey Of(const struct stat &st)
    {
        return {uint64_t(st.st_dev), uint64_t(st.st_ino), int64_t(st.st_size), int64_t(st.st_mtim.tv_sec),
                int64_t(st.st_mtim.tv_nsec)};
    }
};

/// The key of the regular file at path, or of the open file fd; nothing for anything else.
inline std::optional<TFileKey> FileKeyOf(const std::string &path)
{
    struct stat st = {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? std::optional(TFileKey::Of(st)) : std::nullopt;
}
inline std::optional<TFileKey> FileKeyOf(int fd)
{
    struct stat st = {};
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? std::optional(TFileKey::Of(st)) : std::nullopt;
}
