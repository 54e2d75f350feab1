#include "storage/inifile.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

// Letter case, blanks, line ends, repeated keys and sections and long values are covered
// through the project file reader (test_projectfile.cpp).
TEST(IniRead, FindsEachValueWholeAndIgnoresOtherLines)
{
    const char nul[] = "nul=x\0y\x01z\n";
    const TIniReader ini("orphan=before any section\n[Project]\r\nName=Школа\r\n[Groups]\ngarbage line\n[unclosed\n"
                         "=no key\n; note\n0=1;Корпус;\nName=other\nquoted=\"Школа\"\neq=a=b;c\nempty = \t\n" +
                             std::string(nul, sizeof nul - 1) + "[Other]\nk=v\n[GROUPS]\nlater=dead text\n",
                         {"Project", "Groups", "Playlist", "unclosed", ""});
    const struct
    {
        const char *Section, *Key;
        std::string Expected;
    } cases[] = {
        {"Project", "Name", "Школа"},      {"Groups", "Name", "other"},
        {"Groups", "0", "1;Корпус;"}, // a broken section line opens no section
        {"Groups", "quoted", "\"Школа\""}, {"Groups", "eq", "a=b;c"},
        {"Groups", "empty", ""},           {"Groups", "nul", std::string("x\0y\x01z", 5)},
        {"Groups", "1", "default"},        {"Playlist", "0", "default"},
        {"Groups", "", "default"},         {"", "orphan", "default"},
        {"unclosed", "0", "default"},      {"Other", "k", "default"}, // a section not asked for
        {"Groups", "later", "default"},                               // only the first section of a name is read
    };
    for (const auto &c : cases)
        EXPECT_EQ(ini.Read(c.Section, c.Key, "default"), c.Expected) << c.Section << "/" << c.Key;
}

TEST(IniWrite, LaysOutSectionsInOrderOfFirstWriteAndReadsBack)
{
    TIniWriter ini;
    EXPECT_EQ(ini.Text(), "");
    ini.Write("Project", "Name", "old");
    ini.Write("Groups", "0", "a=b [c] ;d");
    ini.Write("project", "Device", "");
    ini.Write("Groups", "1", "1;C:\\Звонки\\начало.mp3");
    ini.Write("PROJECT", "Version", "1"); // joins the section of its name
    EXPECT_EQ(ini.Text(), "[Project]\r\nName=old\r\nDevice=\r\nVersion=1\r\n[Groups]\r\n0=a=b [c] ;d\r\n"
                          "1=1;C:\\Звонки\\начало.mp3\r\n");
    const TIniReader back(ini.Text(), {"Groups"});
    EXPECT_EQ(back.Read("Groups", "0"), "a=b [c] ;d");
    EXPECT_EQ(back.Read("Groups", "1"), "1;C:\\Звонки\\начало.mp3");
}

TEST(IniWrite, RefusesWhatWouldNotReadBackAsOneLine)
{
    TIniWriter ini;
    EXPECT_THROW(ini.Write("S", "a", "x\ny"), std::invalid_argument);
    EXPECT_THROW(ini.Write("S", "a", "x\ry"), std::invalid_argument);
    EXPECT_THROW(ini.Write("S", "a=b", "x"), std::invalid_argument);
    EXPECT_THROW(ini.Write("S", "", "x"), std::invalid_argument);
    EXPECT_THROW(ini.Write("S]", "a", "x"), std::invalid_argument);
    EXPECT_EQ(ini.Text(), "");
}

TEST(IniScan, EveryLineEndAndEveryKindOfLine)
{
    // Line ends of all three kinds in one text, so that each is found while the others are pending.
    const std::string text = "[A]\r\n k = v \rx\n\r\n[ B ] tail\n[open\n=v\n \t\n[C]\r\r\nk=\rlast=1";
    std::string seen;
    TIniScanner scanner(text);
    TIniLine line;
    while (scanner.Next(line)) {
        switch (line.Kind) {
        case TIniLine::TKind::Section:
            seen += "[" + std::string(line.Name) + "]";
            break;
        case TIniLine::TKind::Key:
            seen += std::string(line.Name) + "=" + std::string(line.Value) + ";";
            break;
        case TIniLine::TKind::Other:
            seen += ".";
            break;
        }
    }
    EXPECT_EQ(seen, "[A]k=v;..[B]...[C].k=;last=1;");
    EXPECT_TRUE(IniNamesEqual("Playlist", "PLAYLIST"));
    EXPECT_FALSE(IniNamesEqual("Playlist", "Playlis"));
}
