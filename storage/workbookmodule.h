#pragma once

#include "model/moduleentry.h"
#include "model/type.h"
#include "storage/skippedentry.h"

#include <string>
#include <vector>

// The two entry points of the workbook module, a shared object loaded only by the commands that
// read or write a workbook: the libraries behind it (zip, xlsx writer, XML, crypto) then cost
// nothing to the commands that never touch one.

extern "C" {
using TExportEntry = TModuleOutcome (*)(TProject &project, const std::string &path, std::string &text);
using TImportEntry = TModuleOutcome (*)(const std::string &path, TProject &project, std::vector<TSkippedEntry> &skipped,
                                        std::string &text);
}

inline constexpr const char *ModuleFileName = "libsigcfg-workbook.so";
inline constexpr const char *ExportEntryName = "SigWorkbookExport";
inline constexpr const char *ImportEntryName = "SigWorkbookImport";
