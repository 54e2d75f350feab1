#pragma once

#include "model/type.h"
#include "storage/csv.h"

#include <string>

/// Writes the schedule sheet as an .xlsx workbook to path exactly as given (whatever its
/// extension), atomically. Runs the export walk, so it clears unused records. Throws TFileError.
void ExportSpreadsheet(TProject &project, const std::string &path);

/// Replaces the project with the schedule of the workbook's active sheet (.xlsx, .ods or .xls,
/// recognised by content). WrongFormat (header gives no device type) leaves the project
/// untouched; a file that is no readable workbook throws TFormatError/TFileError naming it,
/// project untouched.
TImportResult ImportSpreadsheet(const std::string &path, TProject &project);
