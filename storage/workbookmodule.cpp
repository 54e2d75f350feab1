#include "storage/workbookmodule.h"

#include "model/cause.h"
#include "model/error.h"
#include "storage/spreadsheet.h"

#include <new>

namespace {

/// Runs one entry point's work and turns its exception, if any, into an outcome and a text.
/// Memory running out is said in Russian with the file's name: the loader only sees a text.
template <typename Work> TModuleOutcome Guarded(const std::string &path, std::string &text, Work work)
{
    try {
        return work();
    } catch (const TFormatError &e) {
        text = e.what();
        return TModuleOutcome::FormatError;
    } catch (const TFileError &e) {
        text = e.what();
        return TModuleOutcome::FileError;
    } catch (const std::exception &e) {
        text = FailureText(e, path);
        return TModuleOutcome::Failure;
    }
}

} // namespace

extern "C" __attribute__((visibility("default"))) TModuleOutcome
SigWorkbookExport(TProject &project, const std::string &path, std::string &text)
{
    return Guarded(path, text, [&] {
        WriteSpreadsheetFile(project, path);
        return TModuleOutcome::Done;
    });
}

extern "C" __attribute__((visibility("default"))) TModuleOutcome
SigWorkbookImport(const std::string &path, TProject &project, std::vector<TSkippedEntry> &skipped, std::string &text)
{
    return Guarded(path, text, [&] {
        const TImportResult result = ReadSpreadsheetFile(path, project, skipped);
        return result == TImportResult::Imported ? TModuleOutcome::Done : TModuleOutcome::WrongFormat;
    });
}
