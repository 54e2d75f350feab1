#include "storage/csv.h"

#include "model/error.h"
#include "storage/fileio.h"
#include "tests/core/support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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

/// A 45-field line for group g, slot s, Monday, volume and track 1.
std::string Bell(int hour, int g, int s)
{
    return Row(hour, 0, "1000000", 32, {}, 1, 1, g, s);
}

/// "N=<name> D<device type>", then "G3 z2 z4" for each group in use or with a zone, and
/// "S3.7 14:45 v20 t120 d6" for each slot in use; names other than the project's show after the number.
std::string Summary(const TProject &p)
{
    std::string out = "N=" + p.Name + " D" + std::to_string(p.DeviceType) + "\n";
    for (int g = 0; g <= MaxGroups; ++g) {
        const TGroup &group = p.Groups[g];
        std::string zones = group.Name.empty() ? "" : " " + group.Name;
        for (int z = 1; z <= MaxZones; ++z)
            zones += group.Zones[z] ? " z" + std::to_string(z) : "";
        if (group.Used || zones.size())
            out += (group.Used ? "G" : "-G") + std::to_string(g) + zones + "\n";
        for (int s = 0; s <= MaxScenarios; ++s) {
            const TScenario &sc = group.Scenarios[s];
            if (!sc.Used)
                continue;
            out += "S" + std::to_string(g) + "." + std::to_string(s) + (sc.Name.empty() ? "" : " " + sc.Name) + " " +
                   std::to_string(sc.Hour) + ":" + std::to_string(sc.Minute) + " v" + std::to_string(sc.Volume) + " t" +
                   std::to_string(sc.Track);
            for (int d = 0; d < 7; ++d)
                out += sc.Days[d] ? " d" + std::to_string(d) : "";
            out += "\n";
        }
    }
    return out;
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

} // namespace

TEST(CsvExport, WritesOneLinePerUsedScenarioThenTheEndLine)
{
    TProject project;
    project.DeviceType = 2; // four zones, yet groups up to 32 are exported
    TScenario &scenario = AddScenario(project, 2, 3, 8, 5);
    scenario.Days[0] = scenario.Days[4] = true;
    scenario.Volume = 7;
    scenario.Track = 12;
    project.Groups[2].Zones[1] = project.Groups[2].Zones[3] = true;
    project.Groups[2].Zones[12] = true; // beyond the device's zones: written as 0
    TScenario &late = AddScenario(project, 32, 32, 23, 59);
    late.Track = 120;
    late.Volume = -1;
    AddScenario(project, 1, 10, 0, 0);
    EXPECT_EQ(SerializeCsv(project), "00;00;0;0;0;0;0;0;0;" + Repeat("0;", 32) + "00;00;01;10\r\n" +
                                         "08;05;1;0;0;0;1;0;0;1;0;1;0;" + Repeat("0;", 28) + "07;12;02;03\r\n" +
                                         "23;59;0;0;0;0;0;0;0;" + Repeat("0;", 32) + "4294967295;120;32;32\r\n" +
                                         EndLine + "\r\n");
    TProject empty;
    EXPECT_EQ(SerializeCsv(empty), EndLine + "\r\n");
}

TEST(CsvExport, ReimportOfAnExportGivesTheSameSchedule)
{
    TProject project;
    project.DeviceType = 2;
    project.Name = "Школа";
    project.FileName = "/tmp/school.vlpj";
    project.Groups[3].Name = "Двор";
    TScenario &scenario = AddScenario(project, 3, 7, 14, 45);
    scenario.Days[6] = true;
    scenario.Volume = 20;
    scenario.Track = 120;
    project.Groups[3].Zones[2] = project.Groups[3].Zones[4] = true;
    project.Groups[3].Zones[9] = true; // beyond four zones: not exported
    // Silent scenarios (00:00, no day, volume and track 0) are exported but come back unused;
    // a zone on the line still marks the group.
    AddScenario(project, 1, 1, 0, 0);
    project.Groups[1].Zones[2] = true;
    AddScenario(project, 2, 1, 0, 0);
    // The export clears leftovers in an unused slot of a used group and in an unused group.
    AddScenario(project, 3, 2, 9, 0).Used = false;
    AddScenario(project, 5, 1, 10, 0);
    project.Groups[5].Zones[3] = true;
    project.Groups[5].Used = false;

    const std::string csv = SerializeCsv(project);
    EXPECT_EQ(project.Groups[3].Scenarios[2].Hour, 0);
    EXPECT_EQ(project.Groups[3].Scenarios[2].Name, "");
    EXPECT_EQ(project.Groups[5].Scenarios[1].Hour, 0);
    EXPECT_EQ(project.FileName, "/tmp/school.vlpj");
    EXPECT_EQ(Summary(project), "N=Школа D2\nG1 z2\nS1.1 Звонок 0:0 v0 t0\nG2\nS2.1 Звонок 0:0 v0 t0\n"
                                "G3 Двор z2 z4 z9\nS3.7 Звонок 14:45 v20 t120 d6\n");
    EXPECT_EQ(Summary(Imported(csv)), "N= D9\nG0\nS0.1 90:0 v0 t0\nG1 z2\nG3 z2 z4\nS3.7 14:45 v20 t120 d6\n");
}

TEST(CsvImport, FieldsReadAsTheirLeadingInteger)
{
    const struct
    {
        std::string Hour, Volume;
        int32_t ReadHour, ReadVolume;
        bool Used; // hour + minute 1 + volume above 0, summed without wrapping
    } cases[] = {
        {"07", "7", 7, 7, true},
        {" \t+7", "7x", 7, 7, true},
        {"x7", "-5", 0, -5, false},
        {"-3", "1", -3, 1, false},
        {"2147483647", "1", 2147483647, 1, true},
        {"4294967296", "-5", 2147483647, -5, true},
        {std::string(100000, '9'), std::string(100000, ' '), 2147483647, 0, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Hour.substr(0, 12) + "|" + c.Volume.substr(0, 12));
        const TProject project = Imported(c.Hour + ";1;0;0;0;0;0;0;0;" + Repeat("0;", 32) + c.Volume + ";0;1;1");
        const TScenario &read = project.Groups[1].Scenarios[1];
        EXPECT_EQ(read.Hour, c.ReadHour);
        EXPECT_EQ(read.Volume, c.ReadVolume);
        EXPECT_EQ(read.Used, c.Used);
    }
}

TEST(CsvImport, FieldsWhollyInQuotesAreReadAsSpreadsheetsWriteThem)
{
    // A spreadsheet's line for group 2, slot 3 at 08:05 with every field quoted.
    std::string quoted = "\"";
    for (char c : Bell(8, 2, 3))
        quoted += c == ';' ? std::string("\";\"") : std::string(1, c);
    quoted += "\"";
    const struct
    {
        const char *What;
        std::string Bytes;
        std::string Summary;
    } cases[] = {
        {"every field quoted", quoted + "\r\n", "N= D9\nG2\nS2.3 8:0 v1 t1 d0\n"},
        {"a quote doubled inside", "\"8\"\"\";" + quoted.substr(4), "N= D9\nG2\nS2.3 8:0 v1 t1 d0\n"},
        {"a line break inside quotes is part of the field", "\"8\r\n\";" + quoted.substr(4) + "\n" + Bell(9, 2, 4),
         "N= D9\nG2\nS2.3 8:0 v1 t1 d0\nS2.4 9:0 v1 t1 d0\n"},
        {"a ';' inside quotes", "\"8;9\";" + quoted.substr(4), "N= D9\nG2\nS2.3 8:0 v1 t1 d0\n"},
        {"a quote inside a plain field stays", "8\"x;" + quoted.substr(4), "N= D9\nG2\nS2.3 8:0 v1 t1 d0\n"},
        {"a quote never closed is no quote", Bell(9, 2, 4) + "\n\"7;" + Bell(8, 2, 3).substr(2),
         "N= D9\nG2\nS2.3 0:0 v1 t1 d0\nS2.4 9:0 v1 t1 d0\n"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Summary(Imported(c.Bytes)), c.Summary) << c.What;
}

TEST(CsvImport, QuotedFieldsEndAtTheirClosingQuoteAndTheirLineBreaksCountInLineNumbers)
{
    // A doubled quote is a quote inside the field, not its end: the ";" after it stays inside too.
    const std::string rest = Bell(8, 2, 3).substr(1);
    EXPECT_EQ(Summary(Imported("\"8\"\";5\"" + rest)), "N= D9\nG2\nS2.3 8:0 v1 t1 d0\n");
    EXPECT_EQ(Summary(Imported("\"8\"\"\"\"\"" + rest)), "N= D9\nG2\nS2.3 8:0 v1 t1 d0\n");

    // The line numbers of later lines count the line breaks inside quotes: CR LF, LF or CR, each once.
    const struct
    {
        std::string Quoted;
        int BadLine;
    } cases[] = {{"\"8\r\n\r\n\"", 4}, {"\"8\r\"", 3}, {"\"8\n\r\n\n\"", 5}, {"\"8\"", 2}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Quoted);
        TProject project;
        std::vector<TSkippedEntry> skipped;
        ASSERT_EQ(ParseCsv(c.Quoted + rest + "\r\n" + Bell(8, 40, 1), project, skipped), TImportResult::Imported);
        EXPECT_THAT(SkippedLines(skipped), ::testing::ElementsAre("строка " + std::to_string(c.BadLine) +
                                                                  ": номер группы 40 вне 1–32; строка пропущена"));
    }
}

TEST(CsvImport, FieldsTheProjectWillNotHoldAsTheyStandAreNamed)
{
    const auto withHour = [](const std::string &hour) { return hour + Bell(8, 2, 3).substr(1); };
    TProject exported;
    exported.DeviceType = 4;
    AddScenario(exported, 2, 3, 8, 5).Days[2] = true;
    exported.Groups[2].Zones[3] = true;
    const struct
    {
        const char *What;
        std::string Bytes;
        std::vector<std::string> Listed;
    } cases[] = {
        {"our own export", SerializeCsv(exported), {}},
        {"leading zeros and quotes", withHour("\"08\""), {}},
        {"leading zeros and blanks", withHour(" 08\t"), {}},
        {"a quote after a blank opens no field",
         withHour(" \"08\""),
         {"строка 1: Час: «\"08\"» — не целое число; в проекте будет 0"}},
        {"a decimal", withHour("8.5"), {"строка 1: Час: «8.5» — не целое число; в проекте будет 8"}},
        {"a word",
         Row(8, 0, "1000000", 32, {}, 1, 1, 2, 3).replace(0, 1, "громко"),
         {"строка 1: Час: «громко» — не целое число; в проекте будет 0"}},
        {"beyond 32 bits", withHour("4294967296"), {"строка 1: Час: «4294967296»; в проекте будет 2147483647"}},
        {"a day that is neither 0 nor 1",
         Row(8, 0, "2000000", 32, {}, 1, 1, 2, 3),
         {"строка 1: Понедельник: «2»; в проекте будет 1"}},
        {"a slot a later line fills again",
         Bell(8, 5, 1) + "\n" + Bell(9, 5, 1),
         {"строка 1: сценарий 1 группы 5 задан ещё строкой 2: в проекте будет та"}},
        {"a silent scenario",
         Row(0, 0, "0000000", 32, {}, 0, 0, 6, 3),
         {"строка 1: сценарий 3 группы 6 без времени, дней, громкости и трека: в проекте его не будет"}},
        {"zones a later line of the group sets",
         Row(8, 0, "1000000", 32, {1, 2}, 1, 1, 3, 1) + "\n" + Row(9, 0, "1000000", 32, {1}, 1, 1, 3, 2),
         {"строка 1: Зона 2: «1» — зоны группы задаёт строка 2; в проекте будет 0"}},
        {"a group the device has no zones for",
         "8;30;1;0;0;0;0;0;0;1;1;20;4;5;5",
         {"строка 1: номер группы 5 выше числа зон устройства (2): в проекте этой строки не будет"}},
        {"a missing slot asks for the next one", Bell(8, 2, 3) + "\n" + Bell(9, 2, 0).substr(0, 97), {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.What);
        TProject project;
        std::vector<TSkippedEntry> skipped;
        ASSERT_EQ(ParseCsv(c.Bytes, project, skipped), TImportResult::Imported);
        EXPECT_EQ(SkippedLines(skipped), c.Listed);
    }
}

TEST(CsvImport, TheWidestLineSetsTheDeviceType)
{
    const std::pair<int64_t, int> types[] = {{0, 0},  {13, 0}, {14, 1}, {15, 1}, {16, 2}, {20, 4},
                                             {28, 7}, {36, 8}, {43, 8}, {44, 9}, {45, 9}, {int64_t(1) << 40, 9}};
    for (const auto &[fields, type] : types)
        EXPECT_EQ(DeviceTypeForColumnCount(fields), type) << fields << " fields";

    // Below 14 fields the file is refused and the project stays; a trailing ";" adds no field.
    const std::string thirteen = "8;0;1;0;0;0;0;0;0;5;1;2;3";
    TProject project;
    project.Name = "Школа";
    project.DeviceType = 4;
    project.FileName = "/tmp/school.vlpj";
    AddScenario(project, 2, 2, 8, 0);
    for (const std::string &bytes :
         {std::string(), std::string("\r\n"), thirteen + ";\r\n;;;;;\n", std::string(13, ';')}) {
        EXPECT_EQ(ParseCsv(bytes, project), TImportResult::WrongFormat) << bytes;
        EXPECT_EQ(project.FileName, "/tmp/school.vlpj");
        EXPECT_EQ(Summary(project), "N=Школа D4\nG2\nS2.2 Звонок 8:0 v0 t0\n");
    }
    EXPECT_EQ(Imported(thirteen + ";0;").DeviceType, 1);
    EXPECT_EQ(Imported(std::string(1000000, ';')).DeviceType, 9);
    EXPECT_EQ(Summary(Imported("8;30;1;0;0;0;0;0;0;1;1;20;4;2;5\n")), "N= D1\nG2 z1 z2\nS2.5 8:30 v20 t4 d0\n");

    // 16 fields make four zone fields on every line, so a line with only three shifts by one: its
    // volume reads as zone 4, the track as volume, the group as track, the slot as group, and the
    // missing slot field as 0, the first free slot.
    const std::string shifted = Row(9, 0, "0100000", 3, {3}, 10, 3, 2, 4);
    EXPECT_EQ(Summary(Imported(Row(8, 0, "1000000", 4, {1}, 10, 3, 1, 1) + "\n" + shifted)),
              "N= D2\nG1 z1\nS1.1 8:0 v10 t3 d0\nG4 z3 z4\nS4.1 9:0 v3 t2 d1\n");
}

TEST(CsvImport, SlotZeroLinesFillTheNextSlots)
{
    // A later slot-1 line overwrites the first slot-0 line; a slot-0 line is used even when silent.
    // A blank line, a short line (missing fields read 0) and the end line go to group 0, slot 0.
    EXPECT_EQ(Summary(Imported(Bell(8, 5, 0) + "\r\n" + Bell(9, 5, 0) + "\r\n" + Bell(10, 5, 1) + "\r\n" +
                               Row(0, 0, "0000000", 32, {}, 0, 0, 6, 0) + "\r\n\r\n12;15;1\r\n" + EndLine + "\r\n")),
              "N= D9\n"
              "G0\nS0.1 0:0 v0 t0\nS0.2 12:15 v0 t0 d0\nS0.3 90:0 v0 t0\n"
              "G5\nS5.1 10:0 v1 t1 d0\nS5.2 9:0 v1 t1 d0\n"
              "G6\nS6.1 0:0 v0 t0\n");
}

TEST(CsvImport, AcceptsEveryLineEndAndALeadingByteOrderMark)
{
    const TProject project = Imported(Bell(8, 1, 1) + "\r" + Bell(9, 1, 2) + "\n" + Bell(10, 1, 3) + "\r\n");
    EXPECT_EQ(Summary(project), "N= D9\nG1\nS1.1 8:0 v1 t1 d0\nS1.2 9:0 v1 t1 d0\nS1.3 10:0 v1 t1 d0\n");
    // CR CR LF is a line end, an empty line and a line end.
    EXPECT_EQ(Summary(Imported(Bell(8, 1, 1) + "\r\r\n" + Bell(9, 1, 2))),
              "N= D9\nG0\nS0.1 0:0 v0 t0\nG1\nS1.1 8:0 v1 t1 d0\nS1.2 9:0 v1 t1 d0\n");
    // As a spreadsheet program or Notepad saves it: the mark is no part of the first hour.
    EXPECT_EQ(Summary(Imported("\xEF\xBB\xBF" + Bell(8, 1, 1))), "N= D9\nG1\nS1.1 8:0 v1 t1 d0\n");
}

TEST(CsvImport, BytesWithANulAreNoScheduleAndLeaveTheProject)
{
    TProject project;
    project.Name = "open";
    const std::string utf16 = std::string("\xFF\xFE", 2) + std::string("8\0;\0", 4); // "8;" as Notepad's Unicode
    for (const std::string &bytes : {Bell(8, 1, 1) + std::string("\r\n\0", 3), utf16}) {
        EXPECT_EQ(ParseCsv(bytes, project), TImportResult::WrongFormat);
        EXPECT_EQ(Summary(project), "N=open D0\n");
    }
}

TEST(CsvImport, SkipsRowsWithNoRecordToGoTo)
{
    std::string bytes;
    for (int g : {-1, 33, 2147483647})
        bytes += Row(8, 0, "1000000", 32, {1}, 1, 1, g, 1) + "\n";
    for (int s : {-1, 33})
        bytes += Row(8, 0, "1000000", 32, {1}, 1, 1, 4, s) + "\n";
    bytes += Bell(8, 0, 0) + "\n" + EndLine + "\n\n"; // group 0 with a bell; then nothing lost
    std::string expected = "N= D9\nG0\nS0.1 8:0 v1 t1 d0\nS0.2 90:0 v0 t0\nS0.3 0:0 v0 t0\nG7\n"; // record 0 unseen
    for (int k = 0; k < 33; ++k) { // the 33rd slot-0 line of group 7 has no slot left
        bytes += Bell(k, 7, 0) + "\n";
        expected += k < 32 ? "S7." + std::to_string(k + 1) + " " + std::to_string(k) + ":0 v1 t1 d0\n" : "";
    }
    TProject project;
    std::vector<TSkippedEntry> skipped;
    ASSERT_EQ(ParseCsv(bytes, project, skipped), TImportResult::Imported);
    EXPECT_EQ(Summary(project), expected);
    EXPECT_THAT(SkippedLines(skipped),
                ::testing::ElementsAre("строка 1: номер группы -1 вне 1–32; строка пропущена",
                                       "строка 2: номер группы 33 вне 1–32; строка пропущена",
                                       "строка 3: номер группы 2147483647 вне 1–32; строка пропущена",
                                       "строка 4: номер сценария -1 вне 1–32; строка пропущена",
                                       "строка 5: номер сценария 33 вне 1–32; строка пропущена",
                                       "строка 6: номер группы 0 вне 1–32; строка пропущена",
                                       "строка 41: в группе 7 уже 32 сценария; строка пропущена"));

    // A file of many such rows lists a hundred and counts the rest.
    ASSERT_EQ(ParseCsv(Repeat(Bell(8, 40, 1) + "\n", 250), project, skipped), TImportResult::Imported);
    ASSERT_EQ(skipped.size(), 101u);
    EXPECT_EQ(skipped.back().Reason, "пропущено записей сверх первых 100: 150");
}

TEST(CsvFiles, ExportReplacesAtomicallyAndImportReadsTheFileOrNamesIt)
{
    TTempFolder folder;
    TProject project;
    project.DeviceType = 9;
    project.Name = "Школа";
    for (int s = 1; s <= 32; ++s)
        AddScenario(project, 3, s, 8, s);
    const std::string path = folder.File("plan.csv");
    ExportCsv(project, path);
    EXPECT_EQ(ReadWholeFile(path), SerializeCsv(project));

    // Make the next write fail for want of room: the file there must stay as it was.
    WriteFileAtomically(path, "old");
    {
        TFileSizeLimit limit(64);
        ExpectError<TFileError>([&] { ExportCsv(project, path); },
                                "Unable to write to " + path + "\nфайл слишком велик для этого диска");
    }
    EXPECT_EQ(ReadWholeFile(path), "old");
    EXPECT_EQ(folder.Entries(), 1);

    const std::string before = Summary(project);
    const std::string missing = folder.File("nothing.csv");
    ExpectError<TFileError>([&] { ImportCsv(missing, project); },
                            "Не удалось прочитать файл " + missing + "\nфайл не найден");
    EXPECT_EQ(Summary(project), before);

    EXPECT_EQ(ImportCsv(std::string(SIG_TEST_DATA) + "/csv-hand-edited.csv", project), TImportResult::Imported);
    EXPECT_EQ(Summary(project), "N= D4\nG0\nS0.1 0:0 v0 t0\nG2 z8\n"
                                "S2.1 8:30 v20 t5 d0 d1 d2 d3 d4\nS2.2 12:0 v15 t120 d5 d6\n");
}
