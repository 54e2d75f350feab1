#include "schedule/weeklayout.h"
#include "tests/core/support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using ::testing::Pair;

namespace {

/// The marks of one day as "group.slot@minute lane/lanes" with a "!" for a clash.
std::vector<std::string> DayMarks(const TWeekLayout &layout, int day)
{
    std::vector<std::string> marks;
    for (int k = layout.DayBegin[day]; k < layout.DayBegin[day + 1]; ++k) {
        const TWeekMark &m = layout.Marks[k];
        EXPECT_EQ(m.Day, day);
        marks.push_back(std::to_string(m.Group) + "." + std::to_string(m.Slot) + "@" + std::to_string(m.Minute) + " " +
                        std::to_string(m.Lane) + "/" + std::to_string(m.Lanes) + (m.Clash ? "!" : ""));
    }
    return marks;
}

} // namespace

TEST(WeekLayout, MarksEachUsedScenarioOnEachOfItsDaysInTimeOrder)
{
    TProject project =
        ProjectOf(4, {{1, 2, 9, 0, {0, 2}}, {1, 1, 8, 45, {0}}, {2, 5, 8, 45, {2, 6}}, {2, 6, 7, 0, {}}});
    project.Groups[2].Scenarios[9] = project.Groups[2].Scenarios[5]; // an unused slot with old values
    project.Groups[2].Scenarios[9].Used = false;

    const TWeekLayout layout = BuildWeekLayout(project);
    EXPECT_THAT(layout.Groups, ElementsAre(1, 2));
    EXPECT_THAT(DayMarks(layout, 0), ElementsAre("1.1@525 0/1", "1.2@540 0/1"));
    EXPECT_THAT(DayMarks(layout, 1), ElementsAre());
    EXPECT_THAT(DayMarks(layout, 2), ElementsAre("2.5@525 0/1", "1.2@540 0/1"));
    EXPECT_THAT(DayMarks(layout, 6), ElementsAre("2.5@525 0/1"));
    EXPECT_EQ(layout.DayBegin[7], static_cast<int>(layout.Marks.size()));
    // A scenario without days has no mark and does not widen the hours.
    EXPECT_EQ(layout.FirstHour, 8);
    EXPECT_EQ(layout.EndHour, 10);
}

TEST(WeekLayout, GroupsTheDeviceHidesAreLeftOut)
{
    // Type 2 has 4 zones: group 7 stays in the model but is not shown, so its marks, its clash
    // with group 1 and its table are left out; type 0 shows nothing at all.
    const std::vector<TBellSpec> bells = {{1, 1, 8, 0, {0}}, {7, 1, 8, 0, {0}}, {4, 3, 10, 0, {1}}};
    const TWeekLayout typed = BuildWeekLayout(ProjectOf(2, bells));
    EXPECT_THAT(typed.Groups, ElementsAre(1, 4));
    EXPECT_THAT(DayMarks(typed, 0), ElementsAre("1.1@480 0/1"));
    EXPECT_TRUE(typed.Clashes.empty());
    ASSERT_EQ(GroupTables(ProjectOf(2, bells)).size(), 2u);

    const TWeekLayout none = BuildWeekLayout(ProjectOf(0, bells));
    EXPECT_TRUE(none.Groups.empty());
    EXPECT_TRUE(none.Marks.empty());
    EXPECT_EQ(none.FirstHour, 0);
    EXPECT_EQ(none.EndHour, 24);
    EXPECT_TRUE(GroupTables(ProjectOf(0, bells)).empty());
}

TEST(WeekLayout, ClashSetsGatherEveryScenarioAtTheSameTimeAndDay)
{
    const TProject project = ProjectOf(9, {{3, 1, 8, 30, {0, 1}},
                                           {1, 2, 8, 30, {0}},
                                           {2, 4, 8, 30, {0, 1}},
                                           {1, 3, 8, 30, {4}},
                                           {5, 1, 8, 31, {0}},
                                           {6, 1, 25, 0, {3}},
                                           {6, 2, 25, 0, {3}}});
    const TWeekLayout layout = BuildWeekLayout(project);
    ASSERT_EQ(layout.Clashes.size(), 3u);
    EXPECT_EQ(layout.Clashes[0].Day, 0);
    EXPECT_THAT(layout.Clashes[0].Members, ElementsAre(Pair(1, 2), Pair(2, 4), Pair(3, 1)));
    EXPECT_EQ(layout.Clashes[1].Day, 1);
    EXPECT_THAT(layout.Clashes[1].Members, ElementsAre(Pair(2, 4), Pair(3, 1)));
    // A time that is no time of day clashes all the same, but has no mark.
    EXPECT_EQ(layout.Clashes[2].Day, 3);
    EXPECT_EQ(layout.Clashes[2].Hour, 25);
    EXPECT_THAT(layout.OffClock, ElementsAre(Pair(6, 1), Pair(6, 2)));
    EXPECT_THAT(DayMarks(layout, 3), ElementsAre());

    EXPECT_THAT(DayMarks(layout, 0), ElementsAre("1.2@510 0/3!", "2.4@510 1/3!", "3.1@510 2/3!", "5.1@511 0/1"));
    EXPECT_THAT(DayMarks(layout, 1), ElementsAre("2.4@510 0/2!", "3.1@510 1/2!"));
    EXPECT_THAT(DayMarks(layout, 4), ElementsAre("1.3@510 0/1"));

    // A filtered-out partner still makes a drawn mark red; lanes count the drawn marks only.
    TWeekLayoutOptions options;
    options.GroupFilter.assign(MaxGroups + 1, true);
    options.GroupFilter[2] = false;
    const TWeekLayout filtered = BuildWeekLayout(project, options);
    EXPECT_THAT(DayMarks(filtered, 1), ElementsAre("3.1@510 0/1!"));
    EXPECT_EQ(filtered.Clashes.size(), 3u);
}

TEST(WeekLayout, HourRangeCoversTheMarksAndThePlayingTime)
{
    struct TCase
    {
        std::vector<TBellSpec> Bells;
        std::map<int32_t, int32_t> Seconds;
        int First, End;
    };
    const std::vector<TCase> cases = {
        {{{1, 1, 7, 45, {0}, 1}, {1, 2, 16, 0, {6}, 1}}, {}, 7, 17},
        {{{1, 1, 0, 0, {0}, 1}, {1, 2, 23, 59, {0}, 1}}, {}, 0, 24},
        {{{1, 1, 9, 50, {0}, 4}}, {{4, 660}}, 9, 11},    // 11 minutes of track 4 run past 10:00
        {{{1, 1, 23, 30, {0}, 4}}, {{4, 7200}}, 23, 24}, // the day ends the chart
        {{{1, 1, 9, 50, {0}, 4}}, {{5, 7200}}, 9, 10},   // another track's length plays no part
        {{{1, 1, -1, 0, {0}, 1}}, {}, 0, 24},            // only an off-clock time: the whole day
    };
    for (const TCase &c : cases) {
        TWeekLayoutOptions options;
        options.TrackSeconds = c.Seconds;
        const TWeekLayout layout = BuildWeekLayout(ProjectOf(9, c.Bells), options);
        EXPECT_EQ(layout.FirstHour, c.First) << c.Bells.front().Hour;
        EXPECT_EQ(layout.EndHour, c.End) << c.Bells.front().Hour;
    }
    TWeekLayoutOptions options;
    options.TrackSeconds = {{4, 660}};
    EXPECT_EQ(BuildWeekLayout(ProjectOf(9, {{1, 1, 9, 50, {2}, 4}}), options).Marks.at(0).Seconds, 660);
}

TEST(WeekLayout, TimesAndDays)
{
    const std::vector<std::tuple<int, int, int>> times = {{0, 0, 0},    {8, 5, 485}, {23, 59, 1439}, {24, 0, -1},
                                                          {-1, 30, -1}, {8, 60, -1}, {8, -1, -1}};
    for (const auto &[hour, minute, expected] : times)
        EXPECT_EQ(MinuteOfDay(hour, minute), expected) << hour << ":" << minute;

    EXPECT_DOUBLE_EQ(TimeFraction(8 * 60, 8, 18), 0.0);
    EXPECT_DOUBLE_EQ(TimeFraction(13 * 60, 8, 18), 0.5);
    EXPECT_DOUBLE_EQ(TimeFraction(18 * 60, 8, 18), 1.0);

    EXPECT_EQ(DaysText({true, true, false, false, true, false, true}), "Пн Вт Пт Вс");
    EXPECT_EQ(DaysText({}), "");
}

TEST(WeekLayout, TablesSortByDaySetThenStoredTimeThenSlot)
{
    const TProject project = ProjectOf(8, {{2, 5, 12, 0, {0}},
                                           {2, 1, 8, 0, {0}},
                                           {2, 3, 12, 0, {}},
                                           {2, 4, 7, 0, {5}},
                                           {2, 9, -3, 0, {0}},
                                           {2, 2, 8, 30, {0}},
                                           {1, 1, 9, 0, {0}}});
    const std::vector<TGroupTable> tables = GroupTables(project);
    ASSERT_EQ(tables.size(), 2u);
    EXPECT_EQ(tables[0].Group, 1);
    EXPECT_EQ(tables[1].Group, 2);
    // Monday's rows, then Saturday's (earlier in the day though it is), then the one without days.
    EXPECT_THAT(tables[1].Slots, ElementsAre(9, 1, 2, 5, 4, 3));
    EXPECT_EQ(FindMark(BuildWeekLayout(project), 0, 2, 2), 1); // after 2.1 at 08:00
    EXPECT_EQ(FindMark(BuildWeekLayout(project), 1, 2, 2), -1);
}
