#include "schedule/bells.h"

#include "model/lib.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

namespace {

/// A project of the given type with group g in use and these slots of it taken.
TProject ProjectWith(int deviceType, int g, const std::vector<int> &takenSlots = {})
{
    TProject project;
    project.DeviceType = deviceType;
    project.Groups[g].Used = true;
    for (int s : takenSlots) {
        project.Groups[g].Scenarios[s].Used = true;
        project.Groups[g].Scenarios[s].Name = "занят";
    }
    return project;
}

/// "slot HH:MM name track" per bell, the way a reader checks a timetable.
std::vector<std::string> Listing(const std::vector<TBell> &bells)
{
    std::vector<std::string> lines;
    for (const TBell &bell : bells)
        lines.push_back(std::to_string(bell.Slot) + " " + TimeText(bell.MinuteOfDay / 60, bell.MinuteOfDay % 60) + " " +
                        bell.Name + " " + std::to_string(bell.Track));
    return lines;
}

struct TPlanCase
{
    const char *Title;
    TBellPlan Plan;
    std::vector<int> Taken;
    std::vector<std::string> Expected;
};

TBellPlan Plan(int lessons, int length, std::vector<int> breaks, int endTrack = 2, int warning = 0)
{
    TBellPlan plan;
    plan.Group = 1;
    plan.Lessons = lessons;
    plan.LessonLength = length;
    plan.Breaks = std::move(breaks);
    plan.StartTrack = 1;
    plan.EndTrack = endTrack;
    plan.WarningMinutes = warning;
    plan.WarningTrack = 3;
    return plan;
}

} // namespace

TEST(BellGenerator, TimesNamesTracksAndSlots)
{
    const std::vector<TPlanCase> cases = {
        {"breaks as listed",
         Plan(3, 45, {10, 20}),
         {},
         {"1 08:30 Урок 1: начало 1", "2 09:15 Урок 1: конец 2", "3 09:25 Урок 2: начало 1", "4 10:10 Урок 2: конец 2",
          "5 10:30 Урок 3: начало 1", "6 11:15 Урок 3: конец 2"}},
        {"the last break repeats",
         Plan(4, 40, {5, 15}, 0),
         {},
         {"1 08:30 Урок 1: начало 1", "2 09:15 Урок 2: начало 1", "3 10:10 Урок 3: начало 1",
          "4 11:05 Урок 4: начало 1"}},
        {"no breaks given means 10", Plan(2, 45, {}, 0), {}, {"1 08:30 Урок 1: начало 1", "2 09:25 Урок 2: начало 1"}},
        {"warning bells before each start",
         Plan(2, 45, {10}, 2, 5),
         {},
         {"1 08:25 Урок 1: предупреждение 3", "2 08:30 Урок 1: начало 1", "3 09:15 Урок 1: конец 2",
          "4 09:20 Урок 2: предупреждение 3", "5 09:25 Урок 2: начало 1", "6 10:10 Урок 2: конец 2"}},
        {"free slots around used ones, in time order",
         Plan(2, 45, {10}),
         {1, 3, 4},
         {"2 08:30 Урок 1: начало 1", "5 09:15 Урок 1: конец 2", "6 09:25 Урок 2: начало 1",
          "7 10:10 Урок 2: конец 2"}},
        {"a warning that falls before the previous end keeps time order",
         Plan(2, 45, {5}, 2, 10),
         {},
         {"1 08:20 Урок 1: предупреждение 3", "2 08:30 Урок 1: начало 1", "3 09:10 Урок 2: предупреждение 3",
          "4 09:15 Урок 1: конец 2", "5 09:20 Урок 2: начало 1", "6 10:05 Урок 2: конец 2"}},
        {"the last bell at 23:59 is allowed",
         [] {
             TBellPlan plan = Plan(1, 29, {}, 2);
             plan.StartHour = 23;
             return plan;
         }(),
         {},
         {"1 23:30 Урок 1: начало 1", "2 23:59 Урок 1: конец 2"}},
    };
    for (const TPlanCase &c : cases) {
        SCOPED_TRACE(c.Title);
        TProject project = ProjectWith(4, 1, c.Taken);
        const TProject before = project;
        const TBellOutcome preview = PreviewBells(project, c.Plan);
        EXPECT_EQ(preview.Refusal, "");
        EXPECT_THAT(Listing(preview.Bells), ElementsAreArray(c.Expected));
        // The preview leaves the project alone; adding makes exactly the previewed scenarios.
        for (int s = 1; s <= MaxScenarios; ++s)
            EXPECT_EQ(project.Groups[1].Scenarios[s].Used, before.Groups[1].Scenarios[s].Used);
        AddBells(project, c.Plan);
        for (const TBell &bell : preview.Bells) {
            const TScenario &scenario = project.Groups[1].Scenarios[bell.Slot];
            EXPECT_TRUE(scenario.Used);
            EXPECT_EQ(scenario.Name, bell.Name);
            EXPECT_EQ(scenario.Hour * 60 + scenario.Minute, bell.MinuteOfDay);
            EXPECT_EQ(scenario.Track, bell.Track);
            EXPECT_EQ(scenario.Volume, 20);
            EXPECT_EQ(scenario.Days, c.Plan.Days);
        }
        for (int s : c.Taken)
            EXPECT_EQ(project.Groups[1].Scenarios[s].Name, "занят");
    }
}

TEST(BellGenerator, AddsOnlyToItsGroupWithItsDaysAndVolume)
{
    TProject project = ProjectWith(4, 2);
    project.Groups[1].Used = true;
    TBellPlan plan = Plan(1, 45, {});
    plan.Group = 2;
    plan.Days = {false, false, false, false, false, true, true};
    plan.Volume = 7;
    ASSERT_EQ(AddBells(project, plan).Refusal, "");
    EXPECT_EQ(project.Groups[2].Scenarios[1].Days, plan.Days);
    EXPECT_EQ(project.Groups[2].Scenarios[2].Volume, 7);
    EXPECT_FALSE(project.Groups[2].Scenarios[3].Used);
    for (const TScenario &scenario : project.Groups[1].Scenarios)
        EXPECT_FALSE(scenario.Used);
}

TEST(BellGenerator, RefusesAndChangesNothing)
{
    const auto with = [](auto change) {
        TBellPlan plan = Plan(6, 45, {10});
        change(plan);
        return plan;
    };
    std::vector<int> all(32);
    for (int s = 0; s < 32; ++s)
        all[s] = s + 1;
    struct TRefusal
    {
        const char *Title;
        TBellPlan Plan;
        int DeviceType;
        std::vector<int> Taken;
        std::string Message;
    };
    const std::vector<TRefusal> cases = {
        {"group not in use", with([](TBellPlan &p) { p.Group = 2; }), 4, {}, "В проекте нет группы 2"},
        {"group outside 1..32", with([](TBellPlan &p) { p.Group = 33; }), 9, {}, "В проекте нет группы 33"},
        {"group hidden by the device type", with([](TBellPlan &p) { p.Group = 3; }), 1, {}, "Группа 3 скрыта"},
        {"too few free slots",
         Plan(6, 45, {10}),
         4,
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21},
         "В группе 1 свободно 11 мест, нужно 12"},
        {"no free slot at all", Plan(1, 45, {}), 4, all, "В группе 1 свободно 0 мест, нужно 2"},
        {"a bell after 23:59",
         with([](TBellPlan &p) { p.StartHour = 20; }),
         4,
         {},
         "Звонок «Урок 4: конец» выходит за пределы суток (24:00)"},
        {"a warning before 00:00",
         with([](TBellPlan &p) { p.StartHour = 0, p.StartMinute = 3, p.WarningMinutes = 5; }),
         4,
         {},
         "Звонок «Урок 1: предупреждение» выходит за пределы суток (-00:02)"},
        {"no lessons", with([](TBellPlan &p) { p.Lessons = 0; }), 4, {}, "Число уроков должно быть от 1 до 16"},
        {"17 lessons", with([](TBellPlan &p) { p.Lessons = 17; }), 4, {}, "Число уроков должно быть от 1 до 16"},
        {"lesson of 0 minutes", with([](TBellPlan &p) { p.LessonLength = 0; }), 4, {}, "Длина урока должна быть"},
        {"negative break",
         with([](TBellPlan &p) {
             p.Breaks = {10, -5};
         }),
         4,
         {},
         "Перемена должна быть"},
        {"break too long", with([](TBellPlan &p) { p.Breaks = {241}; }), 4, {}, "Перемена должна быть"},
        {"start hour 24", with([](TBellPlan &p) { p.StartHour = 24; }), 4, {}, "Начало первого урока"},
        {"warning too long", with([](TBellPlan &p) { p.WarningMinutes = 121; }), 4, {}, "Предупреждение должно"},
        {"start track 0", with([](TBellPlan &p) { p.StartTrack = 0; }), 4, {}, "Трек звонка на урок"},
        {"end track negative", with([](TBellPlan &p) { p.EndTrack = -1; }), 4, {}, "Трек звонка с урока"},
        {"volume over the top", with([](TBellPlan &p) { p.Volume = 101; }), 4, {}, "Громкость должна быть"},
        {"no day", with([](TBellPlan &p) { p.Days = {}; }), 4, {}, "Не выбран ни один день недели"},
    };
    for (const TRefusal &c : cases) {
        SCOPED_TRACE(c.Title);
        TProject project = ProjectWith(c.DeviceType, 1, {});
        project.Groups[3].Used = true;
        for (int s : c.Taken)
            project.Groups[1].Scenarios[s].Used = true;
        const TProject before = project;
        const TBellOutcome outcome = AddBells(project, c.Plan);
        EXPECT_THAT(outcome.Refusal, HasSubstr(c.Message));
        EXPECT_TRUE(outcome.Bells.empty());
        for (int g = 1; g <= MaxGroups; ++g) {
            for (int s = 1; s <= MaxScenarios; ++s) {
                EXPECT_EQ(project.Groups[g].Scenarios[s].Used, before.Groups[g].Scenarios[s].Used);
                EXPECT_EQ(project.Groups[g].Scenarios[s].Name, before.Groups[g].Scenarios[s].Name);
            }
        }
    }
}

TEST(BellGenerator, ReadsClocksNumberListsAndDayLists)
{
    struct TClock
    {
        const char *Text;
        bool Ok;
        int Hour, Minute;
    };
    for (const TClock &c : std::vector<TClock>{{"08:30", true, 8, 30},
                                               {" 8:05 ", true, 8, 5},
                                               {"23:59", true, 23, 59},
                                               {"24:00", false, 0, 0},
                                               {"8:60", false, 0, 0},
                                               {"8:5", false, 0, 0},
                                               {"-1:30", false, 0, 0},
                                               {"0830", false, 0, 0},
                                               {"", false, 0, 0}}) {
        SCOPED_TRACE(c.Text);
        int hour = -1, minute = -1;
        EXPECT_EQ(ParseClock(c.Text, hour, minute), c.Ok);
        if (c.Ok) {
            EXPECT_EQ(hour, c.Hour);
            EXPECT_EQ(minute, c.Minute);
        }
    }

    struct TList
    {
        const char *Text;
        bool Ok;
        std::vector<int> Numbers;
    };
    for (const TList &c : std::vector<TList>{{"10,20,10", true, {10, 20, 10}},
                                             {" 10, 20 ;5 ", true, {10, 20, 5}},
                                             {"", true, {}},
                                             {"10,x", false, {}},
                                             {"-5", false, {}},
                                             {"1.5", false, {}}}) {
        SCOPED_TRACE(c.Text);
        std::vector<int> numbers{99};
        EXPECT_EQ(ParseNumberList(c.Text, numbers), c.Ok);
        if (c.Ok) {
            EXPECT_EQ(numbers, c.Numbers);
        }
    }

    struct TDays
    {
        const char *Text;
        bool Ok;
        std::array<bool, 7> Days;
    };
    for (const TDays &c : std::vector<TDays>{{"1-5", true, {1, 1, 1, 1, 1, 0, 0}},
                                             {"1,3,5", true, {1, 0, 1, 0, 1, 0, 0}},
                                             {"6-7, 1", true, {1, 0, 0, 0, 0, 1, 1}},
                                             {"7", true, {0, 0, 0, 0, 0, 0, 1}},
                                             {"0-5", false, {}},
                                             {"1-8", false, {}},
                                             {"5-1", false, {}},
                                             {"1,", false, {}},
                                             {"", false, {}},
                                             {"пн", false, {}}}) {
        SCOPED_TRACE(c.Text);
        std::array<bool, 7> days{};
        EXPECT_EQ(ParseDayList(c.Text, days), c.Ok);
        if (c.Ok) {
            EXPECT_EQ(days, c.Days);
        }
    }
}
