#include "storage/inifile.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

TEST(IniRead, FindsKeysOfEachSection)
{
    const TIniReader ini("[Project]\r\nName=Школа\r\n[Groups]\r\n0=1;Корпус;\r\nName=other\r\n");
    EXPECT_EQ(ini.Read("Project", "Name"), "Школа");
    EXPECT_EQ(ini.Read("Groups", "0"), "1;Корпус;");
    EXPECT_EQ(ini.Read("Groups", "Name"), "other");
    EXPECT_EQ(ini.Read("Groups", "1", "none"), "none");
    EXPECT_EQ(ini.Read("Playlist", "0", "none"), "none");
}

TEST(IniRead, NamesMatchWhateverTheirLetterCase)
{
    const TIniReader ini("[project]\nNAME=a\n[GrOuPs]\nKey=b\n");
    EXPECT_EQ(ini.Read("Project", "Name"), "a");
    EXPECT_EQ(ini.Read("PROJECT", "name"), "a");
    EXPECT_EQ(ini.Read("groups", "KEY"), "b");
}

TEST(IniRead, DropsBlanksAndTabsAroundNamesAndValues)
{
    const TIniReader ini("  [ Project ]\t\n \tName \t=  Школа  №1 \t\nEmpty =   \n");
    EXPECT_EQ(ini.Read("Project", "Name"), "Школа  №1");
    EXPECT_EQ(ini.Read("Project", "Empty", "default"), "");
}

TEST(IniRead, AcceptsEveryLineEnd)
{
    for (const std::string end : {"\r\n", "\n", "\r"}) {
        const TIniReader ini("[S]" + end + "a=1" + end + "b=2" + end + end + "c=3");
        EXPECT_EQ(ini.Read("S", "a"), "1") << "line end of " << end.size() << " bytes";
        EXPECT_EQ(ini.Read("S", "b"), "2");
        EXPECT_EQ(ini.Read("S", "c"), "3");
    }
    const TIniReader mixed("[S]\r\na=1\rb=2\nc=3\r\n");
    EXPECT_EQ(mixed.Read("S", "a"), "1");
    EXPECT_EQ(mixed.Read("S", "b"), "2");
    EXPECT_EQ(mixed.Read("S", "c"), "3");
}

TEST(IniRead, FirstKeyAndFirstSectionWin)
{
    const TIniReader ini("[S]\na=first\nA=second\n[T]\nx=1\n[s]\na=third\nb=later\n");
    EXPECT_EQ(ini.Read("S", "a"), "first");
    // Keys of a repeated section are not seen, not even new ones.
    EXPECT_EQ(ini.Read("S", "b", "absent"), "absent");
    EXPECT_EQ(ini.Read("T", "x"), "1");
}

TEST(IniRead, IgnoresLinesThatAreNeitherSectionNorKey)
{
    const TIniReader ini("orphan=before any section\n[S]\ngarbage line\n[unclosed\n=no key\n; note\na=1\n");
    EXPECT_EQ(ini.Read("S", "a"), "1");
    EXPECT_EQ(ini.Read("S", "", "none"), "none");
    EXPECT_EQ(ini.Read("", "orphan", "none"), "none");
    // A broken section line does not open a section, so "a" stays in S.
    EXPECT_EQ(ini.Read("unclosed", "a", "none"), "none");
}

TEST(IniRead, KeepsValuesWholeAndUnquoted)
{
    const std::string longValue(5000, 'x');
    const TIniReader ini("[S]\nlong=" + longValue + "\nquoted=\"Школа\"\neq=a=b;c\n");
    EXPECT_EQ(ini.Read("S", "long"), longValue);
    EXPECT_EQ(ini.Read("S", "quoted"), "\"Школа\"");
    EXPECT_EQ(ini.Read("S", "eq"), "a=b;c");
}

TEST(IniRead, KeepsNulAndOtherControlBytesInsideValues)
{
    const std::string text("[S]\na=x\0y\x01z\n", 13);
    const TIniReader ini(text);
    EXPECT_EQ(ini.Read("S", "a"), std::string_view("x\0y\x01z", 5));
}

TEST(IniWrite, LaysOutSectionsInOrderOfFirstWrite)
{
    TIniWriter ini;
    ini.Write("Project", "Name", "Школа");
    ini.Write("Groups", "0", "1;Корпус;");
    ini.Write("project", "Device", "");
    ini.Write("Groups", "1", "3;Двор;4;");
    EXPECT_EQ(ini.Text(), "[Project]\r\nName=Школа\r\nDevice=\r\n[Groups]\r\n0=1;Корпус;\r\n1=3;Двор;4;\r\n");
}

TEST(IniWrite, SecondWriteOfAKeyReplacesItsValueInPlace)
{
    TIniWriter ini;
    ini.Write("S", "a", "1");
    ini.Write("S", "b", "2");
    ini.Write("S", "A", "3");
    EXPECT_EQ(ini.Text(), "[S]\r\na=3\r\nb=2\r\n");
}

TEST(IniWrite, NothingWrittenGivesEmptyText)
{
    EXPECT_EQ(TIniWriter().Text(), "");
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

TEST(IniWrite, WrittenTextReadsBack)
{
    TIniWriter writer;
    writer.Write("Project", "Name", "a=b [c] ;d");
    writer.Write("Playlist", "0", "1;C:\\Звонки\\начало.mp3");
    const TIniReader reader(writer.Text());
    EXPECT_EQ(reader.Read("Project", "Name"), "a=b [c] ;d");
    EXPECT_EQ(reader.Read("Playlist", "0"), "1;C:\\Звонки\\начало.mp3");
}
