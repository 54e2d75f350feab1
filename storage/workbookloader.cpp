#include "model/error.h"
#include "model/moduleentry.h"
#include "model/modulefile.h"
#include "storage/spreadsheet.h"
#include "storage/workbookmodule.h"

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
    if (module.Export == nullptr) {
        const std::vector<void *> entries =
            LoadModuleEntries(ModuleFileName, "книг", {ExportEntryName, ImportEntryName});
        module.Export = reinterpret_cast<TExportEntry>(entries[0]);
        module.Import = reinterpret_cast<TImportEntry>(entries[1]);
    }
    return module;
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
    RaiseModuleOutcome(Module().Export(project, path, text), text);
}

TImportResult ImportSpreadsheet(const std::string &path, TProject &project, std::vector<TSkippedEntry> &skipped)
{
    std::string text;
    const TModuleOutcome outcome = Module().Import(path, project, skipped, text);
    RaiseModuleOutcome(outcome, text);
    return outcome == TModuleOutcome::WrongFormat ? TImportResult::WrongFormat : TImportResult::Imported;
}

TImportResult ImportSpreadsheet(const std::string &path, TProject &project)
{
    std::vector<TSkippedEntry> skipped;
    return ImportSpreadsheet(path, project, skipped);
}
