#include "storage/workbook/xlsreader.h"

#include "model/codepage.h"
#include "model/error.h"
#include "storage/workbook/biffstring.h"
#include "storage/workbook/cellvalue.h"
#include "storage/workbook/compoundfile.h"
#include "storage/workbook/littleendian.h"

#include <cstring>
#include <vector>

// A reader of the cell records of BIFF8 (Excel 97 and later) and BIFF5/7 (Excel 5 and 95)
// workbooks. It reads only the records a sheet's values need, every one checked against its
// length, and keeps nothing a file declares in advance (dimensions, string counts).

namespace {

enum TRecordType : uint16_t {
    Bof = 0x0809,
    Eof = 0x000A,
    BoundSheet = 0x0085,
    Window1 = 0x003D,
    CodePage = 0x0042,
    FilePass = 0x002F,
    Sst = 0x00FC,
    Continue = 0x003C,
    Number = 0x0203,
    Rk = 0x027E,
    MulRk = 0x00BD,
    LabelSst = 0x00FD,
    Label = 0x0204,
    RString = 0x00D6,
    BoolErr = 0x0205,
    Formula = 0x0006,
    String = 0x0207,
    SharedFormula = 0x04BC,
    Array = 0x0221,
    Table = 0x0236,
};

double Double(std::string_view bytes, size_t pos)
{
    uint64_t bits = uint64_t(Le32(bytes, pos)) | uint64_t(Le32(bytes, pos + 4)) << 32;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

/// The number an RK value packs: a 30-bit integer or the top of a double, maybe divided by 100.
double RkValue(uint32_t rk)
{
    double value;
    if (rk & 2) {
        value = double(int32_t(rk) >> 2);
    } else {
        const uint64_t bits = uint64_t(rk & 0xFFFFFFFC) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return rk & 1 ? value / 100 : value;
}

std::string ErrorText(uint8_t code)
{
    switch (code) {
    case 0x00:
        return "#NULL!";
    case 0x07:
        return "#DIV/0!";
    case 0x0F:
        return "#VALUE!";
    case 0x17:
        return "#REF!";
    case 0x1D:
        return "#NAME?";
    case 0x24:
        return "#NUM!";
    default:
        return "#N/A";
    }
}

struct TRecord
{
    uint16_t Type = 0;
    std::string_view Data;
};

/// The records of a stream from an offset on; a record that runs past the stream ends it.
class TRecords
{
public:
    TRecords(std::string_view stream, size_t offset) : Stream(stream), Pos(offset) {}

    bool Next(TRecord &record)
    {
        if (Pos + 4 > Stream.size())
            return false;
        const size_t size = Le16(Stream, Pos + 2);
        if (Pos + 4 + size > Stream.size())
            return false;
        record = {uint16_t(Le16(Stream, Pos)), Stream.substr(Pos + 4, size)};
        Pos += 4 + size;
        return true;
    }

    /// The record's data followed by the data of the CONTINUE records after it.
    std::vector<std::string_view> WithContinues(const TRecord &record)
    {
        std::vector<std::string_view> segments{record.Data};
        while (Pos + 4 <= Stream.size() && Le16(Stream, Pos) == Continue) {
            TRecord next;
            if (!Next(next))
                break;
            segments.push_back(next.Data);
        }
        return segments;
    }

private:
    std::string_view Stream;
    size_t Pos;
};

class TXlsReader
{
public:
    TXlsReader(std::string_view stream, const std::string &name) : Stream(stream), Name(name) {}

    TCellGrid Read()
    {
        ReadGlobals();
        TCellGrid grid;
        if (Sheets.empty())
            return grid;
        const size_t sheet = ActiveTab < Sheets.size() ? ActiveTab : 0;
        ReadSheet(Sheets[sheet], grid);
        return grid;
    }

private:
    void ReadGlobals()
    {
        TRecords records(Stream, 0);
        TRecord record;
        if (!records.Next(record) || record.Type != Bof || record.Data.size() < 2)
            throw TFormatError(DamagedMessage(Name));
        Biff8 = Le16(record.Data, 0) >= 0x0600;
        bool windowSeen = false;
        while (records.Next(record) && record.Type != Eof) {
            const std::string_view data = record.Data;
            if (record.Type == BoundSheet && data.size() >= 4) {
                Sheets.push_back(Le32(data, 0));
            } else if (record.Type == Window1 && data.size() >= 12 && !windowSeen) {
                ActiveTab = Le16(data, 10);
                windowSeen = true;
            } else if (record.Type == FilePass) {
                throw TFormatError(PasswordMessage(Name)); // the records after it are encrypted
            } else if (record.Type == CodePage && data.size() >= 2) {
                CodePageNumber = Le16(data, 0);
            } else if (record.Type == Sst && Biff8) {
                SharedSegments = records.WithContinues(record);
            }
        }
    }

    void ReadSheet(uint32_t offset, TCellGrid &grid)
    {
        TRecords records(Stream, offset);
        TRecord record;
        if (!records.Next(record) || record.Type != Bof)
            throw TFormatError(DamagedMessage(Name));
        int depth = 1; // charts and other substreams may nest inside a sheet
        // The cell of the last formula whose text result is still to come; row 0 when none.
        int64_t formulaRow = 0, formulaColumn = 0;
        while (depth > 0 && records.Next(record)) {
            const std::string_view data = record.Data;
            if (record.Type == Bof) {
                ++depth;
                continue;
            }
            if (record.Type == Eof) {
                --depth;
                continue;
            }
            if (depth > 1)
                continue;
            // A formula's text result follows it, maybe after the records that share its formula.
            if (record.Type != String && record.Type != SharedFormula && record.Type != Array && record.Type != Table)
                formulaRow = 0;
            if (record.Type == String && formulaRow != 0) {
                TContinuedReader reader(records.WithContinues(record));
                std::string text;
                if (Biff8 ? UnicodeString(reader, text) : ByteString(data, 0, text))
                    grid.Set(formulaRow, formulaColumn, std::move(text));
                formulaRow = 0;
                continue;
            }
            if (data.size() < 6)
                continue;
            const int64_t row = int64_t(Le16(data, 0)) + 1;
            const int64_t column = int64_t(Le16(data, 2)) + 1;
            if (record.Type == MulRk) {
                // Several RK numbers of one row: row, first column, (format, RK) pairs, last column.
                for (size_t k = 0; 4 + 6 * k + 6 <= data.size() - 2; ++k)
                    grid.Set(row, column + int64_t(k), NumberText(RkValue(Le32(data, 4 + 6 * k + 2))));
                continue;
            }
            if (!TCellGrid::Inside(row, column))
                continue;
            if (record.Type == Number && data.size() >= 14) {
                grid.Set(row, column, NumberText(Double(data, 6)));
            } else if (record.Type == Rk && data.size() >= 10) {
                grid.Set(row, column, NumberText(RkValue(Le32(data, 6))));
            } else if (record.Type == LabelSst && data.size() >= 10) {
                grid.Set(row, column, SharedString(Le32(data, 6)));
            } else if (record.Type == Label || record.Type == RString) {
                std::string text;
                TContinuedReader reader({data.substr(6)});
                if (Biff8 ? UnicodeString(reader, text) : ByteString(data, 6, text))
                    grid.Set(row, column, std::move(text));
            } else if (record.Type == BoolErr && data.size() >= 8) {
                const uint8_t value = uint8_t(data[6]);
                grid.Set(row, column, data[7] != 0 ? ErrorText(value) : value != 0 ? "TRUE" : "FALSE");
            } else if (record.Type == Formula && data.size() >= 14) {
                if (Le16(data, 12) != 0xFFFF) {
                    grid.Set(row, column, NumberText(Double(data, 6)));
                } else if (data[6] == 0) {
                    formulaRow = row; // the text follows in a STRING record
                    formulaColumn = column;
                } else if (data[6] == 1) {
                    grid.Set(row, column, data[8] != 0 ? "TRUE" : "FALSE");
                } else if (data[6] == 2) {
                    grid.Set(row, column, ErrorText(uint8_t(data[8])));
                } else {
                    grid.Set(row, column, "");
                }
            }
        }
    }

    /// An Excel 5/95 string: a 16-bit length and bytes in the workbook's code page.
    bool ByteString(std::string_view data, size_t pos, std::string &out) const
    {
        if (pos + 2 > data.size())
            return false;
        const size_t length = Le16(data, pos);
        if (pos + 2 + length > data.size())
            return false;
        const std::string_view bytes = data.substr(pos + 2, length);
        if (CodePageNumber == 1251) {
            out = Cp1251ToUtf8(bytes);
        } else {
            out.clear();
            for (const char c : bytes)
                AppendUtf8(out, uint8_t(c));
        }
        return true;
    }

    /// The shared strings table, all of it, into one buffer and the offsets of each string in it:
    /// a table of millions of short strings costs a few bytes a string, not a string object each.
    /// Read when the first cell needs it.
    void ReadSharedStrings()
    {
        SharedRead = true;
        if (SharedSegments.empty())
            return;
        TContinuedReader reader(std::move(SharedSegments));
        uint32_t total, unique;
        if (!reader.U32(total) || !reader.U32(unique))
            return;
        // The count is the file's word only: the strings end where the data does.
        std::string text;
        for (uint32_t index = 0; index < unique && UnicodeString(reader, text); ++index, text.clear()) {
            SharedText += text;
            SharedEnds.push_back(uint32_t(SharedText.size()));
        }
    }

    std::string_view SharedString(uint32_t index)
    {
        if (!SharedRead)
            ReadSharedStrings();
        if (index >= SharedEnds.size())
            return {};
        const uint32_t begin = index == 0 ? 0 : SharedEnds[index - 1];
        return std::string_view(SharedText).substr(begin, SharedEnds[index] - begin);
    }

    std::string_view Stream;
    const std::string &Name;
    bool Biff8 = true;
    std::vector<uint32_t> Sheets;
    size_t ActiveTab = 0;
    uint32_t CodePageNumber = 1252;
    std::vector<std::string_view> SharedSegments; // the table's records, until it is read
    bool SharedRead = false;
    std::string SharedText;           // the shared strings one after another, as UTF-8
    std::vector<uint32_t> SharedEnds; // where each ends in SharedText
};

} // namespace

TCellGrid ReadXlsCells(std::string_view bytes, const std::string &name)
{
    const std::optional<std::string> stream = CompoundWorkbookStream(bytes);
    if (!stream && CompoundHoldsEncryptedPackage(bytes))
        throw TFormatError(PasswordMessage(name));
    if (!stream)
        throw TFormatError(DamagedMessage(name));
    return TXlsReader(*stream, name).Read();
}
