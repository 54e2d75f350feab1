#include "storage/xlsreader.h"

#include "model/error.h"
#include "storage/compoundfile.h"
#include "storage/memoryfile.h"

#include <algorithm>
#include <freexl.h>

namespace {

/// The library keeps 16 bytes for each declared cell: 64 MB at most, as much as a package may inflate to.
constexpr uint64_t MaxXlsCells = 4u << 20;

/// Closes the library's handle on every way out.
class TXlsHandle
{
public:
    ~TXlsHandle()
    {
        if (Handle != nullptr)
            freexl_close(Handle);
    }
    const void *Handle = nullptr;
};

std::string CellText(const FreeXL_CellValue &cell, bool date1904)
{
    switch (cell.type) {
    case FREEXL_CELL_INT:
        return std::to_string(cell.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return NumberText(cell.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        return cell.value.text_value != nullptr ? cell.value.text_value : "";
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME: {
        // The library turns date cells into text; an application hands over their serial number.
        if (cell.value.text_value == nullptr)
            return {};
        const std::optional<double> serial = ExcelSerialFromIsoDateTime(cell.value.text_value, date1904);
        return serial ? NumberText(*serial) : std::string(cell.value.text_value);
    }
    default:
        return {};
    }
}

} // namespace

TCellGrid ReadXlsCells(std::string_view bytes, const std::string &name)
{
    // The library allocates every cell that the sheets declare, all sheets at once, before a
    // single cell is read: count them first, so a small crafted file can not claim gigabytes.
    const std::optional<uint64_t> cells = DeclaredXlsCells(bytes);
    if (!cells)
        throw TFormatError(DamagedMessage(name));
    if (*cells > MaxXlsCells)
        throw TFormatError(TooLargeMessage(name));
    // The library opens files by name only: it gets a copy in memory, never a temporary on disk.
    TMemoryFile file("Unable to read " + name);
    file.Write(bytes);
    TXlsHandle xls;
    if (freexl_open(file.Path().c_str(), &xls.Handle) != FREEXL_OK)
        throw TFormatError(DamagedMessage(name));
    unsigned int sheets = 0;
    unsigned int dateMode = 0;
    unsigned int password = 0;
    if (freexl_get_info(xls.Handle, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK ||
        freexl_get_info(xls.Handle, FREEXL_BIFF_DATEMODE, &dateMode) != FREEXL_OK ||
        freexl_get_info(xls.Handle, FREEXL_BIFF_PASSWORD, &password) != FREEXL_OK)
        throw TFormatError(DamagedMessage(name));
    if (password == FREEXL_BIFF_OBFUSCATED)
        throw TFormatError(NotAWorkbookMessage(name));
    TCellGrid grid;
    if (sheets == 0)
        return grid;
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_select_active_worksheet(xls.Handle, 0) != FREEXL_OK ||
        freexl_worksheet_dimensions(xls.Handle, &rows, &columns) != FREEXL_OK)
        throw TFormatError(DamagedMessage(name));
    const bool date1904 = dateMode == FREEXL_BIFF_DATEMODE_1904;
    const unsigned int lastRow = std::min<unsigned int>(rows, TCellGrid::Size);
    const unsigned short lastColumn = std::min<unsigned short>(columns, TCellGrid::Size);
    for (unsigned int r = 0; r < lastRow; ++r) {
        for (unsigned short c = 0; c < lastColumn; ++c) {
            FreeXL_CellValue cell;
            if (freexl_get_cell_value(xls.Handle, r, c, &cell) == FREEXL_OK)
                grid.Set(r + 1, c + 1, CellText(cell, date1904));
        }
    }
    return grid;
}
