#include "schedule/overlaps.h"
#include "tests/core/support.h"

#include <gtest/gtest.h>

TEST(Overlaps, OnlyALaterStartOnACommonDayWhileTheTrackStillPlays)
{
    const std::map<int32_t, double> durations{{1, 180}, {2, 120}, {3, 120.5}, {4, 5}};
    const struct
    {
        const char *What;
        std::vector<TBellSpec> Bells;
        double Left; // seconds of the track left at the second start; 0: no overlap
    } cases[] = {
        {"march until 08:33, bell at 08:32", {{1, 1, 8, 30, {0}, 1, {1}}, {2, 1, 8, 32, {0}, 4, {1, 2}}}, 60},
        {"ends exactly at the next start", {{1, 1, 8, 30, {0}, 2, {1}}, {2, 1, 8, 32, {0}, 4, {1}}}, 0},
        {"half a second past it", {{1, 1, 8, 30, {0}, 3, {1}}, {2, 1, 8, 32, {0}, 4, {1}}}, 0.5},
        {"same group, so the same zones", {{1, 1, 8, 30, {0}, 1, {1}}, {1, 2, 8, 31, {0}, 4, {1}}}, 120},
        {"another day", {{1, 1, 8, 30, {0}, 1, {1}}, {2, 1, 8, 32, {1}, 4, {1}}}, 0},
        // One player for every zone: a track in the gym cuts off the main building's bell.
        {"other zones", {{1, 1, 8, 30, {0}, 1, {1}}, {2, 1, 8, 32, {0}, 4, {2}}}, 60},
        {"a group without zones", {{1, 1, 8, 30, {0}, 1, {}}, {2, 1, 8, 32, {0}, 4, {2}}}, 60},
        {"same start is the clash check's", {{1, 1, 8, 30, {0}, 1, {1}}, {2, 1, 8, 30, {0}, 4, {1}}}, 0},
        {"a track of unknown length", {{1, 1, 8, 30, {0}, 9, {1}}, {2, 1, 8, 32, {0}, 4, {1}}}, 0},
        {"slot order is not time order", {{1, 1, 8, 32, {0}, 4, {1}}, {1, 2, 8, 30, {0}, 1, {1}}}, 60},
        {"past midnight into the next day", {{1, 1, 23, 59, {2}, 1, {1}}, {2, 1, 0, 1, {3}, 4, {1}}}, 60},
        {"Sunday's track into Monday", {{1, 1, 23, 59, {6}, 1, {1}}, {2, 1, 0, 1, {0}, 4, {1}}}, 60},
        {"past midnight, but not the day after", {{1, 1, 23, 59, {2}, 1, {1}}, {2, 1, 0, 1, {2}, 4, {1}}}, 0},
    };
    for (const auto &c : cases) {
        const TProject project = ProjectOf(0, c.Bells);
        const TOverlaps found = FindOverlaps(project, durations);
        if (c.Left == 0) {
            EXPECT_EQ(found.Total, 0) << c.What;
            continue;
        }
        ASSERT_EQ(found.Listed.size(), 1u) << c.What;
        EXPECT_EQ(found.Total, 1) << c.What;
        EXPECT_DOUBLE_EQ(found.Listed[0].OverlapSeconds, c.Left) << c.What;
        const TOverlap &overlap = found.Listed[0];
        EXPECT_NE(project.Groups[overlap.FirstGroup].Scenarios[overlap.FirstSlot].Track, 4) << c.What; // the longer one
    }
}

TEST(Overlaps, EachPairOnceWithItsCommonDaysAndEveryLaterStartInTheTrack)
{
    const TProject project = ProjectOf(0, {{1, 1, 8, 30, {0, 1, 2}, 1, {1}},
                                           {2, 1, 8, 31, {1, 2, 3}, 4, {1}},
                                           {2, 2, 8, 32, {2}, 4, {1}},
                                           {2, 3, 8, 34, {2}, 4, {1}}});
    const TOverlaps found = FindOverlaps(project, {{1, 180}, {4, 5}});
    ASSERT_EQ(found.Listed.size(), 2u);
    EXPECT_EQ(found.Listed[1].SecondSlot, 2);
    EXPECT_EQ(OverlapText(project, found.Listed[0]),
              "Наложение звука: трек 1 (180.0 с) сценария 1 группы 1 «s11» в 08:30 ещё звучит, "
              "когда в 08:31 начинается сценарий 1 группы 2 «s21»: ещё 120.0 с; дни: Вторник, Среда");
    EXPECT_EQ(MoreOverlapsText(found), "");
}

TEST(Overlaps, ALongTrackInOneZoneMeetsEveryBellOfAnotherWhileItPlays)
{
    // Half an hour of music in the gym from 10:30; the main building rings at 10:35, 10:45 and 11:05.
    const TProject school = ProjectOf(0, {{1, 1, 10, 35, {0}, 2, {1, 2}},
                                          {1, 2, 10, 45, {0}, 2, {1, 2}},
                                          {1, 3, 11, 5, {0}, 2, {1, 2}},
                                          {2, 1, 10, 30, {0}, 7, {3}}});
    const TOverlaps found = FindOverlaps(school, {{7, 1800}, {2, 10}});
    EXPECT_EQ(found.Total, 2);
    ASSERT_EQ(found.Listed.size(), 2u);
    for (const TOverlap &overlap : found.Listed) {
        EXPECT_EQ(overlap.FirstGroup, 2);
        EXPECT_EQ(overlap.SecondGroup, 1);
    }
    EXPECT_DOUBLE_EQ(found.Listed[0].OverlapSeconds, 1500);
    EXPECT_DOUBLE_EQ(found.Listed[1].OverlapSeconds, 900);
}

TEST(Overlaps, PastMidnightIsSaidAndBeyondTheCapOnlyCounted)
{
    const TProject night = ProjectOf(0, {{1, 1, 23, 59, {6}, 1, {1}}, {1, 2, 0, 0, {0}, 4, {1}}});
    const TOverlaps wrapped = FindOverlaps(night, {{1, 180}});
    ASSERT_EQ(wrapped.Listed.size(), 1u);
    EXPECT_EQ(OverlapText(night, wrapped.Listed[0]),
              "Наложение звука: трек 1 (180.0 с) сценария 1 группы 1 «s11» в 23:59 ещё звучит, "
              "когда в 00:00 следующего дня начинается сценарий 2 группы 1 «s12»: ещё 120.0 с; дни: Воскресенье");

    // Five bells a minute apart under a long track: 4 + 3 + 2 + 1 pairs.
    const TProject bells = ProjectOf(0, {{1, 1, 8, 0, {0}, 1, {1}},
                                         {1, 2, 8, 1, {0}, 1, {1}},
                                         {1, 3, 8, 2, {0}, 1, {1}},
                                         {1, 4, 8, 3, {0}, 1, {1}},
                                         {1, 5, 8, 4, {0}, 1, {1}}});
    const TOverlaps capped = FindOverlaps(bells, {{1, 600}}, 3);
    EXPECT_EQ(capped.Total, 10);
    ASSERT_EQ(capped.Listed.size(), 3u);
    EXPECT_EQ(capped.Listed[2].SecondSlot, 4); // the first ones, in order
    EXPECT_EQ(MoreOverlapsText(capped), "… и ещё 7 наложений звука");
}
