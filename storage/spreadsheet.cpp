#include "storage/spreadsheet.h"

#include "model/error.h"
#include "model/lib.h"
#include "storage/fileio.h"
#include "storage/memoryfile.h"
#include "storage/workbook/workbook.h"

#include <xlsxwriter.h>

namespace {

constexpr int ColumnCount = 45;
/// Header cells scanned.
constexpr int MaxColumns = 99;

const std::array<std::string, ColumnCount> &HeaderTexts()
{
    static const std::array<std::string, ColumnCount> texts = [] {
        std::array<std::string, ColumnCount> t;
        size_t k = 0;
        t[k++] = "Час";
        t[k++] = "Минута";
        for (std::string_view day : DayNames)
            t[k++] = std::string(day);
        for (int z = 1; z <= MaxZones; ++z)
            t[k++] = "Зона " + std::to_string(z);
        t[k++] = "Громкость";
        t[k++] = "Трэк";
        t[k++] = "Группа";
        t[k++] = "Сценарий";
        return t;
    }();
    return texts;
}

/// Hour, minute, volume, track, group and slot are text cells, so they keep their two digits.
bool IsTextColumn(size_t k)
{
    return k < 2 || k >= 41;
}

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

    void Row(lxw_row_t row, const std::array<std::string, ColumnCount> &texts, bool textColumns)
    {
        for (size_t k = 0; k < texts.size(); ++k) {
            lxw_format *format = textColumns && IsTextColumn(k) ? TextFormat : nullptr;
            if (worksheet_write_string(Sheet, row, lxw_col_t(k), texts[k].c_str(), format) != LXW_NO_ERROR)
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
    ExportWalk(project, [&](int g, int s) { writer.Row(++row, ScheduleRowTexts(project, g, s), true); });
    writer.Row(++row, EndOfTableTexts(), true);
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

/// Puts the value of column c (from 1) where the reading table of the sheet says.
void PlaceValue(TScheduleRow &row, int c, int32_t value, int32_t zoneCount)
{
    if (c == 1)
        row.Hour = value;
    else if (c == 2)
        row.Minute = value;
    else if (c <= 9)
        row.Days[size_t(c - 3)] = value;
    else if (c <= 9 + zoneCount)
        row.Zones[size_t(c - 9)] = value;
    else if (c == zoneCount + 10)
        row.Volume = value;
    else if (c == zoneCount + 11)
        row.Track = value;
    else if (c == zoneCount + 12)
        row.Group = value;
    else if (c == zoneCount + 13)
        row.Slot = value;
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
            PlaceValue(row, c, CellInteger(text), zoneCount);
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
