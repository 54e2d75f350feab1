#include "schedule/groupedit.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::HasSubstr;

namespace {

using TTimes = std::vector<std::pair<int, int>>;

/// Group 1 of a four-zone project with scenarios at these times in slots 1, 2 ..., and group 2
/// with one scenario at 12:00 that no edit of group 1 may touch.
TProject GroupAt(const TTimes &times)
{
    TProject project;
    project.DeviceType = 2;
    project.Groups[1].Used = true;
    for (size_t k = 0; k < times.size(); ++k)
        project.Groups[1].Scenarios[k + 1] = {"", times[k].first, times[k].second, {}, 0, 1, true};
    project.Groups[2].Used = true;
    project.Groups[2].Scenarios[1] = {"", 12, 0, {true}, 5, 1, true};
    return project;
}

TTimes Times(const TProject &project, int g)
{
    TTimes times;
    for (const TScenario &scenario : project.Groups[g].Scenarios) {
        if (scenario.Used)
            times.emplace_back(scenario.Hour, scenario.Minute);
    }
    return times;
}

} // namespace

TEST(GroupShift, MovesEveryScenarioUpToTheEdgesOfTheDay)
{
    struct TCase
    {
        TTimes Before;
        int Minutes;
        TTimes After; // empty: refused
    };
    const std::vector<TCase> cases = {
        {{{8, 30}, {9, 15}}, -35, {{7, 55}, {8, 40}}},
        {{{0, 10}, {12, 0}}, -10, {{0, 0}, {11, 50}}}, // down to 00:00
        {{{0, 10}, {12, 0}}, -11, {}},                 // one minute before 00:00
        {{{8, 0}, {23, 50}}, 9, {{8, 9}, {23, 59}}},   // up to 23:59
        {{{8, 0}, {23, 50}}, 10, {}},                  // 24:00
        {{{8, 0}}, 2000000000, {}},                    // no wrap-around
        {{{2000000000, 0}}, -1, {}},                   // a stored time outside the day stays refused
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(testing::Message() << "shift by " << c.Minutes << " from " << c.Before.back().first);
        TProject project = GroupAt(c.Before);
        const std::string refusal = ShiftGroup(project, 1, c.Minutes);
        EXPECT_EQ(refusal.empty(), !c.After.empty()) << refusal;
        EXPECT_EQ(Times(project, 1), c.After.empty() ? c.Before : c.After);
        EXPECT_EQ(Times(project, 2), (TTimes{{12, 0}}));
    }
    TProject project = GroupAt({{8, 0}, {23, 30}});
    EXPECT_EQ(ShiftGroup(project, 1, 45), "Сдвиг на 45 мин выводит сценарий 2 группы 1 за пределы суток (24:15)");
}

TEST(GroupEdit, DaysAndVolumeOfTheWholeGroupOnly)
{
    TProject project = GroupAt({{8, 0}, {9, 0}});
    const std::array<bool, 7> weekend{false, false, false, false, false, true, true};
    ASSERT_EQ(SetGroupDays(project, 1, weekend), "");
    ASSERT_EQ(SetGroupVolume(project, 1, 30), "");
    for (int s : {1, 2}) {
        EXPECT_EQ(project.Groups[1].Scenarios[s].Days, weekend);
        EXPECT_EQ(project.Groups[1].Scenarios[s].Volume, 30);
    }
    EXPECT_EQ(project.Groups[1].Scenarios[3].Volume, 0); // an unused slot stays empty
    EXPECT_EQ(project.Groups[2].Scenarios[1].Volume, 5);
    EXPECT_TRUE(project.Groups[2].Scenarios[1].Days[0]);
    EXPECT_EQ(SetGroupDays(project, 1, {}), "Отметьте хотя бы один день недели");
    EXPECT_EQ(project.Groups[1].Scenarios[1].Days, weekend);
}

TEST(GroupEdit, RefusalsLeaveTheProjectAlone)
{
    struct TCase
    {
        int Group;
        int DeviceType;
        int Volume;
        const char *Message;
    };
    for (const TCase &c : std::vector<TCase>{{4, 2, 10, "В проекте нет группы 4"},
                                             {0, 2, 10, "В проекте нет группы 0"},
                                             {3, 1, 10, "Группа 3 скрыта"},
                                             {1, 0, 10, "Группа 1 скрыта: тип прибора не выбран"},
                                             {1, 2, -1, "Громкость должна быть от 0 до 100"},
                                             {3, 2, 10, "В группе 3 нет сценариев"}}) {
        SCOPED_TRACE(c.Message);
        TProject project = GroupAt({{8, 0}});
        project.DeviceType = c.DeviceType;
        project.Groups[3].Used = true;
        EXPECT_THAT(SetGroupVolume(project, c.Group, c.Volume), HasSubstr(c.Message));
        EXPECT_EQ(project.Groups[1].Scenarios[1].Volume, 0);
    }
}
