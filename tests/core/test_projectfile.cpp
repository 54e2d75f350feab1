#include "storage/projectfile.h"

#include "model/codepage.h"
#include "model/error.h"
#include "storage/fileio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;

std::string Cp1251(std::string_view utf8)
{
    return Utf8ToCp1251(utf8).value();
}

// The file of a two-group school project, as UTF-8 text with CR LF.
const std::string ExampleText = "[Project]\r\n"
                                "Name=Школа\r\n"
                                "Device=Велтара ДК-4\r\n"
                                "[Groups]\r\n"
                                "0=1;Корпус;1;2;\r\n"
                                "1=3;Двор;4;\r\n"
                                "[Scenarios]\r\n"
                                "0=1;Начало;8;30;20;1;0;1;2;3;4;\r\n"
                                "1=1;Конец;14;0;20;2;0;1;2;3;4;\r\n"
                                "2=3;Перемена;10;5;15;3;5;\r\n"
                                "[Playlist]\r\n"
                                "0=1;C:\\Звонки\\начало.mp3\r\n"
                                "1=2;C:\\Звонки\\конец.mp3\r\n";

struct TLoaded
{
    TProject Project;
    std::vector<std::string> PlayList;
    std::vector<TSkippedEntry> Skipped;
};

TLoaded Parse(std::string_view bytes)
{
    TLoaded loaded;
    ParseProjectFile(bytes, loaded.Project, loaded.PlayList, loaded.Skipped);
    return loaded;
}

// A CP1251 file from UTF-8 lines, CR LF after each.
std::string File(std::initializer_list<std::string_view> lines)
{
    std::string text;
    for (std::string_view line : lines)
        text.append(line).append("\r\n");
    return Cp1251(text);
}

int UsedScenarios(const TGroup &group)
{
    int count = 0;
    for (const TScenario &scenario : group.Scenarios)
        count += scenario.Used ? 1 : 0;
    return count;
}

// Every record that holds something, record 0 and slot 0 included, one line each:
// "G1 Корпус z1 z2" for a group (a '-' marks it absent), "S1.2 Конец 14:0 v20 t2 d0 d4" for a slot.
std::string Dump(const TProject &p)
{
    std::string out;
    for (int g = 0; g <= MaxGroups; ++g) {
        const TGroup &group = p.Groups[g];
        std::string zones;
        for (int z = 0; z <= MaxZones; ++z)
            zones += group.Zones[z] ? " z" + std::to_string(z) : "";
        if (group.Used || !group.Name.empty() || !zones.empty())
            out += (group.Used ? "G" : "-G") + std::to_string(g) + " " + group.Name + zones + "\n";
        for (int s = 0; s <= MaxScenarios; ++s) {
            const TScenario &sc = group.Scenarios[s];
            if (!sc.Used && sc.Name.empty())
                continue;
            out += "S" + std::to_string(g) + "." + std::to_string(s) + " " + sc.Name + " " + std::to_string(sc.Hour) +
                   ":" + std::to_string(sc.Minute) + " v" + std::to_string(sc.Volume) + " t" + std::to_string(sc.Track);
            for (int d = 0; d < 7; ++d)
                out += sc.Days[d] ? " d" + std::to_string(d) : "";
            out += "\n";
        }
    }
    return out;
}

TGroup &AddGroup(TProject &project, int g, std::string name, std::initializer_list<int> zones = {})
{
    TGroup &group = project.Groups[g];
    group.Name = std::move(name);
    group.Used = true;
    for (int z : zones)
        group.Zones[z] = true;
    return group;
}

TScenario &AddScenario(TProject &project, int g, int s, std::string name, std::array<int32_t, 4> numbers = {},
                       std::initializer_list<int> days = {})
{
    TScenario &scenario = project.Groups[g].Scenarios[s];
    scenario.Name = std::move(name);
    scenario.Hour = numbers[0];
    scenario.Minute = numbers[1];
    scenario.Volume = numbers[2];
    scenario.Track = numbers[3];
    for (int d : days)
        scenario.Days[d] = true;
    scenario.Used = true;
    return scenario;
}

std::string FormatErrorOf(const TProject &project, const std::vector<std::string> &playList = {})
{
    try {
        SerializeProjectFile(project, playList);
    } catch (const TFormatError &e) {
        return e.what();
    }
    return "no error";
}

} // namespace

// The model of the school example, built by hand.
TProject SchoolProject()
{
    TProject p;
    p.Name = "Школа";
    p.DeviceType = 2;
    AddGroup(p, 1, "Корпус", {1, 2});
    AddGroup(p, 3, "Двор", {4});
    AddScenario(p, 1, 1, "Начало", {8, 30, 20, 1}, {0, 1, 2, 3, 4});
    AddScenario(p, 1, 2, "Конец", {14, 0, 20, 2}, {0, 1, 2, 3, 4});
    AddScenario(p, 3, 1, "Перемена", {10, 5, 15, 3}, {5});
    return p;
}

const std::vector<std::string> SchoolPlayList = {"1;C:\\Звонки\\начало.mp3", "2;C:\\Звонки\\конец.mp3"};

TEST(ProjectFileRead, ReadsTheSchoolExample)
{
    const TLoaded loaded = Parse(Cp1251(ExampleText));
    EXPECT_EQ(loaded.Project.Name, "Школа");
    EXPECT_EQ(loaded.Project.DeviceType, 2);
    EXPECT_EQ(Dump(loaded.Project), "G1 Корпус z1 z2\n"
                                    "S1.1 Начало 8:30 v20 t1 d0 d1 d2 d3 d4\n"
                                    "S1.2 Конец 14:0 v20 t2 d0 d1 d2 d3 d4\n"
                                    "G3 Двор z4\n"
                                    "S3.1 Перемена 10:5 v15 t3 d5\n");
    EXPECT_EQ(loaded.PlayList, SchoolPlayList);
    EXPECT_TRUE(loaded.Skipped.empty());
}

TEST(ProjectFileRead, ScenarioForAGroupWithoutGroupLineStaysHidden)
{
    const TLoaded loaded = Parse(
        File({"[Project]", "Device=Велтара ДК-8", "[Groups]", "0=1;Один;", "[Scenarios]", "0=5;Сирота;8;0;10;1;0;"}));
    EXPECT_EQ(Dump(loaded.Project), "G1 Один\nS5.1 Сирота 8:0 v10 t1 d0\n");
    EXPECT_EQ(SerializeProjectFile(loaded.Project, {}).find(Cp1251("Сирота")), std::string::npos);
}

TEST(ProjectFileRead, RepeatedGroupLineTakesLaterNameAndAllZones)
{
    EXPECT_EQ(Dump(Parse(File({"[Groups]", "0=2;Старое;1;3;", "1=2;Новое;4;"})).Project), "G2 Новое z1 z3 z4\n");
}

TEST(ProjectFileRead, GapInKeysEndsEachList)
{
    const TLoaded loaded = Parse(File({"[Groups]", "0=1;a;", "1=2;b;", "3=4;d;", "[Scenarios]", "0=1;s0;", "1=1;s1;",
                                       "3=1;s3;", "[Playlist]", "0=1;a.mp3", "2=3;c.mp3"}));
    EXPECT_EQ(Dump(loaded.Project), "G1 a\nS1.1 s0 0:0 v0 t0\nS1.2 s1 0:0 v0 t0\nG2 b\n");
    EXPECT_EQ(loaded.PlayList, std::vector<std::string>{"1;a.mp3"});
    EXPECT_EQ(Parse(File({"[Playlist]", "0=1;a.mp3", "1=", "2=3;c.mp3"})).PlayList,
              std::vector<std::string>{"1;a.mp3"});
}

TEST(ProjectFileRead, StopsAfterAThousandScenarioLines)
{
    TProject full;
    full.DeviceType = 9; // 32 zones: all 32 groups are written
    for (int g = 1; g <= MaxGroups; ++g) {
        AddGroup(full, g, "g");
        for (int s = 1; s <= MaxScenarios; ++s)
            AddScenario(full, g, s, "s");
    }
    const TLoaded loaded = Parse(SerializeProjectFile(full, {}));
    int total = 0;
    for (const TGroup &group : loaded.Project.Groups)
        total += UsedScenarios(group);
    EXPECT_EQ(total, 1000);
    EXPECT_EQ(UsedScenarios(loaded.Project.Groups[31]), 32);
    EXPECT_EQ(UsedScenarios(loaded.Project.Groups[32]), 8);
}

TEST(ProjectFileRead, NamesAreTrimmedAndCutAtTheFirstSemicolon)
{
    EXPECT_EQ(Dump(Parse(File({"[Groups]", "0=1; \t Корпус \x01 ;", "[Scenarios]", "0=1;  Утро ;8;30;"})).Project),
              "G1 Корпус\nS1.1 Утро 8:30 v0 t0\n");
    // A ";" inside a name can not be told from a separator: the fields after it shift.
    EXPECT_EQ(Dump(Parse(File({"[Groups]", "0=1;Урок;1;2;", "[Scenarios]", "0=1;Урок;1;8;30;20;1;"})).Project),
              "G1 Урок z1 z2\nS1.1 Урок 1:8 v30 t20 d1\n");
}

TEST(ProjectFileRead, UnknownDeviceAndMissingSectionsGiveDefaults)
{
    const TLoaded loaded = Parse(File({"[Project]", "Device=велтара дк-4", "garbage"}));
    EXPECT_EQ(loaded.Project.DeviceType, 0);
    EXPECT_EQ(loaded.Project.Name, "");
    EXPECT_EQ(Dump(Parse("").Project), "");
}

TEST(ProjectFileRead, OutOfRangeEntriesAreSkippedAndListed)
{
    std::string text = "[Groups]\n0=0;Ноль;1;\n1=33;Много;1;\n2=-1;Минус;\n3=2;Зоны;0;33;-4;2;\n"
                       "[Scenarios]\n0=40;Чужой;8;0;1;1;0;\n1=2;Дни;8;0;1;1;7;-1;3;\n";
    for (int k = 2; k <= 33; ++k) // 32 more lines for group 2: the last one is its 33rd
        text += std::to_string(k) + "=2;s" + std::to_string(k) + ";9;0;1;1;\n";
    const TLoaded loaded = Parse(Cp1251(text));

    std::string expected = "G2 Зоны z2\nS2.1 Дни 8:0 v1 t1 d3\n";
    for (int s = 2; s <= 32; ++s)
        expected += "S2." + std::to_string(s) + " s" + std::to_string(s) + " 9:0 v1 t1\n";
    EXPECT_EQ(Dump(loaded.Project), expected);

    std::string listed;
    for (const TSkippedEntry &entry : loaded.Skipped)
        listed += entry.Key + ": " + entry.Reason + "\n";
    EXPECT_EQ(listed, "Groups/0: group number 0 is outside 1 to 32; line left out\n"
                      "Groups/1: group number 33 is outside 1 to 32; line left out\n"
                      "Groups/2: group number -1 is outside 1 to 32; line left out\n"
                      "Groups/3: zone 0 is outside 1 to 32; zone left out\n"
                      "Groups/3: zone 33 is outside 1 to 32; zone left out\n"
                      "Groups/3: zone -4 is outside 1 to 32; zone left out\n"
                      "Scenarios/0: group number 40 is outside 1 to 32; line left out\n"
                      "Scenarios/1: day 7 is outside 0 to 6; day left out\n"
                      "Scenarios/1: day -1 is outside 0 to 6; day left out\n"
                      "Scenarios/33: group 2 already has 32 scenarios; line left out\n");
}

TEST(ProjectFileRead, NegativeNumbersAreStoredAndHugeOnesClamped)
{
    EXPECT_EQ(Dump(Parse(File({"[Scenarios]", "0=1;x;-5;-1;-20;-3;", "1=1;y;4294967295;99;0;0;"})).Project),
              "S1.1 x -5:-1 v-20 t-3\nS1.2 y 2147483647:99 v0 t0\n");
}

TEST(ProjectFileRead, HandEditedQuirks)
{
    const std::string longPath = "1;" + std::string(5000, 'a') + ".mp3";
    const std::string text = "garbage before\r[project]\n name \t=  Школа \nname=second\n[PROJECT]\nDevice=ignored\n"
                             "[project]\rDEVICE = Велтара ДК-4\r\n[playlist]\n0=" +
                             longPath + "\n";
    const TLoaded loaded = Parse(Cp1251(text));
    EXPECT_EQ(loaded.Project.Name, "Школа");
    EXPECT_EQ(loaded.Project.DeviceType, 0); // the only Device keys sit in repeated sections
    EXPECT_EQ(loaded.PlayList, std::vector<std::string>{longPath});
}

TEST(ProjectFileRead, ByteOrderMarkMeansUtf8)
{
    const TLoaded loaded = Parse("\xEF\xBB\xBF[Project]\nName=Школа\nDevice=Велтара ДК-2\n");
    EXPECT_EQ(loaded.Project.Name, "Школа");
    EXPECT_EQ(loaded.Project.DeviceType, 1);
    // Without the mark the same bytes are Windows-1251, one character per byte.
    EXPECT_EQ(Parse("[Project]\nName=Школа\n").Project.Name, Cp1251ToUtf8("Школа"));
    // Malformed UTF-8 becomes U+FFFD, which the writer then refuses by name.
    const TLoaded bad = Parse("\xEF\xBB\xBF[Project]\nName=a\xFF\xC3z\xED\xA0\x80\n");
    EXPECT_EQ(bad.Project.Name, "a\uFFFD\uFFFDz\uFFFD\uFFFD\uFFFD");
    EXPECT_NE(FormatErrorOf(bad.Project).find("U+FFFD"), std::string::npos);
}

TEST(ProjectFileWrite, WritesTheSchoolExampleByteForByte)
{
    EXPECT_EQ(SerializeProjectFile(SchoolProject(), SchoolPlayList), Cp1251(ExampleText));
    const TLoaded loaded = Parse(Cp1251(ExampleText));
    EXPECT_EQ(SerializeProjectFile(loaded.Project, loaded.PlayList), Cp1251(ExampleText));
}

TEST(ProjectFileWrite, ScenarioSlotsAreRenumberedInOrder)
{
    TProject p;
    p.DeviceType = 1;
    AddGroup(p, 1, "Один");
    AddScenario(p, 1, 2, "второй", {2});
    AddScenario(p, 1, 5, "пятый", {5});
    EXPECT_EQ(Dump(Parse(SerializeProjectFile(p, {})).Project),
              "G1 Один\nS1.1 второй 2:0 v0 t0\nS1.2 пятый 5:0 v0 t0\n");
}

TEST(ProjectFileWrite, DeviceZoneCountBoundsGroupsAndZones)
{
    TProject p;
    p.Name = "П";
    p.DeviceType = 1; // two zones
    AddGroup(p, 1, "Один", {1, 4});
    AddGroup(p, 3, "Три\nΩ"); // not written, so its name is never checked
    AddScenario(p, 3, 1, "Тройка");
    EXPECT_EQ(SerializeProjectFile(p, {}),
              File({"[Project]", "Name=П", "Device=Велтара ДК-2", "[Groups]", "0=1;Один;1;"}));
}

TEST(ProjectFileWrite, ProjectWithoutGroupsOrPlaylistIsTheProjectSectionAlone)
{
    TProject p;
    p.Name = "Пусто";
    AddGroup(p, 1, "no device type, so not written");
    EXPECT_EQ(SerializeProjectFile(p, {}), File({"[Project]", "Name=Пусто", "Device="}));
    p.DeviceType = 55; // outside the table: no device name, no groups
    EXPECT_EQ(SerializeProjectFile(p, {}), File({"[Project]", "Name=Пусто", "Device="}));
}

TEST(ProjectFileWrite, NegativeNumbersComeBackAsTheyWere)
{
    TProject p;
    p.DeviceType = 1;
    AddGroup(p, 2, "g");
    AddScenario(p, 2, 1, "s", {-1, -59, -2147483647 - 1, -7});
    const std::string bytes = SerializeProjectFile(p, {});
    EXPECT_NE(bytes.find("0=2;s;-1;-59;-2147483648;-7;\r\n"), std::string::npos);
    EXPECT_EQ(Dump(Parse(bytes).Project), Dump(p));
}

TEST(ProjectFileWrite, EveryByteValueSurvivesARoundTrip)
{
    std::string all;
    for (int b = 0; b < 256; ++b) {
        if (b != '\r' && b != '\n')
            all += static_cast<char>(b);
    }
    std::string field = all; // a name that is one ";" field keeps everything but ";"
    field.erase(field.find(';'), 1);

    TProject p;
    p.DeviceType = 1;
    p.Name = Cp1251ToUtf8("x" + all + "x");
    AddGroup(p, 1, Cp1251ToUtf8("x" + field + "x"));
    AddScenario(p, 1, 1, Cp1251ToUtf8("y" + field + "y"));
    const std::vector<std::string> playList = {Cp1251ToUtf8("1;" + all + "z")};

    const std::string bytes = SerializeProjectFile(p, playList);
    EXPECT_NE(bytes.find("Name=x" + all + "x\r\n"), std::string::npos);
    const TLoaded loaded = Parse(bytes);
    EXPECT_EQ(loaded.Project.Name, p.Name);
    EXPECT_EQ(Dump(loaded.Project), Dump(p));
    EXPECT_EQ(loaded.PlayList, playList);
    EXPECT_EQ(SerializeProjectFile(loaded.Project, loaded.PlayList), bytes);
}

TEST(ProjectFileWrite, RefusesCharactersOutsideTheCodePage)
{
    TProject p;
    p.DeviceType = 2;
    AddGroup(p, 3, "Зал Ω");
    EXPECT_EQ(FormatErrorOf(p), "Cannot save: the name of group 3 holds the character \"Ω\" (U+03A9), which the "
                                "Windows-1251 code page of project files can not hold");
    p.Groups[3].Name = "Зал";
    AddScenario(p, 3, 4, "Звонок 🔔");
    EXPECT_NE(FormatErrorOf(p).find("scenario 4 of group 3 holds the character \"🔔\" (U+1F514)"), std::string::npos);
    p.Groups[3].Scenarios[4].Name = "Звонок";
    EXPECT_NE(FormatErrorOf(p, {"1;a.mp3", "2;日.mp3"}).find("playlist line 2 holds the character \"日\" (U+65E5)"),
              std::string::npos);
}

TEST(ProjectFileWrite, RefusesLineBreaksAndSeparatorsInNames)
{
    TProject p;
    p.Name = "Школа\n[Groups]";
    EXPECT_EQ(FormatErrorOf(p), "Cannot save: the project name holds a line break, which a project file can not hold");
    p.Name = "Школа; №1"; // the project name is a whole value, so ";" is fine there
    EXPECT_EQ(FormatErrorOf(p), "no error");
    EXPECT_NE(FormatErrorOf(p, {"1;a\rb.mp3"}).find("playlist line 1 holds a line break"), std::string::npos);
    p.DeviceType = 1;
    AddGroup(p, 2, "Урок;1");
    EXPECT_EQ(FormatErrorOf(p),
              "Cannot save: the name of group 2 holds \";\", which a project file uses to separate fields");
}

TEST(ProjectFileWrite, EmptyPlaylistLinesAreLeftOutSoLaterLinesSurvive)
{
    const std::vector<std::string> playList = {"1;a.mp3", "", " \t", "2;b.mp3"};
    const std::string bytes = SerializeProjectFile(TProject{}, playList);
    EXPECT_NE(bytes.find("[Playlist]\r\n0=1;a.mp3\r\n1=2;b.mp3\r\n"), std::string::npos);
    EXPECT_EQ(Parse(bytes).PlayList, (std::vector<std::string>{"1;a.mp3", "2;b.mp3"}));
}

class ProjectFileDisk : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "projectfile-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        Dir = pattern;
    }
    void TearDown() override { fs::remove_all(Dir); }

    std::string PathOf(const std::string &name) const { return (Dir / name).string(); }

    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(Dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    static void Put(const std::string &path, const std::string &bytes)
    {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    fs::path Dir;
};

TEST_F(ProjectFileDisk, SavedFileLoadsBack)
{
    TProject p = SchoolProject();
    p.FileName = PathOf("school.vlpj");
    SaveProjectFile(p, {"1;a.mp3"});
    EXPECT_EQ(ReadWholeFile(p.FileName), SerializeProjectFile(p, {"1;a.mp3"}));

    TProject back;
    back.Name = "old";
    std::vector<std::string> playList = {"stale"};
    std::vector<TSkippedEntry> skipped = {{"Groups/9", "stale"}};
    LoadProjectFile(p.FileName, back, playList, skipped);
    EXPECT_EQ(back.FileName, p.FileName);
    EXPECT_EQ(back.Name, "Школа");
    EXPECT_EQ(back.Groups[3].Scenarios[1].Name, "Перемена");
    EXPECT_EQ(playList, std::vector<std::string>{"1;a.mp3"});
    EXPECT_TRUE(skipped.empty());
    EXPECT_EQ(Entries(), std::vector<std::string>{"school.vlpj"});
}

TEST_F(ProjectFileDisk, MissingFileLoadsAsEmptyProject)
{
    TProject p = SchoolProject();
    std::vector<std::string> playList = {"1;a.mp3"};
    std::vector<TSkippedEntry> skipped;
    LoadProjectFile(PathOf("none.vlpj"), p, playList, skipped);
    EXPECT_EQ(p.FileName, PathOf("none.vlpj"));
    EXPECT_EQ(p.Name, "");
    EXPECT_EQ(p.DeviceType, 0);
    EXPECT_FALSE(p.Groups[1].Used);
    EXPECT_TRUE(playList.empty());
}

TEST_F(ProjectFileDisk, UnreadableFileThrowsAndKeepsTheOpenProject)
{
    fs::create_directory(PathOf("folder.vlpj"));
    TProject p = SchoolProject();
    std::vector<std::string> playList = {"1;a.mp3"};
    std::vector<TSkippedEntry> skipped;
    try {
        LoadProjectFile(PathOf("folder.vlpj"), p, playList, skipped);
        ADD_FAILURE() << "no error";
    } catch (const TFileError &e) {
        EXPECT_EQ(std::string(e.what()), "Unable to read " + PathOf("folder.vlpj"));
    }
    EXPECT_EQ(p.Name, "Школа");
    EXPECT_EQ(playList.size(), 1u);
}

TEST_F(ProjectFileDisk, SaveIntoMissingFolderFailsAndLeavesNothing)
{
    TProject p = SchoolProject();
    p.FileName = PathOf("missing/school.vlpj");
    try {
        SaveProjectFile(p, {});
        ADD_FAILURE() << "no error";
    } catch (const TFileError &e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + p.FileName);
    }
    EXPECT_TRUE(Entries().empty());
}

TEST_F(ProjectFileDisk, SaveOverAFolderFailsAndLeavesNoTemporaryFile)
{
    TProject p = SchoolProject();
    p.FileName = PathOf("school.vlpj");
    fs::create_directory(p.FileName);
    EXPECT_THROW(SaveProjectFile(p, {}), TFileError);
    EXPECT_TRUE(fs::is_directory(p.FileName));
    EXPECT_EQ(Entries(), std::vector<std::string>{"school.vlpj"});
}

TEST_F(ProjectFileDisk, FailedWriteKeepsTheOldFile)
{
    TProject p = SchoolProject();
    p.FileName = PathOf("school.vlpj");
    Put(p.FileName, "old content");

    // A file size limit stops the write part-way, as a full disk would, and binds root too.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto *const oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool failed = false;
    try {
        SaveProjectFile(p, {});
    } catch (const TFileError &e) {
        failed = std::string(e.what()) == "Unable to write to " + p.FileName;
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_TRUE(failed);
    EXPECT_EQ(ReadWholeFile(p.FileName), "old content");
    EXPECT_EQ(Entries(), std::vector<std::string>{"school.vlpj"});
}

TEST_F(ProjectFileDisk, RefusedTextTouchesNoFile)
{
    TProject p = SchoolProject();
    p.FileName = PathOf("school.vlpj");
    Put(p.FileName, "old content");
    p.Groups[1].Name = "Ω";
    EXPECT_THROW(SaveProjectFile(p, {}), TFormatError);
    EXPECT_EQ(ReadWholeFile(p.FileName), "old content");
    EXPECT_EQ(Entries(), std::vector<std::string>{"school.vlpj"});
}

TEST(ProjectFileData, WindowsFileLoadsAndWritesBackByteForByte)
{
    const std::string path = std::string(SIG_TEST_DATA) + "/windows-school.vlpj";
    TLoaded loaded;
    LoadProjectFile(path, loaded.Project, loaded.PlayList, loaded.Skipped);
    EXPECT_EQ(loaded.Project.Name, "Школа №5");
    EXPECT_EQ(loaded.Project.DeviceType, 2);
    EXPECT_EQ(Dump(loaded.Project), Dump(SchoolProject()));
    EXPECT_EQ(loaded.PlayList.back(), "3;C:\\Звонки\\перемена — длинная.mp3");
    EXPECT_TRUE(loaded.Skipped.empty());
    EXPECT_EQ(SerializeProjectFile(loaded.Project, loaded.PlayList), ReadWholeFile(path));
}

TEST(ProjectFileData, HandEditedUtf8FileLoads)
{
    TLoaded loaded;
    LoadProjectFile(std::string(SIG_TEST_DATA) + "/handedited-utf8bom.vlpj", loaded.Project, loaded.PlayList,
                    loaded.Skipped);
    EXPECT_EQ(loaded.Project.Name, "Гимназия");
    EXPECT_EQ(loaded.Project.DeviceType, 4);
    EXPECT_EQ(Dump(loaded.Project), "G2 Спортзал z5\nS2.1 Утро 7:45 v30 t1 d0 d1 d2 d3 d4\n");
    EXPECT_EQ(loaded.PlayList, std::vector<std::string>{"1;/home/op/Музыка/утро.mp3"});
    ASSERT_EQ(loaded.Skipped.size(), 1u);
    EXPECT_EQ(loaded.Skipped[0].Key, "Groups/0");
}
