#include "model/error.h"
#include "storage/spreadsheet.h"
#include "storage/workbookmodule.h"

#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <climits>

namespace {

/// The folder of the running program; the module lives beside it (build tree) or in its lib folder.
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

struct TModule
{
    TExportEntry Export = nullptr;
    TImportEntry Import = nullptr;
};

/// Loads the module once; a missing or broken module throws, naming the file concerned.
const TModule &Module()
{
    static TModule module;
    if (module.Export != nullptr)
        return module;
    const std::string folder = ProgramFolder();
    const std::array<std::string, 2> candidates = {folder + "/lib/sigcfg/modules/" + ModuleFileName,
                                                   folder + "/../lib/sigcfg/modules/" + ModuleFileName};
    std::string failure;
    for (const std::string &path : candidates) {
        if (::access(path.c_str(), F_OK) != 0)
            continue;
        void *handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            const char *why = ::dlerror();
            failure = "Не удалось загрузить модуль книг " + path + "\n" + (why != nullptr ? why : "");
            continue;
        }
        module.Export = reinterpret_cast<TExportEntry>(::dlsym(handle, ExportEntryName));
        module.Import = reinterpret_cast<TImportEntry>(::dlsym(handle, ImportEntryName));
        if (module.Export != nullptr && module.Import != nullptr)
            return module;
        module = {};
        failure = "Модуль книг " + path + " повреждён";
    }
    if (failure.empty())
        failure = "Не найден модуль книг " + candidates[0] + "\nПрограмма установлена не полностью";
    throw TFileError(failure);
}

/// Rethrows what the module reported as the exception it was.
void Raise(TModuleOutcome outcome, const std::string &text)
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

} // namespace

void ExportSpreadsheet(TProject &project, const std::string &path)
{
    std::string text;
    Raise(Module().Export(project, path, text), text);
}

TImportResult ImportSpreadsheet(const std::string &path, TProject &project)
{
    std::string text;
    const TModuleOutcome outcome = Module().Import(path, project, text);
    Raise(outcome, text);
    return outcome == TModuleOutcome::WrongFormat ? TImportResult::WrongFormat : TImportResult::Imported;
}
