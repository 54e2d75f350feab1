#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

// What the workbook readers share: the grid of cells they fill, the package they read parts from,
// the limits that keep a crafted file small, and the messages that name the file.

/// The cells of a sheet's first 99 columns as texts, as many rows down as the limits allow; every
/// other cell is dropped while reading. Only cells with text take memory.
class TCellGrid
{
public:
    static constexpr int Columns = 99;
    static constexpr int64_t MaxRow = int64_t(1) << 40;
    /// A longer text is cut, as no application holds more in a cell; all texts together stay
    /// within MaxBytes and the cells within MaxCells, so a crafted file can not make the grid large.
    static constexpr size_t MaxCellBytes = 32767;
    static constexpr size_t MaxBytes = 16u << 20;
    static constexpr size_t MaxCells = 1u << 18;
    /// What a reader gathers of one cell's text at most: a character more than a cell keeps, so
    /// that the grid sees where to cut.
    static constexpr size_t MaxReadBytes = MaxCellBytes + 4;

    /// The text of cell (row, column), both from 1; "" for an empty cell or one outside the grid.
    const std::string &At(int64_t row, int64_t column) const;
    /// Stores (a copy of) a cell's text, cut on a character boundary to the limits; "" empties
    /// the cell. A cell outside the grid, or a new one once the grid is full, is ignored.
    void Set(int64_t row, int64_t column, std::string_view text);
    static bool Inside(int64_t row, int64_t column)
    {
        return row >= 1 && row <= MaxRow && column >= 1 && column <= Columns;
    }
    /// The last row holding a cell with more than blanks and control characters; 0 when none.
    int64_t LastRow() const;
    /// True when no more text can be stored in a new cell.
    bool Full() const { return Cells.size() >= MaxCells || MaxBytes - Bytes < 4; }

private:
    std::unordered_map<int64_t, std::string> Cells; // (row - 1) * Columns + column - 1
    size_t Bytes = 0;
};

/// Appends text to a cell's text being read, never past TCellGrid::MaxReadBytes in all.
void AppendCellText(std::string &out, std::string_view text);

enum class TWorkbookKind { Unknown, Xlsx, Ods, Xls };

/// The parts of a package (the ZIP container of .xlsx and .ods) by name.
class TPackage
{
public:
    virtual ~TPackage() = default;
    /// True when the package holds a part of exactly this name.
    virtual bool Has(const std::string &part) const = 0;
    /// The part's bytes, or nothing when there is no such part. Throws TFormatError when the part
    /// is damaged or larger than the reader accepts.
    virtual std::optional<std::string> Read(const std::string &part) = 0;
};

/// Parts larger than this are refused, and so are packages whose parts add up to more.
inline constexpr size_t MaxPartBytes = 16u << 20;
inline constexpr size_t MaxPackageBytes = 64u << 20;
/// Files larger than this are refused before they are read: a full schedule's workbook is some
/// 100 KB, and the file, its largest part and that part's XML tree must stay within the program's
/// few hundred MB.
inline constexpr size_t MaxWorkbookFileBytes = 32u << 20;

/// The errors of the readers, each naming the file.
std::string NotAWorkbookMessage(const std::string &name);
std::string DamagedMessage(const std::string &name);
std::string TooLargeMessage(const std::string &name);
std::string PasswordMessage(const std::string &name);
