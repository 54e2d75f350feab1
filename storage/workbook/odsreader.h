#pragma once

#include "storage/workbook/cellgrid.h"

/// The cells of the active table of an .ods package (settings.xml ActiveTable, else the first
/// table). Throws TFormatError naming the file when content.xml is missing or damaged.
TCellGrid ReadOdsCells(TPackage &package, const std::string &name);

/// An ISO 8601 duration such as "PT12H30M00S" or "-P1DT2H" in days; nothing when malformed.
std::optional<double> DurationDays(std::string_view text);
