#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

/// The cells declared by every sheet of the workbook streams ("Workbook", or "Book" of older
/// files) of an OLE2 compound file; nothing when there is none or the container is malformed.
/// Every sector chain is bounded by the file's own size, so a crafted file can not make this loop.
std::optional<uint64_t> DeclaredXlsCells(std::string_view bytes);

/// The cells that the sheets of a BIFF workbook stream declare in their DIMENSION records,
/// summed over all sheets: what a reader that allocates every declared cell would allocate.
uint64_t DeclaredBiffCells(std::string_view stream);
