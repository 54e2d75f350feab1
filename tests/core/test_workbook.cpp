#include "storage/workbook/cellvalue.h"
#include "storage/workbook/workbook.h"

#include "model/error.h"
#include "storage/fileio.h"
#include "storage/workbook/workbookxml.h"
#include "storage/workbook/xlsxreader.h"
#include "storage/workbook/zippackage.h"
#include "tests/core/support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

const std::string Data = SIG_TEST_DATA;

/// A ZIP archive holding the given parts, deflated.
std::string MakeZip(const std::vector<std::pair<std::string, std::string>> &parts)
{
    const std::string path = (fs::temp_directory_path() / ("sig-zip-" + std::to_string(::getpid()))).string();
    zip_t *archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
    for (const auto &[name, bytes] : parts)
        zip_file_add(archive, name.c_str(), zip_source_buffer(archive, bytes.data(), bytes.size(), 0),
                     ZIP_FL_ENC_UTF_8);
    zip_close(archive);
    const std::string zip = ReadWholeFile(path);
    fs::remove(path);
    return zip;
}

const std::string SheetNs = R"(xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
                            R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships")";

std::string Worksheet(const std::string &rows, const std::string &head = "")
{
    return "<worksheet " + SheetNs + ">" + head + "<sheetData>" + rows + "</sheetData></worksheet>";
}

/// An .xlsx package whose workbook (with namespace prefixes, as some writers give them) names one
/// sheet through a relationship: its target (and what follows it) given, the sheet in `part`.
std::string Xlsx(const std::string &worksheet, const std::string &strings = "",
                 const std::string &target = R"("worksheets/sheet1.xml")",
                 const std::string &part = "xl/worksheets/sheet1.xml")
{
    return MakeZip({
        {"xl/workbook.xml", R"(<x:workbook xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
                            R"(xmlns:rel="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
                            R"(<x:sheets><x:sheet name="S" sheetId="1" rel:id="rId1"/></x:sheets></x:workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
         R"(<Relationship Id="rId1" Type="x/worksheet" Target=)" +
             target +
             R"(/><Relationship Id="rId2" Type="x/sharedStrings" Target="sharedStrings.xml"/></Relationships>)"},
        {part, worksheet},
        {"xl/sharedStrings.xml", "<sst " + SheetNs + ">" + strings + "</sst>"},
    });
}

/// An .ods package whose spreadsheet body is the given XML, with settings.xml when given.
std::string Ods(const std::string &spreadsheet, const std::string &settings = "")
{
    std::vector<std::pair<std::string, std::string>> parts = {
        {"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
        {"content.xml",
         R"(<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
         R"(xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" )"
         R"(xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"><office:body><office:spreadsheet>)" +
             spreadsheet + "</office:spreadsheet></office:body></office:document-content>"},
    };
    if (!settings.empty())
        parts.emplace_back("settings.xml", settings);
    return MakeZip(parts);
}

/// The texts of a row's first cells, joined by "|".
std::string RowText(const TCellGrid &grid, int row, int columns)
{
    std::string text = grid.At(row, 1);
    for (int c = 2; c <= columns; ++c)
        text += "|" + grid.At(row, c);
    return text;
}

} // namespace

TEST(WorkbookCells, WorkbooksOfOtherProgramsHandOverTheirCellsAsAnApplicationDoes)
{
    for (const std::string name : {"openpyxl-features.xlsx", "libreoffice-features.xlsx", "libreoffice-features.ods",
                                   "libreoffice-features.xls"}) {
        SCOPED_TRACE(name);
        std::string expected = "1|08|8.5|1234567890123|100000000000000000000|0.3|TRUE|FALSE|-3|  text  ||after gap|"
                               "45306.5|59|2.5e-07|";
        if (name.ends_with(".ods")) // LibreOffice keeps booleans as the numbers 1 and 0 in its own format
            expected.replace(expected.find("TRUE|FALSE"), 10, "1|0");
        const TCellGrid grid = ReadWorkbookFile(Data + "/" + name);
        EXPECT_EQ(RowText(grid, 1, 16), expected);
        EXPECT_EQ(grid.At(2, 1), "");
    }
    // ISO date texts read as serial numbers; 28 February 1900 comes before the day that never was.
    EXPECT_EQ(RowText(ReadWorkbookFile(Data + "/openpyxl-isodates.xlsx"), 1, 2), "45306.5|59");
    EXPECT_EQ(ExcelSerialFromIsoDateTime("1900-03-01", false), 61);
    // A headless LibreOffice conversion stores no active table: LibreOffice itself opens the first.
    EXPECT_EQ(ReadWorkbookFile(Data + "/libreoffice-second-active.ods").At(1, 1), "not");
}

TEST(XlsxReader, CellKindsAndReferencesReadAsTexts)
{
    const std::string rows =
        R"(<row r="1"><c r="A1" t="s"><v>1</v></c><c r="B1" t="inlineStr"><is><t>in</t><r><t>line</t></r></is></c>)"
        R"(<c r="C1" t="b"><v>1</v></c><c r="D1" t="b"><v>0</v></c><c r="E1" t="str"><v>08</v></c>)"
        R"(<c r="F1" t="e"><v>#DIV/0!</v></c><c r="G1"><v>8.0</v></c><c r="H1" t="n"><v>1E1</v></c>)"
        R"(<c r="I1" t="d"><v>2024-01-15T12:00:00</v></c><c r="J1" s="3"/><c r="K1"><f>A1</f></c>)"
        R"(<c r="L1" t="s"><v>7</v></c><c r="M1" t="s"><v>0</v></c></row>)"
        // Cells without a reference, or with one that is no reference, follow the previous cell.
        R"(<row r="2"><c><v>1</v></c><c><v>2</v></c><c r="E2"><v>5</v></c><c><v>6</v></c></row>)"
        R"(<row><c r="$B$3"><v>32</v></c><c r="bogus"><v>33</v></c></row><row r="7"><c r="b7"><v>72</v></c></row>)";
    const std::string strings = R"(<si><t>plain</t></si>)"
                                R"(<si><r><rPr><b/></rPr><t>ri</t></r><r><t xml:space="preserve">ch </t></r>)"
                                R"(<rPh sb="0" eb="1"><t>phonetic</t></rPh></si>)";
    const TCellGrid grid = ReadWorkbookCells(Xlsx(Worksheet(rows), strings), "kinds.xlsx");
    EXPECT_EQ(RowText(grid, 1, 13), "rich |inline|TRUE|FALSE|08|#DIV/0!|8|10|45306.5||||plain");
    EXPECT_EQ(RowText(grid, 2, 6), "1|2|||5|6");
    EXPECT_EQ(RowText(grid, 3, 3), "|32|33");
    EXPECT_EQ(grid.At(7, 2), "72");
}

TEST(XlsxReader, CellsFarOutsideTheGridAreDroppedWithoutCost)
{
    const std::string rows = R"(<row r="1"><c r="A1"><v>1</v></c><c r="CU1"><v>99</v></c><c r="CV1"><v>100</v></c>)"
                             R"(<c r="XFD1"><v>2</v></c></row><row r="1048576"><c r="XFD1048576"><v>3</v></c></row>)"
                             R"(<row r="99999999999"><c><v>4</v></c></row>)";
    const TCellGrid grid = ReadWorkbookCells(Xlsx(Worksheet(rows, R"(<dimension ref="A1:XFD1048576"/>)")), "far.xlsx");
    EXPECT_EQ(grid.At(1, 1), "1");
    EXPECT_EQ(grid.At(1, 99), "99");
    EXPECT_EQ(grid.At(1, 100), "");
    for (const char *bad : {"ABCD1", "A0", "A1x"}) // past column XFD, before row 1, trailing text
        EXPECT_FALSE(ParseCellRef(bad)) << bad;
}

TEST(XlsxReader, FindsTheSheetThroughRelativeAndAbsoluteTargets)
{
    const std::string sheet = Worksheet(R"(<row r="1"><c r="A1"><v>7</v></c></row>)");
    for (const std::string target : {R"("/data/c.xml")", R"("../data/c.xml")", R"("./sub/../../data/c.xml")"})
        EXPECT_EQ(ReadWorkbookCells(Xlsx(sheet, "", target, "data/c.xml"), "targets.xlsx").At(1, 1), "7") << target;
}

TEST(XlsxReader, FollowsNoExternalLinkAndExpandsNoDeclaredEntity)
{
    const std::string laughs = R"(<?xml version="1.0"?><!DOCTYPE lolz [<!ENTITY lol "lol">)"
                               R"(<!ENTITY lol2 "&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;">)"
                               R"(<!ENTITY lol3 "&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;">)"
                               R"(<!ENTITY ext SYSTEM "file:///etc/hostname">]>)";
    const std::string bytes =
        Xlsx(laughs + Worksheet(R"(<row r="1"><c r="A1" t="str"><v>&lol3;&ext;&amp;</v></c></row>)"), "",
             R"("file:///etc/passwd" TargetMode="External")");
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
    EXPECT_EQ(RowText(grid, 1, 6), "head||||5|");
    EXPECT_EQ(grid.At(2, 1), "1");
    EXPECT_EQ(grid.At(2, 100), "");
    // The repeated row is spelt out until the grid is full, in the row after the last whole one.
    const size_t rest = TCellGrid::MaxCells - 2; // after the two header cells
    const int64_t last = 2 + int64_t(rest / 99);
    EXPECT_EQ(grid.At(last - 1, 99), "1");
    EXPECT_EQ(grid.At(last, int64_t(rest % 99)), "1");
    EXPECT_EQ(grid.At(last, int64_t(rest % 99) + 1), "");
    EXPECT_EQ(grid.At(last + 1, 1), "");
}

TEST(OdsReader, ReadsTheActiveTableOfTheSettingsWithItsValuesAsTexts)
{
    const std::string tables =
        R"(<table:table table:name="One"><table:table-row><table:table-cell office:value-type="string"><text:p>1</text:p>)"
        R"(</table:table-cell></table:table-row></table:table><table:table table:name="Two"><table:table-row>)"
        R"(<table:table-cell office:value-type="float" office:value="8"><text:p>8.00</text:p></table:table-cell>)"
        R"(<table:table-cell office:value-type="boolean" office:boolean-value="true"/>)"
        R"(<table:table-cell office:value-type="string"><text:p>a<text:s text:c="3"/>b<text:tab/>c)"
        R"(<text:line-break/><text:span>d</text:span></text:p><text:p>e</text:p></table:table-cell>)"
        R"(<table:table-cell office:value-type="string"><text:p><text:s text:c="999999999"/>x</text:p></table:table-cell>)"
        R"(<table:table-cell office:value-type="string" office:string-value="given"><text:p>shown</text:p></table:table-cell>)"
        R"(</table:table-row></table:table>)";
    const std::string settings =
        R"(<office:document-settings xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
        R"(xmlns:config="urn:oasis:names:tc:opendocument:xmlns:config:1.0"><office:settings>)"
        R"(<config:config-item-set config:name="ooo:view-settings"><config:config-item config:name="ActiveTable" )"
        R"(config:type="string">Two</config:config-item></config:config-item-set></office:settings></office:document-settings>)";
    EXPECT_EQ(ReadWorkbookCells(Ods(tables), "one.ods").At(1, 1), "1");
    const TCellGrid grid = ReadWorkbookCells(Ods(tables, settings), "two.ods");
    EXPECT_EQ(RowText(grid, 1, 3), "8|TRUE|a   b\tc\nd\ne");
    EXPECT_EQ(grid.At(1, 4).size(), TCellGrid::MaxCellBytes);
    EXPECT_EQ(grid.At(1, 5), "given");
}

TEST(WorkbookBadInput, UnreadableBytesAreNamedAsNoWorkbookOrAsDamaged)
{
    std::mt19937 random(7);
    std::string noise(4096, '\0');
    for (char &c : noise)
        c = char(random());
    // One flipped byte in the packed sheet: it no longer inflates, or fails its checksum.
    std::string flipped = ReadWholeFile(Data + "/openpyxl-schedule.xlsx");
    flipped[flipped.find("xl/worksheets/sheet1.xml") + 100] ^= 0x55;
    const std::string notWorkbook = " не является книгой (.xlsx, .ods или .xls), которую можно прочитать";
    std::vector<std::tuple<std::string, std::string, std::string>> cases = {
        {noise, "noise.xlsx", notWorkbook},
        {"", "empty.xlsx", notWorkbook},
        {MakeZip({{"hello.txt", "hello"}}), "plain.zip", notWorkbook},
        {MakeZip({{"mimetype", "application/vnd.oasis.opendocument.text"}, {"content.xml", "<a/>"}}), "letter.odt",
         notWorkbook},
        {Xlsx(Worksheet("<row><c><v>1</v></row>")), "broken.xlsx", " повреждён"},
        {flipped, "flipped.xlsx", " повреждён"},
        {MakeZip({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                  {"content.xml", noise},
                  {"META-INF/manifest.xml", "<manifest><file-entry><encryption-data/></file-entry></manifest>"}}),
         "locked.ods", " защищён паролем: снимите пароль в программе, где он задан, и сохраните книгу снова"},
    };
    for (const std::string name : {"openpyxl-schedule.xlsx", "libreoffice-schedule.ods", "libreoffice-schedule.xls"}) {
        const std::string bytes = ReadWholeFile(Data + "/" + name);
        cases.emplace_back(bytes.substr(0, bytes.size() / 2), name, " повреждён"); // cut short
    }
    // Plain references, not structured bindings: clang 14 can not capture those in a lambda.
    for (const auto &c : cases) {
        const std::string &bytes = std::get<0>(c), &name = std::get<1>(c);
        ExpectError<TFormatError>([&] { ReadWorkbookCells(bytes, name); }, "Файл " + name + std::get<2>(c));
    }
}

TEST(WorkbookBadInput, ZipPartsAreBoundedWhateverTheyDeclare)
{
    // A sheet of 20 MB of blanks packs into some 20 kB.
    const std::string blanks(20u << 20, ' ');
    const std::string bomb = MakeZip({{"xl/workbook.xml", "<workbook/>"}, {"xl/worksheets/sheet1.xml", blanks}});
    ASSERT_LT(bomb.size(), 100000u);
    TZipPackage declared(bomb, "bomb.xlsx");
    EXPECT_TRUE(declared.Has("xl/worksheets/sheet1.xml"));
    ExpectError<TFormatError>([&] { declared.Read("xl/worksheets/sheet1.xml"); },
                              "Файл bomb.xlsx слишком велик для чтения");
    // The same part declaring 1000 bytes, in its local header and in the directory, is caught while it inflates.
    std::string lying = MakeZip({{"xl/worksheets/sheet1.xml", blanks}, {"xl/workbook.xml", "<workbook/>"}});
    for (size_t pos : {lying.find("PK\x03\x04") + 22, lying.find("PK\x01\x02") + 24})
        lying.replace(pos, 4, std::string("\xE8\x03\0\0", 4));
    TZipPackage liar(lying, "liar.xlsx");
    EXPECT_THROW(liar.Read("xl/worksheets/sheet1.xml"), TFormatError);
    // Parts within their own bound are bounded together: 75 MB in all is too much.
    const std::string part(15u << 20, '<');
    const std::string zip = MakeZip({{"part", part}});
    TZipPackage package(zip, "many.xlsx");
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(package.Read("part")->size(), part.size());
    EXPECT_THROW(package.Read("part"), TFormatError);
}

TEST(WorkbookBadInput, AHugeFileAPipeOrAFolderIsNotRead)
{
    TTempFolder folder;
    const std::string huge = folder.File("huge.xlsx");
    WriteFileAtomically(huge, "");
    fs::resize_file(huge, MaxWorkbookFileBytes + 1); // sparse: costs no disk
    ExpectError<TFileError>([&] { ReadWorkbookFile(huge); },
                            "Не удалось прочитать файл " + huge + "\nфайл слишком велик (больше 32 МБ)");
    const std::string pipe = folder.File("plan.xlsx");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0); // opening it to read would wait for a writer
    EXPECT_THROW(ReadWorkbookFile(pipe), TFileError);
    EXPECT_THROW(ReadWorkbookFile(folder.Path.string()), TFileError);
}

TEST(WorkbookBadInput, InflatingTextsAreCutAndCostOnlyWhatACellKeeps)
{
    const std::string long1 = std::string(1u << 20, 'a');
    std::string cells, runs;
    for (int r = 1; r <= 99; ++r) {
        cells += "<row>";
        for (int c = 1; c <= 99; ++c)
            cells += R"(<c t="s"><v>0</v></c>)";
        cells += "</row>";
    }
    for (int k = 0; k < 50000; ++k)
        runs += "<r><t>ab</t></r>";
    const std::string wide = R"(table:number-columns-repeated="99" office:value-type="string")";
    std::string paragraphs;
    for (int k = 0; k < 100000; ++k)
        paragraphs += "<text:p/>";
    const struct
    {
        std::string Name, Bytes;
    } cases[] = {
        // Every cell of the grid refers to one long shared string, or to one of 50,000 runs.
        {"shared.xlsx", Xlsx(Worksheet(cells), "<si><t>" + long1 + "</t></si>")},
        {"runs.xlsx", Xlsx(Worksheet(cells), "<si>" + runs + "</si>")},
        {"inline.xlsx", Xlsx(Worksheet(R"(<row><c t="inlineStr"><is><t>)" + long1 + "</t></is></c><c t=\"str\"><v>" +
                                       long1 + "</v></c></row>"))},
        {"value.ods", Ods(R"(<table:table><table:table-row table:number-rows-repeated="99"><table:table-cell )" + wide +
                          R"( office:string-value=")" + long1 + R"("/></table:table-row></table:table>)")},
        {"paragraphs.ods", Ods(R"(<table:table><table:table-row table:number-rows-repeated="99"><table:table-cell )" +
                               wide + ">" + paragraphs + "</table:table-cell></table:table-row></table:table>")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        const TCellGrid grid = ReadWorkbookCells(c.Bytes, c.Name);
        EXPECT_EQ(grid.At(1, 1).size(), TCellGrid::MaxCellBytes);
        EXPECT_EQ(grid.At(1, 2).size(), TCellGrid::MaxCellBytes);
        size_t total = 0, allocated = 0;
        for (int r = 1; r <= 99; ++r) {
            for (int c = 1; c <= 99; ++c) {
                total += grid.At(r, c).size();
                allocated += grid.At(r, c).capacity();
            }
        }
        EXPECT_LE(total, TCellGrid::MaxBytes);
        EXPECT_LE(allocated, TCellGrid::MaxBytes + 99 * 99 * 16); // memory follows the cut, not the source
    }
}

TEST(WorkbookBadInput, APartOfMillionsOfTinyElementsIsRefusedBeforeItIsParsed)
{
    std::string tiny;
    for (size_t k = 0; k <= MaxXmlNodes / 2; ++k)
        tiny += R"(<c r="A1"/>)";
    ExpectError<TFormatError>([&] { ReadWorkbookCells(Xlsx(Worksheet("<row>" + tiny + "</row>")), "tiny.xlsx"); },
                              "Файл tiny.xlsx слишком велик для чтения");
}

TEST(WorkbookBadInput, TheNodeCountIsNeverBelowWhatTheParserMakes)
{
    // pugixml's own count of what it made of a part: every node and every attribute.
    const auto parsed = [](std::string bytes) {
        pugi::xml_document document;
        EXPECT_TRUE(ParseXmlPart(document, bytes, "part.xml")) << bytes;
        size_t nodes = 0;
        std::vector<pugi::xml_node> stack;
        for (pugi::xml_node node = document.first_child(); node; node = node.next_sibling())
            stack.push_back(node);
        while (!stack.empty()) {
            const pugi::xml_node node = stack.back();
            stack.pop_back();
            ++nodes;
            for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
                ++nodes;
            for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling())
                stack.push_back(child);
        }
        return nodes;
    };
    const char *parts[] = {
        "<r><c r=\"A1\" t=\"s\"><v>0</v></c></r>",
        "<r>\n  <c a=\">\" b=\"1\"/>text<c b=\"=\"/>more<d> </d>\n</r>", // a quoted ">" and "=", text between
        "<r a='>x' b='y'>t<![CDATA[<c/>]]><!-- <c d=\"1\"/> --><?pi x=1?></r>",
        "<?xml version=\"1.0\"?><r><t xml:space=\"preserve\">  </t><u/></r>",
    };
    for (const char *part : parts)
        EXPECT_EQ(XmlNodeCount(part), parsed(part)) << part;
}

TEST(CellGrid, CutsLongTextsToACellAndAllTextsToTheGrid)
{
    TCellGrid grid;
    size_t total = 0;
    for (int r = 1; r <= 99; ++r) {
        for (int c = 1; c <= 99; ++c) {
            grid.Set(r, c, std::string(TCellGrid::MaxCellBytes + 10, 'x'));
            total += grid.At(r, c).size();
        }
    }
    EXPECT_EQ(grid.At(1, 1).size(), TCellGrid::MaxCellBytes);
    EXPECT_LE(total, TCellGrid::MaxBytes);
    grid.Set(1, 1, std::string(TCellGrid::MaxCellBytes - 1, 'x') + "é");
    EXPECT_EQ(grid.At(1, 1).size(), TCellGrid::MaxCellBytes - 1); // a character is never cut in half
}
