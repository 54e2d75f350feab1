#include "storage/workbook/cellgrid.h"

#include <algorithm>

namespace {

const std::string EmptyText;

} // namespace

const std::string &TCellGrid::At(int64_t row, int64_t column) const
{
    if (!Inside(row, column))
        return EmptyText;
    return Cells[static_cast<size_t>((row - 1) * Size + (column - 1))];
}

void TCellGrid::Set(int64_t row, int64_t column, std::string text)
{
    if (!Inside(row, column))
        return;
    std::string &cell = Cells[static_cast<size_t>((row - 1) * Size + (column - 1))];
    Bytes -= cell.size();
    size_t limit = std::min(MaxCellBytes, MaxBytes - Bytes);
    if (text.size() > limit) {
        // Cut on a character boundary, not inside a UTF-8 sequence.
        while (limit > 0 && (static_cast<unsigned char>(text[limit]) & 0xC0) == 0x80)
            --limit;
        text.resize(limit);
    }
    Bytes += text.size();
    cell = std::move(text);
}

std::string NotAWorkbookMessage(const std::string &name)
{
    return name + " is not a workbook that can be read";
}

std::string DamagedMessage(const std::string &name)
{
    return name + " is damaged";
}

std::string TooLargeMessage(const std::string &name)
{
    return name + " is too large to be read";
}
