#include "schedule/weeklayout.h"

#include "schedule/check.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <tuple>

const std::array<std::string_view, 7> DayShortNames = {"Пн", "Вт", "Ср", "Чт", "Пт", "Сб", "Вс"};

std::vector<int> ShownGroups(const TProject &project)
{
    std::vector<int> groups;
    const int count = std::min(ZoneCount(project), MaxGroups);
    for (int g = 1; g <= count; ++g) {
        if (project.Groups[g].Used)
            groups.push_back(g);
    }
    return groups;
}

int MinuteOfDay(int32_t hour, int32_t minute)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59)
        return -1;
    return hour * 60 + minute;
}

std::string DaysText(const std::array<bool, 7> &days)
{
    std::string text;
    for (int d = 0; d < 7; ++d) {
        if (!days[d])
            continue;
        if (!text.empty())
            text += ' ';
        text += DayShortNames[d];
    }
    return text;
}

namespace {

/// Per group and slot, the days on which it clashes with another scenario of a shown group.
using TClashDays = std::array<std::array<uint8_t, MaxScenarios + 1>, MaxGroups + 1>;

/// The clash check's pairs between shown groups, as clash days per scenario and as sets. The
/// worst project has half a million pairs, so the sets are gathered per scenario, not per pair.
void CollectClashes(const TProject &project, const std::array<bool, MaxGroups + 1> &shown, TClashDays &clashDays,
                    std::vector<TClashSet> &sets)
{
    bool any = false;
    for (const TClashPair &pair : FindClashPairs(project)) {
        if (!shown[pair.Group1] || !shown[pair.Group2])
            continue;
        clashDays[pair.Group1][pair.Slot1] |= pair.Days;
        clashDays[pair.Group2][pair.Slot2] |= pair.Days;
        any = true;
    }
    if (!any)
        return;
    using TKey = std::tuple<int, int32_t, int32_t>; // day, hour, minute
    std::map<TKey, std::vector<std::pair<int, int>>> byTime;
    for (int g = 1; g <= MaxGroups; ++g) {
        for (int s = 1; s <= MaxScenarios; ++s) {
            const uint8_t days = clashDays[g][s];
            const TScenario &scenario = project.Groups[g].Scenarios[s];
            for (int d = 0; d < 7; ++d) {
                if (days & (1u << d))
                    byTime[{d, scenario.Hour, scenario.Minute}].emplace_back(g, s);
            }
        }
    }
    for (auto &[key, members] : byTime)
        sets.push_back({std::get<0>(key), std::get<1>(key), std::get<2>(key), std::move(members)});
}

int PlayingSeconds(const TWeekLayoutOptions &options, int32_t track)
{
    const auto found = options.TrackSeconds.find(track);
    return found == options.TrackSeconds.end() ? 0 : std::max(found->second, 0);
}

} // namespace

TWeekLayout BuildWeekLayout(const TProject &project, const TWeekLayoutOptions &options)
{
    TWeekLayout layout;
    std::array<bool, MaxGroups + 1> shown{};
    for (int g : ShownGroups(project)) {
        shown[g] = true;
        const bool chosen = options.GroupFilter.empty() ||
                            (static_cast<size_t>(g) < options.GroupFilter.size() && options.GroupFilter[g]);
        if (chosen)
            layout.Groups.push_back(g);
    }

    TClashDays clashDays{};
    CollectClashes(project, shown, clashDays, layout.Clashes);

    int firstMinute = MinutesPerDay;
    int endMinute = 0;
    for (int g : layout.Groups) {
        for (int s = 1; s <= MaxScenarios; ++s) {
            const TScenario &scenario = project.Groups[g].Scenarios[s];
            if (!scenario.Used)
                continue;
            const int minute = MinuteOfDay(scenario.Hour, scenario.Minute);
            if (minute < 0) {
                layout.OffClock.emplace_back(g, s);
                continue;
            }
            const int seconds = PlayingSeconds(options, scenario.Track);
            bool any = false;
            for (int d = 0; d < 7; ++d) {
                if (!scenario.Days[d])
                    continue;
                any = true;
                const bool clash = clashDays[g][s] & (1u << d);
                layout.Marks.push_back({d, g, s, minute, seconds, 0, 1, clash});
            }
            if (any) {
                firstMinute = std::min(firstMinute, minute);
                endMinute = std::max(endMinute, std::min(MinutesPerDay, minute + 1 + (seconds + 59) / 60));
            }
        }
    }
    if (endMinute > firstMinute) {
        layout.FirstHour = firstMinute / 60;
        layout.EndHour = (endMinute + 59) / 60;
    }

    std::sort(layout.Marks.begin(), layout.Marks.end(), [](const TWeekMark &a, const TWeekMark &b) {
        return std::tie(a.Day, a.Minute, a.Group, a.Slot) < std::tie(b.Day, b.Minute, b.Group, b.Slot);
    });
    // Marks at the same minute of the same day share the width of their day side by side.
    const int count = static_cast<int>(layout.Marks.size());
    for (int begin = 0; begin < count;) {
        int end = begin + 1;
        while (end < count && layout.Marks[end].Day == layout.Marks[begin].Day &&
               layout.Marks[end].Minute == layout.Marks[begin].Minute)
            ++end;
        for (int k = begin; k < end; ++k) {
            layout.Marks[k].Lane = k - begin;
            layout.Marks[k].Lanes = end - begin;
        }
        begin = end;
    }
    for (int d = 0, k = 0; d <= 7; ++d) {
        while (k < count && layout.Marks[k].Day < d)
            ++k;
        layout.DayBegin[d] = k;
    }
    return layout;
}

std::map<int32_t, int32_t> WholeSeconds(const std::map<int32_t, double> &durations)
{
    std::map<int32_t, int32_t> seconds;
    for (const auto &[track, length] : durations)
        seconds[track] = static_cast<int32_t>(std::ceil(length));
    return seconds;
}

double TimeFraction(double minute, int firstHour, int endHour)
{
    const int span = std::max(endHour - firstHour, 1) * 60;
    return (minute - firstHour * 60) / span;
}

int FindMark(const TWeekLayout &layout, int day, int group, int slot)
{
    if (day < 0 || day > 6)
        return -1;
    for (int k = layout.DayBegin[day]; k < layout.DayBegin[day + 1]; ++k) {
        const TWeekMark &mark = layout.Marks[k];
        if (mark.Group == group && mark.Slot == slot)
            return k;
    }
    return -1;
}

bool DaysBefore(const std::array<bool, 7> &a, const std::array<bool, 7> &b)
{
    // A ticked day sorts before an unticked one at the first difference; no day at all goes last.
    const bool anyA = std::find(a.begin(), a.end(), true) != a.end();
    const bool anyB = std::find(b.begin(), b.end(), true) != b.end();
    if (anyA != anyB)
        return anyA;
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), std::greater<bool>());
}

std::vector<TGroupTable> GroupTables(const TProject &project)
{
    std::vector<TGroupTable> tables;
    for (int g : ShownGroups(project)) {
        TGroupTable table{g, {}};
        const TGroup &group = project.Groups[g];
        for (int s = 1; s <= MaxScenarios; ++s) {
            if (group.Scenarios[s].Used)
                table.Slots.push_back(s);
        }
        std::stable_sort(table.Slots.begin(), table.Slots.end(), [&group](int a, int b) {
            const TScenario &x = group.Scenarios[a];
            const TScenario &y = group.Scenarios[b];
            if (x.Days != y.Days)
                return DaysBefore(x.Days, y.Days);
            return std::tie(x.Hour, x.Minute) < std::tie(y.Hour, y.Minute);
        });
        tables.push_back(std::move(table));
    }
    return tables;
}
