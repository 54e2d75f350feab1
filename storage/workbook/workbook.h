#pragma once

#include "storage/workbook/cellgrid.h"

#include <string>
#include <string_view>

// A small reader of spreadsheet workbooks: it finds the active sheet and hands over the cells
// that the schedule import looks at, each as the text a spreadsheet application would give.
// This dispatcher is the only file that knows the readers; they never refer back to it.

/// The kind of workbook in a package: .xlsx, .ods, or Unknown.
TWorkbookKind PackageKind(TPackage &package);

/// The cells of the workbook's active sheet. Recognises .xlsx, .ods and .xls by content, never by
/// name; name only appears in errors. Throws TFormatError when the bytes are no readable workbook.
TCellGrid ReadWorkbookCells(std::string_view bytes, const std::string &name);

/// Reads the whole file, then ReadWorkbookCells. Throws TFileError when the file can not be read.
TCellGrid ReadWorkbookFile(const std::string &path);

/// True when the bytes start as a workbook does (a zip package or a compound file); anything else
/// is read as CSV. Eight bytes are enough.
bool LooksLikeWorkbook(std::string_view firstBytes);
