#include "storage/inifile.h"

#include <gtest/gtest.h>

#include <string>

// Letter case, blanks, line ends, repeated keys and sections and long values are covered
// through the project file reader (test_projectfile.cpp).
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
