#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the workbook readers share: the grid of cells they fill, the package they read parts from,
// the limits that keep a crafted file small, and the messages that name the file.

/// The top-left 99 x 99 cells of a sheet as texts; every other cell is dropped while reading.
class TCellGrid
{
public:
    static constexpr int Size = 99;
    /// A longer text is cut, as no application holds more in a cell; and all texts together stay
    /// within MaxBytes, so a crafted file can not make the grid large.
    static constexpr size_t MaxCellBytes = 32767;
    static constexpr size_t MaxBytes = 16u << 20;

    /// The text of cell (row, column), both from 1; "" for an empty cell or one outside the grid.
    const std::string &At(int64_t row, int64_t column) const;
    /// Stores a cell's text; a cell outside the grid is ignored.
    void Set(int64_t row, int64_t column, std::string text);
    static bool Inside(int64_t row, int64_t column) { return row >= 1 && row <= Size && column >= 1 && column <= Size; }

private:
    std::vector<std::string> Cells = std::vector<std::string>(Size * Size);
    size_t Bytes = 0;
};

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
/// Files larger than this are refused before they are read.
inline constexpr size_t MaxWorkbookFileBytes = 128u << 20;

/// The errors of the readers, each naming the file.
std::string NotAWorkbookMessage(const std::string &name);
std::string DamagedMessage(const std::string &name);
std::string TooLargeMessage(const std::string &name);
