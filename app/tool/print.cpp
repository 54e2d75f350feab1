#include "app/tool/commands.h"
#include "app/tool/toolio.h"
#include "model/error.h"
#include "model/lib.h"
#include "storage/fileio.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <unistd.h>

// sigcfg-tool print FILE.vlpj OUT.pdf: the printed schedule as a PDF. The pages need Qt, so the
// work goes to sigcfg-print beside this program; the file is read here first, so that a file
// that is not a project is refused before anything starts.

namespace {

/// A picture or a UTF-16 text named .vlpj must not print as an empty schedule: a project file
/// holds no NUL byte, and anything in it comes under a section line.
bool LooksLikeProjectFile(std::string_view bytes)
{
    if (bytes.find('\0') != std::string_view::npos)
        return false;
    bool content = false;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = std::min(bytes.find_first_of("\r\n", start), bytes.size());
        const std::string_view line = TrimControl(bytes.substr(start, end - start));
        if (!line.empty() && line.front() == '[')
            return true;
        content = content || !line.empty();
        start = end + 1;
    }
    return !content;
}

std::string HelperPath()
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return (error ? std::filesystem::path("sigcfg-print") : self.parent_path() / "sigcfg-print").string();
}

} // namespace

int RunPrint(const std::vector<std::string> &args)
{
    if (!ExpectArgs(args, 2, "print FILE.vlpj OUT.pdf"))
        return 2;
    TToolProject loaded;
    LoadExistingProject(args[0], loaded);
    if (!LooksLikeProjectFile(ReadWholeFile(args[0])))
        throw TFormatError("Unable to read " + args[0] + "\nэто не файл проекта");
    // A slip of the hand must not put a PDF where the project was.
    std::error_code error;
    if (std::filesystem::equivalent(args[0], args[1], error))
        throw TFileError("Unable to write to " + args[1] + "\nэто сам файл проекта");
    const std::string helper = HelperPath();
    if (!FileExists(helper))
        throw TFileError("Программа печати не найдена: " + helper);
    const char *argv[] = {helper.c_str(), args[0].c_str(), args[1].c_str(), nullptr};
    ::execv(helper.c_str(), const_cast<char *const *>(argv));
    throw TFileError("Не удалось запустить " + helper + ": " + std::strerror(errno));
}
