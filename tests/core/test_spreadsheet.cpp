#include "storage/spreadsheet.h"

#include "model/error.h"
#include "storage/fileio.h"
#include "storage/projectfile.h"
#include "storage/workbook/workbook.h"
#include "tests/core/support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

const std::string Data = SIG_TEST_DATA;

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

/// The row with cell c (0-based) replaced by text.
std::vector<std::string> With(std::vector<std::string> row, size_t c, std::string text)
{
    row.at(c) = std::move(text);
    return row;
}

/// The used scenarios of groups 1 to 32 by "group/slot", each as "hour:minute days volume/track".
std::map<std::string, std::string> UsedScenarios(const TProject &project)
{
    std::map<std::string, std::string> used;
    for (int g = 1; g <= 32; ++g) {
        for (int s = 1; s <= 32; ++s) {
            const TScenario &scenario = project.Groups[g].Scenarios[s];
            std::string days;
            for (bool day : scenario.Days)
                days += day ? '1' : '0';
            if (scenario.Used)
                used[std::to_string(g) + "/" + std::to_string(s)] =
                    std::to_string(scenario.Hour) + ":" + std::to_string(scenario.Minute) + " " + days + " " +
                    std::to_string(scenario.Volume) + "/" + std::to_string(scenario.Track);
        }
    }
    return used;
}

TProject ImportedGrid(const TCellGrid &grid)
{
    TProject project;
    EXPECT_EQ(ImportCellGrid(grid, project), TImportResult::Imported);
    return project;
}

} // namespace

TEST(SpreadsheetExport, AnIndependentReaderSeesTextCellsAndTheRoundTripGivesDeviceType9AndNoNames)
{
    TProject project;
    project.Name = "Школа";
    project.DeviceType = 4; // eight zones
    TScenario &first = AddScenario(project, 2, 3, 8, 5, 7, 12);
    first.Days = {true, false, false, false, true, false, false};
    project.Groups[2].Zones[1] = project.Groups[2].Zones[3] = true;
    project.Groups[2].Zones[10] = true; // above the device's zone count: not exported
    AddScenario(project, 2, 7, 13, 40, 99, 120).Days[6] = true;
    AddScenario(project, 32, 32, 23, 59, 0, 0);
    project.Groups[2].Scenarios[4].Name = "left over"; // unused records are cleared by the export
    project.Groups[5].Name = "unused group";
    TTempFolder folder;
    const std::string path = folder.File("plan.xlsx");
    ExportSpreadsheet(project, path);
    EXPECT_EQ(project.Groups[2].Scenarios[4].Name, "");
    EXPECT_EQ(project.Groups[5].Name, "");
    EXPECT_EQ(project.Groups[2].Scenarios[3].Name, "Звонок");

    // openpyxl compares every cell with the CSV line of the project: a text, with the text format
    // "@" on columns 1, 2 and 42 to 45 only. The Debian interpreter is the one that has openpyxl.
    const std::string csv = folder.File("expected.csv");
    const std::string output = folder.File("output.txt");
    WriteFileAtomically(csv, SerializeCsv(project));
    const std::string python = fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    const std::string script = (fs::path(__FILE__).parent_path() / "check_workbook.py").string();
    const int status =
        std::system((python + " '" + script + "' '" + path + "' '" + csv + "' > '" + output + "' 2>&1").c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadWholeFile(output);
    EXPECT_EQ(ReadWholeFile(output), "OK 4\n"); // three scenarios and the end row

    TProject back;
    back.Name = "old";
    back.FileName = "/old.vlpj";
    ASSERT_EQ(ImportSpreadsheet(path, back), TImportResult::Imported);
    EXPECT_EQ(back.DeviceType, 9);
    EXPECT_EQ(back.Name, "");
    EXPECT_EQ(back.FileName, "");
    for (int g = 1; g <= 32; ++g)
        EXPECT_EQ(back.Groups[g].Used, g == 2 || g == 32) << g;
    EXPECT_EQ(back.Groups[2].Name + back.Groups[2].Scenarios[3].Name, "");
    EXPECT_EQ(back.Groups[2].Zones, (std::array<bool, 33>{false, true, false, true}));
    EXPECT_EQ(UsedScenarios(back), UsedScenarios(project));
    EXPECT_EQ(UsedScenarios(back).size(), 3u);
}

TEST(SpreadsheetExport, WritesThePathAsGivenAndAFailureLeavesWhatWasThere)
{
    TTempFolder folder;
    TProject project;
    project.DeviceType = 2;
    AddScenario(project, 1, 1, 8, 0, 1, 1);
    for (const std::string name : {"plan.csv", "plan"}) {
        ExportSpreadsheet(project, folder.File(name));
        const std::string bytes = ReadWholeFile(folder.File(name));
        EXPECT_EQ(bytes.substr(0, 4), "PK\x03\x04") << name;
        EXPECT_EQ(ReadWorkbookCells(bytes, name).At(2, 1), "08") << name;
    }
    // A folder in the way of the target is refused, and nothing appears beside it.
    const std::string taken = folder.File("taken");
    fs::create_directory(taken);
    WriteFileAtomically(taken + "/inside", "old");
    ExpectError<TFileError>([&] { ExportSpreadsheet(project, taken); },
                            "Unable to write to " + taken + "\nэто папка, а не файл");
    EXPECT_EQ(folder.Entries(), 3); // no temporary, no added extension
    EXPECT_EQ(ReadWholeFile(taken + "/inside"), "old");
    EXPECT_THROW(ExportSpreadsheet(project, folder.File("missing/plan.xlsx")), TFileError);
}

TEST(SpreadsheetImport, HeaderCountGivesTheDeviceTypeAndThirteenIsRefused)
{
    // The header alone decides the type: an empty A2 ends the table before its first row.
    std::vector<std::string> emptyA2 = Row("", "05", "1000000", {}, "01", "01", "01", "01");
    for (auto [columns, type] : {std::pair{14, 1}, {16, 2}, {20, 4}, {44, 9}, {99, 9}}) {
        SCOPED_TRACE(columns);
        TProject project;
        AddScenario(project, 1, 1, 8, 0, 1, 1);
        ASSERT_EQ(
            ImportCellGrid(Sheet(columns, {emptyA2, Row("08", "00", "1000000", {}, "01", "01", "01", "01")}), project),
            TImportResult::Imported);
        EXPECT_EQ(project.DeviceType, type);
        for (const TGroup &group : project.Groups)
            EXPECT_FALSE(group.Used);
    }

    TProject project;
    project.Name = "kept";
    project.DeviceType = 4;
    AddScenario(project, 3, 3, 1, 1, 1, 1);
    TCellGrid grid = Sheet(13, {Row("08", "00", "1000000", {}, "01", "01", "01", "01")});
    grid.Set(1, 15, "after the gap"); // the count stops at the first empty header cell
    EXPECT_EQ(ImportCellGrid(grid, project), TImportResult::WrongFormat);
    grid.Set(1, 14, " \t\x01\x1f "); // blanks and control codes are trimmed away before a cell counts
    EXPECT_EQ(ImportCellGrid(grid, project), TImportResult::WrongFormat);
    EXPECT_EQ(project.Name, "kept");
    EXPECT_EQ(project.DeviceType, 4);
    EXPECT_TRUE(project.Groups[3].Scenarios[3].Used);
    grid.Set(1, 14, "\x01 x \x1f");
    EXPECT_EQ(ImportCellGrid(grid, project), TImportResult::Imported);
    EXPECT_EQ(project.DeviceType, 1);
}

TEST(SpreadsheetImport, CellsAreWholeIntegers)
{
    const std::vector<std::pair<int32_t, std::vector<std::string>>> cases = {
        {8, {"8", "08", " 8\t", "+8"}},
        {-8, {"-8"}},
        {INT32_MAX, {"2147483647"}},
        {INT32_MIN, {"-2147483648"}},
        {0, {"8.5", "8.0", "1e3", "8 8", "0x10", "-", "TRUE", "2147483648", "99999999999999999999"}},
    };
    for (const auto &[value, texts] : cases) {
        for (const std::string &text : texts) {
            const TProject project = ImportedGrid(Sheet(45, {Row(text, "01", "0000000", {}, "00", "00", "01", "01")}));
            EXPECT_EQ(project.Groups[1].Scenarios[1].Hour, value) << text;
        }
    }
}

TEST(SpreadsheetImport, CellsThatAreNoWholeNumberAndRowsWithNoPlaceAreListed)
{
    TProject project;
    std::vector<TSkippedEntry> skipped;
    ASSERT_EQ(ImportCellGrid(Sheet(45, {Row("8.5", "01", "1000000", {}, "-1", "звонок", "01", "01"),
                                        Row("08", "00", "1000000", {}, "01", "01", "40", "01"),
                                        {" "},
                                        Row("09", "00", "1000000", {}, "01", "01", "01", "02"),
                                        {"", "9"}}),
                             project, skipped),
              TImportResult::Imported);
    EXPECT_THAT(SkippedLines(skipped),
                ::testing::ElementsAre("ячейка AP2: Громкость: «-1» — отрицательное число; прочитано как -1",
                                       "строка 3: номер группы 40 вне 1–32; строка пропущена",
                                       "ячейка A2: Час: «8.5» — не целое число; в проекте будет 0",
                                       "ячейка AQ2: Трэк: «звонок» — не целое число; в проекте будет 0",
                                       "строки 5–6: после пустой ячейки A4 таблица не читается; строки пропущены"));
    EXPECT_EQ(project.Groups[1].Scenarios[1].Volume, -1); // kept as it is, only said
}

TEST(SpreadsheetImport, CellsTheProjectWillNotHoldAsTheyStandAreNamedByCell)
{
    const struct
    {
        const char *What;
        std::vector<std::vector<std::string>> Rows;
        std::vector<std::string> Listed;
    } cases[] = {
        {"as written", {Row("08", "30", "1000001", {2}, "20", "05", "03", "04")}, {}},
        {"numbers as a spreadsheet hands them over", {Row("8", "30", "1000000", {}, "20", "5", "3", "4")}, {}},
        {"a day of 2",
         {Row("08", "30", "2000000", {}, "20", "05", "03", "04")},
         {"ячейка C2: Понедельник: «2»; в проекте будет 1"}},
        {"a zone of 1.0",
         {With(Row("08", "30", "1000000", {}, "20", "05", "03", "04"), 9, "1.0")},
         {"ячейка J2: Зона 1: «1.0» — не целое число; в проекте будет 0"}},
        {"a slot two rows fill",
         {Row("08", "30", "1000000", {}, "20", "05", "03", "04"),
          Row("09", "30", "1000000", {}, "20", "05", "03", "04")},
         {"строка 2: сценарий 4 группы 3 задан ещё строкой 3: в проекте будет та"}},
        {"a silent scenario",
         {Row("00", "00", "0000000", {1}, "00", "00", "03", "04")},
         {"строка 2: сценарий 4 группы 3 без времени, дней, громкости и трека: в проекте его не будет"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.What);
        TProject project;
        std::vector<TSkippedEntry> skipped;
        ASSERT_EQ(ImportCellGrid(Sheet(45, c.Rows), project, skipped), TImportResult::Imported);
        EXPECT_EQ(SkippedLines(skipped), c.Listed);
    }
}

TEST(SpreadsheetImport, RowsFindTheirPlaceByGroupAndSlot)
{
    std::vector<std::string> gap = Row("08", "30", "1111100", {1, 2}, "05", "06", "07", "08");
    gap[13] = ""; // an empty zone 5 cell ends the row: volume, track, group and slot stay 0
    const TProject project = ImportedGrid(Sheet(45, {gap, Row("00", "00", "0000000", {1, 2}, "00", "00", "04", "01"),
                                                     Row("00", "00", "0000000", {3}, "00", "00", "05", "00"),
                                                     Row("08", "00", "1000000", {}, "01", "01", "33", "01"),
                                                     Row("08", "00", "1000000", {}, "01", "01", "-1", "01"),
                                                     Row("08", "00", "1000000", {}, "01", "01", "01", "33"),
                                                     Row("09", "00", "1000000", {}, "01", "01", "02", "02")}));
    // Rows with no place in the project (group 33 or -1, slot 33) are skipped, and a slot of 0 fills
    // the next slot of its group.
    EXPECT_EQ(UsedScenarios(project),
              (std::map<std::string, std::string>{{"5/1", "0:0 0000000 0/0"}, {"2/2", "9:0 1000000 1/1"}}));
    // The cut row went to the reserved group 0, as the end row does.
    EXPECT_TRUE(project.Groups[0].Scenarios[1].Used);
    EXPECT_EQ(project.Groups[0].Scenarios[1].Hour, 8);
    // Zone values alone do not mark a group used; a slot of 0 always does.
    EXPECT_FALSE(project.Groups[4].Used);
    EXPECT_TRUE(project.Groups[4].Zones[1]);
    EXPECT_TRUE(project.Groups[5].Used);
}

TEST(SpreadsheetImport, RowsRunToTheFirstEmptyFirstCell)
{
    TProject project;
    project.DeviceType = 9;
    for (int g = 1; g <= 4; ++g) {
        for (int s = 1; s <= 32; ++s)
            AddScenario(project, g, s, g, s, 1, 1);
    }
    TProject back;
    ASSERT_EQ(ParseSpreadsheet(SerializeSpreadsheet(project), "big.xlsx", back), TImportResult::Imported);
    // 128 rows and the end row, which goes to group 0.
    EXPECT_EQ(UsedScenarios(back), UsedScenarios(project));
    EXPECT_TRUE(back.Groups[0].Scenarios[1].Used);
    // A row whose first cell is empty ends the table, whatever follows.
    const TProject cut = ImportedGrid(Sheet(45, {Row("08", "00", "1000000", {}, "1", "1", "01", "01"),
                                                 {"", "30"},
                                                 Row("09", "00", "1000000", {}, "1", "1", "01", "02")}));
    EXPECT_EQ(UsedScenarios(cut), (std::map<std::string, std::string>{{"1/1", "8:0 1000000 1/1"}}));
}

TEST(SpreadsheetImport, AFullProjectComesBackWholeThroughEveryFormat)
{
    TProject full;
    full.Name = "Школа";
    full.DeviceType = 9; // 32 zones
    for (int g = 1; g <= 32; ++g) {
        for (int s = 1; s <= 32; ++s) {
            TScenario &scenario = AddScenario(full, g, s, (g + s) % 24, (g * s) % 60, s % 30, g * 32 + s);
            for (int d = 0; d < 7; ++d)
                scenario.Days[d] = (g + s + d) % 3 == 0;
        }
        for (int z = 1; z <= 32; ++z)
            full.Groups[g].Zones[z] = (g * z) % 5 != 0;
    }
    std::vector<std::string> playList;
    for (int k = 1; k <= 1500; ++k)
        playList.push_back(std::to_string(k) + ";C:\\Звонки\\" + std::to_string(k) + ".mp3");
    TTempFolder folder;
    full.FileName = folder.File("full.vlpj");
    SaveProjectFile(full, playList);
    const std::string bytes = ReadWholeFile(full.FileName);

    TProject project;
    std::vector<std::string> list;
    std::vector<TSkippedEntry> skipped;
    LoadProjectFile(full.FileName, project, list, skipped);
    project.FileName = folder.File("again.vlpj");
    SaveProjectFile(project, list);
    EXPECT_EQ(ReadWholeFile(project.FileName), bytes);
    EXPECT_TRUE(skipped.empty());

    // The exchange formats hold the schedule without names or playlist.
    TProject unnamed = full;
    unnamed.Name.clear();
    for (TGroup &group : unnamed.Groups) {
        group.Name.clear();
        for (TScenario &scenario : group.Scenarios)
            scenario.Name.clear();
    }
    const std::string schedule = SerializeProjectFile(unnamed, {});
    for (const std::string name : {"full.csv", "full.xlsx"}) {
        SCOPED_TRACE(name);
        const std::string path = folder.File(name);
        TProject exported = project;
        name.ends_with(".csv") ? ExportCsv(exported, path) : ExportSpreadsheet(exported, path);
        TProject back;
        const TImportResult result = name.ends_with(".csv") ? ImportCsv(path, back) : ImportSpreadsheet(path, back);
        ASSERT_EQ(result, TImportResult::Imported);
        back.Groups[0] = TGroup{}; // the end row
        EXPECT_EQ(SerializeProjectFile(back, {}), schedule);
    }
}

TEST(SpreadsheetImport, WorkbooksOfOtherProgramsImportAlike)
{
    for (const std::string name : {"openpyxl-schedule.xlsx", "libreoffice-schedule.xlsx", "libreoffice-schedule.ods",
                                   "libreoffice-schedule.xls"}) {
        SCOPED_TRACE(name);
        TProject project;
        ASSERT_EQ(ImportSpreadsheet(Data + "/" + name, project), TImportResult::Imported);
        EXPECT_EQ(project.DeviceType, 9);
        // Text cells as the program writes them; integer cells; floats, where 8.5 reads 0 and 15.0 reads 15;
        // a row whose empty zone 5 cell ends it, so no group 4 slot 1; " 11 ", "+6" and "1e3", no integer.
        EXPECT_EQ(UsedScenarios(project), (std::map<std::string, std::string>{{"2/3", "8:5 1000100 7/12"},
                                                                              {"2/4", "9:30 0100000 10/120"},
                                                                              {"3/1", "0:15 1111100 5/3"},
                                                                              {"4/2", "11:6 1000000 -1/4"}}));
        // The last row of a group decides its zones.
        EXPECT_EQ(project.Groups[2].Zones, (std::array<bool, 33>{false, false, true}));
    }
}

TEST(SpreadsheetImport, TheActiveSheetIsReadWithColumnsAfterItsZoneCount)
{
    for (const std::string name :
         {"openpyxl-second-active.xlsx", "libreoffice-second-active.xlsx", "libreoffice-second-active.xls"}) {
        SCOPED_TRACE(name);
        TProject project;
        ASSERT_EQ(ImportSpreadsheet(Data + "/" + name, project), TImportResult::Imported);
        // 16 header cells: four zones, so volume, track and group sit in columns 14 to 16; no slot.
        EXPECT_EQ(project.DeviceType, 2);
        EXPECT_EQ(UsedScenarios(project), (std::map<std::string, std::string>{{"5/1", "6:45 1111100 20/7"}}));
        EXPECT_EQ(project.Groups[5].Zones, (std::array<bool, 33>{false, true, true, false, true}));
    }
}

TEST(SpreadsheetImport, AFileThatIsNoWorkbookLeavesTheProject)
{
    TTempFolder folder;
    TProject project;
    project.Name = "kept";
    const std::string missing = folder.File("missing.xlsx");
    ExpectError<TFileError>([&] { ImportSpreadsheet(missing, project); },
                            "Не удалось прочитать файл " + missing + "\nфайл не найден");
    const std::string text = folder.File("plan.xls");
    WriteFileAtomically(text, "08;05;1;0;0\r\n");
    ExpectError<TFormatError>([&] { ImportSpreadsheet(text, project); },
                              "Файл " + text + " не является книгой (.xlsx, .ods или .xls), которую можно прочитать");
    EXPECT_EQ(project.Name, "kept");
}
