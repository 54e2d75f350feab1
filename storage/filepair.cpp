#include "storage/filepair.h"

#include "model/cause.h"
#include "model/error.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string WriteText(const std::string &path, int cause)
{
    return "Не удалось записать файл " + path + "\n" + CauseText(cause);
}

bool Exists(const std::string &path)
{
    struct stat st = {};
    return ::lstat(path.c_str(), &st) == 0;
}

// Removes a file that may not be there; the first failure other than "not there" goes to error.
void Remove(const std::string &path, int &error)
{
    if (::unlink(path.c_str()) != 0 && errno != ENOENT && error == 0)
        error = errno;
}

std::string HiddenBeside(const std::string &path, const char *suffix)
{
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    return folder + "." + path.substr(slash == std::string::npos ? 0 : slash + 1) + suffix;
}

// A file may go where nothing stands or a regular file the user may write; its folder must exist
// and take new names.
void CheckPlace(const std::string &path)
{
    const std::string folder = FolderOf(path);
    struct stat st = {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw TFileError(WriteText(path, CauseFolderMissing));
    if (::access(folder.c_str(), W_OK) != 0)
        throw TFileError(WriteText(path, errno));
    if (::lstat(path.c_str(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode))
        throw TFileError(WriteText(path, EISDIR));
    if (!S_ISREG(st.st_mode))
        throw TFileError(WriteText(path, CauseNotRegularFile));
    if (::geteuid() != 0 && ::access(path.c_str(), W_OK) != 0 && errno == EACCES)
        throw TFileError(WriteText(path, CauseWriteProtected));
}

// The steps after the commit point: the companion first, then the main file, each rename made
// durable before the next. A failure takes the staged main file back first, so that what is left
// reads as a write that never committed.
void Apply(const TFilePairWrite::TNames &names)
{
    int error = 0;
    if (Exists(names.CompanionStaged)) {
        if (::rename(names.CompanionStaged.c_str(), names.Companion.c_str()) != 0)
            error = errno;
    } else if (Exists(names.CompanionGone)) {
        Remove(names.Companion, error);
        if (error == 0)
            Remove(names.CompanionGone, error);
    }
    if (error != 0) {
        int ignored = 0;
        Remove(names.MainStaged, ignored);
        Remove(names.CompanionStaged, ignored);
        Remove(names.CompanionGone, ignored);
        throw TFileError(WriteText(names.Companion, error));
    }
    // As in the safe write: the rename is made durable where the folder allows; it is done either way.
    FlushFolder(FolderOf(names.Companion));
    if (::rename(names.MainStaged.c_str(), names.Main.c_str()) != 0) {
        error = errno;
        int ignored = 0;
        Remove(names.MainStaged, ignored);
        throw TFileError(WriteText(names.Main, error));
    }
    FlushFolder(FolderOf(names.Main));
}

void Finish(const TFilePairWrite::TNames &names)
{
    if (Exists(names.MainStaged))
        return Apply(names);
    int error = 0;
    Remove(names.MainScratch, error);
    Remove(names.CompanionStaged, error);
    Remove(names.CompanionGone, error);
    if (error != 0)
        throw TFileError(WriteText(names.Main, error));
}

std::string Followed(const std::string &path)
{
    std::string followed = path;
    if (const int error = FollowLinks(followed))
        throw TFileError(WriteText(path, error));
    return followed;
}

} // namespace

TFilePairWrite::TNames TFilePairWrite::NamesOf(const std::string &main, const std::string &companion)
{
    TNames names;
    names.Main = Followed(main);
    names.MainScratch = HiddenBeside(names.Main, ".sigcfg-part");
    names.MainStaged = HiddenBeside(names.Main, ".sigcfg-new");
    names.Companion = Followed(companion);
    names.CompanionStaged = HiddenBeside(names.Companion, ".sigcfg-new");
    names.CompanionGone = HiddenBeside(names.Companion, ".sigcfg-gone");
    return names;
}

TFilePairWrite::TFilePairWrite(const std::string &main, const std::string &companion) : Names(NamesOf(main, companion))
{
    CheckPlace(Names.Main);
    CheckPlace(Names.Companion);
    // The staged names are fixed, so that the next run finds them: one pair write at a time per folder.
    Lock.emplace(FolderOf(Names.Main));
    Finish(Names);
}

TFilePairWrite::~TFilePairWrite()
{
    if (Done)
        return;
    int ignored = 0;
    Remove(Names.MainScratch, ignored);
    Remove(Names.CompanionStaged, ignored);
    Remove(Names.CompanionGone, ignored);
}

void TFilePairWrite::Commit(std::optional<std::string_view> companion)
{
    TSafeWrite staged;
    if (!staged.Open(companion ? Names.CompanionStaged : Names.CompanionGone, TSafeWrite::TTemporary::Nameless) ||
        !staged.Write(companion.value_or(std::string_view())) || !staged.Commit())
        throw TFileError(WriteText(Names.Companion, staged.Error()));
    if (::rename(Names.MainScratch.c_str(), Names.MainStaged.c_str()) != 0)
        throw TFileError(WriteText(Names.Main, errno));
    FlushFolder(FolderOf(Names.Main));
    Done = true; // from here Apply cleans up after itself
    Apply(Names);
}

void FinishFilePair(const std::string &main, const std::string &companion)
{
    const TFilePairWrite::TNames names = TFilePairWrite::NamesOf(main, companion);
    const TEditLock lock(FolderOf(names.Main));
    Finish(names);
}
