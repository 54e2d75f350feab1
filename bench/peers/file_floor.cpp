// The floor of a conversion: a C++ program linked as sigcfg-tool is (libstdc++ carried along) that
// reads a file with one read and puts its bytes in place of another as the safe save does (a
// temporary beside it, flushed, renamed over it, the folder flushed), and does nothing else.
// Usage: file_floor SOURCE TARGET
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc != 3)
        return 2;
    const int in = ::open(argv[1], O_RDONLY | O_CLOEXEC);
    struct stat st = {};
    if (in < 0 || ::fstat(in, &st) != 0)
        return 1;
    std::string bytes(size_t(st.st_size), '\0');
    const bool read = ::read(in, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    ::close(in);
    const std::string target = argv[2];
    const std::string temporary = target + ".floor";
    const int out = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (!read || out < 0 || ::write(out, bytes.data(), bytes.size()) != ssize_t(bytes.size()) || ::fsync(out) != 0)
        return 1;
    ::close(out);
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        return 1;
    const size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool flushed = dir >= 0 && ::fsync(dir) == 0;
    ::close(dir);
    return flushed ? 0 : 1;
}
