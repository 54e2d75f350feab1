#include "device/tracklist.h"

#include <gtest/gtest.h>

#include <set>

TEST(TrackList, EveryPlayListLineThenEveryUsedTrackItLacks)
{
    TProject project;
    project.Groups[3].Used = true;
    for (int s : {1, 2}) {
        project.Groups[3].Scenarios[s].Used = true;
        project.Groups[3].Scenarios[s].Track = s == 1 ? 1 : 5;
    }
    TTrackCache cache;
    const std::vector<TTrackRow> rows =
        InspectPlayList(project, {"1;/nowhere/a.mp3", "2;", " 7;/nowhere/b.mp3", "no number"}, cache);
    const struct
    {
        int32_t Track;
        int Line;
        bool Used;
        const char *Status;
    } expected[] = {{1, 0, true, "файл отсутствует"},
                    {2, 1, false, "путь к файлу не задан"},
                    {7, 2, false, "файл отсутствует"},
                    {0, 3, false, "путь к файлу не задан"},
                    {5, -1, true, "трека нет в плейлисте"}};
    ASSERT_EQ(rows.size(), std::size(expected));
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].Track, expected[i].Track) << i;
        EXPECT_EQ(rows[i].PlayListLine, expected[i].Line) << i;
        EXPECT_EQ(rows[i].Used, expected[i].Used) << i;
        EXPECT_EQ(rows[i].Info->Status, TTrackStatus::Missing) << i;
        EXPECT_EQ(TrackStatusText(*rows[i].Info), expected[i].Status) << i;
    }
}

// A playlist of a million lines names few files, or none that exist: rows with equal results hold
// one result between them, so a row costs its path and a few numbers.
TEST(TrackList, RowsWithEqualResultsShareOne)
{
    TProject project;
    std::vector<std::string> playList;
    for (int i = 0; i < 1000; ++i)
        playList.push_back(std::to_string(i) + (i % 2 ? ";/nowhere/" + std::to_string(i) + ".mp3" : ";"));
    TTrackCache cache;
    const std::vector<TTrackRow> rows = InspectPlayList(project, playList, cache);
    ASSERT_EQ(rows.size(), playList.size());
    std::set<const TTrackInfo *> distinct;
    for (const TTrackRow &row : rows)
        distinct.insert(row.Info.get());
    EXPECT_EQ(distinct.size(), 2u); // "путь к файлу не задан" and "файл отсутствует"
    EXPECT_EQ(rows[0].Info->Reason, "путь к файлу не задан");
    EXPECT_EQ(rows[1].Info->Reason, "файл отсутствует");
}

TEST(TrackList, ProblemsFirstAndTheLastCopyOfANumberGivesItsLength)
{
    const auto row = [](int32_t track, TTrackStatus status, double seconds, int line) {
        TTrackRow r;
        r.Track = track;
        r.Path = "/t" + std::to_string(line);
        r.PlayListLine = line;
        TTrackInfo info;
        info.Status = status;
        info.Seconds = seconds;
        r.Info = std::make_shared<const TTrackInfo>(info);
        return r;
    };
    std::vector<TTrackRow> rows{row(1, TTrackStatus::Ok, 10, 0), row(2, TTrackStatus::Damaged, 20, 1),
                                row(1, TTrackStatus::Ok, 30, 2), row(3, TTrackStatus::NotMp3, 0, 3),
                                row(4, TTrackStatus::Ok, 40, 4)};
    EXPECT_EQ(TrackDurations(rows), (std::map<int32_t, double>{{1, 30}, {2, 20}, {4, 40}}));
    ProblemsFirst(rows);
    std::vector<int> order;
    for (const TTrackRow &r : rows)
        order.push_back(r.PlayListLine);
    EXPECT_EQ(order, (std::vector<int>{1, 3, 0, 2, 4}));
}

TEST(TrackList, FirstFreeTrackSkipsTheNumbersLinesCarry)
{
    EXPECT_EQ(FirstFreeTrack({}), 1);
    EXPECT_EQ(FirstFreeTrack({"2;/a", "1;/b", "0;/c", "1000;/d", "3"}), 4); // a line's number counts as the card's
    std::vector<std::string> full;
    for (int track = 1; track <= 999; ++track)
        full.push_back(std::to_string(track) + ";/t");
    EXPECT_EQ(FirstFreeTrack(full), 0);
}
