#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

// What the card copy holds on to for a whole run: the card's folder, and the card's own files
// that the playlist names as sources.

/// The folder the card files go into, held open from the start. Every name the copy makes is
/// reached through it, so a card pulled out mid-run can take our writes with it but never send
/// them into its empty mount point on the system disk.
class TCardFolder
{
public:
    explicit TCardFolder(const std::string &folder);
    ~TCardFolder();
    TCardFolder(const TCardFolder &) = delete;
    TCardFolder &operator=(const TCardFolder &) = delete;

    int Error = 0; // why the folder could not be opened: an errno value or a Cause constant
    const std::string Folder;

    /// A file of the folder, reached through the open folder.
    std::string Path(const std::string &name) const;
    /// The folder's name still leads to the same folder, on a mount as it was at the start.
    bool Present() const;
    dev_t Device() const { return Id.first; }
    /// The file system object st is this folder.
    bool Is(const struct stat &st) const { return st.st_dev == Id.first && st.st_ino == Id.second; }

private:
    bool IsMountPoint() const;

    int Fd;
    std::pair<dev_t, ino_t> Id{};
    bool MountPoint = false;
    std::string Through; // "/proc/self/fd/N" of the open folder, "" where there is no /proc
};

/// The sources that are card files the run replaces (a playlist that renumbers the card's own
/// tracks): opened before anything is written, so that each is read as it was at the start.
/// A source is one when it is the same file (device and inode) as a card file the run writes, or
/// when it lies in the card folder itself under any spelling: a FAT card mounted through FUSE gives
/// 002.MP3 and 002.mp3 inodes of their own although they are one file.
class TCardSources
{
public:
    TCardSources(const std::vector<std::string> &playList, const std::string &target, const TCardFolder &card);
    ~TCardSources();
    TCardSources(const TCardSources &) = delete;
    TCardSources &operator=(const TCardSources &) = delete;

    /// The held descriptor of the source named path at the start (or minus the errno of its
    /// open), nothing when not held. By name: by now another file may stand there.
    std::optional<int> Find(const std::string &path) const;
    /// True when the file is held open: removing it frees no room.
    bool Holds(const struct stat &st) const;
    /// True when the file at path is held: by its inode, or as a file of the card folder by name
    /// without regard to Latin letter case.
    bool HoldsPath(const std::string &path) const;

private:
    std::map<std::pair<dev_t, ino_t>, int> Held;
    std::map<std::string, int> ByPath;
    std::set<std::string> CardNames; // the held files of the card folder, in lower case
    const TCardFolder &Card;
};
