#include "storage/workbook/cellgrid.h"

#include <algorithm>

namespace {

const std::string EmptyText;

} // namespace

const std::string &TCellGrid::At(int64_t row, int64_t column) const
{
    if (!Inside(row, column))
        return EmptyText;
    const auto found = Cells.find((row - 1) * Columns + (column - 1));
    return found == Cells.end() ? EmptyText : found->second;
}

int64_t TCellGrid::LastRow() const
{
    int64_t last = 0;
    for (const auto &[key, text] : Cells) {
        const int64_t row = key / Columns + 1;
        if (row > last && std::any_of(text.begin(), text.end(), [](char c) { return uint8_t(c) > 32; }))
            last = row;
    }
    return last;
}

void TCellGrid::Set(int64_t row, int64_t column, std::string_view text)
{
    if (!Inside(row, column))
        return;
    const int64_t key = (row - 1) * Columns + (column - 1);
    const auto found = Cells.find(key);
    const size_t old = found == Cells.end() ? 0 : found->second.size();
    size_t limit = std::min(MaxCellBytes, MaxBytes - (Bytes - old));
    if (text.size() > limit) {
        // Cut on a character boundary, not inside a UTF-8 sequence; past three continuation bytes
        // there is no character to keep whole, and a cut that leaves some text keeps the reading going.
        for (int k = 0; k < 3 && limit > 0 && (static_cast<unsigned char>(text[limit]) & 0xC0) == 0x80; ++k)
            --limit;
        text = text.substr(0, limit);
    }
    if (text.empty()) {
        if (found != Cells.end())
            Cells.erase(found);
        Bytes -= old;
        return;
    }
    if (found == Cells.end() && Cells.size() >= MaxCells)
        return;
    Bytes = Bytes - old + text.size();
    // A fresh string: the cell holds what it keeps, not the allocation of a longer source.
    if (found == Cells.end())
        Cells.emplace(key, std::string(text));
    else
        found->second = std::string(text);
}

void AppendCellText(std::string &out, std::string_view text)
{
    if (out.size() < TCellGrid::MaxReadBytes)
        out.append(text.substr(0, TCellGrid::MaxReadBytes - out.size()));
}

std::string NotAWorkbookMessage(const std::string &name)
{
    return "Файл " + name + " не является книгой (.xlsx, .ods или .xls), которую можно прочитать";
}

std::string DamagedMessage(const std::string &name)
{
    return "Файл " + name + " повреждён";
}

std::string TooLargeMessage(const std::string &name)
{
    return "Файл " + name + " слишком велик для чтения";
}

std::string PasswordMessage(const std::string &name)
{
    return "Файл " + name + " защищён паролем: снимите пароль в программе, где он задан, и сохраните книгу снова";
}
