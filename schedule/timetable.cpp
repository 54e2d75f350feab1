#include "schedule/timetable.h"

#include "schedule/bells.h"
#include "schedule/weeklayout.h"

#include <algorithm>
#include <tuple>

std::vector<TTimetable> BuildTimetables(const TProject &project)
{
    std::vector<TTimetable> tables;
    for (const int g : ShownGroups(project)) {
        std::vector<TTimetable> own;
        for (const TScenario &scenario : project.Groups[g].Scenarios) {
            std::string prefix;
            int lesson = 0;
            TBellKind kind{};
            const int minute = MinuteOfDay(scenario.Hour, scenario.Minute);
            const bool anyDay = std::find(scenario.Days.begin(), scenario.Days.end(), true) != scenario.Days.end();
            if (!scenario.Used || minute < 0 || !anyDay || !ReadBellName(scenario.Name, prefix, lesson, kind))
                continue;
            auto table = std::find_if(own.begin(), own.end(), [&](const TTimetable &t) {
                return t.Prefix == prefix && t.Days == scenario.Days;
            });
            if (table == own.end())
                table = own.insert(own.end(), TTimetable{g, prefix, scenario.Days, {}});
            auto row = std::find_if(table->Rows.begin(), table->Rows.end(),
                                    [lesson](const TTimetableRow &r) { return r.Lesson == lesson; });
            if (row == table->Rows.end())
                row = table->Rows.insert(table->Rows.end(), TTimetableRow{lesson});
            // A bell made twice keeps the earliest time; the clash list shows the other.
            int &slot = kind == TBellKind::Start ? row->Start : kind == TBellKind::End ? row->End : row->Warning;
            slot = slot < 0 ? minute : std::min(slot, minute);
        }
        for (TTimetable &table : own)
            std::sort(table.Rows.begin(), table.Rows.end(),
                      [](const TTimetableRow &a, const TTimetableRow &b) { return a.Lesson < b.Lesson; });
        std::stable_sort(own.begin(), own.end(), [](const TTimetable &a, const TTimetable &b) {
            if (a.Days != b.Days)
                return DaysBefore(a.Days, b.Days);
            return a.Prefix < b.Prefix;
        });
        tables.insert(tables.end(), own.begin(), own.end());
    }
    return tables;
}

std::vector<TTimetablePage> LayTimetablePages(const std::vector<TTimetable> &tables, int linesPerPage)
{
    constexpr int HeadLines = 2; // the table's heading and its column header
    linesPerPage = std::max(linesPerPage, HeadLines + 2);
    std::vector<TTimetablePage> pages;
    int used = 0;
    for (size_t t = 0; t < tables.size(); ++t) {
        const TTimetable &table = tables[t];
        if (pages.empty() || pages.back().Group != table.Group) {
            pages.push_back({table.Group, {}});
            used = 0;
        }
        size_t row = 0;
        do {
            const int gap = used > 0 ? 1 : 0;
            if (used + gap + HeadLines + 1 > linesPerPage) {
                pages.push_back({table.Group, {}});
                used = 0;
                continue;
            }
            const size_t fits = static_cast<size_t>(linesPerPage - used - gap - HeadLines);
            const size_t count = std::min(fits, table.Rows.size() - row);
            pages.back().Parts.push_back({t, row, count});
            used += gap + HeadLines + static_cast<int>(count);
            row += count;
        } while (row < table.Rows.size());
    }
    return pages;
}
