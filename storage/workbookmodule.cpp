#include "storage/workbookmodule.h"

#include "model/cause.h"
#include "model/error.h"
#include "storage/spreadsheet.h"

#include <new>

namespace {

/// Runs one entry point's work and turns its exception, if any, into an outcome and a text; one
/// that is not ours (memory running out) gets the text that names the file.
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

extern "C" __attribute__((visibility("default"))) TModuleOutcome SigWorkbookImport(const std::string &path,
                                                                                   TProject &project, std::string &text)
{
    return Guarded(path, text, [&] {
        const TImportResult result = ReadSpreadsheetFile(path, project);
        return result == TImportResult::Imported ? TModuleOutcome::Done : TModuleOutcome::WrongFormat;
    });
}
