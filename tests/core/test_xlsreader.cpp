#include "storage/workbook/xlsreader.h"

#include "model/error.h"
#include "storage/fileio.h"
#include "tests/core/support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

namespace {

const std::string Data = SIG_TEST_DATA;

std::string U16(uint32_t value)
{
    return {char(value & 0xFF), char((value >> 8) & 0xFF)};
}

std::string U32(uint32_t value)
{
    return U16(value & 0xFFFF) + U16(value >> 16);
}

std::string F64(double value)
{
    std::string bytes(8, '\0');
    std::memcpy(bytes.data(), &value, 8);
    return bytes;
}

std::string Record(uint16_t type, const std::string &data)
{
    return U16(type) + U16(uint32_t(data.size())) + data;
}

std::string Cell(uint32_t row, uint32_t column)
{
    return U16(row) + U16(column) + U16(15); // the last: the cell's format
}

/// A compressed (one byte a character) BIFF8 string.
std::string Text(const std::string &latin1)
{
    return U16(uint32_t(latin1.size())) + '\0' + latin1;
}

std::string Bof(uint32_t version, uint32_t kind)
{
    return Record(0x0809, U16(version) + U16(kind) + std::string(12, '\0'));
}

const std::string Eof = Record(0x000A, "");

/// An OLE2 compound file of 512-byte sectors holding one stream: FAT in sector 0, directory in
/// sector 1, the stream from sector 2 on, padded out of the mini stream's reach.
/// A second name, when given, is a stream entry over the same sectors.
std::string CompoundFile(std::string stream, const std::string &streamName = "Workbook",
                         const std::string &secondName = "")
{
    if (stream.size() < 4096)
        stream.resize(4096, '\0');
    const uint32_t sectors = uint32_t((stream.size() + 511) / 512);
    stream.resize(size_t(sectors) * 512, '\0');
    std::string header = std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(16, '\0') + U16(0x3E) +
                         U16(3) + U16(0xFFFE) + U16(9) + U16(6) + std::string(6, '\0') + U32(0) + U32(1) + U32(1) +
                         U32(0) + U32(4096) + U32(0xFFFFFFFE) + U32(0) + U32(0xFFFFFFFE) + U32(0) + U32(0);
    while (header.size() < 512)
        header += U32(0xFFFFFFFF);
    std::string fat = U32(0xFFFFFFFD) + U32(0xFFFFFFFE);
    for (uint32_t k = 0; k < sectors; ++k)
        fat += U32(k + 1 < sectors ? k + 3 : 0xFFFFFFFE);
    while (fat.size() < 512)
        fat += U32(0xFFFFFFFF);
    const auto entry = [](const std::string &name, uint8_t type, uint32_t start, uint32_t size) {
        std::string e;
        for (char c : name)
            e += U16(uint8_t(c));
        e.resize(64, '\0');
        e += U16(uint32_t(name.size() + 1) * 2) + char(type) + char(1) + U32(0xFFFFFFFF) + U32(0xFFFFFFFF) +
             U32(type == 5 ? 1 : 0xFFFFFFFF);
        e.resize(0x74, '\0');
        return e + U32(start) + U32(size) + U32(0);
    };
    std::string directory = entry("Root Entry", 5, 0xFFFFFFFE, 0) + entry(streamName, 2, 2, uint32_t(stream.size()));
    if (!secondName.empty())
        directory += entry(secondName, 2, 2, uint32_t(stream.size()));
    directory.resize(512, '\0');
    return header + fat + directory + stream;
}

/// Workbook globals and sheets; the BOUNDSHEET offsets are filled in as the sheets are placed.
std::string Workbook(const std::string &globals, const std::vector<std::string> &sheets, uint32_t version = 0x0600)
{
    const size_t boundSheetSize = 4 + 8;
    size_t offset = Bof(version, 5).size() + globals.size() + boundSheetSize * sheets.size() + Eof.size();
    std::string stream = Bof(version, 5) + globals;
    for (const std::string &sheet : sheets) {
        stream += Record(0x0085, U32(uint32_t(offset)) + '\0' + '\0' + U16(0));
        offset += sheet.size();
    }
    stream += Eof;
    for (const std::string &sheet : sheets)
        stream += sheet;
    return stream;
}

/// The texts of the first row's first cells, joined by "|".
std::string FirstRow(const TCellGrid &grid, int columns)
{
    std::string text = grid.At(1, 1);
    for (int c = 2; c <= columns; ++c)
        text += "|" + grid.At(1, c);
    return text;
}

} // namespace

TEST(XlsReader, ReadsTheCellRecordsOfTheActiveSheet)
{
    // Shared strings: "plain", then "abВГ", whose characters go on in a CONTINUE record that
    // switches to two bytes a character.
    const std::string sst = Record(0x00FC, U32(2) + U32(2) + Text("plain") + U16(4) + '\0' + "ab") +
                            Record(0x003C, std::string(1, '\1') + U16(0x0412) + U16(0x0413));
    // WINDOW1 makes the second sheet the active one.
    const std::string window = Record(0x003D, std::string(10, '\0') + U16(1) + std::string(6, '\0'));
    const std::string first = Bof(0x0600, 0x10) + Record(0x00FD, Cell(0, 0) + U32(0)) + Eof;
    const std::string active =
        Bof(0x0600, 0x10) + Record(0x00FD, Cell(0, 0) + U32(1)) + Record(0x027E, Cell(0, 1) + U32(8 << 2 | 2)) +
        Record(0x027E, Cell(0, 2) + U32(850 << 2 | 3)) +
        Record(0x00BD, U16(0) + U16(3) + U16(15) + U32(1 << 2 | 2) + U16(15) + U32(2 << 2 | 2) + U16(4)) +
        Record(0x0203, Cell(0, 5) + F64(1e20)) + Record(0x0205, Cell(0, 6) + '\1' + '\0') +
        Record(0x0205, Cell(0, 7) + '\x07' + '\1') +
        Record(0x0006, Cell(0, 8) + std::string(6, '\0') + U16(0xFFFF) + std::string(6, '\0')) +
        Record(0x0207, Text("08")) + Record(0x0006, Cell(0, 9) + F64(15) + std::string(6, '\0')) + Bof(0x0600, 0x20) +
        Record(0x0203, Cell(0, 10) + F64(7)) + Eof + // an embedded chart's substream
        Record(0x0204, Cell(0, 11) + Text("label")) + Record(0x0203, Cell(200, 0) + F64(1)) +
        Record(0x0203, Cell(0, 300) + F64(1)) + Eof;
    const TCellGrid grid = ReadXlsCells(CompoundFile(Workbook(window + sst, {first, active})), "cells.xls");
    EXPECT_EQ(FirstRow(grid, 13), "abВГ|8|8.5|1|2|100000000000000000000|TRUE|#DIV/0!|08|15||label|");
    EXPECT_EQ(grid.At(2, 1), "");
}

TEST(XlsReader, ReadsExcel95TextsInTheirCodePage)
{
    const std::string sheet = Bof(0x0500, 0x10) + Record(0x0204, Cell(0, 0) + U16(3) + "\xD7\xE0\xF1") + Eof;
    const std::string stream = Workbook(Record(0x0042, U16(1251)), {sheet}, 0x0500);
    EXPECT_EQ(ReadXlsCells(CompoundFile(stream, "Book"), "old.xls").At(1, 1), "Час");
}

TEST(XlsReader, ASheetDeclaringMillionsOfCellsCostsNoMoreThanItHolds)
{
    // The DIMENSION record of the sheet claiming 65536 rows of 256 columns changes nothing.
    std::string bytes = ReadWholeFile(Data + "/libreoffice-features.xls");
    const std::string before = FirstRow(ReadXlsCells(bytes, "features.xls"), 99);
    const size_t dimension = bytes.find(std::string("\x00\x02\x0e\x00", 4));
    ASSERT_NE(dimension, std::string::npos);
    bytes.replace(dimension + 4, 12, std::string("\0\0\0\0\0\0\x01\0\0\0\0\x01", 12));
    EXPECT_EQ(FirstRow(ReadXlsCells(bytes, "features.xls"), 99), before);
}

TEST(XlsReader, MalformedContainersAndStreamsAreDamaged)
{
    const auto expectDamaged = [](const std::string &bytes) {
        ExpectError<TFormatError>([&] { ReadXlsCells(bytes, "bad.xls"); }, "Файл bad.xls повреждён");
    };
    expectDamaged(std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(600, 'x'));
    expectDamaged(CompoundFile("no BIFF here"));
    // 4096-byte sectors in a file shorter than one of them.
    std::string shortFile = CompoundFile("").substr(0, 3000);
    shortFile[0x1E] = 12;
    expectDamaged(shortFile);
    expectDamaged(CompoundFile(Bof(0x0600, 5) + Eof, "Other"));
    // A sheet offset past the stream's end.
    expectDamaged(CompoundFile(Bof(0x0600, 5) + Record(0x0085, U32(99999) + U16(0) + U16(0)) + Eof));
    // A FAT chain that loops on itself.
    std::string looped = CompoundFile(Workbook("", {Bof(0x0600, 0x10) + Eof}));
    looped.replace(512 + 4 * 3, 4, U32(2));
    expectDamaged(looped);
}

TEST(XlsReader, PasswordProtectedWorkbooksAreSaidToBeSo)
{
    const std::string said = "Файл locked.xls защищён паролем: снимите пароль в программе, где он задан, и "
                             "сохраните книгу снова";
    const std::string inputs[] = {
        CompoundFile(Workbook(Record(0x002F, U16(1) + std::string(52, 'k')), {Bof(0x0600, 0x10) + Eof})),
        CompoundFile("encrypted bytes", "EncryptionInfo", "EncryptedPackage"), // an .xlsx with a password
    };
    for (const std::string &bytes : inputs)
        ExpectError<TFormatError>([&] { ReadXlsCells(bytes, "locked.xls"); }, said);
}

TEST(XlsReader, TruncatedRecordsEndTheSheetWithoutError)
{
    // A shared string index beyond the table and a string cut short read as empty cells.
    const std::string sst = Record(0x00FC, U32(1) + U32(1) + U16(50) + '\0' + "short");
    const std::string sheet = Bof(0x0600, 0x10) + Record(0x00FD, Cell(0, 0) + U32(0)) +
                              Record(0x00FD, Cell(0, 1) + U32(70000)) + Record(0x0203, Cell(0, 2) + F64(3)) +
                              Record(0x0203, Cell(0, 3)); // too short to hold a number
    const TCellGrid grid = ReadXlsCells(CompoundFile(Workbook(sst, {sheet})), "cut.xls");
    EXPECT_EQ(FirstRow(grid, 4), "||3|");
}
