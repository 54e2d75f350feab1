#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A small reader of spreadsheet workbooks: it finds the active sheet and hands over the cells
// that the schedule import looks at, each as the text a spreadsheet application would give.

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

/// The kind of workbook in a package: .xlsx, .ods, or Unknown.
TWorkbookKind PackageKind(TPackage &package);

/// The cells of the workbook's active sheet. Recognises .xlsx, .ods and .xls by content, never by
/// name; name only appears in errors. Throws TFormatError when the bytes are no readable workbook.
TCellGrid ReadWorkbookCells(std::string_view bytes, const std::string &name);

/// Reads the whole file, then ReadWorkbookCells. Throws TFileError when the file can not be read.
TCellGrid ReadWorkbookFile(const std::string &path);

/// A number as a spreadsheet hands it over as text: integral values in plain digits ("1", never
/// "1e+12"), others the shortest text that reads back the same, "." as the decimal separator.
std::string NumberText(double value);

/// The serial day number of an ISO date and time ("2024-01-15", "2024-01-15T08:30:00", "08:30:00")
/// counted from nullDate (days from 1970-01-01); nothing when the text is no such date.
std::optional<double> SerialFromIsoDateTime(std::string_view text, int64_t nullDate);

/// An ISO date and time as Excel numbers it: the 1900 system with its fictitious 1900-02-29, or
/// the 1904 system.
std::optional<double> ExcelSerialFromIsoDateTime(std::string_view text, bool date1904);

/// Days from 1970-01-01 to the given day of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day);

/// Parts larger than this are refused, and so are packages whose parts add up to more.
inline constexpr size_t MaxPartBytes = 16u << 20;
inline constexpr size_t MaxPackageBytes = 64u << 20;
/// Files larger than this are refused before they are read.
inline constexpr size_t MaxWorkbookFileBytes = 128u << 20;

/// The errors of the readers, each naming the file.
std::string NotAWorkbookMessage(const std::string &name);
std::string DamagedMessage(const std::string &name);
std::string TooLargeMessage(const std::string &name);
