#pragma once

#include "model/type.h"
#include "storage/projectfile.h"

#include <string>
#include <vector>

// The two entry points of the workbook module, a shared object loaded only by the commands that
// read or write a workbook: the libraries behind it (zip, xlsx writer, XML, crypto) then cost
// nothing to the commands that never touch one. Exceptions do not cross the boundary: each entry
// returns what happened and the operator's text.

/// What an entry point reports; the text is what() of the exception that ended it.
enum class TModuleOutcome : int { Done = 0, WrongFormat = 1, FormatError = 2, FileError = 3, Failure = 4 };

extern "C" {
using TExportEntry = TModuleOutcome (*)(TProject &project, const std::string &path, std::string &text);
using TImportEntry = TModuleOutcome (*)(const std::string &path, TProject &project, std::vector<TSkippedEntry> &skipped,
                                        std::string &text);
}

inline constexpr const char *ModuleFileName = "libsigcfg-workbook.so";
inline constexpr const char *ExportEntryName = "SigWorkbookExport";
inline constexpr const char *ImportEntryName = "SigWorkbookImport";
