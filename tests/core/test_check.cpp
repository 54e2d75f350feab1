#include "device/check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

TScenario &AddScenario(TProject &project, int g, int s, int hour, int minute, std::initializer_list<int> days)
{
    project.Groups[g].Used = true;
    TScenario &scenario = project.Groups[g].Scenarios[s];
    scenario.Used = true;
    scenario.Hour = hour;
    scenario.Minute = minute;
    for (int d : days)
        scenario.Days[d] = true;
    return scenario;
}

std::string Clash(int a, int b, int i, int n, int d)
{
    return "Ошибка совпадение времени: (группа " + std::to_string(a) + " сценарий " + std::to_string(b) +
           ") с (группой " + std::to_string(i) + " сценарий " + std::to_string(n) + ") день " +
           std::string(DayNames[d]);
}

class TCountingLog : public TLogSink
{
public:
    void ClearLog() override { Lines = 0; }
    void AddLog(std::string_view) override { ++Lines; }
    long Lines = 0;
};

} // namespace

TEST(CheckScenario, WritesTheClashLineFromTheTestedSide)
{
    TProject project;
    AddScenario(project, 1, 2, 8, 30, {0});
    AddScenario(project, 3, 1, 8, 30, {0});
    TVectorLog log;
    EXPECT_EQ(CheckScenarioClashes(project, 1, 2, log), 1);
    EXPECT_THAT(log.Lines, ElementsAre("Ошибка совпадение времени: (группа 1 сценарий 2) с (группой 3 сценарий 1) "
                                       "день Понедельник"));
}

TEST(CheckScenario, ListsOnlyItsOwnClashesInGroupSlotDayOrder)
{
    TProject project;
    AddScenario(project, 5, 1, 7, 0, {2, 6});
    AddScenario(project, 9, 1, 7, 0, {6});
    AddScenario(project, 2, 3, 7, 0, {6, 2, 0});
    AddScenario(project, 2, 1, 7, 0, {2});
    AddScenario(project, 2, 2, 7, 1, {2}); // another minute
    AddScenario(project, 4, 4, 8, 0, {2}); // another hour
    TVectorLog log;
    log.AddLog("kept");
    EXPECT_EQ(CheckScenarioClashes(project, 5, 1, log), 4);
    EXPECT_THAT(log.Lines, ElementsAre("kept", Clash(5, 1, 2, 1, 2), Clash(5, 1, 2, 3, 2), Clash(5, 1, 2, 3, 6),
                                       Clash(5, 1, 9, 1, 6)));
}

TEST(CheckScenario, NumbersOutsideTheSlotsFindNothing)
{
    TProject project;
    AddScenario(project, 1, 1, 8, 0, {0});
    TVectorLog log;
    EXPECT_EQ(CheckScenarioClashes(project, 0, 1, log), 0);
    EXPECT_EQ(CheckScenarioClashes(project, 33, 1, log), 0);
    EXPECT_EQ(CheckScenarioClashes(project, 1, -1, log), 0);
    EXPECT_THAT(log.Lines, IsEmpty());
}

TEST(CheckProject, EmptyProjectGivesHeadingAndZero)
{
    TProject project;
    TVectorLog log;
    log.AddLog("old line");
    EXPECT_EQ(CheckProject(project, log), 0);
    EXPECT_THAT(log.Lines, ElementsAre("Проверка проекта", "Всего ошибок: 0"));
}

TEST(CheckProject, DifferentDaysDoNotClash)
{
    TProject project;
    AddScenario(project, 1, 1, 8, 30, {0, 1, 2, 3, 4});
    AddScenario(project, 1, 2, 8, 30, {5});
    TVectorLog log;
    EXPECT_EQ(CheckProject(project, log), 0);
    EXPECT_THAT(log.Lines, ElementsAre("Проверка проекта", "Всего ошибок: 0"));
}

TEST(CheckProject, ReportsEachPairFromBothSides)
{
    TProject project;
    AddScenario(project, 1, 1, 8, 30, {0});
    AddScenario(project, 2, 1, 8, 30, {0});
    project.Groups[1].Zones[1] = true; // zones play no part
    project.Groups[2].Zones[2] = true;
    TVectorLog log;
    EXPECT_EQ(CheckProject(project, log), 2);
    EXPECT_THAT(log.Lines,
                ElementsAre("Проверка проекта", Clash(1, 1, 2, 1, 0), Clash(2, 1, 1, 1, 0), "Всего ошибок: 2"));
}

TEST(CheckProject, CountsEveryCommonDay)
{
    TProject project;
    AddScenario(project, 4, 1, 12, 0, {0, 1});
    AddScenario(project, 4, 2, 12, 0, {0, 1});
    TVectorLog log;
    EXPECT_EQ(CheckProject(project, log), 4);
    EXPECT_THAT(log.Lines, ElementsAre("Проверка проекта", Clash(4, 1, 4, 2, 0), Clash(4, 1, 4, 2, 1),
                                       Clash(4, 2, 4, 1, 0), Clash(4, 2, 4, 1, 1), "Всего ошибок: 4"));
}

TEST(CheckProject, ScenarioWithoutDaysNeverClashes)
{
    TProject project;
    AddScenario(project, 1, 1, 8, 0, {});
    AddScenario(project, 1, 2, 8, 0, {0, 1, 2, 3, 4, 5, 6});
    TVectorLog log;
    EXPECT_EQ(CheckProject(project, log), 0);
}

TEST(CheckProject, IgnoresUnusedSlotsAndGroupsWithOldValues)
{
    TProject project;
    AddScenario(project, 1, 1, 8, 0, {0});
    AddScenario(project, 1, 2, 8, 0, {0}).Used = false;
    AddScenario(project, 2, 1, 8, 0, {0});
    project.Groups[2].Used = false;
    TVectorLog log;
    EXPECT_EQ(CheckProject(project, log), 0);
    EXPECT_EQ(CheckScenarioClashes(project, 1, 1, log), 0);
}

TEST(CheckProject, GroupsAboveTheDeviceCountTakePart)
{
    TProject project;
    project.DeviceType = 1; // two zones
    AddScenario(project, 32, 32, 23, 59, {6});
    AddScenario(project, 30, 1, 23, 59, {6});
    TVectorLog log;
    EXPECT_EQ(CheckProject(project, log), 2);
    EXPECT_THAT(log.Lines,
                ElementsAre("Проверка проекта", Clash(30, 1, 32, 32, 6), Clash(32, 32, 30, 1, 6), "Всего ошибок: 2"));
}

TEST(CheckProject, MatchesTheSingleChecksOfEveryUsedScenario)
{
    // The whole check must say exactly what the single checks say, one scenario after another.
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        TProject project;
        for (int k = 0; k < 300; ++k) {
            const int g = 1 + int(random() % 32), s = 1 + int(random() % 32);
            TScenario &scenario = AddScenario(project, g, s, int(random() % 3) - 1, int(random() % 2), {});
            for (bool &day : scenario.Days)
                day = random() % 3 == 0;
            scenario.Used = random() % 8 != 0;
        }
        for (int g = 1; g <= 32; ++g)
            project.Groups[g].Used = project.Groups[g].Used && random() % 10 != 0;

        TVectorLog expected;
        expected.AddLog("Проверка проекта");
        int total = 0;
        for (int g = 1; g <= 32; ++g)
            for (int s = 1; s <= 32; ++s)
                if (project.Groups[g].Used && project.Groups[g].Scenarios[s].Used)
                    total += CheckScenarioClashes(project, g, s, expected);
        expected.AddLog("Всего ошибок: " + std::to_string(total));

        TVectorLog log;
        EXPECT_EQ(CheckProject(project, log), total);
        ASSERT_EQ(log.Lines, expected.Lines) << "round " << round;
    }
}

TEST(CheckProject, WorstCaseCountsEveryLine)
{
    TProject project;
    for (int g = 1; g <= 32; ++g)
        for (int s = 1; s <= 32; ++s)
            AddScenario(project, g, s, 9, 0, {0, 1, 2, 3, 4, 5, 6});
    TCountingLog log;
    const int total = CheckProject(project, log);
    EXPECT_EQ(total, 1024 * 1023 * 7);
    EXPECT_EQ(log.Lines, total + 2L);
}
