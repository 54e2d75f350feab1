#include "model/lib.h"

#include <gtest/gtest.h>

TEST(TextAfter, CutsBehindTheFirstSeparator)
{
    EXPECT_EQ(TextAfter("abc", ";"), "");
    EXPECT_EQ(TextAfter("abc;", ";"), "");
    EXPECT_EQ(TextAfter(";abc", ";"), "abc");
    EXPECT_EQ(TextAfter("a;b;c", ";"), "b;c");
    EXPECT_EQ(TextAfter("", ";"), "");
    EXPECT_EQ(TextAfter("abc", ""), "");
    EXPECT_EQ(TextAfter("a Путь:b", " Путь:"), "b");
}

TEST(TextAfter, WalksALineFieldByField)
{
    std::string_view rest = "3;Утро;8;30;";
    rest = TextAfter(rest, ";");
    EXPECT_EQ(rest, "Утро;8;30;");
    rest = TextAfter(rest, ";");
    EXPECT_EQ(rest, "8;30;");
    rest = TextAfter(rest, ";");
    EXPECT_EQ(rest, "30;");
    rest = TextAfter(rest, ";");
    EXPECT_EQ(rest, "");
}

TEST(TwoDigits, PadsBelowTenAndTakesTheValueAsUnsigned)
{
    EXPECT_EQ(TwoDigits(0), "00");
    EXPECT_EQ(TwoDigits(7), "07");
    EXPECT_EQ(TwoDigits(9), "09");
    EXPECT_EQ(TwoDigits(10), "10");
    EXPECT_EQ(TwoDigits(59), "59");
    EXPECT_EQ(TwoDigits(123), "123");
    EXPECT_EQ(TwoDigits(-1), "4294967295");
}

TEST(TimeText, JoinsHourAndMinute)
{
    EXPECT_EQ(TimeText(8, 5), "08:05");
    EXPECT_EQ(TimeText(23, 59), "23:59");
    EXPECT_EQ(TimeText(100, 7), "100:07");
    EXPECT_EQ(TimeText(0, 0), "00:00");
}

TEST(LeadingNumber, ReadsAsAtolDoes)
{
    EXPECT_EQ(LeadingNumber(" 42abc"), 42);
    EXPECT_EQ(LeadingNumber("-3;x"), -3);
    EXPECT_EQ(LeadingNumber("+8"), 8);
    EXPECT_EQ(LeadingNumber("x;3"), 0);
    EXPECT_EQ(LeadingNumber(";5"), 0);
    EXPECT_EQ(LeadingNumber("\t\r\n 7"), 7);
    EXPECT_EQ(LeadingNumber("- 7"), 0);
    EXPECT_EQ(LeadingNumber(""), 0);
}

TEST(LeadingNumber, ClampsToThe32BitRange)
{
    EXPECT_EQ(LeadingNumber("4294967295"), 2147483647);
    EXPECT_EQ(LeadingNumber("-99999999999999999999999999"), -2147483647 - 1);
    EXPECT_EQ(LeadingNumber(std::string(100000, '9')), 2147483647);
    EXPECT_GT(LeadingNumber64("4294967295"), 4294967294);
}

TEST(FirstField, TakesTheTrimmedTextBeforeTheSeparator)
{
    EXPECT_EQ(FirstField("  Утро ;8"), "Утро");
    EXPECT_EQ(FirstField("Утро"), "");
    EXPECT_EQ(FirstField(";Утро"), "");
    EXPECT_EQ(FirstField("\x01\x1f Имя\t\x7f;"), "Имя\t\x7f");
}

TEST(WholeTextInteger, AcceptsOnlyAWholeNumber)
{
    EXPECT_EQ(WholeTextInteger("12"), 12);
    EXPECT_EQ(WholeTextInteger("  -12"), -12);
    EXPECT_EQ(WholeTextInteger("+5"), 5);
    EXPECT_EQ(WholeTextInteger("07"), 7);
    EXPECT_EQ(WholeTextInteger("$1F"), 31);
    EXPECT_EQ(WholeTextInteger("0x10"), 16);
    EXPECT_EQ(WholeTextInteger("-$10"), -16);
    EXPECT_EQ(WholeTextInteger("$FFFFFFFF"), -1);
    EXPECT_EQ(WholeTextInteger(""), 0);
    EXPECT_EQ(WholeTextInteger("12 "), 0);
    EXPECT_EQ(WholeTextInteger("1.5"), 0);
    EXPECT_EQ(WholeTextInteger("abc"), 0);
    EXPECT_EQ(WholeTextInteger("-"), 0);
    EXPECT_EQ(WholeTextInteger("$"), 0);
    EXPECT_EQ(WholeTextInteger("2147483647"), 2147483647);
    EXPECT_EQ(WholeTextInteger("2147483648"), 0);
    EXPECT_EQ(WholeTextInteger("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(WholeTextInteger("99999999999999999999"), 0);
}

TEST(GetFileVersion, GivesTheBuildsVersion)
{
    uint16_t major = 0, minor = 0, release = 9, build = 9;
    ASSERT_TRUE(GetFileVersion("/proc/self/exe", major, minor, release, build));
    EXPECT_EQ(major, 1);
    EXPECT_EQ(minor, 4);
    EXPECT_EQ(release, 0);
    EXPECT_EQ(build, 0);
    EXPECT_EQ(VersionText(), "1.4.0.0");
}
