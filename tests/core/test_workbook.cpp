#include "storage/workbook.h"

#include "model/error.h"
#include "storage/fileio.h"
#include "storage/odsreader.h"
#include "storage/xlsxreader.h"
#include "storage/zippackage.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

const std::string Data = SIG_TEST_DATA;

/// A ZIP archive in memory holding the given parts, deflated.
std::string MakeZip(const std::vector<std::pair<std::string, std::string>> &parts)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(buffer);
    zip_t *archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    for (const auto &[name, bytes] : parts) {
        zip_source_t *source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
        zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8);
    }
    zip_close(archive);
    zip_source_open(buffer);
    zip_source_seek(buffer, 0, SEEK_END);
    std::string out(size_t(zip_source_tell(buffer)), '\0');
    zip_source_seek(buffer, 0, SEEK_SET);
    zip_source_read(buffer, out.data(), out.size());
    zip_source_close(buffer);
    zip_source_free(buffer);
    zip_error_fini(&error);
    return out;
}

const std::string SheetNs = R"(xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
                            R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships")";

/// An .xlsx package with one sheet at xl/worksheets/sheet1.xml holding the given sheetData rows.
std::string Xlsx(const std::string &rows, const std::string &sharedStrings = "")
{
    std::vector<std::pair<std::string, std::string>> parts = {
        {"xl/workbook.xml",
         "<workbook " + SheetNs + R"(><sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
         R"(<Relationship Id="rId1" Type="x/worksheet" Target="worksheets/sheet1.xml"/>)"
         R"(<Relationship Id="rId2" Type="x/sharedStrings" Target="sharedStrings.xml"/></Relationships>)"},
        {"xl/worksheets/sheet1.xml", "<worksheet " + SheetNs + "><sheetData>" + rows + "</sheetData></worksheet>"},
    };
    if (!sharedStrings.empty())
        parts.push_back({"xl/sharedStrings.xml", "<sst " + SheetNs + ">" + sharedStrings + "</sst>"});
    return MakeZip(parts);
}

const std::string OdsNs = R"(xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
                          R"(xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" )"
                          R"(xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0")";

/// An .ods package whose spreadsheet body is the given XML, with settings.xml when given.
std::string Ods(const std::string &spreadsheet, const std::string &settings = "")
{
    std::vector<std::pair<std::string, std::string>> parts = {
        {"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
        {"content.xml", "<office:document-content " + OdsNs + "><office:body><office:spreadsheet>" + spreadsheet +
                            "</office:spreadsheet></office:body></office:document-content>"},
    };
    if (!settings.empty())
        parts.push_back({"settings.xml", settings});
    return MakeZip(parts);
}

std::vector<std::string> FirstRow(const TCellGrid &grid, int columns)
{
    std::vector<std::string> row;
    for (int c = 1; c <= columns; ++c)
        row.push_back(grid.At(1, c));
    return row;
}

/// Sets the uncompressed size that both the local header and the directory declare for the
/// first entry, so the entry inflates to more than it claims.
void FakeDeclaredSize(std::string &zip, uint32_t size)
{
    const auto put = [&zip, size](size_t pos) {
        for (int k = 0; k < 4; ++k)
            zip[pos + size_t(k)] = char((size >> (8 * k)) & 0xFF);
    };
    put(zip.find("PK\x03\x04") + 22);
    put(zip.find("PK\x01\x02") + 24);
}

void ExpectFormatError(const std::string &bytes, const std::string &name, const std::string &message)
{
    try {
        ReadWorkbookCells(bytes, name);
        ADD_FAILURE() << "no error for " << name;
    } catch (const TFormatError &error) {
        EXPECT_EQ(std::string(error.what()), message);
    }
}

} // namespace

TEST(NumberText, PrintsNumbersAsAnApplicationHandsThemOver)
{
    EXPECT_EQ(NumberText(1), "1");
    EXPECT_EQ(NumberText(8.5), "8.5");
    EXPECT_EQ(NumberText(-3), "-3");
    EXPECT_EQ(NumberText(-0.0), "0");
    EXPECT_EQ(NumberText(1234567890123), "1234567890123");
    EXPECT_EQ(NumberText(1e20), "100000000000000000000");
    EXPECT_EQ(NumberText(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(NumberText(2.5e-7), "2.5e-07");
    EXPECT_EQ(NumberText(1.0 / 3), "0.3333333333333333");
}

TEST(WorkbookCells, WorkbooksOfOtherProgramsHandOverTheirCellsAsAnApplicationDoes)
{
    const std::vector<std::string> common = {"1",
                                             "08",
                                             "8.5",
                                             "1234567890123",
                                             "100000000000000000000",
                                             "0.3",
                                             "TRUE",
                                             "FALSE",
                                             "-3",
                                             "  text  ",
                                             "",
                                             "after gap",
                                             "45306.5",
                                             "59",
                                             "2.5e-07"};
    for (const std::string name : {"openpyxl-features.xlsx", "libreoffice-features.xlsx", "libreoffice-features.ods",
                                   "libreoffice-features.xls"}) {
        std::vector<std::string> expected = common;
        // LibreOffice keeps booleans as the numbers 1 and 0 in its own format.
        if (name.ends_with(".ods"))
            expected[6] = "1", expected[7] = "0";
        const TCellGrid grid = ReadWorkbookFile(Data + "/" + name);
        EXPECT_EQ(FirstRow(grid, 16), [&] {
            expected.push_back("");
            return expected;
        }()) << name;
        EXPECT_EQ(grid.At(2, 1), "") << name;
    }
}

TEST(WorkbookCells, IsoDatesReadAsSerialNumbers)
{
    const TCellGrid grid = ReadWorkbookFile(Data + "/openpyxl-isodates.xlsx");
    EXPECT_EQ(grid.At(1, 1), "45306.5");
    EXPECT_EQ(grid.At(1, 2), "59"); // 28 February 1900, before the day that never was
    EXPECT_EQ(ExcelSerialFromIsoDateTime("1900-03-01", false), 61);
    EXPECT_EQ(ExcelSerialFromIsoDateTime("1904-01-02", true), 1);
    EXPECT_EQ(ExcelSerialFromIsoDateTime("12:00:00", false), 0.5);
    EXPECT_EQ(ExcelSerialFromIsoDateTime("2024-13-01", false), std::nullopt);
}

TEST(WorkbookCells, AHeadlessLibreOfficeOdsOpensAtItsFirstTable)
{
    // Converted without a view, the file names no active table; LibreOffice opens the first.
    EXPECT_EQ(ReadWorkbookFile(Data + "/libreoffice-second-active.ods").At(1, 1), "not");
}

TEST(XlsxReader, CellKindsReadAsTexts)
{
    const std::string rows =
        R"(<row r="1"><c r="A1" t="s"><v>1</v></c><c r="B1" t="inlineStr"><is><t>in</t><r><t>line</t></r></is></c>)"
        R"(<c r="C1" t="b"><v>1</v></c><c r="D1" t="b"><v>0</v></c><c r="E1" t="str"><v>08</v></c>)"
        R"(<c r="F1" t="e"><v>#DIV/0!</v></c><c r="G1"><v>8.0</v></c><c r="H1" t="n"><v>1E1</v></c>)"
        R"(<c r="I1" t="d"><v>2024-01-15T12:00:00</v></c><c r="J1" s="3"/><c r="K1"><f>A1</f></c>)"
        R"(<c r="L1" t="s"><v>7</v></c><c r="M1" t="s"><v>0</v></c></row>)";
    const std::string strings = R"(<si><t>plain</t></si>)"
                                R"(<si><r><rPr><b/></rPr><t>ri</t></r><r><t xml:space="preserve">ch </t></r>)"
                                R"(<rPh sb="0" eb="1"><t>phonetic</t></rPh></si>)";
    const TCellGrid grid = ReadWorkbookCells(Xlsx(rows, strings), "kinds.xlsx");
    EXPECT_EQ(FirstRow(grid, 13), (std::vector<std::string>{"rich ", "inline", "TRUE", "FALSE", "08", "#DIV/0!", "8",
                                                            "10", "45306.5", "", "", "", "plain"}));
}

TEST(XlsxReader, CellsWithoutReferenceFollowThePreviousOne)
{
    const std::string rows = R"(<row r="2"><c><v>1</v></c><c><v>2</v></c><c r="E2"><v>5</v></c><c><v>6</v></c></row>)"
                             R"(<row><c r="$B$3"><v>32</v></c><c r="bogus"><v>33</v></c></row>)"
                             R"(<row r="7"><c r="b7"><v>72</v></c></row>)";
    const TCellGrid grid = ReadWorkbookCells(Xlsx(rows), "refs.xlsx");
    EXPECT_EQ(grid.At(2, 1), "1");
    EXPECT_EQ(grid.At(2, 2), "2");
    EXPECT_EQ(grid.At(2, 5), "5");
    EXPECT_EQ(grid.At(2, 6), "6");
    EXPECT_EQ(grid.At(3, 2), "32");
    EXPECT_EQ(grid.At(3, 3), "33");
    EXPECT_EQ(grid.At(7, 2), "72");
}

TEST(XlsxReader, CellsFarOutsideTheGridAreDroppedWithoutCost)
{
    const std::string bytes = MakeZip({
        {"xl/workbook.xml",
         "<workbook " + SheetNs + R"(><sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>)"},
        {"xl/worksheets/sheet1.xml",
         "<worksheet " + SheetNs +
             R"(><dimension ref="A1:XFD1048576"/><sheetData>)"
             R"(<row r="1"><c r="A1"><v>1</v></c><c r="CU1"><v>99</v></c><c r="CV1"><v>100</v></c>)"
             R"(<c r="XFD1"><v>2</v></c></row><row r="1048576"><c r="XFD1048576"><v>3</v></c></row>)"
             R"(<row r="99999999999"><c><v>4</v></c></row></sheetData></worksheet>)"},
    });
    const TCellGrid grid = ReadWorkbookCells(bytes, "far.xlsx");
    EXPECT_EQ(grid.At(1, 1), "1");
    EXPECT_EQ(grid.At(1, 99), "99");
    EXPECT_EQ(grid.At(1, 100), "");
    EXPECT_EQ(ParseCellRef("XFD1048576")->Column, 16384);
    EXPECT_EQ(ParseCellRef("XFD1048576")->Row, 1048576);
    EXPECT_FALSE(ParseCellRef("ABCD1"));
    EXPECT_FALSE(ParseCellRef("A0"));
    EXPECT_FALSE(ParseCellRef("A1x"));
}

TEST(XlsxReader, FindsTheActiveSheetThroughRelativeAndAbsoluteTargets)
{
    const std::string sheet = "<worksheet " + SheetNs + R"(><sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>)";
    const std::string end = "</t></is></c></row></sheetData></worksheet>";
    const std::string bytes = MakeZip({
        {"xl/workbook.xml", "<x:workbook xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                            "xmlns:rel=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                            R"(<x:bookViews><x:workbookView activeTab="2"/></x:bookViews><x:sheets>)"
                            R"(<x:sheet name="A" sheetId="1" rel:id="rA"/><x:sheet name="B" sheetId="2" rel:id="rB"/>)"
                            R"(<x:sheet name="C" sheetId="3" rel:id="rC"/></x:sheets></x:workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
         R"(<Relationship Id="rA" Type="t" Target="worksheets/a.xml"/>)"
         R"(<Relationship Id="rB" Type="t" Target="/xl/worksheets/b.xml"/>)"
         R"(<Relationship Id="rC" Type="t" Target="./sub/../../data/c.xml"/></Relationships>)"},
        {"xl/worksheets/a.xml", sheet + "a" + end},
        {"xl/worksheets/b.xml", sheet + "b" + end},
        {"data/c.xml", sheet + "c" + end},
    });
    EXPECT_EQ(ReadWorkbookCells(bytes, "views.xlsx").At(1, 1), "c");
    EXPECT_EQ(ResolvePartName("xl/", "/xl/worksheets/b.xml"), "xl/worksheets/b.xml");
    EXPECT_EQ(ResolvePartName("xl/", "worksheets/a.xml"), "xl/worksheets/a.xml");
    EXPECT_EQ(ResolvePartName("xl/", "../../../../etc/passwd"), "etc/passwd");
}

TEST(XlsxReader, FollowsNoExternalLinkAndExpandsNoDeclaredEntity)
{
    const std::string laughs = R"(<?xml version="1.0"?><!DOCTYPE lolz [<!ENTITY lol "lol">)"
                               R"(<!ENTITY lol2 "&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;">)"
                               R"(<!ENTITY lol3 "&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;">)"
                               R"(<!ENTITY ext SYSTEM "file:///etc/hostname">]>)";
    const std::string bytes = MakeZip({
        {"xl/workbook.xml",
         "<workbook " + SheetNs + R"(><sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
         R"(<Relationship Id="rId1" Type="t" Target="file:///etc/passwd" TargetMode="External"/></Relationships>)"},
        {"xl/worksheets/sheet1.xml",
         laughs + "<worksheet " + SheetNs +
             R"(><sheetData><row r="1"><c r="A1" t="str"><v>&lol3;&ext;&amp;</v></c></row></sheetData></worksheet>)"},
    });
    // The external target is passed over for the usual part name, and entities stay unexpanded.
    const std::string text = ReadWorkbookCells(bytes, "lol.xlsx").At(1, 1);
    EXPECT_THAT(text, HasSubstr("&lol3;"));
    EXPECT_THAT(text, ::testing::Not(HasSubstr("lollol")));
    EXPECT_THAT(text, HasSubstr("&ext;"));
}

TEST(OdsReader, RepeatedRowsAndColumnsAreBoundedByTheGrid)
{
    const std::string table =
        R"(<table:table table:name="T"><table:table-header-rows><table:table-row>)"
        R"(<table:table-cell office:value-type="string"><text:p>head</text:p></table:table-cell>)"
        R"(<table:table-cell table:number-columns-repeated="2"/><table:covered-table-cell/>)"
        R"(<table:table-cell office:value-type="float" office:value="5"/></table:table-row></table:table-header-rows>)"
        R"(<table:table-row-group><table:table-row table:number-rows-repeated="1000000000">)"
        R"(<table:table-cell office:value-type="float" office:value="1" table:number-columns-repeated="1000000000"/>)"
        R"(</table:table-row></table:table-row-group>)"
        R"(<table:table-row><table:table-cell office:value-type="float" office:value="2"/></table:table-row></table:table>)";
    const TCellGrid grid = ReadWorkbookCells(Ods(table), "repeats.ods");
    EXPECT_EQ(FirstRow(grid, 6), (std::vector<std::string>{"head", "", "", "", "5", ""}));
    EXPECT_EQ(grid.At(2, 1), "1");
    EXPECT_EQ(grid.At(99, 99), "1");
    EXPECT_EQ(grid.At(100, 1), "");
}

TEST(OdsReader, CellValuesReadAsTexts)
{
    const std::string table =
        R"(<table:calculation-settings><table:null-date table:date-value="1904-01-01"/></table:calculation-settings>)"
        R"(<table:table table:name="T"><table:table-row>)"
        R"(<table:table-cell office:value-type="float" office:value="8"><text:p>8.00</text:p></table:table-cell>)"
        R"(<table:table-cell office:value-type="percentage" office:value="0.5"><text:p>50%</text:p></table:table-cell>)"
        R"(<table:table-cell office:value-type="date" office:date-value="1904-01-03"/>)"
        R"(<table:table-cell office:value-type="time" office:time-value="PT18H00M00S"/>)"
        R"(<table:table-cell office:value-type="boolean" office:boolean-value="true"/>)"
        R"(<table:table-cell office:value-type="string"><text:p>a<text:s text:c="3"/>b<text:tab/>c)"
        R"(<text:line-break/><text:span>d</text:span></text:p><text:p>e</text:p></table:table-cell>)"
        R"(<table:table-cell office:value-type="string"><text:p><text:s text:c="999999999"/>x</text:p></table:table-cell>)"
        R"(<table:table-cell office:value-type="string" office:string-value="given"><text:p>shown</text:p></table:table-cell>)"
        R"(</table:table-row></table:table>)";
    const TCellGrid grid = ReadWorkbookCells(Ods(table), "values.ods");
    EXPECT_EQ(FirstRow(grid, 6), (std::vector<std::string>{"8", "0.5", "2", "0.75", "TRUE", "a   b\tc\nd\ne"}));
    EXPECT_EQ(grid.At(1, 7).size(), TCellGrid::MaxCellBytes);
    EXPECT_EQ(grid.At(1, 8), "given");
    EXPECT_EQ(DurationDays("-P1DT12H"), -1.5);
    EXPECT_EQ(DurationDays("P1Y"), std::nullopt);
}

TEST(OdsReader, ReadsTheActiveTableOfTheSettings)
{
    const std::string tables =
        R"(<table:table table:name="One"><table:table-row><table:table-cell office:value-type="string"><text:p>1</text:p>)"
        R"(</table:table-cell></table:table-row></table:table><table:table table:name="Two"><table:table-row>)"
        R"(<table:table-cell office:value-type="string"><text:p>2</text:p></table:table-cell></table:table-row></table:table>)";
    const std::string settings =
        R"(<office:document-settings xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
        R"(xmlns:config="urn:oasis:names:tc:opendocument:xmlns:config:1.0"><office:settings>)"
        R"(<config:config-item-set config:name="ooo:view-settings"><config:config-item config:name="ActiveTable" )"
        R"(config:type="string">Two</config:config-item></config:config-item-set></office:settings></office:document-settings>)";
    EXPECT_EQ(ReadWorkbookCells(Ods(tables, settings), "two.ods").At(1, 1), "2");
    EXPECT_EQ(ReadWorkbookCells(Ods(tables), "one.ods").At(1, 1), "1");
}

TEST(WorkbookBadInput, NotAWorkbookIsNamedAsSuch)
{
    std::mt19937 random(7);
    std::string noise(4096, '\0');
    for (char &c : noise)
        c = char(random());
    ExpectFormatError(noise, "noise.xlsx", "noise.xlsx is not a workbook that can be read");
    ExpectFormatError("", "empty.xlsx", "empty.xlsx is not a workbook that can be read");
    ExpectFormatError(MakeZip({{"hello.txt", "hello"}}), "plain.zip", "plain.zip is not a workbook that can be read");
    ExpectFormatError(MakeZip({{"mimetype", "application/vnd.oasis.opendocument.text"}, {"content.xml", "<a/>"}}),
                      "letter.odt", "letter.odt is not a workbook that can be read");
}

TEST(WorkbookBadInput, DamagedWorkbooksAreNamedAsDamaged)
{
    for (const std::string name : {"openpyxl-schedule.xlsx", "libreoffice-schedule.ods", "libreoffice-schedule.xls"}) {
        const std::string bytes = ReadWholeFile(Data + "/" + name);
        ExpectFormatError(bytes.substr(0, bytes.size() / 2), name, name + " is damaged");
    }
    ExpectFormatError(std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(600, 'x'), "ole.xls",
                      "ole.xls is damaged");
    ExpectFormatError(Xlsx("<row><c><v>1</v></row>"), "broken.xlsx", "broken.xlsx is damaged");
    // One flipped byte in the packed sheet: it no longer inflates, or fails its checksum.
    std::string flipped = ReadWholeFile(Data + "/openpyxl-schedule.xlsx");
    flipped[flipped.find("xl/worksheets/sheet1.xml") + 100] ^= 0x55;
    ExpectFormatError(flipped, "flipped.xlsx", "flipped.xlsx is damaged");
}

TEST(WorkbookBadInput, ZipBombsAreRefusedBeforeTheyGrow)
{
    // A sheet of 20 MB of blanks packs into some 20 kB.
    const std::string blanks(20u << 20, ' ');
    const std::string bomb = MakeZip({{"xl/workbook.xml", "<workbook/>"}, {"xl/worksheets/sheet1.xml", blanks}});
    ASSERT_LT(bomb.size(), 100000u);
    TZipPackage declared(bomb, "bomb.xlsx");
    EXPECT_TRUE(declared.Has("xl/worksheets/sheet1.xml"));
    try {
        declared.Read("xl/worksheets/sheet1.xml");
        FAIL() << "no error";
    } catch (const TFormatError &error) {
        EXPECT_EQ(std::string(error.what()), "bomb.xlsx is too large to be read");
    }
    // The same part declaring 1000 bytes is caught while it inflates.
    std::string lying = MakeZip({{"xl/worksheets/sheet1.xml", blanks}, {"xl/workbook.xml", "<workbook/>"}});
    FakeDeclaredSize(lying, 1000);
    TZipPackage liar(lying, "liar.xlsx");
    EXPECT_THROW(liar.Read("xl/worksheets/sheet1.xml"), TFormatError);
}

TEST(WorkbookBadInput, PartsTogetherAreBounded)
{
    const std::string part(15u << 20, '<');
    const std::string zip = MakeZip({{"part", part}});
    TZipPackage package(zip, "many.xlsx");
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(package.Read("part")->size(), part.size());
    EXPECT_THROW(package.Read("part"), TFormatError); // 75 MB in all
}

TEST(WorkbookBadInput, AHugeFileIsRefusedBeforeItIsRead)
{
    char pattern[] = "/tmp/sig-huge-XXXXXX";
    const int fd = ::mkstemp(pattern);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t(MaxWorkbookFileBytes) + 1), 0); // sparse: costs no disk
    ::close(fd);
    try {
        ReadWorkbookFile(pattern);
        ADD_FAILURE() << "no error";
    } catch (const TFormatError &error) {
        EXPECT_EQ(std::string(error.what()), std::string(pattern) + " is too large to be read");
    }
    ::unlink(pattern);
}

TEST(WorkbookBadInput, APipeOrAFolderIsNotReadAtAll)
{
    char folder[] = "/tmp/sig-pipe-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string pipe = std::string(folder) + "/plan.xlsx";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0); // opening it to read would wait for a writer
    EXPECT_THROW(ReadWorkbookFile(pipe), TFileError);
    EXPECT_THROW(ReadWorkbookFile(folder), TFileError);
    fs::remove_all(folder);
}

TEST(CellGrid, KeepsTheTopLeft99By99CellsWithinBounds)
{
    TCellGrid grid;
    grid.Set(99, 99, "corner");
    grid.Set(100, 1, "below");
    grid.Set(0, 1, "above");
    EXPECT_EQ(grid.At(99, 99), "corner");
    EXPECT_EQ(grid.At(100, 1), "");
    EXPECT_EQ(grid.At(0, 1), "");
    // Long texts are cut to a cell's size, and all of them together to the grid's.
    const std::string longText(TCellGrid::MaxCellBytes + 10, 'x');
    for (int r = 1; r <= 99; ++r) {
        for (int c = 1; c <= 99; ++c)
            grid.Set(r, c, longText);
    }
    size_t total = 0;
    for (int r = 1; r <= 99; ++r) {
        for (int c = 1; c <= 99; ++c)
            total += grid.At(r, c).size();
    }
    EXPECT_EQ(grid.At(1, 1).size(), TCellGrid::MaxCellBytes);
    EXPECT_LE(total, TCellGrid::MaxBytes);
    grid.Set(1, 1, std::string(TCellGrid::MaxCellBytes - 1, 'x') + "é");
    EXPECT_EQ(grid.At(1, 1).size(), TCellGrid::MaxCellBytes - 1); // a character is never cut in half
}
