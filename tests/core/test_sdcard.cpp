#include "device/sdcard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

void AddScenario(TProject &project, int g, int s, int32_t track)
{
    project.Groups[g].Used = true;
    project.Groups[g].Scenarios[s].Used = true;
    project.Groups[g].Scenarios[s].Track = track;
}

} // namespace

TEST(TrackSet, ShowsEachTrackOnceInAscendingOrder)
{
    TProject project;
    AddScenario(project, 1, 1, 12);
    AddScenario(project, 1, 2, 3);
    AddScenario(project, 1, 3, 12);
    EXPECT_THAT(CollectTracks(project), ElementsAre(3, 12));
    EXPECT_THAT(PlayListDialogLines(project, {}), ElementsAre("Трек:3 Путь:", "Трек:12 Путь:"));
}

TEST(TrackSet, NeverCollectsTrackZero)
{
    TProject project;
    AddScenario(project, 2, 1, 0);
    EXPECT_THAT(CollectTracks(project), IsEmpty());
    AddScenario(project, 2, 2, 5);
    EXPECT_THAT(CollectTracks(project), ElementsAre(5));
}

TEST(TrackSet, ReadsAllGroupSlotsWhateverTheDeviceType)
{
    TProject project;
    project.DeviceType = 1; // a small device: its group count is far below 32
    AddScenario(project, 32, 32, 9);
    AddScenario(project, 1, 1, -4);
    EXPECT_THAT(CollectTracks(project), ElementsAre(-4, 9));
}

TEST(TrackSet, SkipsUnusedGroupsAndScenarios)
{
    TProject project;
    AddScenario(project, 1, 1, 7);
    project.Groups[1].Scenarios[2].Track = 8; // slot not in use
    project.Groups[3].Scenarios[1].Used = true;
    project.Groups[3].Scenarios[1].Track = 9; // group not in use
    EXPECT_THAT(CollectTracks(project), ElementsAre(7));
}

TEST(TrackSet, KeepsMoreThan255Tracks)
{
    TProject project;
    int32_t track = 2000;
    for (int g = 1; g <= 32; ++g)
        for (int s = 1; s <= 32; ++s)
            AddScenario(project, g, s, track--);
    const std::vector<int32_t> tracks = CollectTracks(project);
    ASSERT_EQ(tracks.size(), 1024u);
    EXPECT_EQ(tracks.front(), 2000 - 1023);
    EXPECT_EQ(tracks.back(), 2000);
    EXPECT_TRUE(std::is_sorted(tracks.begin(), tracks.end()));
}

TEST(TrackPathOf, TakesTheFirstLineWithTheNumber)
{
    const std::vector<std::string> playList{"no separator 5", "5;/music/first.mp3", "5;/music/second.mp3"};
    EXPECT_EQ(TrackPath(playList, 5), "/music/first.mp3");
    EXPECT_EQ(TrackPath(playList, 6), "");
}

TEST(TrackPathOf, ReadsTheNumberAsAWholeTextInteger)
{
    const std::vector<std::string> playList{"5 ;/trailing blank.mp3", " 0x0A;/ten.mp3", "+7;/seven.mp3", "12;/a;b.mp3"};
    EXPECT_EQ(TrackPath(playList, 5), "");
    EXPECT_EQ(TrackPath(playList, 10), "/ten.mp3");
    EXPECT_EQ(TrackPath(playList, 7), "/seven.mp3");
    EXPECT_EQ(TrackPath(playList, 12), "/a;b.mp3");
}

TEST(TrackPathOf, FillsTheDialogLines)
{
    TProject project;
    AddScenario(project, 1, 1, 42);
    EXPECT_THAT(PlayListDialogLines(project, {"42;/home/op/звонок.mp3"}),
                ElementsAre("Трек:42 Путь:/home/op/звонок.mp3"));
}

TEST(CardFileName, PadsToThreeDigits)
{
    EXPECT_EQ(TrackFileName(7), "007");
    EXPECT_EQ(TrackFileName(42), "042");
    EXPECT_EQ(TrackFileName(99), "099");
    EXPECT_EQ(TrackFileName(123), "123");
    EXPECT_EQ(TrackFileName(1000), "1000");
    EXPECT_EQ(TrackFileName(-5), "00-5");
    EXPECT_EQ(TrackFileName(-2147483647 - 1), "00-2147483648");
}

TEST(DialogLineBack, BecomesAPlayListLine)
{
    EXPECT_EQ(PlayListLineFromDialog("Трек:12 Путь:/music/a.mp3"), "12;/music/a.mp3");
    EXPECT_EQ(PlayListLineFromDialog("Трек:3 Путь:"), "3;");
    EXPECT_EQ(PlayListLineFromDialog("  Трек:3 Путь:/x.mp3 \t"), "3;/x.mp3");
}

TEST(DialogLineBack, IgnoresLetterCaseInCyrillic)
{
    EXPECT_EQ(PlayListLineFromDialog("трек:5 ПУТЬ:/a.mp3"), "5;/a.mp3");
    EXPECT_EQ(PlayListLineFromDialog("ТРЕК:5 пУтЬ:/a.mp3"), "5;/a.mp3");
    EXPECT_EQ(PlayListLineFromDialog("ТрЕк:5 путь:/a.mp3"), "5;/a.mp3");
}

TEST(DialogLineBack, ReplacesEveryOccurrence)
{
    // The whole text is searched, the path included.
    EXPECT_EQ(PlayListLineFromDialog("Трек:1 Путь:/m/трек:2 путь:x"), "1;/m/2;x");
    EXPECT_EQ(PlayListLineFromDialog("Трек:abc Путь:"), "abc;");
    EXPECT_EQ(PlayListLineFromDialog("no labels"), "no labels");
}

TEST(DialogLineBack, KeepsTheRestOfTheLineByteForByte)
{
    const std::string invalid = "Трек:4 Путь:/m/\xFF\xC3(\xD0.mp3";
    EXPECT_EQ(PlayListLineFromDialog(invalid), "4;/m/\xFF\xC3(\xD0.mp3");
    EXPECT_EQ(PlayListLineFromDialog("Трек:4 Путь:/Ёлка/ёж.mp3"), "4;/Ёлка/ёж.mp3");
}

TEST(DialogLineBack, RebuildsTheWholePlayListInOrder)
{
    EXPECT_THAT(PlayListFromDialog({"Трек:3 Путь:/a.mp3", "Трек:12 Путь:", "Трек: Путь:/b.mp3"}),
                ElementsAre("3;/a.mp3", "12;", ";/b.mp3"));
}

TEST(CaseFolding, FoldsYoAndLatinLetters)
{
    EXPECT_EQ(ReplaceIgnoringCase("ёЁеЕ", "Ё", "*"), "**еЕ");
    EXPECT_EQ(ReplaceIgnoringCase("Track TRACK track", "tRaCk", "#"), "# # #");
    EXPECT_EQ(ReplaceIgnoringCase("ЯяAa", "яa", "-"), "Я-a");
    EXPECT_EQ(ReplaceIgnoringCase("ҐґIі", "ґ", "g"), "ggIі");
    EXPECT_EQ(ReplaceIgnoringCase("abc", "", "x"), "abc");
}
