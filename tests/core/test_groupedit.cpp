#include "schedule/groupedit.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::HasSubstr;

namespace {

/// Group 1 of a four-zone project with scenarios at these times (hour, minute) in slots 1, 3, 5 ...
TProject GroupAt(std::initializer_list<std::pair<int, int>> times)
{
    TProject project;
    project.DeviceType = 2;
    project.Groups[1].Used = true;
    int s = 1;
    for (const auto &[hour, minute] : times) {
        TScenario &scenario = project.Groups[1].Scenarios[s];
        scenario.Used = true;
        scenario.Hour = hour;
        scenario.Minute = minute;
        s += 2;
    }
    // A second group that no group-wide edit of group 1 may touch.
    project.Groups[2].Used = true;
    project.Groups[2].Scenarios[1] = {"", 12, 0, {true}, 5, 1, true};
    return project;
}

std::vector<std::pair<int, int>> Times(const TProject &project, int g)
{
    std::vector<std::pair<int, int>> times;
    for (const TScenario &scenario : project.Groups[g].Scenarios) {
        if (scenario.Used)
            times.emplace_back(scenario.Hour, scenario.Minute);
    }
    return times;
}

} // namespace

TEST(GroupShift, MovesEveryScenarioUpToTheEdgesOfTheDay)
{
    using TTimes = std::vector<std::pair<int, int>>;
    struct TCase
    {
        TTimes Before;
        int Minutes;
        TTimes After; // empty: refused
    };
    const std::vector<TCase> cases = {
        {{{8, 30}, {9, 15}}, 5, {{8, 35}, {9, 20}}},
        {{{8, 30}, {9, 15}}, -35, {{7, 55}, {8, 40}}},
        {{{0, 10}, {12, 0}}, -10, {{0, 0}, {11, 50}}}, // down to 00:00
        {{{0, 10}, {12, 0}}, -11, {}},                 // one minute before 00:00
        {{{8, 0}, {23, 50}}, 9, {{8, 9}, {23, 59}}},   // up to 23:59
        {{{8, 0}, {23, 50}}, 10, {}},                  // 24:00
        {{{8, 0}}, 0, {{8, 0}}},
        {{{8, 0}}, 2000000000, {}},  // no wrap-around
        {{{2000000000, 0}}, -1, {}}, // a stored time outside the day stays refused
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(testing::Message() << "shift " << c.Minutes << " from " << c.Before.front().first);
        TProject project = GroupAt(std::initializer_list<std::pair<int, int>>{});
        int s = 1;
        for (const auto &[hour, minute] : c.Before) {
            project.Groups[1].Scenarios[s].Used = true;
            project.Groups[1].Scenarios[s].Hour = hour;
            project.Groups[1].Scenarios[s].Minute = minute;
            ++s;
        }
        const std::string refusal = ShiftGroup(project, 1, c.Minutes);
        if (c.After.empty()) {
            EXPECT_THAT(refusal, HasSubstr("за пределы суток"));
            EXPECT_EQ(Times(project, 1), c.Before);
        } else {
            EXPECT_EQ(refusal, "");
            EXPECT_EQ(Times(project, 1), c.After);
        }
        EXPECT_EQ(Times(project, 2), (TTimes{{12, 0}}));
    }
}

TEST(GroupShift, NamesTheScenarioThatWouldLeaveTheDay)
{
    TProject project = GroupAt({{8, 0}, {23, 30}});
    EXPECT_EQ(ShiftGroup(project, 1, 45), "Сдвиг на 45 мин выводит сценарий 3 группы 1 за пределы суток (24:15)");
}

TEST(GroupEdit, DaysAndVolumeOfTheWholeGroupOnly)
{
    TProject project = GroupAt({{8, 0}, {9, 0}, {10, 0}});
    const std::array<bool, 7> weekend{false, false, false, false, false, true, true};
    ASSERT_EQ(SetGroupDays(project, 1, weekend), "");
    ASSERT_EQ(SetGroupVolume(project, 1, 30), "");
    for (int s : {1, 3, 5}) {
        EXPECT_EQ(project.Groups[1].Scenarios[s].Days, weekend);
        EXPECT_EQ(project.Groups[1].Scenarios[s].Volume, 30);
    }
    EXPECT_FALSE(project.Groups[1].Scenarios[2].Used);
    EXPECT_EQ(project.Groups[1].Scenarios[2].Volume, 0);
    EXPECT_EQ(project.Groups[2].Scenarios[1].Volume, 5);
    EXPECT_TRUE(project.Groups[2].Scenarios[1].Days[0]);
}

TEST(GroupEdit, RefusalsLeaveTheProjectAlone)
{
    struct TCase
    {
        const char *Title;
        int Group;
        int DeviceType;
        std::string (*Edit)(TProject &, int);
        const char *Message;
    };
    const auto volume = [](TProject &p, int g) { return SetGroupVolume(p, g, 10); };
    const std::vector<TCase> cases = {
        {"shift of a group not in use", 4, 2, [](TProject &p, int g) { return ShiftGroup(p, g, 5); },
         "В проекте нет группы 4"},
        {"days of group 0", 0, 2, [](TProject &p, int g) { return SetGroupDays(p, g, {}); }, "В проекте нет группы 0"},
        {"volume of a hidden group", 3, 1, volume, "Группа 3 скрыта"},
        {"volume out of range", 1, 2, [](TProject &p, int g) { return SetGroupVolume(p, g, -1); },
         "Громкость должна быть от 0 до 100"},
        {"an empty group", 3, 2, volume, "В группе 3 нет сценариев"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Title);
        TProject project = GroupAt({{8, 0}});
        project.DeviceType = c.DeviceType;
        project.Groups[3].Used = true;
        EXPECT_THAT(c.Edit(project, c.Group), HasSubstr(c.Message));
        EXPECT_EQ(project.Groups[1].Scenarios[1].Volume, 0);
        EXPECT_EQ(project.Groups[2].Scenarios[1].Volume, 5);
    }
}
