#include "storage/csv.h"

#include "model/error.h"
#include "storage/fileio.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

const std::string EndLine =
    "90;00;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;00;00;00;00";

std::string Repeat(std::string_view text, int count)
{
    std::string result;
    for (int k = 0; k < count; ++k)
        result += text;
    return result;
}

/// A line with the given number of zone fields, all "0" unless listed in zonesOn.
std::string Row(int hour, int minute, std::string_view days, int zoneFields, std::initializer_list<int> zonesOn,
                int volume, int track, int g, int s)
{
    std::string line = std::to_string(hour) + ";" + std::to_string(minute) + ";";
    for (char d : days)
        line += std::string(1, d) + ";";
    for (int z = 1; z <= zoneFields; ++z)
        line += std::find(zonesOn.begin(), zonesOn.end(), z) != zonesOn.end() ? "1;" : "0;";
    return line + std::to_string(volume) + ";" + std::to_string(track) + ";" + std::to_string(g) + ";" +
           std::to_string(s);
}

TScenario &AddScenario(TProject &project, int g, int s, int hour, int minute)
{
    project.Groups[g].Used = true;
    TScenario &scenario = project.Groups[g].Scenarios[s];
    scenario.Used = true;
    scenario.Name = "Звонок";
    scenario.Hour = hour;
    scenario.Minute = minute;
    return scenario;
}

TProject Imported(const std::string &bytes)
{
    TProject project;
    EXPECT_EQ(ParseCsv(bytes, project), TImportResult::Imported);
    return project;
}

class TTempFolder
{
public:
    TTempFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "sig-csv-XXXXXX").string();
        Path = ::mkdtemp(pattern.data());
    }
    ~TTempFolder() { fs::remove_all(Path); }
    std::string File(const std::string &name) const { return (fs::path(Path) / name).string(); }
    fs::path Path;
};

} // namespace

TEST(CsvExport, WritesTheScheduleLineFieldByField)
{
    TProject project;
    project.DeviceType = 2; // four zones
    TScenario &scenario = AddScenario(project, 2, 3, 8, 5);
    scenario.Days[0] = scenario.Days[4] = true;
    scenario.Volume = 7;
    scenario.Track = 12;
    project.Groups[2].Zones[1] = project.Groups[2].Zones[3] = true;
    project.Groups[2].Zones[12] = true; // beyond the device's zones: written as 0

    EXPECT_EQ(SerializeCsv(project),
              "08;05;1;0;0;0;1;0;0;1;0;1;0;" + Repeat("0;", 28) + "07;12;02;03\r\n" + EndLine + "\r\n");
}

TEST(CsvExport, EmptyProjectGivesTheEndLineAlone)
{
    TProject project;
    project.DeviceType = 9;
    EXPECT_EQ(SerializeCsv(project), EndLine + "\r\n");
    EXPECT_EQ(EndOfTableTexts().size(), 45u);
}

TEST(CsvExport, PadsSmallNumbersOnlyAndWalksAllGroups)
{
    TProject project;
    project.DeviceType = 1; // two zones, yet groups up to 32 are exported
    TScenario &late = AddScenario(project, 32, 32, 23, 59);
    late.Track = 120;
    late.Volume = -1;
    AddScenario(project, 1, 10, 0, 0);

    const std::string csv = SerializeCsv(project);
    EXPECT_EQ(csv, "00;00;0;0;0;0;0;0;0;" + Repeat("0;", 32) + "00;00;01;10\r\n" + "23;59;0;0;0;0;0;0;0;" +
                       Repeat("0;", 32) + "4294967295;120;32;32\r\n" + EndLine + "\r\n");
}

TEST(CsvExport, ClearsUnusedRecordsAndKeepsUsedOnes)
{
    TProject project;
    project.DeviceType = 9;
    AddScenario(project, 1, 1, 8, 0);
    AddScenario(project, 1, 2, 9, 0).Used = false; // an old value in an unused slot
    project.Groups[1].Name = "Корпус";
    AddScenario(project, 5, 1, 10, 0);
    project.Groups[5].Zones[3] = true;
    project.Groups[5].Used = false; // an unused group with leftovers
    project.Name = "Школа";
    project.FileName = "/tmp/school.vlpj";

    SerializeCsv(project);
    EXPECT_EQ(project.Groups[1].Scenarios[2].Hour, 0);
    EXPECT_EQ(project.Groups[1].Scenarios[2].Name, "");
    EXPECT_EQ(project.Groups[5].Scenarios[1].Hour, 0);
    EXPECT_FALSE(project.Groups[5].Scenarios[1].Used);
    EXPECT_FALSE(project.Groups[5].Zones[3]);
    EXPECT_EQ(project.Groups[1].Name, "Корпус");
    EXPECT_EQ(project.Groups[1].Scenarios[1].Hour, 8);
    EXPECT_EQ(project.Groups[1].Scenarios[1].Name, "Звонок");
    EXPECT_EQ(project.Name, "Школа");
    EXPECT_EQ(project.FileName, "/tmp/school.vlpj");
}

TEST(CsvExport, WritesAFileAndAFailedWriteLeavesTheOldOne)
{
    TTempFolder folder;
    TProject project;
    project.DeviceType = 9;
    for (int s = 1; s <= 32; ++s)
        AddScenario(project, 3, s, 8, s);

    const std::string missing = folder.File("no-such-folder/plan.csv");
    try {
        ExportCsv(project, missing);
        FAIL() << "export into a missing folder succeeded";
    } catch (const TFileError &error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + missing);
    }

    const std::string path = folder.File("plan.csv");
    ExportCsv(project, path);
    EXPECT_EQ(ReadWholeFile(path), SerializeCsv(project));

    // Make the next write fail for want of room: the file there must stay as it was.
    WriteFileAtomically(path, "old");
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit oldLimit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &oldLimit), 0);
    rlimit small = oldLimit;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool threw = false;
    try {
        ExportCsv(project, path);
    } catch (const TFileError &) {
        threw = true;
    }
    ::setrlimit(RLIMIT_FSIZE, &oldLimit);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(threw);
    EXPECT_EQ(ReadWholeFile(path), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path), fs::directory_iterator()), 1);
}

TEST(CsvColumns, DeviceTypeFollowsTheZoneColumns)
{
    EXPECT_EQ(DeviceTypeForColumnCount(0), 0);
    EXPECT_EQ(DeviceTypeForColumnCount(13), 0);
    EXPECT_EQ(DeviceTypeForColumnCount(14), 1);
    EXPECT_EQ(DeviceTypeForColumnCount(15), 1);
    EXPECT_EQ(DeviceTypeForColumnCount(16), 2);
    EXPECT_EQ(DeviceTypeForColumnCount(20), 4);
    EXPECT_EQ(DeviceTypeForColumnCount(28), 7);
    EXPECT_EQ(DeviceTypeForColumnCount(36), 8);
    EXPECT_EQ(DeviceTypeForColumnCount(43), 8);
    EXPECT_EQ(DeviceTypeForColumnCount(44), 9);
    EXPECT_EQ(DeviceTypeForColumnCount(45), 9);
    EXPECT_EQ(DeviceTypeForColumnCount(int64_t(1) << 40), 9);
}

TEST(CsvImport, ReimportOfAnExportGivesTheSameSchedule)
{
    TProject project;
    project.DeviceType = 2;
    project.Name = "Школа";
    project.Groups[3].Name = "Двор";
    TScenario &scenario = AddScenario(project, 3, 7, 14, 45);
    scenario.Days[6] = true;
    scenario.Volume = 20;
    scenario.Track = 120;
    project.Groups[3].Zones[2] = true;
    project.Groups[3].Zones[4] = true;
    project.Groups[3].Zones[9] = true; // beyond four zones: not exported

    const TProject back = Imported(SerializeCsv(project));
    EXPECT_EQ(back.DeviceType, 9);
    EXPECT_EQ(back.Name, "");
    EXPECT_TRUE(back.Groups[3].Used);
    EXPECT_EQ(back.Groups[3].Name, "");
    const TScenario &read = back.Groups[3].Scenarios[7];
    EXPECT_TRUE(read.Used);
    EXPECT_EQ(read.Name, "");
    EXPECT_EQ(read.Hour, 14);
    EXPECT_EQ(read.Minute, 45);
    EXPECT_EQ(read.Days, (std::array<bool, 7>{false, false, false, false, false, false, true}));
    EXPECT_EQ(read.Volume, 20);
    EXPECT_EQ(read.Track, 120);
    for (int z = 1; z <= 32; ++z)
        EXPECT_EQ(back.Groups[3].Zones[z], z == 2 || z == 4) << "zone " << z;
    for (int g = 1; g <= 32; ++g)
        EXPECT_EQ(back.Groups[g].Used, g == 3) << "group " << g;
}

TEST(CsvImport, SilentScenarioIsNotUsedButItsZonesKeepTheGroup)
{
    TProject project;
    project.DeviceType = 9;
    AddScenario(project, 1, 1, 0, 0);
    project.Groups[1].Zones[5] = true;
    AddScenario(project, 2, 1, 0, 0); // no zone: neither slot nor group survives

    const TProject back = Imported(SerializeCsv(project));
    EXPECT_FALSE(back.Groups[1].Scenarios[1].Used);
    EXPECT_TRUE(back.Groups[1].Used);
    EXPECT_TRUE(back.Groups[1].Zones[5]);
    EXPECT_FALSE(back.Groups[2].Used);
}

TEST(CsvImport, UsedTestSumsWithoutWrapping)
{
    // 2147483647 + 1 wraps to a negative sum in 32 bits; the scenario is still in use.
    const TProject project = Imported(Row(2147483647, 1, "0000000", 32, {}, 0, 0, 4, 2) + "\r\n");
    EXPECT_TRUE(project.Groups[4].Scenarios[2].Used);
    EXPECT_EQ(project.Groups[4].Scenarios[2].Hour, 2147483647);

    const TProject clamped = Imported("4294967296;0;0;0;0;0;0;0;0;" + Repeat("0;", 32) + "-5;0;1;1\n");
    EXPECT_EQ(clamped.Groups[1].Scenarios[1].Hour, 2147483647);
    EXPECT_EQ(clamped.Groups[1].Scenarios[1].Volume, -5);
    EXPECT_TRUE(clamped.Groups[1].Scenarios[1].Used);

    const TProject negative = Imported(Row(-3, 1, "0000000", 32, {}, 1, 0, 1, 1));
    EXPECT_FALSE(negative.Groups[1].Scenarios[1].Used);
}

TEST(CsvImport, WidthIgnoresATrailingSeparator)
{
    const std::string thirteen = "8;0;1;0;0;0;0;0;0;5;1;2;3";
    TProject project;
    EXPECT_EQ(ParseCsv(thirteen + ";\r\n", project), TImportResult::WrongFormat);
    EXPECT_EQ(ParseCsv(thirteen + ";0;", project), TImportResult::Imported);
    EXPECT_EQ(project.DeviceType, 1);
}

TEST(CsvImport, TooNarrowFileLeavesTheProjectAsItWas)
{
    TProject project;
    project.Name = "Школа";
    project.DeviceType = 4;
    project.FileName = "/tmp/school.vlpj";
    AddScenario(project, 2, 2, 8, 0);
    for (const std::string &bytes :
         std::vector<std::string>{"", "\r\n", "1;2;3;4;5;6;7;8;9;10;11;12;13\r\n;;;;;\n", std::string(13, ';')}) {
        EXPECT_EQ(ParseCsv(bytes, project), TImportResult::WrongFormat) << bytes;
        EXPECT_EQ(project.Name, "Школа");
        EXPECT_EQ(project.DeviceType, 4);
        EXPECT_EQ(project.FileName, "/tmp/school.vlpj");
        EXPECT_TRUE(project.Groups[2].Scenarios[2].Used);
    }
}

TEST(CsvImport, ZoneFieldsFollowTheWidestLine)
{
    // 14 fields: two zones.
    TProject two = Imported("8;30;1;0;0;0;0;0;0;1;1;20;4;2;5\n");
    EXPECT_EQ(two.DeviceType, 1);
    EXPECT_TRUE(two.Groups[2].Zones[1] && two.Groups[2].Zones[2]);
    EXPECT_EQ(two.Groups[2].Scenarios[5].Volume, 20);

    // 16 fields make four zone fields on every line, so a line with only three shifts by one.
    const std::string shifted = Row(9, 0, "0100000", 3, {3}, 10, 3, 2, 4);
    EXPECT_EQ(Imported(shifted).DeviceType, 2);
    TProject four = Imported(Row(8, 0, "1000000", 4, {1}, 10, 3, 1, 1) + "\n" + shifted);
    EXPECT_EQ(four.DeviceType, 2);
    EXPECT_TRUE(four.Groups[1].Scenarios[1].Used);
    EXPECT_EQ(four.Groups[1].Scenarios[1].Track, 3);
    // Its volume 10 reads as zone 4, the track as volume, the group as track, the slot as group.
    EXPECT_FALSE(four.Groups[2].Used);
    EXPECT_TRUE(four.Groups[4].Used);
    EXPECT_TRUE(four.Groups[4].Zones[3]);
    EXPECT_TRUE(four.Groups[4].Zones[4]);
    const TScenario &read = four.Groups[4].Scenarios[1]; // slot field missing: 0, the first free slot
    EXPECT_EQ(read.Hour, 9);
    EXPECT_TRUE(read.Days[1]);
    EXPECT_EQ(read.Volume, 3);
    EXPECT_EQ(read.Track, 2);
}

TEST(CsvImport, SlotZeroLinesFillTheNextSlots)
{
    const TProject project =
        Imported(Row(8, 0, "1000000", 32, {}, 1, 1, 5, 0) + "\r\n" + Row(9, 0, "1000000", 32, {}, 1, 2, 5, 0) + "\r\n" +
                 Row(10, 0, "1000000", 32, {}, 1, 3, 5, 1) + "\r\n");
    const TGroup &group = project.Groups[5];
    EXPECT_EQ(group.Scenarios[1].Hour, 10);
    EXPECT_EQ(group.Scenarios[1].Track, 3);
    EXPECT_EQ(group.Scenarios[2].Hour, 9);
    EXPECT_FALSE(group.Scenarios[3].Used);
}

TEST(CsvImport, SlotZeroLineIsUsedEvenWhenSilent)
{
    const TProject project = Imported(Row(0, 0, "0000000", 32, {}, 0, 0, 6, 0));
    EXPECT_TRUE(project.Groups[6].Used);
    EXPECT_TRUE(project.Groups[6].Scenarios[1].Used);
}

TEST(CsvImport, NumbersReadAsTheirLeadingDigits)
{
    const std::string zones = Repeat("0;", 32);
    const TProject project =
        Imported("07;7;0;0;0;0;0;0;0;" + zones + " 7;7x;1;1\r\n" + "8;0;1;0;0;0;0;0;0;" + zones + "  \t+7;x7;01;2\r\n");
    EXPECT_EQ(project.Groups[1].Scenarios[1].Hour, 7);
    EXPECT_EQ(project.Groups[1].Scenarios[1].Minute, 7);
    EXPECT_EQ(project.Groups[1].Scenarios[1].Volume, 7);
    EXPECT_EQ(project.Groups[1].Scenarios[1].Track, 7);
    EXPECT_EQ(project.Groups[1].Scenarios[2].Volume, 7);
    EXPECT_EQ(project.Groups[1].Scenarios[2].Track, 0);
}

TEST(CsvImport, MissingFieldsReadZero)
{
    const TProject project = Imported(Row(8, 0, "0000000", 32, {}, 1, 1, 1, 1) + "\n" + "12;15;1\n");
    // The short line is group 0, slot 0: it lands in the reserved record.
    EXPECT_TRUE(project.Groups[0].Scenarios[1].Used);
    EXPECT_EQ(project.Groups[0].Scenarios[1].Hour, 12);
    EXPECT_TRUE(project.Groups[0].Scenarios[1].Days[0]);
    EXPECT_EQ(project.Groups[0].Scenarios[1].Volume, 0);
}

TEST(CsvImport, EndLineAndBlankLinesGoToTheReservedGroup)
{
    const TProject project = Imported(Row(8, 0, "1000000", 32, {}, 1, 1, 1, 1) + "\r\n\r\n" + EndLine + "\r\n");
    EXPECT_TRUE(project.Groups[0].Used);
    EXPECT_TRUE(project.Groups[0].Scenarios[1].Used); // the blank line
    EXPECT_TRUE(project.Groups[0].Scenarios[2].Used); // the end line
    EXPECT_EQ(project.Groups[0].Scenarios[2].Hour, 90);
    EXPECT_FALSE(project.Groups[0].Scenarios[3].Used); // the final line end makes no extra line
    for (int g = 2; g <= 32; ++g)
        EXPECT_FALSE(project.Groups[g].Used);
}

TEST(CsvImport, AcceptsEveryLineEndAndNulBytes)
{
    const std::string a = Row(8, 0, "1000000", 32, {}, 1, 1, 1, 1);
    const std::string b = Row(9, 0, "1000000", 32, {}, 1, 1, 1, 2);
    const std::string c = Row(10, 0, "1000000", 32, {}, 1, 1, 1, 3);
    std::string d = Row(11, 0, "1000000", 32, {}, 1, 1, 1, 4);
    d.insert(3, std::string(1, '\0')); // "11;\0" : a NUL ends nothing
    const TProject project = Imported(a + "\r" + b + "\n" + c + "\r\n" + d);
    for (int s = 1; s <= 4; ++s)
        EXPECT_EQ(project.Groups[1].Scenarios[s].Hour, 7 + s) << "slot " << s;
    EXPECT_EQ(project.Groups[1].Scenarios[4].Minute, 0);
    EXPECT_FALSE(project.Groups[0].Used);

    // CR CR LF is a line end, an empty line and a line end.
    const TProject blank = Imported(a + "\r\r\n" + b);
    EXPECT_TRUE(blank.Groups[0].Scenarios[1].Used);
    EXPECT_FALSE(blank.Groups[0].Scenarios[2].Used);
}

TEST(CsvImport, SkipsLinesWithNoRecordToGoTo)
{
    std::string bytes;
    for (int g : {-1, 33, 2147483647})
        bytes += Row(8, 0, "1000000", 32, {1}, 1, 1, g, 1) + "\n";
    for (int s : {-1, 33})
        bytes += Row(8, 0, "1000000", 32, {1}, 1, 1, 4, s) + "\n";
    for (int k = 0; k < 33; ++k)
        bytes += Row(k, 0, "1000000", 32, {}, 1, 1, 7, 0) + "\n";
    const TProject project = Imported(bytes);
    for (int g = 0; g <= 32; ++g)
        EXPECT_EQ(project.Groups[g].Used, g == 7) << "group " << g;
    EXPECT_FALSE(project.Groups[4].Zones[1]);
    for (int s = 1; s <= 32; ++s)
        EXPECT_EQ(project.Groups[7].Scenarios[s].Hour, s - 1);
    EXPECT_EQ(project.Groups[7].Scenarios[0].Hour, 0); // the 33rd went nowhere
}

TEST(CsvImport, StoreReportsSkippedRows)
{
    TProject project;
    TSlotCounters counters{};
    TScheduleRow row;
    row.Group = 3;
    row.Zones[2] = 1;
    EXPECT_TRUE(StoreScheduleRow(project, counters, row, 2, false));
    EXPECT_TRUE(project.Groups[3].Zones[2]);
    EXPECT_TRUE(project.Groups[3].Used); // a slot-0 row always marks the group
    row.Slot = 4;
    row.Group = 8;
    EXPECT_TRUE(StoreScheduleRow(project, counters, row, 2, false));
    EXPECT_FALSE(project.Groups[8].Used); // a zone does not mark the group for workbooks
    EXPECT_TRUE(StoreScheduleRow(project, counters, row, 2, true));
    EXPECT_TRUE(project.Groups[8].Used);
    row.Slot = 33;
    EXPECT_FALSE(StoreScheduleRow(project, counters, row, 2, true));
    row.Slot = 0;
    counters[8] = 32;
    EXPECT_FALSE(StoreScheduleRow(project, counters, row, 2, true));
    EXPECT_EQ(counters[8], 32);
}

TEST(CsvImport, HugeLinesImportWithoutTrouble)
{
    const TProject separators = Imported(std::string(1000000, ';'));
    EXPECT_EQ(separators.DeviceType, 9);
    EXPECT_TRUE(separators.Groups[0].Scenarios[1].Used);

    const TProject digits =
        Imported(std::string(100000, '9') + ";" + std::string(100000, ' ') + ";" + Repeat("1;", 60));
    EXPECT_EQ(digits.Groups[1].Scenarios[1].Hour, 2147483647);
    EXPECT_EQ(digits.Groups[1].Scenarios[1].Minute, 0);
}

TEST(CsvImport, ReadsTheFileOrNamesIt)
{
    TTempFolder folder;
    TProject project;
    project.Name = "Школа";
    AddScenario(project, 1, 1, 8, 0);
    const std::string missing = folder.File("nothing.csv");
    try {
        ImportCsv(missing, project);
        FAIL() << "a missing file imported";
    } catch (const TFileError &error) {
        EXPECT_THAT(error.what(), HasSubstr(missing));
    }
    EXPECT_EQ(project.Name, "Школа");
    EXPECT_TRUE(project.Groups[1].Scenarios[1].Used);

    EXPECT_EQ(ImportCsv(std::string(SIG_TEST_DATA) + "/csv-hand-edited.csv", project), TImportResult::Imported);
    EXPECT_EQ(project.Name, "");
    EXPECT_EQ(project.DeviceType, 4);
    EXPECT_TRUE(project.Groups[2].Used);
    EXPECT_EQ(project.Groups[2].Scenarios[1].Hour, 8);
    EXPECT_EQ(project.Groups[2].Scenarios[1].Minute, 30);
    EXPECT_EQ(project.Groups[2].Scenarios[2].Hour, 12);
    EXPECT_EQ(project.Groups[2].Scenarios[2].Track, 120);
    EXPECT_TRUE(project.Groups[2].Zones[8]);
    EXPECT_FALSE(project.Groups[1].Used);
}
