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

TEST(Utf8, EncoderWritesOneToFourBytes)
{
    const struct
    {
        char32_t CodePoint;
        const char *Utf8;
    } cases[] = {{U'A', "A"},         {0x7F, "\x7F"}, {0x80, "\xC2\x80"},       {U'Ж', "Ж"},
                 {0x7FF, "\xDF\xBF"}, {U'€', "€"},    {0xFFFD, "\xEF\xBF\xBD"}, {0x10000, "\xF0\x90\x80\x80"},
                 {U'🔔', "🔔"}};
    for (const auto &c : cases) {
        std::string out = "x";
        AppendUtf8(out, c.CodePoint);
        EXPECT_EQ(out, std::string("x") + c.Utf8) << unsigned(c.CodePoint);
        size_t i = 1;
        EXPECT_EQ(DecodeUtf8(out, i), c.CodePoint);
        EXPECT_EQ(i, out.size());
    }
}

TEST(Utf8, ValidatorReplacesEachMalformedByteAndKeepsTheRest)
{
    const struct
    {
        std::string In, Out;
    } cases[] = {
        {"Школа №5 🔔", "Школа №5 🔔"},
        {"\xEF\xBF\xBD", "\xEF\xBF\xBD"}, // a replacement character of the text itself
        {"a\xFF"
         "b",
         "a\uFFFD"
         "b"},
        {"\xD0", "\uFFFD"}, // cut short at the end
        {"\xD0"
         "a",
         "\uFFFD"
         "a"},                                            // cut short by the next character
        {"\xC0\xAF", "\uFFFD\uFFFD"},                     // overlong
        {"\xE0\x80\xAF", "\uFFFD\uFFFD\uFFFD"},           // overlong
        {"\xED\xA0\x80x", "\uFFFD\uFFFD\uFFFDx"},         // a surrogate
        {"\xF4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"}, // above U+10FFFF
        {"\x80Ж\xBF", "\uFFFDЖ\uFFFD"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ValidUtf8(c.In), c.Out) << c.In;
}

TEST(CodePage, EncoderStopsAtTheBytesItIsToldAndAtWhatTheCodePageLacks)
{
    constexpr uint64_t lineBreaks = uint64_t(1) << '\r' | uint64_t(1) << '\n';
    const struct
    {
        std::string Utf8;
        uint64_t Stops;
        std::optional<std::string> Bytes; // nothing: the encoder stops
    } cases[] = {
        {"Звонок; 8:30", lineBreaks, std::string("\xc7\xe2\xee\xed\xee\xea; 8:30")},
        {"Звонок; 8:30", lineBreaks | uint64_t(1) << ';', std::nullopt},
        {"a\nb", lineBreaks, std::nullopt},
        {"a\rb", lineBreaks, std::nullopt},
        {"a\rb", 0, std::string("a\rb")},
        {"Зал Ω", 0, std::nullopt},
        {"\xC2", 0, std::nullopt},
        {"\xE0\x82\x98", 0, std::nullopt}, // U+0098 in an overlong form
        {"\u0098€№", 0, std::string("\x98\x88\xB9")},
        // Runs of two-byte characters go four at a time: what stops one must stop them wherever it is.
        {"абвгдежзЁ", 0, std::string("\xE0\xE1\xE2\xE3\xE4\xE5\xE6\xE7\xA8")},
        {"абв\xC1\x81где", 0, std::nullopt}, // overlong "A" inside a run
        {"абвüгде", 0, std::nullopt},
        {"абвгд\xD0", 0, std::nullopt},
        {"абвг;", lineBreaks | uint64_t(1) << ';', std::nullopt},
    };
    for (const auto &c : cases) {
        std::string out(c.Utf8.size(), '\0');
        const char *end = EncodeCp1251(c.Utf8, out.data(), c.Stops);
        const std::optional<std::string> bytes =
            end != nullptr ? std::optional(out.substr(0, size_t(end - out.data()))) : std::nullopt;
        EXPECT_EQ(bytes, c.Bytes) << c.Utf8;
    }
}
