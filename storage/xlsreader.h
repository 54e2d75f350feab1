#pragma once

#include "storage/workbook.h"

/// The cells of the first sheet of an .xls workbook (BIFF in an OLE2 container). Throws
/// TFormatError naming the file when the workbook can not be read.
TCellGrid ReadXlsCells(std::string_view bytes, const std::string &name);
