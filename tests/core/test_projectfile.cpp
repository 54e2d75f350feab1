#include "storage/projectfile.h"

#include "model/codepage.h"
#include "model/error.h"
#include "storage/fileio.h"
#include "tests/core/support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>

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

const std::string ExampleSummary = "N=Школа D2 P=1;C:\\Звонки\\начало.mp3 P=2;C:\\Звонки\\конец.mp3\n"
                                   "G1 Корпус z1 z2\n"
                                   "S1.1 Начало 8:30 v20 t1 d0 d1 d2 d3 d4\n"
                                   "S1.2 Конец 14:0 v20 t2 d0 d1 d2 d3 d4\n"
                                   "G3 Двор z4\n"
                                   "S3.1 Перемена 10:5 v15 t3 d5\n";

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

// "N=<name> D<device type>", the playlist lines and the skipped keys, then every record that
// holds something, one line each: "G1 Корпус z1 z2" for a group (a '-' marks it absent),
// "S1.2 Конец 14:0 v20 t2 d0 d4" for a slot.
std::string Summary(const TLoaded &loaded)
{
    const TProject &p = loaded.Project;
    std::string out = "N=" + p.Name + " D" + std::to_string(p.DeviceType);
    for (const std::string &line : loaded.PlayList)
        out += " P=" + line;
    for (const TSkippedEntry &entry : loaded.Skipped)
        out += " skip " + entry.Key;
    out += "\n";
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

TScenario &AddScenario(TProject &project, int g, int s, std::string name)
{
    TScenario &scenario = project.Groups[g].Scenarios[s];
    scenario.Name = std::move(name);
    scenario.Used = true;
    return scenario;
}

std::string_view TrimBlanksForTest(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

TLoaded School()
{
    return Parse(Cp1251(ExampleText));
}

} // namespace

TEST(ProjectFile, SchoolExampleIsReadAndWrittenBackByteForByte)
{
    const TLoaded school = School();
    EXPECT_EQ(Summary(school), ExampleSummary);
    EXPECT_EQ(SerializeProjectFile(school.Project, school.PlayList), Cp1251(ExampleText));

    // The same project as the Windows program writes it, with another name and a third playlist line.
    const std::string path = std::string(SIG_TEST_DATA) + "/windows-school.vlpj";
    TLoaded windows;
    LoadProjectFile(path, windows.Project, windows.PlayList, windows.Skipped);
    TLoaded expected = school;
    expected.Project.Name = "Школа №5";
    expected.PlayList.push_back("3;C:\\Звонки\\перемена — длинная.mp3");
    EXPECT_EQ(Summary(windows), Summary(expected));
    EXPECT_EQ(SerializeProjectFile(windows.Project, windows.PlayList), ReadWholeFile(path));
}

TEST(ProjectFileRead, HandEditedFiles)
{
    const std::string longPath = "1;" + std::string(5000, 'a') + ".mp3";
    const struct
    {
        const char *What;
        std::string Bytes;
        std::string Expected;
    } cases[] = {
        {"letter case of names", Cp1251("[project]\nNAME=Школа\ndevice=Велтара ДК-4\n"), "N=Школа D2\n"},
        {"device names match exactly", Cp1251("[Project]\nDevice=велтара дк-4\n"), "N= D0 skip [Project] Device\n"},
        {"blanks and tabs", Cp1251("  [ Project ]\t\n \tName \t=  Школа  №1 \t\n"), "N=Школа  №1 D0\n"},
        {"CR, LF and CR LF line ends",
         Cp1251("[Project]\rName=Школа\nDevice=Велтара ДК-4\r\n[Playlist]\r0=1;a\r\n1=2;b"),
         "N=Школа D2 P=1;a P=2;b\n"},
        {"first key and first section win",
         Cp1251("garbage\n[Project]\nName=first\nNAME=second\n[Groups]\n0=1;a;\n[PROJECT]\nDevice=Велтара ДК-4\n"
                "[groups]\n1=2;b;\n"),
         "N=first D0 skip строка 1 skip строка 4 skip строка 7 skip строка 9 skip [Project] Device\nG1 a\n"},
        {"byte-order mark means UTF-8", "\xEF\xBB\xBF[Project]\nName=Школа\nDevice=Велтара ДК-2\n", "N=Школа D1\n"},
        {"no mark: one character per byte", Cp1251("[Project]\nName=Шк\n"), "N=Шк D0\n"},
        {"no mark but valid UTF-8", "[Project]\nName=Шк\n", "N=Шк D0\n"},
        {"malformed UTF-8", "\xEF\xBB\xBF[Project]\nName=a\xFF\xC3z\xED\xA0\x80\n",
         "N=a\uFFFD\uFFFDz\uFFFD\uFFFD\uFFFD D0\n"},
        {"long value", Cp1251("[Playlist]\n0=" + longPath + "\n"), "N= D0 P=" + longPath + "\n"},
        {"names trimmed and cut at the first ';'",
         Cp1251("[Groups]\n0=1; \t Корпус \x01 ;\n[Scenarios]\n0=1;  Утро ;8;30;\n"),
         "N= D0 skip [Project] Device\nG1 Корпус\nS1.1 Утро 8:30 v0 t0\n"},
        {"a ';' in a name shifts the fields", Cp1251("[Groups]\n0=1;Урок;1;2;\n[Scenarios]\n0=1;Урок;1;8;30;20;1;\n"),
         "N= D0 skip [Project] Device\nG1 Урок z1 z2\nS1.1 Урок 1:8 v30 t20 d1\n"},
        {"a repeated group line", Cp1251("[Groups]\n0=2;Старое;1;3;\n1=2;Новое;4;\n"),
         "N= D0 skip [Project] Device skip [Groups] 1\nG2 Новое z1 z3 z4\n"},
        {"a gap in the keys ends each list",
         Cp1251("[Groups]\n0=1;a;\n1=2;b;\n3=4;d;\n[Scenarios]\n0=1;s0;\n1=1;s1;\n3=1;s3;\n"
                "[Playlist]\n0=1;a.mp3\n1=\n2=3;c.mp3\n"),
         "N= D0 P=1;a.mp3 skip [Project] Device skip [Groups] 3 skip [Scenarios] 3 skip [Playlist] 2\nG1 a\nS1.1 s0 "
         "0:0 v0 "
         "t0\nS1.2 s1 0:0 v0 t0\nG2 b\n"},
        {"negative numbers kept, huge ones clamped",
         Cp1251("[Scenarios]\n0=1;x;-5;-1;-20;-3;\n1=1;y;4294967295;99;0;0;\n"),
         "N= D0 skip [Scenarios] 0 skip [Scenarios] 1\nS1.1 x -5:-1 v-20 t-3\nS1.2 y 2147483647:99 v0 t0\n"},
        {"numbers in other forms than the writer's",
         Cp1251("[Groups]\n0=1;a;\n[Scenarios]\n0=1;x; 8;+30;007;1 ;0;+1;6x;5\n1=01;y;99;100;\n"),
         "N= D0 skip [Project] Device\nG1 a\nS1.1 x 8:30 v7 t1 d0 d1 d5 d6\nS1.2 y 99:100 v0 t0\n"},
        {"a scenario of a group without group line",
         Cp1251("[Groups]\n0=1;Один;\n[Scenarios]\n0=5;Сирота;8;0;10;1;0;\n"),
         "N= D0 skip [Project] Device skip [Scenarios] 0\nG1 Один\nS5.1 Сирота 8:0 v10 t1 d0\n"},
        {"a UTF-8 file from a text editor", ReadWholeFile(std::string(SIG_TEST_DATA) + "/handedited-utf8bom.vlpj"),
         "N=Гимназия D4 P=1;/home/op/Музыка/утро.mp3 skip строка 1 skip [Groups] 0 skip [Groups] 0 skip [Scenarios] "
         "0\nG2 Спортзал z5\n"
         "S2.1 Утро 7:45 v30 t1 d0 d1 d2 d3 d4\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(Summary(Parse(c.Bytes)), c.Expected);
    }
}

TEST(ProjectFileRead, OutOfRangeEntriesAreSkippedAndListed)
{
    std::string text =
        "[Project]\nDevice=Велтара ДК-М-32\n[Groups]\n0=0;Ноль;1;\n1=33;Много;1;\n2=-1;Минус;\n3=2;Зоны;0;33;-4;2;\n"
        "[Scenarios]\n0=40;Чужой;8;0;1;1;0;\n1=2;Дни;8;0;1;1;7;-1;3;\n";
    for (int k = 2; k <= 33; ++k) // 32 more lines for group 2: the last one is its 33rd
        text += std::to_string(k) + "=2;s" + std::to_string(k) + ";9;0;1;1;\n";
    const TLoaded loaded = Parse(Cp1251(text));

    std::string expected = "G2 Зоны z2\nS2.1 Дни 8:0 v1 t1 d3\n";
    for (int s = 2; s <= 32; ++s)
        expected += "S2." + std::to_string(s) + " s" + std::to_string(s) + " 9:0 v1 t1\n";
    EXPECT_EQ(Summary({loaded.Project, {}, {}}), "N= D9\n" + expected);

    std::string listed;
    for (const TSkippedEntry &entry : loaded.Skipped)
        listed += entry.Key + ": " + entry.Reason + "\n";
    EXPECT_EQ(listed, "[Groups] 0: номер группы 0 вне 1–32; строка пропущена\n"
                      "[Groups] 1: номер группы 33 вне 1–32; строка пропущена\n"
                      "[Groups] 2: номер группы -1 вне 1–32; строка пропущена\n"
                      "[Groups] 3: зона 0 вне 1–32; зона пропущена\n"
                      "[Groups] 3: зона 33 вне 1–32; зона пропущена\n"
                      "[Groups] 3: зона -4 вне 1–32; зона пропущена\n"
                      "[Groups] 3: «2;Зоны;0;33;-4;2;» будет записано как «2;Зоны;2;»\n"
                      "[Scenarios] 0: номер группы 40 вне 1–32; строка пропущена\n"
                      "[Scenarios] 1: день 7 вне 0–6; день пропущен\n"
                      "[Scenarios] 1: день -1 вне 0–6; день пропущен\n"
                      "[Scenarios] 33: в группе 2 уже 32 сценария; строка пропущена\n"
                      "[Scenarios] 1: «2;Дни;8;0;1;1;7;-1;3;» будет записано как «2;Дни;8;0;1;1;3;»\n");
}

TEST(ProjectFileRead, ReadsEveryScenarioLineTheWriterWritesAndTheWholePlaylist)
{
    TProject full;
    full.DeviceType = 9; // 32 zones: all 32 groups are written
    for (int g = 1; g <= MaxGroups; ++g) {
        AddGroup(full, g, "g");
        for (int s = 1; s <= MaxScenarios; ++s)
            AddScenario(full, g, s, "s");
    }
    std::vector<std::string> playList;
    for (int k = 1; k <= 1500; ++k)
        playList.push_back(std::to_string(k) + ";t.mp3");
    const std::string bytes = SerializeProjectFile(full, playList);
    const TLoaded loaded = Parse(bytes);
    int total = 0;
    for (const TGroup &group : loaded.Project.Groups)
        total += std::count_if(group.Scenarios.begin(), group.Scenarios.end(), [](auto &s) { return s.Used; });
    EXPECT_EQ(total, 1024);
    EXPECT_EQ(loaded.PlayList, playList);
    EXPECT_EQ(SerializeProjectFile(loaded.Project, loaded.PlayList), bytes);
}

TEST(ProjectFileRead, EverythingTheWriterWouldNotWriteBackIsListed)
{
    const std::string head = "[Project]\nName=Школа\nDevice=Велтара ДК-2\n";
    const struct
    {
        std::string Text;
        std::string Listed; // "key: reason" lines
    } cases[] = {
        {head + "; правил Иван\n[Groups]\n0=1;a;\n",
         "строка 4: строка без «ключ=значение» (комментарий?) «; правил Иван»; пропущена\n"},
        {"Name=x\n" + head, "строка 1: строка до первого раздела «Name=x»; пропущена\n"},
        {head + "Name=Другая\nAuthor=Иван\n",
         "строка 4: повторный ключ раздела [Project]: читается первый, строка «Name=Другая»; пропущена\n"
         "строка 5: неизвестный ключ раздела [Project]: строка «Author=Иван»; пропущена\n"},
        {head + "[Zones]\n0=1\n[Groups] старые\n0=1;a;\n[groups]\n0=2;b;\n",
         "строка 4: неизвестный раздел «[Zones]» пропущен со всеми своими строками\n"
         "строка 6: после «]» стоит «старые»; пропущено\n"
         "строка 8: повторный раздел «[groups]» пропущен со всеми своими строками\n"},
        {head + "[Playlist]\n0=a\n+1=b\n01=c\n2147483648=d\n1=e\n1=f\n3=g\n",
         "[Playlist] +1: ключ не номер строки (0, 1, 2 … без знака и ведущих нулей); строка пропущена\n"
         "[Playlist] 01: ключ не номер строки (0, 1, 2 … без знака и ведущих нулей); строка пропущена\n"
         "[Playlist] 2147483648: номер ключа больше числа строк файла; строка пропущена\n"
         "[Playlist] 1: повторный ключ: читается первая строка с ним, эта пропущена\n"
         "[Playlist] 3: после отсутствующего ключа 2 строки раздела не читаются; строка пропущена\n"},
        {head + "[Groups]\n0=1;a;1;2;4;\n1=3;c;1;\n2=1;b;\n32=4;d;\n[Scenarios]\n0=3;s;\n1=5;t;\n",
         "[Groups] 32: номер ключа больше 31: групп не бывает больше 32; строка пропущена\n"
         "[Groups] 0: зона 4 выше числа зон устройства (2): не будет записана\n"
         "[Groups] 1: номер группы 3 выше числа зон устройства (2): группа не будет записана вместе со сценариями\n"
         "[Groups] 2: группа 1 уже задана ключом 0: её название «a» заменено названием из этой строки, зоны "
         "объединены\n"
         "[Groups] 0: «1;a;1;2;4;» будет записано как «1;b;1;2;»\n"
         "[Groups] 2: «1;b;» будет записано как «1;b;1;2;»\n"
         "[Scenarios] 0: номер группы 3 выше числа зон устройства (2): сценарий не будет записан\n"
         "[Scenarios] 1: группы 5 нет в разделе [Groups]: сценарий не будет записан\n"},
        {"[Project]\nDevice=Велтара ДК-99\n[Groups]\n0=1;a;\n",
         "[Project] Device: неизвестный тип устройства «Велтара ДК-99»: это потеря всех групп — ни одна группа, ни "
         "один сценарий не будут записаны\n"},
        {"[Groups]\n0=1;a;\n", "[Project] Device: тип устройства не указан: это потеря всех групп — ни одна группа, "
                               "ни один сценарий не будут записаны\n"},
        {head + "\n  \n[Groups]\n0=1;a;\n1=\n", ""}, // blank lines and an empty last value hold nothing
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Text);
        std::string listed;
        for (const TSkippedEntry &entry : Parse(Cp1251(c.Text)).Skipped)
            listed += entry.Key + ": " + entry.Reason + "\n";
        EXPECT_EQ(listed, c.Listed);
    }
}

TEST(ProjectFileRead, EveryLineASaveWouldWriteOtherwiseIsNamedWithBothTexts)
{
    const std::string head = "[Project]\r\nName=Школа\r\nDevice=Велтара ДК-4\r\n[Groups]\r\n0=1;Корпус;1;\r\n";
    const struct
    {
        std::string Line;    // of [Scenarios] 0, or the whole [Groups] section
        std::string Written; // "" when the line is written as it stands
    } cases[] = {
        {"1;Суббота;10;0;20;1;5;;", "1;Суббота;10;0;20;1;0;5;"}, // an empty day field reads as Monday
        {"1;Суббота;10;0;20;1;5; ;6;", "1;Суббота;10;0;20;1;0;5;6;"},
        {"1;Будни;8;30;20;1;0,1,2,3,4;", "1;Будни;8;30;20;1;0;"}, // Tuesday to Friday lost
        {"1;Урок;8;30;громко;1;0;", "1;Урок;8;30;0;1;0;"},        // a silent bell
        {"1;Начало;8.5;30;20;1;0;", "1;Начало;8;30;20;1;0;"},
        {"1;Начало;8;30;", "1;Начало;8;30;0;0;"}, // volume and track 0
        {"1;Начало;08;+30;20;1;0;", "1;Начало;8;30;20;1;0;"},
        {"1; Начало ;8;30;20;1;0;", "1;Начало;8;30;20;1;0;"},
        {"1;Начало;8;30;20;1;4;0;0;", "1;Начало;8;30;20;1;0;4;"},
        {"1;Начало;8;30;20;1;0", "1;Начало;8;30;20;1;0;"},
        {"1;Начало;8;30;20;1;0;1;2;3;4;", ""},
        {" \t1;Начало;8;30;20;1;;\t", "1;Начало;8;30;20;1;0;"}, // the blanks around the value are no change
        {"1;Начало;8;30;20;1;\t ", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Line);
        const TLoaded loaded = Parse(Cp1251(head + "[Scenarios]\r\n0=" + c.Line + "\r\n"));
        const std::string own = std::string(TrimBlanksForTest(c.Line));
        EXPECT_EQ(SkippedLines(loaded.Skipped),
                  c.Written.empty() ? std::vector<std::string>{}
                                    : std::vector<std::string>{"[Scenarios] 0: «" + own + "» будет записано как «" +
                                                               c.Written + "»"});
    }
    // Group lines alike: a line without a ";" after the name loses the name.
    const struct
    {
        std::string Groups;
        std::vector<std::string> Listed;
    } groups[] = {
        {"0=1;Корпус\r\n", {"[Groups] 0: «1;Корпус» будет записано как «1;;»"}},
        {"0=1;Корпус;2;1;1;\r\n", {"[Groups] 0: «1;Корпус;2;1;1;» будет записано как «1;Корпус;1;2;»"}},
        {"0=1;Корпус;1;2;\r\n1=2;Двор;\r\n", {}},
    };
    for (const auto &c : groups) {
        SCOPED_TRACE(c.Groups);
        EXPECT_EQ(SkippedLines(Parse(Cp1251("[Project]\r\nDevice=Велтара ДК-4\r\n[Groups]\r\n" + c.Groups)).Skipped),
                  c.Listed);
    }
}

TEST(ProjectFileRead, ValidUtf8WithoutAMarkIsReadAsUtf8AndTheHeadingSaysSo)
{
    const struct
    {
        std::string Bytes;
        TProjectEncoding Encoding;
        std::string Name;
    } cases[] = {
        {"[Project]\nName=Школа\n", TProjectEncoding::Utf8Unmarked, "Школа"},
        {Cp1251("[Project]\nName=Школа\n"), TProjectEncoding::Cp1251, "Школа"},
        {"[Project]\nName=School\n", TProjectEncoding::Cp1251, "School"},
        {"\xEF\xBB\xBF[Project]\nName=Школа\n", TProjectEncoding::Utf8Marked, "Школа"},
        {"[Project]\nName=Школа\xFF\n", TProjectEncoding::Cp1251, Cp1251ToUtf8("Школа\xFF")},
    };
    for (const auto &c : cases) {
        TLoaded loaded;
        EXPECT_EQ(ParseProjectFile(c.Bytes, loaded.Project, loaded.PlayList, loaded.Skipped), c.Encoding);
        EXPECT_EQ(loaded.Project.Name, c.Name);
    }
    EXPECT_EQ(SkippedHeading(TProjectEncoding::Utf8Unmarked),
              "Пропущено при чтении (файл без метки порядка байтов прочитан как UTF-8, а не Windows-1251):");
    EXPECT_EQ(SkippedHeading(TProjectEncoding::Cp1251), "Пропущено при чтении:");
}

TEST(ProjectFileRead, WhatIsNoProjectIsRefusedByNameAndOnlyAProjectSectionFirstOpensByContent)
{
    const std::string notProject = "Файл 'in.vlpj' не является проектом: ";
    const struct
    {
        std::string Bytes;
        std::string Error; // "" when the bytes pass as a project
        bool ByContent;    // a project whatever the file's name
    } cases[] = {
        {std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), notProject + "в нём есть нулевые байты", false},
        {std::string("[Project]\r\nName=a\0b\r\n", 21), notProject + "в нём есть нулевые байты", false},
        {"Дорогие коллеги,\r\nрасписание звонков во вложении.\r\n",
         notProject + "в нём нет ни одной строки раздела «[…]»", false},
        {"Name=Школа\n[unclosed\n", notProject + "в нём нет ни одной строки раздела «[…]»", false},
        {"", notProject + "пустой файл, а не проект", false},
        {" \t\r\n\r\n", notProject + "пустой файл, а не проект", false},
        {"\xEF\xBB\xBF", notProject + "пустой файл, а не проект", false},
        {"; a note\n\t [Groups] \n", "", false},
        {"[Project]\r\nName=a\r\n", "", true},
        {"\xEF\xBB\xBF; edited by hand\n\n  [pROJECT]\nName=a\n", "", true},
        {"[Setup]\n[Project]\n", "", false}, // an INI file that has such a section among others
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Bytes);
        std::string error;
        try {
            CheckProjectBytes(c.Bytes, "in.vlpj");
        } catch (const TFormatError &e) {
            error = e.what();
        }
        EXPECT_EQ(error, c.Error);
        EXPECT_EQ(IsProjectText(c.Bytes), c.ByContent);
    }
}

TEST(ProjectFileRead, SkippedEntriesKeepTheFirstHundredAndCountTheRest)
{
    std::string zones;
    for (int k = 0; k < 100000; ++k)
        zones += "0;";
    const std::string head = "[Project]\r\nDevice=Велтара ДК-2\r\n[Groups]\r\n0=1;Корпус;";
    const TLoaded loaded = Parse(head + zones + "2;\r\n");
    ASSERT_EQ(loaded.Skipped.size(), 101u);
    EXPECT_EQ(loaded.Skipped[99].Key + ": " + loaded.Skipped[99].Reason, "[Groups] 0: зона 0 вне 1–32; зона пропущена");
    EXPECT_EQ(loaded.Skipped[100].Key + ": " + loaded.Skipped[100].Reason,
              "…: пропущено записей сверх первых 100: 99901"); // the last: the line as it will be written
    EXPECT_TRUE(loaded.Project.Groups[1].Zones[2]);            // the line itself is read to its end
    const TLoaded hundred = Parse(head + zones.substr(0, 198) + "\r\n");
    ASSERT_EQ(hundred.Skipped.size(), 100u);
    // A long line is quoted up to a cut, and what it becomes whole.
    EXPECT_TRUE(hundred.Skipped[99].Reason.starts_with("«1;Корпус;0;0;0;0;")) << hundred.Skipped[99].Reason;
    EXPECT_TRUE(hundred.Skipped[99].Reason.ends_with("…» будет записано как «1;Корпус;»"))
        << hundred.Skipped[99].Reason;
}

TEST(ProjectFileWrite, OnlyUsedGroupsTheDeviceCanPlayAreWrittenWithSlotsRenumbered)
{
    TProject p;
    p.Name = "П";
    p.DeviceType = 1; // two zones
    AddGroup(p, 1, "Один", {1, 4});
    AddScenario(p, 1, 2, "второй").Hour = 2;
    AddScenario(p, 1, 5, "пятый").Hour = 5;
    AddScenario(p, 2, 1, "Сирота"); // group 2 is not in use
    AddGroup(p, 3, "Три\nΩ");       // not written, so its name is never checked
    AddScenario(p, 3, 1, "Тройка");
    EXPECT_EQ(SerializeProjectFile(p, {}), Cp1251("[Project]\r\nName=П\r\nDevice=Велтара ДК-2\r\n[Groups]\r\n"
                                                  "0=1;Один;1;\r\n[Scenarios]\r\n0=1;второй;2;0;0;0;\r\n"
                                                  "1=1;пятый;5;0;0;0;\r\n"));
    for (int type : {0, 55}) { // no device type, or one outside the table: no device name, no groups
        p.DeviceType = type;
        EXPECT_EQ(SerializeProjectFile(p, {}), Cp1251("[Project]\r\nName=П\r\nDevice=\r\n"));
    }
}

TEST(ProjectFileWrite, EveryByteValueAndNumberSurvivesARoundTrip)
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
    TScenario &scenario = AddScenario(p, 1, 1, Cp1251ToUtf8("y" + field + "y"));
    std::tie(scenario.Hour, scenario.Minute, scenario.Volume, scenario.Track) = std::tuple(-1, -59, INT32_MIN, -7);
    const std::vector<std::string> playList = {Cp1251ToUtf8("1;" + all + "z")};

    const std::string bytes = SerializeProjectFile(p, playList);
    EXPECT_NE(bytes.find("Name=x" + all + "x\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("0=1;y" + field + "y;-1;-59;-2147483648;-7;\r\n"), std::string::npos);
    const TLoaded loaded = Parse(bytes);
    EXPECT_EQ(Summary(loaded), Summary({p, playList, {}}));
    EXPECT_EQ(SerializeProjectFile(loaded.Project, loaded.PlayList), bytes);
}

TEST(ProjectFileWrite, RefusesTextsTheFileCanNotHold)
{
    enum { ProjectName, GroupName, ScenarioName, PlayListLine };
    const struct
    {
        int Where;
        std::string Text;
        std::string Error; // the whole message, or the part that names the place
    } cases[] = {
        {ProjectName, "Школа; №1", "no error"}, // the project name is one whole value
        {GroupName, "Зал Ω",
         "Невозможно сохранить проект: название группы 3 содержит символ \"Ω\" (U+03A9), которого нет в кодовой "
         "странице Windows-1251 файлов проекта"},
        {ScenarioName, "Звонок 🔔", "название сценария 4 группы 3 содержит символ \"🔔\" (U+1F514)"},
        {PlayListLine, "2;日.mp3", "строка 2 плейлиста содержит символ \"日\" (U+65E5)"},
        {ProjectName, "Школа\n[Groups]",
         "Невозможно сохранить проект: название проекта содержит перевод строки, который не может храниться в файле "
         "проекта"},
        {PlayListLine, "2;a\rb.mp3", "строка 2 плейлиста содержит перевод строки"},
        {GroupName, "Урок;1",
         "Невозможно сохранить проект: название группы 3 содержит знак \";\", которым в файле проекта разделяются "
         "поля"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Error);
        TLoaded file;
        file.Project.DeviceType = 2;
        AddGroup(file.Project, 3, "Зал");
        AddScenario(file.Project, 3, 4, "Звонок");
        file.PlayList = {"1;a.mp3", "2;b.mp3"};
        std::string *const places[] = {&file.Project.Name, &file.Project.Groups[3].Name,
                                       &file.Project.Groups[3].Scenarios[4].Name, &file.PlayList[1]};
        *places[c.Where] = c.Text;
        std::string error = "no error";
        try {
            SerializeProjectFile(file.Project, file.PlayList);
        } catch (const TFormatError &e) {
            error = e.what();
        }
        EXPECT_NE(error.find(c.Error), std::string::npos) << error;
    }
}

TEST(ProjectFileWrite, WhatItWritesItCanReadBack)
{
    // A file at the read limit with LF line ends grows by CR LF: refused, naming the limit.
    std::string text = "[Playlist]\n";
    for (int k = 0; text.size() < MaxReadBytes; ++k)
        text += std::to_string(k) + "=1;" + std::string(1000, 'a') + "\n";
    text.resize(MaxReadBytes);
    const TLoaded loaded = Parse(text);
    std::string error;
    try {
        SerializeProjectFile(loaded.Project, loaded.PlayList);
    } catch (const TFormatError &e) {
        error = e.what();
    }
    EXPECT_TRUE(error.starts_with("Невозможно сохранить проект: файл проекта занял бы 167")) << error;
    EXPECT_TRUE(error.ends_with(" байт, а файлы проекта больше 16 МБ не читаются")) << error;

    // "Я»" in Windows-1251 is DF BB, which is UTF-8 too: written as UTF-8 after a mark.
    TProject p;
    p.Name = "Я»";
    const std::string bytes = SerializeProjectFile(p, {});
    EXPECT_EQ(bytes, "\xEF\xBB\xBF[Project]\r\nName=Я»\r\nDevice=\r\n");
    EXPECT_EQ(Parse(bytes).Project.Name, "Я»");
}

TEST(ProjectFileWrite, EmptyPlaylistLinesAreLeftOutSoLaterLinesSurvive)
{
    const std::string bytes = SerializeProjectFile(TProject{}, {"1;a.mp3", "", " \t", "2;b.mp3"});
    EXPECT_NE(bytes.find("[Playlist]\r\n0=1;a.mp3\r\n1=2;b.mp3\r\n"), std::string::npos);
    EXPECT_EQ(Parse(bytes).PlayList, (std::vector<std::string>{"1;a.mp3", "2;b.mp3"}));
}

class ProjectFileDisk : public ::testing::Test
{
protected:
    std::string PathOf(const std::string &name) const { return Folder.File(name); }
    long Entries() const { return Folder.Entries(); }

    TTempFolder Folder;
};

TEST_F(ProjectFileDisk, SavedFileLoadsBackAMissingOneLoadsEmptyAnUnreadableOneThrows)
{
    TLoaded school = School();
    school.Project.FileName = PathOf("school.vlpj");
    SaveProjectFile(school.Project, school.PlayList);
    EXPECT_EQ(ReadWholeFile(school.Project.FileName), Cp1251(ExampleText));
    EXPECT_EQ(Entries(), 1);

    TLoaded back{TProject{}, {"stale"}, {{"[Groups] 9", "stale"}}};
    back.Project.Name = "old";
    LoadProjectFile(school.Project.FileName, back.Project, back.PlayList, back.Skipped);
    EXPECT_EQ(back.Project.FileName, school.Project.FileName);
    EXPECT_EQ(Summary(back), ExampleSummary);

    fs::create_directory(PathOf("folder.vlpj"));
    ExpectError<TFileError>([&] { LoadProjectFile(PathOf("folder.vlpj"), back.Project, back.PlayList, back.Skipped); },
                            "Не удалось прочитать файл " + PathOf("folder.vlpj") + "\nэто папка, а не файл");
    EXPECT_EQ(Summary(back), ExampleSummary); // the open project stays

    // A picture under a project's name is refused and stays as it was: no later save writes over it.
    const std::string picture = std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    std::ofstream(PathOf("picture.vlpj"), std::ios::binary) << picture;
    ExpectError<TFormatError>(
        [&] { LoadProjectFile(PathOf("picture.vlpj"), back.Project, back.PlayList, back.Skipped); },
        "Файл '" + PathOf("picture.vlpj") + "' не является проектом: в нём есть нулевые байты");
    EXPECT_EQ(back.Project.FileName, school.Project.FileName);
    EXPECT_EQ(Summary(back), ExampleSummary);
    EXPECT_EQ(ReadWholeFile(PathOf("picture.vlpj")), picture);

    LoadProjectFile(PathOf("none.vlpj"), back.Project, back.PlayList, back.Skipped);
    EXPECT_EQ(back.Project.FileName, PathOf("none.vlpj"));
    EXPECT_EQ(Summary(back), "N= D0\n");
}

TEST_F(ProjectFileDisk, FailedSavesLeaveTheOldFile)
{
    TProject p = School().Project;
    p.FileName = PathOf("missing/school.vlpj");
    ExpectError<TFileError>([&] { SaveProjectFile(p, {}); },
                            "Unable to write to " + p.FileName + "\nпапка не существует");
    EXPECT_EQ(Entries(), 0);

    p.FileName = PathOf("school.vlpj");
    std::ofstream(p.FileName, std::ios::binary) << "old content";
    p.Groups[1].Name = "Ω";
    ExpectError<TFormatError>([&] { SaveProjectFile(p, {}); },
                              "Невозможно сохранить проект в файл '" + p.FileName +
                                  "': название группы 1 содержит символ \"Ω\" (U+03A9), которого нет в кодовой "
                                  "странице Windows-1251 файлов проекта");
    EXPECT_EQ(ReadWholeFile(p.FileName), "old content");

    // A file size limit stops the write part-way, as a full disk would, and binds root too.
    p.Groups[1].Name = "Корпус";
    {
        TFileSizeLimit limit(64);
        ExpectError<TFileError>([&] { SaveProjectFile(p, {}); },
                                "Unable to write to " + p.FileName + "\nфайл слишком велик для этого диска");
    }
    EXPECT_EQ(ReadWholeFile(p.FileName), "old content");
    EXPECT_EQ(Entries(), 1);
}

TEST(ProjectFileRead, NumberedKeysAreFoundInAnyOrderAndOnlyAsPlainNumbers)
{
    const struct
    {
        const char *What;
        std::string Text;
        std::vector<std::string> PlayList;
        std::string Listed; // the keys of the lines not read
    } cases[] = {
        {"in order", "[Playlist]\n0=a\n1=b\n", {"a", "b"}, ""},
        {"out of order", "[Playlist]\n2=c\n0=a\n1=b\n", {"a", "b", "c"}, ""},
        {"the first of a repeated key, in order", "[Playlist]\n0=a\n0=x\n1=b\n", {"a", "b"}, " [Playlist] 0"},
        {"the first of a repeated key, out of order",
         "[Playlist]\n1=b\n0=a\n1=x\n0=y\n2=c\n",
         {"a", "b", "c"},
         " [Playlist] 0 [Playlist] 1"},
        {"a key repeated after keys out of order",
         "[Playlist]\n1=b\n0=a\n2=c\n2=x\n",
         {"a", "b", "c"},
         " [Playlist] 2"},
        {"an empty first value hides a later one", "[Playlist]\n0=a\n1=\n1=b\n", {"a"}, " [Playlist] 1"},
        {"no other spelling of a number",
         "[Playlist]\n00=x\n+0=x\n0x0=x\n0 0=x\n 0 =a\n01=x\n1=b\n",
         {"a", "b"},
         " [Playlist] 00 [Playlist] +0 [Playlist] 0x0 [Playlist] 0 0 [Playlist] 01"},
        {"a key past the largest number",
         "[Playlist]\n0=a\n99999999999999999999=x\n1=b\n",
         {"a", "b"},
         " [Playlist] 99999999999999999999"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.What);
        const TLoaded loaded = Parse(c.Text);
        EXPECT_EQ(loaded.PlayList, c.PlayList);
        std::string listed;
        for (const TSkippedEntry &entry : loaded.Skipped)
            listed += " " + entry.Key;
        EXPECT_EQ(listed, c.Listed);
    }
    // Groups and scenarios keep to the lines the writer can write: keys 0..31 and 0..1023.
    std::string text = "[Groups]\n";
    for (int k = 32; k >= 0; --k)
        text += std::to_string(k) + "=" + std::to_string(k % 32 + 1) + ";g" + std::to_string(k) + ";\n";
    const TLoaded loaded = Parse(text);
    EXPECT_EQ(loaded.Project.Groups[1].Name, "g0"); // key 32 names group 1 too, but is never read
    EXPECT_EQ(loaded.Project.Groups[32].Name, "g31");
}

TEST(ProjectFileWrite, OfSeveralRefusedTextsTheFirstInWritingOrderIsNamed)
{
    TProject p;
    p.DeviceType = 9;
    AddGroup(p, 1, "Зал");
    AddScenario(p, 1, 7, "Звонок\n");
    AddGroup(p, 2, "Двор Ω");
    std::vector<std::string> playList = {"1;日.mp3"};
    const auto error = [&] {
        try {
            SerializeProjectFile(p, playList);
        } catch (const TFormatError &e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(error(), "Невозможно сохранить проект: название сценария 7 группы 1 содержит перевод строки, который "
                       "не может храниться в файле проекта");
    p.Groups[1].Scenarios[7].Name = "Звонок";
    EXPECT_NE(error().find("название группы 2 содержит символ \"Ω\""), std::string::npos) << error();
    p.Groups[2].Name = "Двор";
    EXPECT_NE(error().find("строка 1 плейлиста содержит символ \"日\""), std::string::npos) << error();
    p.Name = "Школа\r";
    EXPECT_NE(error().find("название проекта содержит перевод строки"), std::string::npos) << error();
}
