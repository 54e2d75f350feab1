#include "storage/spreadsheet.h"

#include "model/error.h"
#include "model/lib.h"
#include "storage/exchangecolumns.h"
#include "storage/fileio.h"
#include "storage/memoryfile.h"
#include "storage/rowreport.h"
#include "storage/skiplist.h"
#include "storage/workbook/workbook.h"

#include <xlsxwriter.h>

#include <optional>

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

    /// Writes the header row.
    void Header()
    {
        int c = 0;
        const TScheduleRow row;
        ForEachColumn(row, MaxZones, [&](TExchangeColumn column, int32_t) {
            Cell(0, c++, ColumnHeader(column), nullptr);
            return true;
        });
    }

    /// Writes a row of the schedule; the two-digit columns are marked as text.
    void Row(lxw_row_t r, const TScheduleRow &row)
    {
        int c = 0;
        ForEachColumn(row, MaxZones, [&](TExchangeColumn column, int32_t value) {
            std::string text;
            AppendColumnText(text, column, value);
            Cell(r, c++, text, IsTwoDigitColumn(column) ? TextFormat : nullptr);
            return true;
        });
    }

    void Close()
    {
        const lxw_error result = workbook_close(Workbook);
        Workbook = nullptr;
        if (result != LXW_NO_ERROR)
            throw TFileError(ErrorText);
    }

private:
    void Cell(lxw_row_t r, int c, const std::string &text, lxw_format *format)
    {
        if (worksheet_write_string(Sheet, r, lxw_col_t(c), text.c_str(), format) != LXW_NO_ERROR)
            throw TFileError(ErrorText);
    }

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
    writer.Header();
    lxw_row_t row = 0;
    ExportWalk(project, [&](int g, int s) { writer.Row(++row, ScheduleRow(project, g, s)); });
    writer.Row(++row, EndOfTableRow());
    writer.Close();
    return file.ReadAll();
}

/// A cell as a whole integer: optional sign and decimal digits, nothing else; anything else,
/// and a value outside 32 bits, gives nothing (the import reads it as 0).
std::optional<int32_t> CellInteger(std::string_view text)
{
    size_t pos = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+'))
        ++pos;
    if (pos == text.size())
        return std::nullopt;
    int64_t value = 0;
    for (; pos < text.size(); ++pos) {
        if (text[pos] < '0' || text[pos] > '9')
            return std::nullopt;
        value = value * 10 + (text[pos] - '0');
        if (value > int64_t(INT32_MAX) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return int32_t(value);
}

/// "B3": a cell's name as spreadsheets show it.
std::string CellName(int64_t row, int column)
{
    std::string letters;
    for (int c = column; c > 0; c = (c - 1) / 26)
        letters.insert(letters.begin(), char('A' + (c - 1) % 26));
    return letters + std::to_string(row);
}

std::string_view CellText(const TCellGrid &grid, int64_t row, int column)
{
    return TrimControl(grid.At(row, column));
}

/// Row r as the import reads it: the cells up to the header's count, each a whole integer or 0; an
/// empty one ends the row and the rest stays 0 (cells past the last column have no place and are
/// left alone). each(column, c, text, value) for every cell read.
template <typename TEach>
TScheduleRow ReadCellRow(const TCellGrid &grid, int64_t r, int columns, int32_t zoneCount, TEach &&each)
{
    TScheduleRow row;
    int c = 0;
    ForEachColumn(row, zoneCount, [&](TExchangeColumn column, int32_t &value) {
        const std::string_view text = ++c <= columns ? CellText(grid, r, c) : std::string_view();
        if (text.empty())
            return false;
        value = CellInteger(text).value_or(0);
        each(column, c, text, value);
        return true;
    });
    return row;
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

TImportResult ImportCellGrid(const TCellGrid &grid, TProject &project, std::vector<TSkippedEntry> &skipped)
{
    skipped.clear();
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
    TSkipList skips(skipped);
    TRowLedger ledger(zoneCount);
    // Rows run to the first empty first cell; the grid holds finitely many cells, so they end.
    int64_t r = 2;
    for (; !CellText(grid, r, 1).empty(); ++r) {
        const TScheduleRow row = ReadCellRow(
            grid, r, columns, zoneCount, [&](TExchangeColumn column, int c, std::string_view text, int32_t value) {
                // Kept as it is, but no schedule of ours holds one: said. What is no whole number is
                // held against the project below.
                if (value < 0)
                    skips.Add("ячейка " + CellName(r, c), [&] {
                        return ColumnHeader(column) + ": " + QuotedCell(text) +
                               " — отрицательное число; прочитано как " + std::to_string(value);
                    });
            });
        if (std::string reason = RowSkipReason(row, counters); !reason.empty())
            skips.Add("строка " + std::to_string(r), [&] { return std::move(reason); });
        ledger.Stored(row, StoreScheduleRow(project, counters, row, zoneCount, false), r);
    }

    // Every row again, against what the project holds now that all are read. The cells after an
    // empty one were not read: what they hold is said too.
    counters = {};
    for (int64_t again = 2; again < r; ++again) {
        const TScheduleRow row = ReadCellRow(grid, again, columns, zoneCount, [](auto...) {});
        const int32_t slot = RowSlot(row, counters);
        if (TRowLedger::HoldsNothing(row, slot))
            continue;
        ledger.Hold(
            project, row, slot, again, "строка " + std::to_string(again),
            [&](int i) { return "ячейка " + CellName(again, i + 1); },
            [&](int i) { return i < columns ? std::optional(CellText(grid, again, i + 1)) : std::nullopt; }, skips);
    }
    if (const int64_t last = grid.LastRow(); last > r)
        skips.Add("строки " + std::to_string(r + 1) + "–" + std::to_string(last),
                  [&] { return "после пустой ячейки " + CellName(r, 1) + " таблица не читается; строки пропущены"; });
    return TImportResult::Imported;
}

TImportResult ImportCellGrid(const TCellGrid &grid, TProject &project)
{
    std::vector<TSkippedEntry> skipped;
    return ImportCellGrid(grid, project, skipped);
}

TImportResult ParseSpreadsheet(std::string_view bytes, const std::string &name, TProject &project,
                               std::vector<TSkippedEntry> &skipped)
{
    return ImportCellGrid(ReadWorkbookCells(bytes, name), project, skipped);
}

TImportResult ParseSpreadsheet(std::string_view bytes, const std::string &name, TProject &project)
{
    std::vector<TSkippedEntry> skipped;
    return ParseSpreadsheet(bytes, name, project, skipped);
}

TImportResult ReadSpreadsheetFile(const std::string &path, TProject &project, std::vector<TSkippedEntry> &skipped)
{
    // The whole sheet is read before the project is touched, so a bad file leaves it as it was.
    return ImportCellGrid(ReadWorkbookFile(path), project, skipped);
}
