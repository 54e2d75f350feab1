#include "model/codepage.h"

#include <gtest/gtest.h>

TEST(CodePage, EveryByteSurvivesARoundTrip)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string utf8 = Cp1251ToUtf8(all);
    const std::optional<std::string> back = Utf8ToCp1251(utf8);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, all);
}

TEST(CodePage, MapsTheCyrillicLettersAndThePunctuation)
{
    EXPECT_EQ(Cp1251ToUtf8("\xd8\xea\xee\xeb\xe0"), "Школа");
    EXPECT_EQ(Cp1251ToUtf8("\xa8\xb8"), "Ёё");
    EXPECT_EQ(Cp1251ToUtf8("\xb9"), "№");
    EXPECT_EQ(Cp1251ToUtf8("\x88"), "€");
    EXPECT_EQ(Cp1251ToUtf8("\x98"), "\u0098");
    EXPECT_EQ(Utf8ToCp1251("Велтара ДК-4"), std::string("\xc2\xe5\xeb\xf2\xe0\xf0\xe0 \xc4\xca-4"));
}

TEST(CodePage, ReportsCharactersTheCodePageLacks)
{
    EXPECT_FALSE(Utf8ToCp1251("Zürich").has_value());
    EXPECT_FALSE(FitsCp1251("日本"));
    EXPECT_FALSE(FitsCp1251("\xF0\x9F\x94\x94")); // a bell emoji
    EXPECT_EQ(FirstUnencodable("abc ü"), U'ü');
    EXPECT_FALSE(FirstUnencodable("Школа № 5 «Звонок»").has_value());
}

TEST(CodePage, RefusesMalformedUtf8)
{
    EXPECT_FALSE(Utf8ToCp1251("\xd0").has_value());         // cut short
    EXPECT_FALSE(Utf8ToCp1251("\xc0\xaf").has_value());     // overlong "/"
    EXPECT_FALSE(Utf8ToCp1251("\xed\xa0\x80").has_value()); // a lone surrogate
    EXPECT_FALSE(Utf8ToCp1251("\xff").has_value());
}
