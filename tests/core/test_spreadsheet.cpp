#include "storage/spreadsheet.h"

#include "model/error.h"
#include "storage/fileio.h"
#include "storage/workbook.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

const std::string Data = SIG_TEST_DATA;

class TTempFolder
{
public:
    TTempFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "sig-sheet-XXXXXX").string();
        Path = ::mkdtemp(pattern.data());
    }
    ~TTempFolder() { fs::remove_all(Path); }
    std::string File(const std::string &name) const { return (fs::path(Path) / name).string(); }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(Path))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path Path;
};

TScenario &AddScenario(TProject &project, int g, int s, int hour, int minute, int volume, int track)
{
    project.Groups[g].Used = true;
    project.Groups[g].Name = "Корпус " + std::to_string(g);
    TScenario &scenario = project.Groups[g].Scenarios[s];
    scenario = TScenario{"Звонок", hour, minute, {}, volume, track, true};
    return scenario;
}

/// A grid whose first row holds `columns` header texts and whose later rows are given as cells.
TCellGrid Sheet(int columns, const std::vector<std::vector<std::string>> &rows)
{
    TCellGrid grid;
    for (int c = 1; c <= columns; ++c)
        grid.Set(1, c, "H" + std::to_string(c));
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t c = 0; c < rows[r].size(); ++c)
            grid.Set(int64_t(r) + 2, int64_t(c) + 1, rows[r][c]);
    }
    return grid;
}

/// A full 45-column row: hour, minute, days as a 7-letter string of 0/1, zones given on, the rest.
std::vector<std::string> Row(std::string hour, std::string minute, std::string_view days,
                             std::initializer_list<int> zonesOn, std::string volume, std::string track, std::string g,
                             std::string s)
{
    std::vector<std::string> row{std::move(hour), std::move(minute)};
    for (char d : days)
        row.emplace_back(1, d);
    for (int z = 1; z <= 32; ++z)
        row.push_back(std::find(zonesOn.begin(), zonesOn.end(), z) != zonesOn.end() ? "1" : "0");
    for (std::string *field : {&volume, &track, &g, &s})
        row.push_back(std::move(*field));
    return row;
}

TProject ImportedGrid(const TCellGrid &grid)
{
    TProject project;
    EXPECT_EQ(ImportCellGrid(grid, project), TImportResult::Imported);
    return project;
}

/// Runs a command and returns its exit status and standard output.
std::pair<int, std::string> RunCommand(const std::string &command)
{
    std::string output;
    FILE *pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return {-1, ""};
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

std::string Python()
{
    // The Debian interpreter is the one that has python3-openpyxl, whatever else is on PATH.
    return fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
}

} // namespace

TEST(SpreadsheetExport, RoundTripGivesDeviceType9WithTheSameNumbersAndNoNames)
{
    TProject project;
    project.Name = "Школа";
    project.DeviceType = 4; // eight zones
    TScenario &first = AddScenario(project, 2, 3, 8, 5, 7, 12);
    first.Days = {true, false, false, false, true, false, false};
    project.Groups[2].Zones[1] = project.Groups[2].Zones[3] = true;
    project.Groups[2].Zones[10] = true; // above the device's zone count: not exported
    AddScenario(project, 2, 7, 13, 40, 99, 120).Days[6] = true;
    AddScenario(project, 32, 32, 23, 59, 1, 255);
    TTempFolder folder;
    const std::string path = folder.File("plan.xlsx");
    ExportSpreadsheet(project, path);

    TProject back;
    back.Name = "old";
    back.FileName = "/old.vlpj";
    ASSERT_EQ(ImportSpreadsheet(path, back), TImportResult::Imported);

    EXPECT_EQ(back.DeviceType, 9);
    EXPECT_EQ(back.Name, "");
    EXPECT_EQ(back.FileName, "");
    for (int g = 1; g <= 32; ++g)
        EXPECT_EQ(back.Groups[g].Used, g == 2 || g == 32) << g;
    EXPECT_EQ(back.Groups[2].Name, "");
    for (int z = 1; z <= 32; ++z)
        EXPECT_EQ(back.Groups[2].Zones[z], z == 1 || z == 3) << z;
    for (auto [g, s] : {std::pair{2, 3}, {2, 7}, {32, 32}}) {
        const TScenario &was = project.Groups[g].Scenarios[s];
        const TScenario &is = back.Groups[g].Scenarios[s];
        EXPECT_TRUE(is.Used);
        EXPECT_EQ(is.Name, "");
        EXPECT_EQ(std::tie(is.Hour, is.Minute, is.Days, is.Volume, is.Track),
                  std::tie(was.Hour, was.Minute, was.Days, was.Volume, was.Track))
            << g << "/" << s;
    }
    EXPECT_FALSE(back.Groups[2].Scenarios[4].Used);
}

TEST(SpreadsheetExport, ClearsUnusedRecordsAsTheExportWalkDoes)
{
    TProject project;
    project.DeviceType = 9;
    AddScenario(project, 1, 1, 8, 0, 1, 1);
    project.Groups[1].Scenarios[2].Name = "left over";
    project.Groups[5].Name = "unused group";
    SerializeSpreadsheet(project);
    EXPECT_EQ(project.Groups[1].Scenarios[2].Name, "");
    EXPECT_EQ(project.Groups[5].Name, "");
    EXPECT_EQ(project.Groups[1].Scenarios[1].Name, "Звонок");
}

TEST(SpreadsheetExport, AnIndependentReaderSeesTextCellsAndTheTextFormatOnSixColumnsOnly)
{
    TProject project;
    project.DeviceType = 7; // sixteen zones
    AddScenario(project, 1, 1, 8, 0, 7, 3).Days = {true, true, true, true, true, false, false};
    project.Groups[1].Zones[16] = true;
    AddScenario(project, 3, 12, 14, 45, 10, 120);
    AddScenario(project, 3, 2, 0, 0, 0, 0).Days[5] = true;
    TTempFolder folder;
    const std::string workbook = folder.File("export.xlsx");
    const std::string csv = folder.File("expected.csv");
    TProject copy = project;
    ExportSpreadsheet(project, workbook);
    WriteFileAtomically(csv, SerializeCsv(copy));

    const std::string script = (fs::path(__FILE__).parent_path() / "check_workbook.py").string();
    const auto [status, output] = RunCommand(Python() + " '" + script + "' '" + workbook + "' '" + csv + "' 2>&1");
    EXPECT_EQ(status, 0) << output;
    EXPECT_EQ(output, "OK 4\n"); // three scenarios and the end row
}

TEST(SpreadsheetExport, EmptyProjectGivesTheHeaderAndTheEndRow)
{
    TProject project;
    project.DeviceType = 1;
    const TCellGrid grid = ReadWorkbookCells(SerializeSpreadsheet(project), "empty.xlsx");
    EXPECT_EQ(grid.At(1, 1), "Час");
    EXPECT_EQ(grid.At(1, 10), "Зона 1");
    EXPECT_EQ(grid.At(1, 41), "Зона 32");
    EXPECT_EQ(grid.At(1, 43), "Трэк");
    EXPECT_EQ(grid.At(1, 45), "Сценарий");
    EXPECT_EQ(grid.At(1, 46), "");
    const std::array<std::string, 45> &end = EndOfTableTexts();
    for (int c = 1; c <= 45; ++c)
        EXPECT_EQ(grid.At(2, c), end[size_t(c - 1)]) << c;
    EXPECT_EQ(grid.At(3, 1), "");
}

TEST(SpreadsheetExport, WritesAnXlsxUnderThePathAsGivenWhateverItsExtension)
{
    TTempFolder folder;
    for (const std::string name : {"plan.csv", "plan.xls", "plan"}) {
        TProject project;
        project.DeviceType = 2;
        AddScenario(project, 1, 1, 8, 0, 1, 1);
        ExportSpreadsheet(project, folder.File(name));
        const std::string bytes = ReadWholeFile(folder.File(name));
        EXPECT_EQ(bytes.substr(0, 4), "PK\x03\x04") << name;
        EXPECT_EQ(ReadWorkbookCells(bytes, name).At(2, 1), "08") << name;
    }
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"plan", "plan.csv", "plan.xls"}));
}

TEST(SpreadsheetExport, AFailedExportLeavesWhatWasThereAndNoTemporary)
{
    TTempFolder folder;
    // A folder in the way of the target: the rename fails after the workbook has been written.
    const std::string path = folder.File("taken");
    fs::create_directory(path);
    WriteFileAtomically(folder.File("taken/inside"), "old");
    TProject project;
    project.DeviceType = 9;
    AddScenario(project, 1, 1, 8, 0, 1, 1);
    try {
        ExportSpreadsheet(project, path);
        FAIL() << "no error";
    } catch (const TFileError &error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + path);
    }
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"taken"});
    EXPECT_EQ(ReadWholeFile(folder.File("taken/inside")), "old");

    EXPECT_THROW(ExportSpreadsheet(project, folder.File("missing/plan.xlsx")), TFileError);
}

TEST(SpreadsheetImport, HeaderCountGivesTheDeviceTypeAndThirteenIsRefused)
{
    TProject project;
    project.Name = "kept";
    project.DeviceType = 4;
    AddScenario(project, 3, 3, 1, 1, 1, 1);
    TCellGrid thirteen = Sheet(13, {Row("08", "00", "1000000", {}, "01", "01", "01", "01")});
    thirteen.Set(1, 15, "after the gap"); // the scan stops at the first empty header cell
    EXPECT_EQ(ImportCellGrid(thirteen, project), TImportResult::WrongFormat);
    EXPECT_EQ(project.Name, "kept");
    EXPECT_EQ(project.DeviceType, 4);
    EXPECT_TRUE(project.Groups[3].Scenarios[3].Used);

    EXPECT_EQ(ImportedGrid(Sheet(14, {})).DeviceType, 1);
    EXPECT_EQ(ImportedGrid(Sheet(16, {})).DeviceType, 2);
    EXPECT_EQ(ImportedGrid(Sheet(20, {})).DeviceType, 4);
    EXPECT_EQ(ImportedGrid(Sheet(44, {})).DeviceType, 9);
    EXPECT_EQ(ImportedGrid(Sheet(99, {})).DeviceType, 9);
}

TEST(SpreadsheetImport, HeaderCellsAreTrimmedOfControlCodesBeforeTheyCount)
{
    TCellGrid grid = Sheet(45, {});
    grid.Set(1, 14, " \t\x01\x1f ");
    TProject project;
    EXPECT_EQ(ImportCellGrid(grid, project), TImportResult::WrongFormat);
    grid.Set(1, 14, "\x01 x \x1f");
    EXPECT_EQ(ImportCellGrid(grid, project), TImportResult::Imported);
    EXPECT_EQ(project.DeviceType, 9);
}

TEST(SpreadsheetImport, ColumnsFollowTheZoneCountOfTheHeader)
{
    // 16 header cells: four zones, so volume, track, group and slot sit in columns 14 to 17;
    // column 17 is beyond the header and not read, so the slot is 0 and counts up.
    const TProject project = ImportedGrid(
        Sheet(16, {{"6", "45", "1", "1", "1", "1", "1", "0", "0", "1", "1", "0", "1", "20", "7", "5", "9"}}));
    EXPECT_EQ(project.DeviceType, 2);
    const TScenario &scenario = project.Groups[5].Scenarios[1];
    EXPECT_TRUE(scenario.Used);
    EXPECT_EQ(std::tie(scenario.Hour, scenario.Minute, scenario.Volume, scenario.Track), std::tuple(6, 45, 20, 7));
    EXPECT_EQ(project.Groups[5].Zones[1] + project.Groups[5].Zones[2] + project.Groups[5].Zones[4], 3);
    EXPECT_FALSE(project.Groups[5].Zones[3]);
    EXPECT_FALSE(project.Groups[9].Used);
}

TEST(SpreadsheetImport, AnEmptyCellEndsItsRow)
{
    std::vector<std::string> row = Row("08", "30", "1111100", {1, 2}, "05", "06", "07", "08");
    row[13] = ""; // zone 5: volume, track, group and slot stay 0
    const TProject project = ImportedGrid(Sheet(45, {row}));
    EXPECT_FALSE(project.Groups[7].Used);
    for (int g = 1; g <= 32; ++g)
        EXPECT_FALSE(project.Groups[g].Used) << g;
    // The row went to the reserved group 0, as the end row does.
    EXPECT_TRUE(project.Groups[0].Scenarios[1].Used);
    EXPECT_EQ(project.Groups[0].Scenarios[1].Hour, 8);
}

TEST(SpreadsheetImport, CellsAreWholeIntegers)
{
    const std::vector<std::pair<std::string, int32_t>> cases = {
        {"8", 8},
        {"08", 8},
        {" 8\t", 8},
        {"+8", 8},
        {"-8", -8},
        {"8.5", 0},
        {"8.0", 0},
        {"1e3", 0},
        {"8 8", 0},
        {"0x10", 0},
        {"-", 0},
        {"TRUE", 0},
        {"2147483647", 2147483647},
        {"2147483648", 0},
        {"-2147483648", INT32_MIN},
        {"99999999999999999999", 0},
    };
    for (const auto &[text, value] : cases) {
        const TProject project = ImportedGrid(Sheet(45, {Row(text, "01", "0000000", {}, "00", "00", "01", "01")}));
        EXPECT_EQ(project.Groups[1].Scenarios[1].Hour, value) << text;
    }
}

TEST(SpreadsheetImport, ZoneValuesAloneDoNotMarkTheGroupUsed)
{
    const TProject project = ImportedGrid(Sheet(45, {Row("00", "00", "0000000", {1, 2}, "00", "00", "04", "01"),
                                                     Row("00", "00", "0000000", {3}, "00", "00", "05", "00")}));
    EXPECT_FALSE(project.Groups[4].Used);
    EXPECT_TRUE(project.Groups[4].Zones[1]);
    // A slot of 0 always marks its group used and fills the next slot.
    EXPECT_TRUE(project.Groups[5].Used);
    EXPECT_TRUE(project.Groups[5].Scenarios[1].Used);
}

TEST(SpreadsheetImport, RowsWithNoPlaceInTheProjectAreSkipped)
{
    const TProject project = ImportedGrid(Sheet(45, {Row("08", "00", "1000000", {}, "01", "01", "33", "01"),
                                                     Row("08", "00", "1000000", {}, "01", "01", "-1", "01"),
                                                     Row("08", "00", "1000000", {}, "01", "01", "01", "33"),
                                                     Row("09", "00", "1000000", {}, "01", "01", "02", "02")}));
    EXPECT_TRUE(project.Groups[2].Scenarios[2].Used);
    EXPECT_FALSE(project.Groups[1].Used);
}

TEST(SpreadsheetImport, AnEmptyA2GivesNoGroupsAndTheHeadersDeviceType)
{
    std::vector<std::string> row = Row("", "05", "1000000", {}, "01", "01", "01", "01");
    TProject project;
    AddScenario(project, 1, 1, 8, 0, 1, 1);
    ASSERT_EQ(ImportCellGrid(Sheet(20, {row, Row("08", "00", "1000000", {}, "01", "01", "01", "01")}), project),
              TImportResult::Imported);
    EXPECT_EQ(project.DeviceType, 4);
    for (const TGroup &group : project.Groups)
        EXPECT_FALSE(group.Used);
}

TEST(SpreadsheetImport, RowsPast99AreNotRead)
{
    TProject project;
    project.DeviceType = 9;
    for (int g = 1; g <= 4; ++g) {
        for (int s = 1; s <= 32; ++s)
            AddScenario(project, g, s, g, s, 1, 1);
    }
    const std::string bytes = SerializeSpreadsheet(project); // 128 rows and the end row
    TProject back;
    ASSERT_EQ(ParseSpreadsheet(bytes, "big.xlsx", back), TImportResult::Imported);
    // Rows 2 to 99 hold the first 98 scenarios: groups 1 to 3 and slots 1 and 2 of group 4.
    for (int g = 1; g <= 3; ++g) {
        for (int s = 1; s <= 32; ++s)
            EXPECT_TRUE(back.Groups[g].Scenarios[s].Used) << g << "/" << s;
    }
    EXPECT_TRUE(back.Groups[4].Scenarios[2].Used);
    EXPECT_FALSE(back.Groups[4].Scenarios[3].Used);
    EXPECT_FALSE(back.Groups[0].Scenarios[1].Used); // the end row was not reached
}

TEST(SpreadsheetImport, WorkbooksOfOtherProgramsImportAlike)
{
    for (const std::string name : {"openpyxl-schedule.xlsx", "libreoffice-schedule.xlsx", "libreoffice-schedule.ods",
                                   "libreoffice-schedule.xls"}) {
        SCOPED_TRACE(name);
        TProject project;
        ASSERT_EQ(ImportSpreadsheet(Data + "/" + name, project), TImportResult::Imported);
        EXPECT_EQ(project.DeviceType, 9);
        // Text cells as the program writes them.
        const TScenario &exported = project.Groups[2].Scenarios[3];
        EXPECT_TRUE(exported.Used);
        EXPECT_EQ(std::tie(exported.Hour, exported.Minute, exported.Volume, exported.Track), std::tuple(8, 5, 7, 12));
        EXPECT_EQ(exported.Days, (std::array<bool, 7>{true, false, false, false, true, false, false}));
        // Integer cells; the last row of a group decides its zones.
        EXPECT_EQ(project.Groups[2].Zones[1] + 2 * project.Groups[2].Zones[2] + 4 * project.Groups[2].Zones[3], 2);
        const TScenario &typed = project.Groups[2].Scenarios[4];
        EXPECT_EQ(std::tie(typed.Hour, typed.Minute, typed.Volume, typed.Track), std::tuple(9, 30, 10, 120));
        EXPECT_TRUE(typed.Days[1]);
        // Floats: 8.5 reads 0, 15.0 reads 15. The last row for group 3 decides its zones.
        const TScenario &floats = project.Groups[3].Scenarios[1];
        EXPECT_TRUE(floats.Used);
        EXPECT_EQ(std::tie(floats.Hour, floats.Minute, floats.Volume, floats.Track), std::tuple(0, 15, 5, 3));
        // The row with an empty zone 5 cell has no group 4 slot 1.
        EXPECT_FALSE(project.Groups[4].Scenarios[1].Used);
        // " 11 " and "+6" read 11 and 6; "1e3" is no integer, so Sunday stays off.
        const TScenario &odd = project.Groups[4].Scenarios[2];
        EXPECT_EQ(std::tie(odd.Hour, odd.Minute, odd.Volume, odd.Track), std::tuple(11, 6, -1, 4));
        EXPECT_TRUE(odd.Days[0]);
        EXPECT_FALSE(odd.Days[6]);
        int used = 0;
        for (int g = 1; g <= 32; ++g) {
            for (int s = 1; s <= 32; ++s)
                used += project.Groups[g].Scenarios[s].Used;
        }
        EXPECT_EQ(used, 4);
    }
}

TEST(SpreadsheetImport, TheActiveSheetIsRead)
{
    for (const std::string name :
         {"openpyxl-second-active.xlsx", "libreoffice-second-active.xlsx", "libreoffice-second-active.xls"}) {
        TProject project;
        ASSERT_EQ(ImportSpreadsheet(Data + "/" + name, project), TImportResult::Imported) << name;
        EXPECT_EQ(project.DeviceType, 2) << name;
        EXPECT_TRUE(project.Groups[5].Scenarios[1].Used) << name;
    }
}

TEST(SpreadsheetImport, AFileThatIsNoWorkbookLeavesTheProject)
{
    TTempFolder folder;
    TProject project;
    project.Name = "kept";
    try {
        ImportSpreadsheet(folder.File("missing.xlsx"), project);
        FAIL() << "no error";
    } catch (const TFileError &error) {
        EXPECT_EQ(std::string(error.what()), "Unable to read " + folder.File("missing.xlsx"));
    }
    const std::string text = folder.File("plan.xls");
    WriteFileAtomically(text, "08;05;1;0;0\r\n");
    try {
        ImportSpreadsheet(text, project);
        FAIL() << "no error";
    } catch (const TFormatError &error) {
        EXPECT_EQ(std::string(error.what()), text + " is not a workbook that can be read");
    }
    EXPECT_EQ(project.Name, "kept");
}
