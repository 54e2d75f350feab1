#include "device/trackverify.h"

#include "device/sdcard.h"
#include "model/cause.h"
#include "model/lib.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t CompareChunk = size_t(1) << 20;

class TFile
{
public:
    explicit TFile(const std::string &path) : Fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~TFile()
    {
        if (Fd >= 0)
            ::close(Fd);
    }
    TFile(const TFile &) = delete;
    TFile &operator=(const TFile &) = delete;
    int Get() const { return Fd; }

private:
    int Fd;
};

// Fills buffer from offset as far as the file goes; the count read, or -1 on an error.
ssize_t ReadFull(const TCardReadFn &read, int fd, char *buffer, size_t size, off_t offset)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = read ? read(fd, buffer + done, size - done, offset + off_t(done))
                               : ::pread(fd, buffer + done, size - done, offset + off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += size_t(n);
    }
    return ssize_t(done);
}

// The card's FAT keeps names without regard to Latin letter case: 005.MP3 is what 005.mp3 writes.
std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : char(c); });
    return text;
}

} // namespace

int CompareWithCard(int source, const std::string &card, const TCardReadFn &read)
{
    // Sizes are not compared up front: some sources (/proc) report none and are read to their end.
    TFile out(card);
    if (out.Get() < 0)
        return errno;
    // Pages still dirty can not be dropped: write them first, then let the card answer.
    ::fdatasync(out.Get());
    ::posix_fadvise(out.Get(), 0, 0, POSIX_FADV_DONTNEED);
    std::unique_ptr<char[]> sourceBytes(new char[CompareChunk]), cardBytes(new char[CompareChunk]);
    for (off_t offset = 0;; offset += off_t(CompareChunk)) {
        const ssize_t n = ReadFull({}, source, sourceBytes.get(), CompareChunk, offset);
        if (n < 0)
            return errno;
        const ssize_t m = ReadFull(read, out.Get(), cardBytes.get(), CompareChunk, offset);
        if (m < 0)
            return errno;
        if (n != m || std::memcmp(sourceBytes.get(), cardBytes.get(), size_t(n)) != 0)
            return CauseDiffersAfterWrite;
        if (size_t(n) < CompareChunk)
            return 0;
    }
}

uint64_t Fingerprint(std::string_view bytes)
{
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : bytes)
        hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

std::optional<std::pair<uint64_t, uint64_t>> FileFingerprint(const std::string &path)
{
    TFile in(path);
    if (in.Get() < 0)
        return std::nullopt;
    std::unique_ptr<char[]> buffer(new char[CompareChunk]);
    uint64_t hash = 14695981039346656037ull, size = 0;
    for (;;) {
        const ssize_t n = ReadFull({}, in.Get(), buffer.get(), CompareChunk, off_t(size));
        if (n < 0)
            return std::nullopt;
        for (ssize_t i = 0; i < n; ++i)
            hash = (hash ^ static_cast<unsigned char>(buffer[size_t(i)])) * 1099511628211ull;
        size += uint64_t(n);
        if (size_t(n) < CompareChunk)
            return std::make_pair(size, hash);
    }
}

std::vector<std::string> ExtraCardFiles(const std::vector<std::string> &playList, const std::string &target)
{
    const size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const std::string prefix = slash == std::string::npos ? target : target.substr(slash + 1);
    std::set<std::string> written;
    for (const std::string &line : playList)
        if (!TextAfter(line, ";").empty())
            written.insert(Lower(CardFilePath(target, LeadingNumber(line))));

    std::vector<std::string> extras;
    std::unique_ptr<DIR, int (*)(DIR *)> dir(::opendir(folder.c_str()), &::closedir);
    if (!dir)
        return extras;
    while (const dirent *entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name.size() < prefix.size() + 3 + 4 || name.compare(0, prefix.size(), prefix) != 0 ||
            Lower(name.substr(name.size() - 4)) != ".mp3")
            continue;
        const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - 4);
        if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        const std::string path = (slash == std::string::npos ? "" : folder) + name;
        struct stat st = {};
        if (written.count(Lower(path)) || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        extras.push_back(path);
    }
    std::sort(extras.begin(), extras.end());
    return extras;
}

std::string ExtraCardFileLine(const std::string &path)
{
    return "Файл '" + path + "' — лишний файл на карте";
}
