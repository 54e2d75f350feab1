#include "schedule/timetable.h"

#include "model/lib.h"
#include "schedule/bells.h"

#include <gtest/gtest.h>

namespace {

/// "Group prefix|days: lesson start-end/warning; ..." per table, "-" for a missing bell.
std::string Listing(const std::vector<TTimetable> &tables)
{
    const auto clock = [](int minute) { return minute < 0 ? std::string("-") : TimeText(minute / 60, minute % 60); };
    std::string text;
    for (const TTimetable &table : tables) {
        text += std::to_string(table.Group) + " " + table.Prefix + "|";
        for (bool day : table.Days)
            text += day ? "1" : "0";
        text += ":";
        for (const TTimetableRow &row : table.Rows)
            text += " " + std::to_string(row.Lesson) + " " + clock(row.Start) + "-" + clock(row.End) + "/" +
                    clock(row.Warning);
        text += "\n";
    }
    return text;
}

TBellPlan Plan(int group, int start, int lessons, std::array<bool, 7> days, std::string prefix = {}, int warning = 0)
{
    TBellPlan plan;
    plan.Group = group;
    plan.StartHour = start / 60;
    plan.StartMinute = start % 60;
    plan.Lessons = lessons;
    plan.LessonLength = 45;
    plan.Days = days;
    plan.Prefix = std::move(prefix);
    plan.WarningMinutes = warning;
    return plan;
}

} // namespace

TEST(Timetable, OneTablePerGroupPrefixAndDaySetWeekdaysFirst)
{
    TProject project;
    project.DeviceType = 4;
    for (int g : {1, 2, 3})
        project.Groups[g].Used = true;
    const std::array<bool, 7> saturday{false, false, false, false, false, true, false};
    const std::array<bool, 7> weekdays{true, true, true, true, true, false, false};
    // Saturday is generated first and sits in the lower slots; it still prints after the weekdays.
    for (const TBellPlan &plan : {Plan(1, 9 * 60, 2, saturday), Plan(1, 8 * 60 + 30, 2, weekdays, {}, 5),
                                  Plan(1, 13 * 60, 1, weekdays, "2 смена: "), Plan(3, 8 * 60, 1, weekdays)})
        ASSERT_EQ(AddBells(project, plan).Refusal, "");
    // A lesson without its end bell, a name the generator never gives, a bell without days.
    project.Groups[1].Scenarios[2].Used = false;
    project.Groups[1].Scenarios[20] = project.Groups[1].Scenarios[1];
    project.Groups[1].Scenarios[20].Name = "Урок 2: начало занятий";
    project.Groups[3].Scenarios[2].Days = {};
    project.Groups[2].Scenarios[1].Used = true;
    project.Groups[2].Scenarios[1].Name = "Звонок";
    project.Groups[2].Scenarios[1].Days = weekdays;

    EXPECT_EQ(Listing(BuildTimetables(project)), "1 |1111100: 1 08:30-09:15/08:25 2 09:25-10:10/09:20\n"
                                                 "1 2 смена: |1111100: 1 13:00-13:45/-\n"
                                                 "1 |0000010: 1 09:00--/- 2 09:55-10:40/-\n"
                                                 "3 |1111100: 1 08:00--/-\n");
}

TEST(Timetable, PagesStartPerGroupAndSplitLongTables)
{
    const auto table = [](int group, int rows) {
        TTimetable t;
        t.Group = group;
        for (int r = 1; r <= rows; ++r)
            t.Rows.push_back({r});
        return t;
    };
    struct TCase
    {
        std::vector<TTimetable> Tables;
        int Lines;
        std::string Expected; // per page "group: table.first+count ..."
    };
    const std::vector<TCase> cases = {
        {{table(1, 6), table(1, 4), table(2, 3)}, 20, "1: 0.0+6 1.0+4 | 2: 2.0+3"},
        // 2 + 6 = 8 lines, then a gap and 2 + 4 = 7 more would make 16 of 12: the second table splits.
        {{table(1, 6), table(1, 4)}, 12, "1: 0.0+6 1.0+1 | 1: 1.1+3"},
        // A heading with no room for a row under it moves on.
        {{table(1, 8), table(1, 4)}, 12, "1: 0.0+8 | 1: 1.0+4"},
        {{table(1, 16)}, 10, "1: 0.0+8 | 1: 0.8+8"},
        {{}, 20, ""},
    };
    for (const TCase &c : cases) {
        std::string text;
        for (const TTimetablePage &page : LayTimetablePages(c.Tables, c.Lines)) {
            text += (text.empty() ? "" : " | ") + std::to_string(page.Group) + ":";
            for (const TTimetablePart &part : page.Parts)
                text += " " + std::to_string(part.Table) + "." + std::to_string(part.FirstRow) + "+" +
                        std::to_string(part.RowCount);
        }
        EXPECT_EQ(text, c.Expected) << c.Lines;
    }
}
