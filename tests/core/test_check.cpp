#include "schedule/check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;

namespace {

struct TBell
{
    int G, S, Hour, Minute;
    std::vector<int> Days;
    bool SlotUsed = true, GroupUsed = true;
};

TProject ProjectOf(const std::vector<TBell> &bells, int deviceType = 0)
{
    TProject project;
    project.DeviceType = deviceType;
    for (const TBell &bell : bells) {
        project.Groups[bell.G].Used = bell.GroupUsed;
        project.Groups[bell.G].Zones[bell.G] = true; // no two groups share a zone: zones play no part
        TScenario &scenario = project.Groups[bell.G].Scenarios[bell.S];
        scenario.Used = bell.SlotUsed;
        scenario.Hour = bell.Hour;
        scenario.Minute = bell.Minute;
        for (int d : bell.Days)
            scenario.Days[d] = true;
    }
    return project;
}

std::string Clash(int a, int b, int i, int n, int d)
{
    return "Ошибка совпадение времени: (группа " + std::to_string(a) + " сценарий " + std::to_string(b) +
           ") с (группой " + std::to_string(i) + " сценарий " + std::to_string(n) + ") день " +
           std::string(DayNames[d]);
}

} // namespace

TEST(CheckScenario, ListsOnlyItsOwnClashesInGroupSlotDayOrder)
{
    // The last two are at another minute and another hour.
    const TProject project = ProjectOf({{5, 1, 7, 0, {2, 6}},
                                        {9, 1, 7, 0, {6}},
                                        {2, 3, 7, 0, {6, 2, 0}},
                                        {2, 1, 7, 0, {2}},
                                        {2, 2, 7, 1, {2}},
                                        {4, 4, 8, 0, {2}}});
    TVectorLog log;
    log.AddLog("kept");
    for (auto [g, s] : {std::pair{0, 1}, {33, 1}, {5, -1}}) // numbers outside the slots find nothing
        EXPECT_EQ(CheckScenarioClashes(project, g, s, log), 0);
    EXPECT_EQ(CheckScenarioClashes(project, 5, 1, log), 4);
    EXPECT_THAT(log.Lines, ElementsAre("kept",
                                       "Ошибка совпадение времени: (группа 5 сценарий 1) с (группой 2 сценарий 1) "
                                       "день Среда",
                                       Clash(5, 1, 2, 3, 2), Clash(5, 1, 2, 3, 6), Clash(5, 1, 9, 1, 6)));
}

TEST(CheckProject, ReportsEveryClashFromBothSides)
{
    const struct
    {
        const char *What;
        TProject Project;
        std::vector<std::string> Clashes;
    } cases[] = {
        {"empty project", ProjectOf({}), {}},
        {"Monday to Friday and Saturday", ProjectOf({{1, 1, 8, 30, {0, 1, 2, 3, 4}}, {1, 2, 8, 30, {5}}}), {}},
        {"two groups",
         ProjectOf({{1, 1, 8, 30, {0}}, {2, 1, 8, 30, {0}}}),
         {Clash(1, 1, 2, 1, 0), Clash(2, 1, 1, 1, 0)}},
        {"one group, two days",
         ProjectOf({{4, 1, 12, 0, {0, 1}}, {4, 2, 12, 0, {0, 1}}}),
         {Clash(4, 1, 4, 2, 0), Clash(4, 1, 4, 2, 1), Clash(4, 2, 4, 1, 0), Clash(4, 2, 4, 1, 1)}},
        {"same hour, another minute", ProjectOf({{1, 1, 8, 30, {0}}, {2, 1, 8, 31, {0}}, {3, 1, 9, 30, {0}}}), {}},
        {"no day", ProjectOf({{1, 1, 8, 0, {}}, {1, 2, 8, 0, {0, 1, 2, 3, 4, 5, 6}}}), {}},
        {"unused slot and group keep old values",
         ProjectOf({{1, 1, 8, 0, {0}}, {1, 2, 8, 0, {0}, false}, {2, 1, 8, 0, {0}, true, false}}),
         {}},
        {"groups above the device's zone count",
         ProjectOf({{32, 32, 23, 59, {6}}, {30, 1, 23, 59, {6}}}, 1),
         {Clash(30, 1, 32, 32, 6), Clash(32, 32, 30, 1, 6)}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.What);
        TVectorLog log;
        log.AddLog("old line");
        std::vector<std::string> expected = {"Проверка проекта"};
        expected.insert(expected.end(), c.Clashes.begin(), c.Clashes.end());
        expected.push_back("Всего ошибок: " + std::to_string(c.Clashes.size()));
        EXPECT_EQ(CheckProject(c.Project, log), int(c.Clashes.size()));
        EXPECT_EQ(log.Lines, expected);
        // The pairs are the same clashes, each once: as lines, from both sides, one per day.
        std::vector<std::string> fromPairs;
        for (const TClashPair &pair : FindClashPairs(c.Project)) {
            for (int d = 0; d < 7; ++d) {
                if (pair.Days & (1u << d)) {
                    fromPairs.push_back(Clash(pair.Group1, pair.Slot1, pair.Group2, pair.Slot2, d));
                    fromPairs.push_back(Clash(pair.Group2, pair.Slot2, pair.Group1, pair.Slot1, d));
                }
            }
        }
        EXPECT_THAT(fromPairs, ::testing::UnorderedElementsAreArray(c.Clashes));
    }
}

TEST(CheckProject, WorstCaseCountsEveryLine)
{
    std::vector<TBell> bells;
    for (int g = 1; g <= 32; ++g)
        for (int s = 1; s <= 32; ++s)
            bells.push_back({g, s, 9, 0, {0, 1, 2, 3, 4, 5, 6}});
    const TProject project = ProjectOf(bells);
    TCountingLog log;
    const int total = CheckProject(project, log);
    EXPECT_EQ(total, 1024 * 1023 * 7);
    EXPECT_EQ(log.Lines, total + 2L);

    // A file takes one scenario's lines in several blocks: none is cut or lost between them.
    struct TBlockLog : TVectorLog
    {
        bool TakesBlocks() const override { return true; }
        void AddLines(std::string_view lines) override { Text += lines; }
        std::string Text;
    } blocks;
    std::string expected;
    for (int g = 1; g <= 32; ++g)
        for (int s = 1; s <= 32; ++s)
            for (int d = 0; d < 7 && (g != 1 || s != 1); ++d)
                expected += Clash(1, 1, g, s, d) + "\n";
    EXPECT_EQ(CheckScenarioClashes(project, 1, 1, blocks), 1023 * 7);
    EXPECT_EQ(blocks.Text, expected);
}
