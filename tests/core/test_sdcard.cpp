#include "device/sdcard.h"

#include <algorithm>
#include <array>
#include "tests/core/support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;

TEST(TrackSet, EachUsedNonZeroTrackOnceAscendingFromEveryGroupSlot)
{
    TProject project;
    project.DeviceType = 1; // a small device: its group count is far below 32
    AddScenario(project, 1, 1, 12);
    AddScenario(project, 1, 2, 3);
    AddScenario(project, 1, 3, 12);
    AddScenario(project, 2, 1, 0);
    AddScenario(project, 2, 2, -4);
    AddScenario(project, 32, 32, 9);
    project.Groups[1].Scenarios[4].Track = 8; // slot not in use
    project.Groups[3].Scenarios[1].Used = true;
    project.Groups[3].Scenarios[1].Track = 11; // group not in use
    EXPECT_THAT(CollectTracks(project), ElementsAre(-4, 3, 9, 12));
    EXPECT_THAT(PlayListDialogLines(project, {"12;/home/op/звонок.mp3"}),
                ElementsAre("Трек:-4 Путь:", "Трек:3 Путь:", "Трек:9 Путь:", "Трек:12 Путь:/home/op/звонок.mp3"));
}

TEST(TrackSet, KeepsMoreThan255Tracks)
{
    TProject project;
    for (int g = 1; g <= 32; ++g)
        for (int s = 1; s <= 32; ++s)
            AddScenario(project, g, s, 2000 - (g - 1) * 32 - (s - 1));
    const std::vector<int32_t> tracks = CollectTracks(project);
    ASSERT_EQ(tracks.size(), 1024u);
    EXPECT_EQ(tracks.front(), 977);
    EXPECT_EQ(tracks.back(), 2000);
    EXPECT_TRUE(std::is_sorted(tracks.begin(), tracks.end()));
}

TEST(TrackPathOf, FirstLineWhoseWholeTextBeforeTheSeparatorIsTheNumber)
{
    const std::vector<std::string> playList{"no separator 5", "5;/first.mp3",  "5;/second.mp3", "6 ;/blank.mp3",
                                            " 0x0A;/ten.mp3", "+7;/seven.mp3", "12;/a;b.mp3"};
    const std::pair<int32_t, const char *> cases[] = {{5, "/first.mp3"}, {6, ""},          {10, "/ten.mp3"},
                                                      {7, "/seven.mp3"}, {12, "/a;b.mp3"}, {13, ""}};
    for (const auto &[track, path] : cases) {
        SCOPED_TRACE(track);
        EXPECT_EQ(TrackPath(playList, track), path);
    }
}

TEST(DialogLineBack, LabelsGoWhateverTheirCaseTheRestStaysByteForByte)
{
    const std::pair<std::string, std::string> cases[] = {
        {"Трек:12 Путь:/music/a.mp3", "12;/music/a.mp3"},
        {"Трек:3 Путь:", "3;"},
        {"  Трек:3 Путь:/x.mp3 \t", "3;/x.mp3"},
        {"трек:5 ПУТЬ:/a.mp3", "5;/a.mp3"},
        {"ТрЕк:5 пУтЬ:/a.mp3", "5;/a.mp3"},
        {"Трек:1 Путь:/m/трек:2 путь:x", "1;/m/2;x"}, // the path is searched too
        {"Трек:abc Путь:", "abc;"},
        {"no labels", "no labels"},
        {"Трек:4 Путь:/m/\xFF\xC3(\xD0.mp3", "4;/m/\xFF\xC3(\xD0.mp3"},
        {"Трек:4 Путь:/Ёлка/ёж.mp3", "4;/Ёлка/ёж.mp3"},
    };
    for (const auto &[line, expected] : cases)
        EXPECT_EQ(PlayListLineFromDialog(line), expected) << line;
    EXPECT_THAT(PlayListFromDialog({"Трек:3 Путь:/a.mp3", "Трек:12 Путь:", "Трек: Путь:/b.mp3"}),
                ElementsAre("3;/a.mp3", "12;", ";/b.mp3"));
}
