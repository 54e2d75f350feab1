#include "schedule/overlaps.h"
#include "tests/core/support.h"

#include <gtest/gtest.h>

TEST(Overlaps, OnlyALaterStartOnACommonDayAndZoneWhileTheTrackStillPlays)
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
        {"other zones", {{1, 1, 8, 30, {0}, 1, {1}}, {2, 1, 8, 32, {0}, 4, {2}}}, 0},
        {"same start is the clash check's", {{1, 1, 8, 30, {0}, 1, {1}}, {2, 1, 8, 30, {0}, 4, {1}}}, 0},
        {"a track of unknown length", {{1, 1, 8, 30, {0}, 9, {1}}, {2, 1, 8, 32, {0}, 4, {1}}}, 0},
        {"slot order is not time order", {{1, 1, 8, 32, {0}, 4, {1}}, {1, 2, 8, 30, {0}, 1, {1}}}, 60},
    };
    for (const auto &c : cases) {
        const std::vector<TOverlap> found = FindOverlaps(ProjectOf(0, c.Bells), durations);
        if (c.Left == 0) {
            EXPECT_TRUE(found.empty()) << c.What;
            continue;
        }
        ASSERT_EQ(found.size(), 1u) << c.What;
        EXPECT_DOUBLE_EQ(found[0].OverlapSeconds, c.Left) << c.What;
        EXPECT_EQ(found[0].First.Minute, 30) << c.What;
    }
}

TEST(Overlaps, EachPairOnceWithItsCommonDaysAndEveryLaterStartInTheTrack)
{
    const TProject project = ProjectOf(0, {{1, 1, 8, 30, {0, 1, 2}, 1, {1}},
                                           {2, 1, 8, 31, {1, 2, 3}, 4, {1}},
                                           {2, 2, 8, 32, {2}, 4, {1}},
                                           {2, 3, 8, 34, {2}, 4, {1}}});
    const std::vector<TOverlap> found = FindOverlaps(project, {{1, 180}, {4, 5}});
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].Second.Minute, 31);
    EXPECT_EQ(found[1].Second.Minute, 32);
    EXPECT_EQ(OverlapText(found[0]), "Наложение звука: трек 1 (180.0 с) сценария 1 группы 1 «s11» в 08:30 ещё звучит, "
                                     "когда в 08:31 начинается сценарий 1 группы 2 «s21»: ещё 120.0 с; "
                                     "дни: Вторник, Среда");
}
