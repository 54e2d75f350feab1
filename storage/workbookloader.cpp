#include "model/error.h"
#include "model/modulefile.h"
#include "storage/spreadsheet.h"
#include "storage/workbookmodule.h"

#include <dlfcn.h>
#include <unistd.h>

namespace {

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
    const std::vector<std::string> candidates = ModuleCandidates(ModuleFileName);
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
        failure = "Не найден модуль книг " + std::string(ModuleFileName) +
                  "; программа установлена не полностью\nИскали: " + SearchedText(candidates);
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

bool LooksLikeWorkbook(std::string_view firstBytes)
{
    const auto startsWith = [&](std::string_view magic) { return firstBytes.substr(0, magic.size()) == magic; };
    return startsWith("PK\x03\x04") || startsWith(std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
}

void ExportSpreadsheet(TProject &project, const std::string &path)
{
    std::string text;
    Raise(Module().Export(project, path, text), text);
}

TImportResult ImportSpreadsheet(const std::string &path, TProject &project, std::vector<TSkippedEntry> &skipped)
{
    std::string text;
    const TModuleOutcome outcome = Module().Import(path, project, skipped, text);
    Raise(outcome, text);
    return outcome == TModuleOutcome::WrongFormat ? TImportResult::WrongFormat : TImportResult::Imported;
}

TImportResult ImportSpreadsheet(const std::string &path, TProject &project)
{
    std::vector<TSkippedEntry> skipped;
    return ImportSpreadsheet(path, project, skipped);
}
