#pragma once

#include "storage/workbook/cellgrid.h"

/// The cells of the active sheet of an .xlsx package (workbookView activeTab, else the first
/// sheet). Throws TFormatError naming the file when a part it needs is missing or damaged.
TCellGrid ReadXlsxCells(TPackage &package, const std::string &name);

/// A cell reference such as "B12" (a "$" before either part is allowed); nothing when malformed.
struct TCellRef
{
    int64_t Row = 0;
    int64_t Column = 0;
};
std::optional<TCellRef> ParseCellRef(std::string_view text);

/// Resolves a relationship target against the folder of its source part ("xl/"): absolute
/// targets start at the package root, "." and ".." are followed, never above the root.
std::string ResolvePartName(std::string_view folder, std::string_view target);
