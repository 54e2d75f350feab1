#include "storage/memoryfile.h"

#include "model/cause.h"
#include "model/error.h"

#include <cerrno>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

// The caller's text, and why on the next line.
void TMemoryFile::Fail(int error) const
{
    throw TFileError(ErrorText + "\n" + CauseText(error));
}

TMemoryFile::TMemoryFile(const std::string &errorText) : ErrorText(errorText)
{
    Fd = ::memfd_create("sigcfg-workbook", MFD_CLOEXEC);
    if (Fd < 0)
        Fail(errno);
}

TMemoryFile::~TMemoryFile()
{
    ::close(Fd);
}

std::string TMemoryFile::Path() const
{
    return "/proc/self/fd/" + std::to_string(Fd);
}

void TMemoryFile::Write(std::string_view bytes)
{
    if (::ftruncate(Fd, 0) != 0)
        Fail(errno);
    off_t offset = 0;
    while (!bytes.empty()) {
        const ssize_t n = ::pwrite(Fd, bytes.data(), bytes.size(), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            Fail(n < 0 ? errno : EIO);
        bytes.remove_prefix(size_t(n));
        offset += n;
    }
}

std::string TMemoryFile::ReadAll() const
{
    struct stat st
    {
    };
    if (::fstat(Fd, &st) != 0)
        Fail(errno);
    std::string bytes(size_t(st.st_size), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(Fd, bytes.data() + done, bytes.size() - done, off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            Fail(n < 0 ? errno : EIO);
        done += size_t(n);
    }
    return bytes;
}
