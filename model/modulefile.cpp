#include "model/modulefile.h"

#include "model/error.h"
#include "model/moduleentry.h"

#include <dlfcn.h>
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

std::vector<void *> LoadModuleEntries(const std::string &fileName, const std::string &what,
                                      const std::vector<const char *> &entries)
{
    const std::vector<std::string> candidates = ModuleCandidates(fileName);
    std::string failure;
    for (const std::string &path : candidates) {
        if (::access(path.c_str(), F_OK) != 0)
            continue;
        void *handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            const char *why = ::dlerror();
            failure = "Не удалось загрузить модуль " + what + " " + path + "\n" + (why != nullptr ? why : "");
            continue;
        }
        std::vector<void *> found;
        for (const char *entry : entries)
            if (void *address = ::dlsym(handle, entry))
                found.push_back(address);
        if (found.size() == entries.size())
            return found;
        failure = "Модуль " + what + " " + path + " повреждён";
    }
    if (failure.empty())
        failure = "Не найден модуль " + what + " " + fileName +
                  "; программа установлена не полностью\nИскали: " + SearchedText(candidates);
    throw TFileError(failure);
}

void RaiseModuleOutcome(TModuleOutcome outcome, const std::string &text)
{
    switch (outcome) {
    case TModuleOutcome::FormatError:
        throw TFormatError(text);
    case TModuleOutcome::FileError:
        throw TFileError(text);
    case TModuleOutcome::Failure:
        throw TSigError(text);
    default:
        break;
    }
}
