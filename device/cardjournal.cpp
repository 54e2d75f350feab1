#include "device/cardjournal.h"

#include "device/cardplan.h"
#include "device/trackcopycard.h"
#include "model/cause.h"
#include "storage/fileio.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char *EntrySuffix = ".entry";
constexpr const char *BytesSuffix = ".bytes";

std::string Hex(uint64_t value)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), digits[value & 15]);
        value >>= 4;
    } while (value != 0);
    return text;
}

// The volume of a device: its UUID (a FAT card's serial) where udev lists one, else what the
// mount table says of it (file system type and source), or "".
std::string VolumeOf(dev_t device)
{
    const std::string wanted = std::to_string(major(device)) + ":" + std::to_string(minor(device));
    std::ifstream mounts("/proc/self/mountinfo");
    std::string line, source, type;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string id, parent, numbers, field;
        fields >> id >> parent >> numbers;
        if (numbers != wanted)
            continue;
        while (fields >> field && field != "-") {
        }
        fields >> type >> source;
        break;
    }
    std::error_code error;
    char real[PATH_MAX];
    if (!source.empty() && source.front() == '/' && ::realpath(source.c_str(), real))
        for (const auto &link : fs::directory_iterator("/dev/disk/by-uuid", error)) {
            char to[PATH_MAX];
            if (::realpath(link.path().c_str(), to) && std::string(to) == real)
                return "uuid-" + link.path().filename().string();
        }
    return type.empty() ? "" : Hex(Fingerprint(type + " " + source));
}

void FlushFolderOf(const std::string &path)
{
    const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::map<std::string, std::string> ReadEntry(const std::string &path)
{
    std::map<std::string, std::string> fields;
    std::istringstream text(ReadFileIfExists(path, 4096).value_or(""));
    std::string line;
    while (std::getline(text, line))
        if (const size_t equals = line.find('='); equals != std::string::npos)
            fields[line.substr(0, equals)] = line.substr(equals + 1);
    return fields;
}

class TFd
{
public:
    explicit TFd(const std::string &path) : Fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY)) {}
    ~TFd()
    {
        if (Fd >= 0)
            ::close(Fd);
    }
    TFd(const TFd &) = delete;
    TFd &operator=(const TFd &) = delete;
    int Get() const { return Fd; }

private:
    int Fd;
};

} // namespace

std::string CardId(const std::string &folder)
{
    char real[PATH_MAX];
    struct stat st = {};
    struct statvfs vfs = {};
    if (!::realpath(folder.c_str(), real) || ::stat(real, &st) != 0 || ::statvfs(real, &vfs) != 0)
        return {};
    // The folder's path below the mount's root: a card mounted elsewhere next time is still found.
    fs::path inside, at = real;
    while (at.has_relative_path()) {
        struct stat parent = {};
        if (::stat(at.parent_path().c_str(), &parent) != 0 || parent.st_dev != st.st_dev)
            break;
        inside = at.filename() / inside;
        at = at.parent_path();
    }
    std::string volume = VolumeOf(st.st_dev);
    if (volume.empty() || volume.rfind("uuid-", 0) != 0) {
        uint64_t fsid = 0;
        static_assert(sizeof vfs.f_fsid <= sizeof fsid);
        std::memcpy(&fsid, &vfs.f_fsid, sizeof vfs.f_fsid);
        volume = "fs" + Hex(fsid) + (volume.empty() ? "" : "-" + volume);
    }
    return volume + "-" + std::to_string(uint64_t(vfs.f_blocks) * vfs.f_frsize) + "-" +
           Hex(Fingerprint(inside.string()));
}

std::string CardJournalRoot()
{
    const char *state = std::getenv("XDG_STATE_HOME");
    const char *home = std::getenv("HOME");
    const std::string base = state && *state == '/' ? std::string(state)
                             : home && *home        ? std::string(home) + "/.local/state"
                                                    : std::string("/tmp");
    return base + "/sigcfg/card-journal";
}

int PutFileVerified(const std::string &path, int fd, const TCopyVerify &verify)
{
    TSafeWrite write;
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return errno;
    if (!write.Open(path) || !write.CopyFrom(fd))
        return write.Error();
    write.StartFlush();
    TSafeWrite::CommitAll({&write},
                          [&](const TSafeWrite &w) { return CompareWithCard(fd, w.Temporary(), verify.Read); });
    return write.Error();
}

TCardJournal::TCardJournal(const TCardFolder &card, std::string cardId)
    : Card(card), Id(std::move(cardId)), Dir(CardJournalRoot() + "/" + Id)
{}

std::string TCardJournal::BytesPath(const std::string &name) const
{
    return Dir + "/" + name + BytesSuffix;
}

int TCardJournal::Save(int32_t track, const std::string &name)
{
    if (Id.empty())
        return ENODEV;
    std::error_code error;
    const bool made = fs::create_directories(Dir, error);
    if (error)
        return error.value();
    if (made)
        FlushFolderOf(Dir);
    const std::string spelled = CardSpelling(Card.Folder, name);
    TFd old(Card.Path(spelled.empty() ? name : spelled));
    if (old.Get() < 0)
        return errno;
    // The saved copy is read back too: once the card's file goes it is the only one.
    TCopyVerify local;
    if (const int cause = PutFileVerified(BytesPath(name), old.Get(), local))
        return cause;
    struct stat st = {};
    ::fstat(old.Get(), &st);
    TSafeWrite entry;
    const std::string text = "card=" + Id + "\ntrack=" + std::to_string(track) + "\nfile=" + name +
                             "\nsize=" + std::to_string(st.st_size) + "\nstep=old track saved, removing it\n";
    if (!entry.Open(Dir + "/" + name + EntrySuffix) || !entry.Write(text) || !entry.Commit()) {
        ::unlink(BytesPath(name).c_str());
        return entry.Error();
    }
    return 0;
}

void TCardJournal::Drop(const std::string &name)
{
    // The entry first: bytes without an entry mean nothing was removed.
    ::unlink((Dir + "/" + name + EntrySuffix).c_str());
    ::unlink(BytesPath(name).c_str());
    FlushFolderOf(BytesPath(name));
}

void TCardJournal::Recover(TLogSink &log, const TCopyVerify &verify)
{
    if (Id.empty() || Card.Error != 0)
        return;
    std::error_code error;
    std::vector<std::string> names;
    for (const auto &file : fs::directory_iterator(Dir, error)) {
        const std::string name = file.path().filename().string();
        if (name.ends_with(EntrySuffix))
            names.push_back(name.substr(0, name.size() - std::string_view(EntrySuffix).size()));
        else if (name.ends_with(BytesSuffix) &&
                 !fs::exists(Dir + "/" + name.substr(0, name.size() - std::string_view(BytesSuffix).size()) +
                             EntrySuffix))
            fs::remove(file.path(), error); // saved, but the old track was never removed
        else if (name.find(std::string(EntrySuffix) + ".") != std::string::npos ||
                 name.find(std::string(BytesSuffix) + ".") != std::string::npos)
            fs::remove(file.path(), error); // the temporary of a save cut short
    }
    std::sort(names.begin(), names.end());
    for (const std::string &name : names) {
        const std::map<std::string, std::string> entry = ReadEntry(Dir + "/" + name + EntrySuffix);
        const std::string track = entry.count("track") ? entry.at("track") : name;
        TFd saved(BytesPath(name));
        if (saved.Get() < 0) {
            log.AddLog("Журнал копирования трека " + track + ": сохранённой записи нет (" + BytesPath(name) +
                       "), запись журнала удалена");
            Drop(name);
            continue;
        }
        const std::string spelled = CardSpelling(Card.Folder, name);
        if (!spelled.empty()) {
            // The card holds the track: either it was never removed, or its new copy made it.
            if (CompareWithCard(saved.Get(), Card.Path(spelled), verify.Read) != 0)
                log.AddLog("Журнал копирования трека " + track +
                           ": на карте уже новая запись трека, сохранённая старая запись удалена из журнала");
            else
                log.AddLog("Журнал копирования трека " + track +
                           ": старая запись трека не удалялась с карты, запись журнала удалена");
            Drop(name);
            continue;
        }
        if (const int cause = PutFileVerified(Card.Path(name), saved.Get(), verify)) {
            log.AddLog("трек " + track + " не восстановлен после прерванного копирования: " + CauseText(cause) +
                       "; старая запись хранится в " + BytesPath(name));
            continue;
        }
        log.AddLog("трек " + track + " восстановлен после прерванного копирования");
        Drop(name);
    }
}
