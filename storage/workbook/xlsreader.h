#pragma once

#include "storage/workbook/cellgrid.h"

/// The cells of the active sheet of an .xls workbook (BIFF8, or BIFF5/7 of Excel 5 and 95, in an
/// OLE2 container). Throws TFormatError naming the file when the workbook can not be read.
TCellGrid ReadXlsCells(std::string_view bytes, const std::string &name);
