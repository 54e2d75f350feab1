#include "storage/spreadsheet.h"

#include "model/error.h"
#include "model/lib.h"
#include "storage/exchangecolumns.h"
#include "storage/fileio.h"
#include "storage/memoryfile.h"
#include "storage/workbook/workbook.h"

#include <xlsxwriter.h>

namespace {

/// Header cells scanned.
constexpr int MaxColumns = 99;

/// The workbook being written; closing it writes the file, on every way out.
class TXlsxWriter
{
public:
    TXlsxWriter(const std::string &file, const std::string &errorText) : ErrorText(errorText)
    {
        Workbook = workbook_new(file.c_str());
        Sheet = Workbook != nullptr ? workbook_add_worksheet(Workbook, nullptr) : nullptr;
        TextFormat = Workbook != nullptr ? workbook_add_format(Workbook) : nullptr;
        if (Sheet == nullptr || TextFormat == nullptr)
            throw TFileError(ErrorText);
        format_set_num_format(TextFormat, "@");
    }
    ~TXlsxWriter()
    {
        if (Workbook != nullptr)
            workbook_close(Workbook);
    }

    /// Writes the texts of a row; textColumns: the two-digit columns are marked as text.
    void Row(lxw_row_t row, const std::array<std::string, WrittenColumnCount> &texts, bool textColumns)
    {
        for (int c = 0; c < WrittenColumnCount; ++c) {
            const bool text = textColumns && IsTwoDigitColumn(*ExchangeColumnAt(c, MaxZones));
            if (worksheet_write_string(Sheet, row, lxw_col_t(c), texts[size_t(c)].c_str(),
                                       text ? TextFormat : nullptr) != LXW_NO_ERROR)
                throw TFileError(ErrorText);
        }
    }

    void Close()
    {
        const lxw_error result = workbook_close(Workbook);
        Workbook = nullptr;
        if (result != LXW_NO_ERROR)
            throw TFileError(ErrorText);
    }

private:
    std::string ErrorText;
    lxw_workbook *Workbook = nullptr;
    lxw_worksheet *Sheet = nullptr;
    lxw_format *TextFormat = nullptr;
};

std::string WorkbookBytes(TProject &project, const std::string &errorText)
{
    // The writer wants a file name; a file in memory keeps the disk out of it until the atomic write.
    TMemoryFile file(errorText);
    TXlsxWriter writer(file.Path(), errorText);
    writer.Row(0, HeaderTexts(), false);
    lxw_row_t row = 0;
    ExportWalk(project, [&](int g, int s) { writer.Row(++row, RowTexts(ScheduleRow(project, g, s)), true); });
    writer.Row(++row, RowTexts(EndOfTableRow()), true);
    writer.Close();
    return file.ReadAll();
}

/// A cell as a whole integer: optional sign and decimal digits, nothing else; anything else,
/// and a value outside 32 bits, gives 0.
int32_t CellInteger(std::string_view text)
{
    size_t pos = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+'))
        ++pos;
    if (pos == text.size())
        return 0;
    int64_t value = 0;
    for (; pos < text.size(); ++pos) {
        if (text[pos] < '0' || text[pos] > '9')
            return 0;
        value = value * 10 + (text[pos] - '0');
        if (value > int64_t(INT32_MAX) + 1)
            return 0;
    }
    if (negative)
        value = -value;
    return value >= INT32_MIN && value <= INT32_MAX ? int32_t(value) : 0;
}

std::string_view CellText(const TCellGrid &grid, int64_t row, int column)
{
    return TrimControl(grid.At(row, column));
}

} // namespace

std::string SerializeSpreadsheet(TProject &project)
{
    return WorkbookBytes(project, "Unable to write the workbook");
}

void WriteSpreadsheetFile(TProject &project, const std::string &path)
{
    WriteFileAtomically(path, WorkbookBytes(project, "Unable to write to " + path));
}

TImportResult ImportCellGrid(const TCellGrid &grid, TProject &project)
{
    int columns = 0;
    while (columns < MaxColumns && !CellText(grid, 1, columns + 1).empty())
        ++columns;
    const int32_t deviceType = DeviceTypeForColumnCount(columns);
    if (deviceType == 0)
        return TImportResult::WrongFormat;

    ResetProject(project);
    project.DeviceType = deviceType;
    const int32_t zoneCount = DeviceZoneCounts[size_t(deviceType)];
    TSlotCounters counters{};
    // Rows run to the first empty first cell; the grid holds finitely many cells, so they end.
    for (int64_t r = 2; !CellText(grid, r, 1).empty(); ++r) {
        TScheduleRow row;
        for (int c = 1; c <= columns; ++c) {
            const std::string_view text = CellText(grid, r, c);
            if (text.empty())
                break; // the rest of the row stays 0
            // Columns past the row's last, up to the header's count, are read and left alone.
            if (const std::optional<TExchangeColumn> column = ExchangeColumnAt(c - 1, zoneCount))
                ColumnValue(row, *column) = CellInteger(text);
        }
        StoreScheduleRow(project, counters, row, zoneCount, false);
    }
    return TImportResult::Imported;
}

TImportResult ParseSpreadsheet(std::string_view bytes, const std::string &name, TProject &project)
{
    return ImportCellGrid(ReadWorkbookCells(bytes, name), project);
}

TImportResult ReadSpreadsheetFile(const std::string &path, TProject &project)
{
    // The whole sheet is read before the project is touched, so a bad file leaves it as it was.
    return ImportCellGrid(ReadWorkbookFile(path), project);
}
