#include "schedule/bells.h"

#include "model/lib.h"
#include "schedule/groupedit.h"

#include <map>
#include <random>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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

/// "slot HH:MM name track" per bell, joined by " | ", the way a reader checks a timetable.
std::string Listing(const std::vector<TBell> &bells)
{
    std::string text;
    for (const TBell &bell : bells)
        text += (text.empty() ? "" : " | ") + std::to_string(bell.Slot) + " " +
                TimeText(bell.MinuteOfDay / 60, bell.MinuteOfDay % 60) + " " + bell.Name + " " +
                std::to_string(bell.Track);
    return text;
}

TBellPlan Plan(int lessons, int length, std::vector<int> breaks, int endTrack = 2, int warning = 0, int start = 510)
{
    TBellPlan plan;
    plan.Group = 1;
    plan.StartHour = start / 60;
    plan.StartMinute = start % 60;
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
    struct TPlanCase
    {
        TBellPlan Plan;
        std::vector<int> Taken; // slots of group 1 already in use
        std::string Expected;
    };
    const std::vector<TPlanCase> cases = {
        {Plan(3, 45, {10, 20}),
         {},
         "1 08:30 Урок 1: начало 1 | 2 09:15 Урок 1: конец 2 | 3 09:25 Урок 2: начало 1 | 4 10:10 Урок 2: конец 2 | "
         "5 10:30 Урок 3: начало 1 | 6 11:15 Урок 3: конец 2"},
        // The last break repeats; no end bells.
        {Plan(4, 40, {5, 15}, 0),
         {},
         "1 08:30 Урок 1: начало 1 | 2 09:15 Урок 2: начало 1 | 3 10:10 Урок 3: начало 1 | 4 11:05 Урок 4: начало 1"},
        {Plan(2, 45, {}, 0), {}, "1 08:30 Урок 1: начало 1 | 2 09:25 Урок 2: начало 1"}, // no breaks: 10
        {Plan(2, 45, {10}, 2, 5),
         {},
         "1 08:25 Урок 1: предупреждение 3 | 2 08:30 Урок 1: начало 1 | 3 09:15 Урок 1: конец 2 | "
         "4 09:20 Урок 2: предупреждение 3 | 5 09:25 Урок 2: начало 1 | 6 10:10 Урок 2: конец 2"},
        // Free slots around used ones, in time order.
        {Plan(2, 45, {10}),
         {1, 3, 4},
         "2 08:30 Урок 1: начало 1 | 5 09:15 Урок 1: конец 2 | 6 09:25 Урок 2: начало 1 | 7 10:10 Урок 2: конец 2"},
        // A warning before the previous lesson's end takes its place in time order.
        {Plan(2, 45, {5}, 2, 10),
         {},
         "1 08:20 Урок 1: предупреждение 3 | 2 08:30 Урок 1: начало 1 | 3 09:10 Урок 2: предупреждение 3 | "
         "4 09:15 Урок 1: конец 2 | 5 09:20 Урок 2: начало 1 | 6 10:05 Урок 2: конец 2"},
        {Plan(1, 29, {}, 2, 0, 23 * 60 + 30), {}, "1 23:30 Урок 1: начало 1 | 2 23:59 Урок 1: конец 2"}, // 23:59 is in
    };
    for (const TPlanCase &c : cases) {
        SCOPED_TRACE(c.Expected);
        TProject project = ProjectWith(4, 1, c.Taken);
        const TProject before = project;
        const TBellOutcome preview = PreviewBells(project, c.Plan);
        EXPECT_EQ(preview.Refusal, "");
        EXPECT_EQ(Listing(preview.Bells), c.Expected);
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

TEST(BellGenerator, RefusesAndChangesNothing)
{
    using TChange = void (*)(TBellPlan &);
    struct TRefusal
    {
        TChange Change; // of six 45-minute lessons with end bells, 12 bells, in group 1
        int DeviceType;
        int Taken; // slots 1..Taken of group 1 in use
        std::string Message;
    };
    const std::vector<TRefusal> cases = {
        {[](TBellPlan &p) { p.Group = 2; }, 4, 0, "В проекте нет группы 2"},
        {[](TBellPlan &p) { p.Group = 33; }, 9, 0, "В проекте нет группы 33"},
        {[](TBellPlan &p) { p.Group = 3; }, 1, 0, "Группа 3 скрыта"},
        {[](TBellPlan &) {}, 4, 21, "В группе 1 свободно 11 мест, нужно 12"},
        {[](TBellPlan &p) { p.StartHour = 20; }, 4, 0, "Звонок «Урок 4: конец» выходит за пределы суток (24:00)"},
        {[](TBellPlan &p) { p.StartHour = 0, p.StartMinute = 3, p.WarningMinutes = 5; }, 4, 0,
         "Звонок «Урок 1: предупреждение» выходит за пределы суток (-00:02)"},
        {[](TBellPlan &p) { p.Lessons = 17; }, 4, 0, "Число уроков должно быть от 1 до 16"},
        {[](TBellPlan &p) { p.LessonLength = 0; }, 4, 0, "Длина урока должна быть"},
        {[](TBellPlan &p) {
             p.Breaks = {10, -5};
         },
         4, 0, "Перемена должна быть"},
        {[](TBellPlan &p) { p.StartTrack = 0; }, 4, 0, "Трек звонка на урок"},
        {[](TBellPlan &p) { p.Volume = 101; }, 4, 0, "Громкость должна быть"},
        {[](TBellPlan &p) { p.Days = {}; }, 4, 0, "Не выбран ни один день недели"},
        {[](TBellPlan &p) { p.Prefix = "1;2"; }, 4, 0, "не может содержать «;»"},
        // Replacing frees none of the taken slots (their names are not the generator's).
        {[](TBellPlan &p) { p.Replace = true; }, 4, 21, "В группе 1 свободно 11 мест, нужно 12"},
    };
    for (const TRefusal &c : cases) {
        SCOPED_TRACE(c.Message);
        TBellPlan plan = Plan(6, 45, {10});
        c.Change(plan);
        TProject project = ProjectWith(c.DeviceType, 1);
        project.Groups[3].Used = true;
        for (int s = 1; s <= c.Taken; ++s)
            project.Groups[1].Scenarios[s].Used = true;
        const TBellOutcome outcome = AddBells(project, plan);
        EXPECT_THAT(outcome.Refusal, HasSubstr(c.Message));
        EXPECT_TRUE(outcome.Bells.empty());
        for (int g = 1; g <= MaxGroups; ++g) {
            for (int s = 1; s <= MaxScenarios; ++s)
                EXPECT_EQ(project.Groups[g].Scenarios[s].Used, g == 1 && s <= c.Taken);
        }
    }
}

TEST(BellGenerator, ReadsClocksNumberListsAndDayLists)
{
    int hour = -1, minute = -1;
    EXPECT_TRUE(ParseClock(" 8:05 ", hour, minute));
    EXPECT_EQ(hour * 60 + minute, 8 * 60 + 5);
    for (const char *bad : {"24:00", "8:60", "8:5", "-1:30", "0830", ""})
        EXPECT_FALSE(ParseClock(bad, hour, minute)) << bad;

    std::vector<int> numbers;
    EXPECT_TRUE(ParseNumberList(" 10, 20 ;5 ", numbers));
    EXPECT_EQ(numbers, (std::vector<int>{10, 20, 5}));
    for (const char *bad : {"10,x", "-5", "1.5", "10,,5", "10,", ", 5"})
        EXPECT_FALSE(ParseNumberList(bad, numbers)) << bad;

    struct TDays
    {
        const char *Text;
        std::array<bool, 7> Days;
    };
    for (const TDays &c : std::vector<TDays>{
             {"1-5", {1, 1, 1, 1, 1, 0, 0}}, {"6-7, 1", {1, 0, 0, 0, 0, 1, 1}}, {"1,3,5", {1, 0, 1, 0, 1, 0, 0}}}) {
        std::array<bool, 7> days{};
        EXPECT_TRUE(ParseDayList(c.Text, days)) << c.Text;
        EXPECT_EQ(days, c.Days) << c.Text;
    }
    std::array<bool, 7> days{};
    for (const char *bad : {"0-5", "1-8", "5-1", "1,", "", "пн"})
        EXPECT_FALSE(ParseDayList(bad, days)) << bad;
}

TEST(BellGenerator, ReplacesOnlyItsOwnBellsWithTheSamePrefix)
{
    // Slots 1-4 of group 1 before the run; the plan makes two lessons with end bells.
    const std::vector<std::string> before = {"Урок 1: начало", "2 смена: Урок 1: конец", "Урок 17: начало",
                                             "Урок 2: конец звонка"};
    struct TReplaceCase
    {
        std::string Prefix;
        bool Replace;
        std::vector<int> Removed;
        std::string Expected;
        std::string Summary;
    };
    const std::vector<TReplaceCase> cases = {
        {"",
         false,
         {},
         "5 08:30 Урок 1: начало 1 | 6 09:15 Урок 1: конец 2 | 7 09:25 Урок 2: начало 1 | "
         "8 10:10 Урок 2: конец 2",
         "Добавлено 4 сценария в слоты 5–8"},
        {"",
         true,
         {1},
         "1 08:30 Урок 1: начало 1 | 5 09:15 Урок 1: конец 2 | 6 09:25 Урок 2: начало 1 | "
         "7 10:10 Урок 2: конец 2",
         "Добавлено 4 сценария в слоты 1, 5–7, удалено 1"},
        {"2 смена: ",
         true,
         {2},
         "2 08:30 2 смена: Урок 1: начало 1 | 5 09:15 2 смена: Урок 1: конец 2 | 6 09:25 2 смена: Урок 2: начало 1 | "
         "7 10:10 2 смена: Урок 2: конец 2",
         "Добавлено 4 сценария в слоты 2, 5–7, удалено 1"},
    };
    for (const TReplaceCase &c : cases) {
        SCOPED_TRACE(c.Expected);
        TProject project = ProjectWith(4, 1);
        for (size_t k = 0; k < before.size(); ++k) {
            project.Groups[1].Scenarios[k + 1].Used = true;
            project.Groups[1].Scenarios[k + 1].Name = before[k];
        }
        TBellPlan plan = Plan(2, 45, {10});
        plan.Prefix = c.Prefix;
        plan.Replace = c.Replace;
        const TBellOutcome outcome = AddBells(project, plan);
        EXPECT_EQ(outcome.Removed, c.Removed);
        EXPECT_EQ(Listing(outcome.Bells), c.Expected);
        EXPECT_EQ(BellSummary(outcome, c.Replace), c.Summary);
        // Whatever is not the plan's own stays where it was.
        for (size_t k = 0; k < before.size(); ++k) {
            if (std::find(c.Removed.begin(), c.Removed.end(), int(k + 1)) == c.Removed.end()) {
                EXPECT_EQ(project.Groups[1].Scenarios[k + 1].Name, before[k]);
            }
        }
        // Replacing again leaves the group as the first replacing run did.
        if (!c.Replace)
            continue;
        TProject again = project;
        const TBellOutcome second = AddBells(again, plan);
        EXPECT_EQ(second.Removed.size(), outcome.Bells.size());
        for (int s = 1; s <= MaxScenarios; ++s) {
            EXPECT_EQ(again.Groups[1].Scenarios[s].Used, project.Groups[1].Scenarios[s].Used) << s;
            EXPECT_EQ(again.Groups[1].Scenarios[s].Name, project.Groups[1].Scenarios[s].Name) << s;
        }
    }
}

namespace {

/// A random plan that may or may not fit group 1 (the generator refuses what does not).
TBellPlan RandomPlan(std::mt19937 &random)
{
    const auto pick = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    TBellPlan plan = Plan(pick(1, 8), pick(20, 60), {}, pick(0, 3), pick(0, 1) * pick(1, 12), pick(6 * 60, 10 * 60));
    for (int k = pick(0, 4); k > 0; --k)
        plan.Breaks.push_back(pick(0, 30));
    plan.StartTrack = pick(1, 9);
    plan.WarningTrack = pick(1, 9);
    plan.Volume = pick(0, MaxVolume);
    for (bool &day : plan.Days)
        day = pick(0, 1) == 1;
    plan.Days[pick(0, 6)] = true;
    const char *prefixes[] = {"", "2 смена: ", "Б: "};
    plan.Prefix = prefixes[pick(0, 2)];
    return plan;
}

/// Group 1's scenarios named as bells of this prefix, by name; a name twice is a second set.
std::map<std::string, int> SetNames(const TProject &project, const std::string &prefix)
{
    std::map<std::string, int> names;
    for (int s = 1; s <= MaxScenarios; ++s) {
        const TScenario &scenario = project.Groups[1].Scenarios[s];
        std::string read;
        int lesson = 0;
        TBellKind kind{};
        if (scenario.Used && ReadBellName(scenario.Name, read, lesson, kind) && read == prefix)
            ++names[scenario.Name];
    }
    return names;
}

} // namespace

// What the generator made, read back and run again with replace, is what was there: the same
// scenarios in the same slots. After hand edits of the set it still leaves one set, not two.
TEST(BellRecall, ARecalledPlanRunAgainLeavesTheGroupAsItWas)
{
    std::mt19937 random(33);
    int made = 0;
    for (int run = 0; run < 400; ++run) {
        TProject project = ProjectWith(4, 1, {3, 9});
        // Sometimes another shift's bells stand in the lower slots.
        if (random() % 2) {
            TBellPlan other = Plan(2, 45, {10}, 2, 0, 13 * 60);
            other.Prefix = "Другая: ";
            AddBells(project, other);
        }
        const TBellPlan plan = RandomPlan(random);
        const TBellOutcome outcome = AddBells(project, plan);
        if (!outcome.Refusal.empty())
            continue;
        ++made;
        SCOPED_TRACE("run " + std::to_string(run) + ": " + Listing(outcome.Bells));
        const int slot = outcome.Bells[random() % outcome.Bells.size()].Slot;
        const bool edited = random() % 3 == 0;
        if (edited) { // the operator deleted one bell and moved another by hand
            ResetScenario(project.Groups[1].Scenarios[outcome.Bells[random() % outcome.Bells.size()].Slot]);
            TScenario &moved = project.Groups[1].Scenarios[outcome.Bells[random() % outcome.Bells.size()].Slot];
            moved.Minute = (moved.Minute + 7) % 60;
        }
        if (!project.Groups[1].Scenarios[slot].Used)
            continue;
        TBellPlan recalled;
        ASSERT_TRUE(RecallBellPlan(project, 1, slot, recalled));
        EXPECT_EQ(recalled.Prefix, plan.Prefix);
        EXPECT_TRUE(recalled.Replace);
        TProject again = project;
        const TBellOutcome second = AddBells(again, recalled);
        ASSERT_EQ(second.Refusal, "");
        for (const auto &[name, count] : SetNames(again, plan.Prefix))
            EXPECT_EQ(count, 1) << name;
        if (edited)
            continue;
        EXPECT_EQ(second.Removed.size(), outcome.Bells.size());
        for (int s = 1; s <= MaxScenarios; ++s)
            EXPECT_EQ(again.Groups[1].Scenarios[s], project.Groups[1].Scenarios[s]) << "slot " << s;
    }
    EXPECT_GT(made, 200); // most random plans fit: the property was tested, not skipped
}

TEST(BellRecall, TakesTheSetOfTheShownBellElseTheFirstAndNothingWithoutBells)
{
    TProject project = ProjectWith(4, 1, {1});
    TBellPlan first = Plan(1, 45, {});
    AddBells(project, first); // slots 2, 3
    TBellPlan second = Plan(2, 40, {15}, 0, 0, 14 * 60);
    second.Prefix = "2 смена: ";
    AddBells(project, second); // slots 4, 5
    const struct
    {
        int Slot;
        bool Found;
        std::string Prefix;
        int StartMinute;
    } cases[] = {
        {5, true, "2 смена: ", 14 * 60},
        {3, true, "", 510},
        {1, true, "", 510}, // slot 1 is no bell
        {0, true, "", 510},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Slot);
        TBellPlan recalled;
        ASSERT_EQ(RecallBellPlan(project, 1, c.Slot, recalled), c.Found);
        EXPECT_EQ(recalled.Prefix, c.Prefix);
        EXPECT_EQ(recalled.StartHour * 60 + recalled.StartMinute, c.StartMinute);
    }
    TBellPlan recalled;
    ASSERT_TRUE(RecallBellPlan(project, 1, 4, recalled));
    EXPECT_EQ(recalled.Lessons, 2);
    EXPECT_EQ(recalled.EndTrack, 0);
    // Without end bells the length is read as the gap; the starts come out the same.
    EXPECT_EQ(recalled.LessonLength + (recalled.Breaks.empty() ? 10 : recalled.Breaks.front()), 55);

    TProject empty = ProjectWith(4, 2, {1});
    TBellPlan untouched = Plan(3, 30, {5});
    const TBellPlan before = untouched;
    EXPECT_FALSE(RecallBellPlan(empty, 2, 1, untouched));
    EXPECT_EQ(untouched.Lessons, before.Lessons);
    EXPECT_EQ(untouched.Breaks, before.Breaks);
    EXPECT_FALSE(RecallBellPlan(project, 0, 0, untouched));
}
