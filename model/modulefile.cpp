#include "model/modulefile.h"

#include <unistd.h>

#include <array>
#include <climits>
#include <filesystem>

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

/// The path without "." and ".." steps, as a message should name it: a user install in ~/.local
/// looks in ~/.local/lib/..., not in ~/.local/bin/../lib/...
static std::string Normal(const std::string &path)
{
    return std::filesystem::path(path).lexically_normal().string();
}

std::vector<std::string> ModuleCandidates(const std::string &fileName)
{
    const std::string folder = ProgramFolder();
    return {Normal(folder + "/lib/sigcfg/modules/" + fileName), Normal(folder + "/../lib/sigcfg/modules/" + fileName)};
}

std::vector<std::string> HelperCandidates(const std::string &fileName)
{
    const std::string folder = ProgramFolder();
    return {Normal(folder + "/" + fileName), Normal(folder + "/../lib/sigcfg/" + fileName)};
}

std::string SearchedText(const std::vector<std::string> &candidates)
{
    std::string text;
    for (const std::string &path : candidates)
        text += (text.empty() ? "" : ", ") + path;
    return text;
}
