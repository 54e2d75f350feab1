#include "model/modulefile.h"

#include <unistd.h>

#include <array>
#include <climits>

namespace {

/// The folder of the running program; "." when it can not be told.
std::string ProgramFolder()
{
    std::array<char, PATH_MAX> buffer{};
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0)
        return ".";
    const std::string path(buffer.data(), static_cast<size_t>(n));
    const size_t slash = path.find_last_of('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

std::vector<std::string> ModuleCandidates(const std::string &fileName)
{
    const std::string folder = ProgramFolder();
    return {folder + "/lib/sigcfg/modules/" + fileName, folder + "/../lib/sigcfg/modules/" + fileName};
}
