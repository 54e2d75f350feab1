#include "storage/workbookmodule.h"

#include "storage/spreadsheet.h"

extern "C" __attribute__((visibility("default"))) TModuleOutcome
SigWorkbookExport(TProject &project, const std::string &path, std::string &text)
{
    return GuardedEntry(path, text, [&] {
        WriteSpreadsheetFile(project, path);
        return TModuleOutcome::Done;
    });
}

extern "C" __attribute__((visibility("default"))) TModuleOutcome
SigWorkbookImport(const std::string &path, TProject &project, std::vector<TSkippedEntry> &skipped, std::string &text)
{
    return GuardedEntry(path, text, [&] {
        const TImportResult result = ReadSpreadsheetFile(path, project, skipped);
        return result == TImportResult::Imported ? TModuleOutcome::Done : TModuleOutcome::WrongFormat;
    });
}
