#pragma once

#include "model/type.h"
#include "storage/csv.h"

#include <string>
#include <string_view>

class TCellGrid;

/// Writes the schedule sheet as an .xlsx workbook to path exactly as given (whatever its
/// extension), atomically. Runs the export walk, so it clears unused records. Throws TFileError.
/// It runs in the workbook module, loaded on first use; a missing module throws TFileError.
void ExportSpreadsheet(TProject &project, const std::string &path);

/// Replaces the project with the schedule of the workbook's active sheet (.xlsx, .ods or .xls,
/// recognised by content). WrongFormat (header gives no device type) leaves the project
/// untouched; a file that is no readable workbook throws TFormatError/TFileError naming it,
/// project untouched. It runs in the workbook module, like ExportSpreadsheet.
TImportResult ImportSpreadsheet(const std::string &path, TProject &project);

/// ExportSpreadsheet and ImportSpreadsheet as the workbook module runs them, in this process.
void WriteSpreadsheetFile(TProject &project, const std::string &path);
TImportResult ReadSpreadsheetFile(const std::string &path, TProject &project);

/// The .xlsx bytes of the schedule sheet. Runs the export walk, so it clears unused records.
/// Throws TFileError when the workbook can not be made.
std::string SerializeSpreadsheet(TProject &project);

/// Replaces the project with the schedule of the workbook in bytes; name only appears in errors.
TImportResult ParseSpreadsheet(std::string_view bytes, const std::string &name, TProject &project);

/// Replaces the project with the schedule on a sheet's cells: the header's cell count gives the
/// device type (WrongFormat, project untouched, when it gives none), the rows from 2 up to the first
/// whose first cell is empty the scenarios.
TImportResult ImportCellGrid(const TCellGrid &grid, TProject &project);
