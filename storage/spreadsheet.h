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
/// Cells that are no whole number where one is read, and rows with no place in the model, are
/// listed in skipped (emptied first).
TImportResult ImportSpreadsheet(const std::string &path, TProject &project, std::vector<TSkippedEntry> &skipped);
TImportResult ImportSpreadsheet(const std::string &path, TProject &project);

/// True when the bytes start as a workbook does (a zip package or a compound file); anything else
/// is read as CSV. Eight bytes are enough. It needs no workbook module.
bool LooksLikeWorkbook(std::string_view firstBytes);

/// ExportSpreadsheet and ImportSpreadsheet as the workbook module runs them, in this process.
void WriteSpreadsheetFile(TProject &project, const std::string &path);
TImportResult ReadSpreadsheetFile(const std::string &path, TProject &project, std::vector<TSkippedEntry> &skipped);

/// The .xlsx bytes of the schedule sheet. Runs the export walk, so it clears unused records.
/// Throws TFileError when the workbook can not be made.
std::string SerializeSpreadsheet(TProject &project);

/// Replaces the project with the schedule of the workbook in bytes; name only appears in errors.
TImportResult ParseSpreadsheet(std::string_view bytes, const std::string &name, TProject &project,
                               std::vector<TSkippedEntry> &skipped);
TImportResult ParseSpreadsheet(std::string_view bytes, const std::string &name, TProject &project);

/// Replaces the project with the schedule on a sheet's cells: the header's cell count gives the
/// device type (WrongFormat, project untouched, when it gives none), the rows from 2 up to the first
/// whose first cell is empty the scenarios. A cell that is no whole number (8.5, a word, a number
/// beyond 32 bits) reads 0, a negative one as it is; each is listed in skipped ("ячейка B3"), and so
/// is every row with no place in the model ("строка 40"); skipped is emptied first.
TImportResult ImportCellGrid(const TCellGrid &grid, TProject &project, std::vector<TSkippedEntry> &skipped);
TImportResult ImportCellGrid(const TCellGrid &grid, TProject &project);
