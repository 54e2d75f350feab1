#include "schedule/overlaps.h"

#include "model/lib.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int64_t Day = 24 * 3600;

struct TPlay
{
    int Group = 0;
    int Slot = 0;
    const TScenario *Record = nullptr;
    int64_t Start = 0; // seconds after midnight
};

std::string Seconds(double seconds)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", seconds);
    return buffer;
}

// "сценарий 2 группы 1 «Марш»", or in the genitive "сценария 2 группы 1 «Марш»".
std::string Named(const TProject &project, int g, int s, bool genitive)
{
    std::string text = (genitive ? "сценария " : "сценарий ") + std::to_string(s) + " группы " + std::to_string(g);
    const std::string &name = project.Groups[g].Scenarios[s].Name;
    if (!name.empty())
        text += " «" + name + "»";
    return text;
}

std::string Plural(int64_t n, const char *one, const char *few, const char *many)
{
    const int64_t tens = n % 100, ones = n % 10;
    return (tens >= 11 && tens <= 14) || ones == 0 || ones >= 5 ? many : ones == 1 ? one : few;
}

} // namespace

TOverlaps FindOverlaps(const TProject &project, const std::map<int32_t, double> &durations, size_t listed)
{
    std::vector<TPlay> plays;
    ForEachUsedScenario(project, [&](int g, int s, const TScenario &scenario) {
        plays.push_back({g, s, &scenario, int64_t(scenario.Hour) * 3600 + int64_t(scenario.Minute) * 60});
    });
    std::stable_sort(plays.begin(), plays.end(), [](const TPlay &a, const TPlay &b) { return a.Start < b.Start; });

    TOverlaps found;
    const auto meet = [&](const TPlay &first, const TPlay &second, int64_t secondStart, double end, double length,
                          bool nextDay) {
        TOverlap overlap;
        bool anyDay = false;
        for (int d = 0; d < 7; ++d) {
            overlap.Days[d] = first.Record->Days[d] && second.Record->Days[nextDay ? (d + 1) % 7 : d];
            anyDay = anyDay || overlap.Days[d];
        }
        if (!anyDay)
            return;
        if (++found.Total > int64_t(listed))
            return;
        overlap.FirstGroup = uint8_t(first.Group);
        overlap.FirstSlot = uint8_t(first.Slot);
        overlap.SecondGroup = uint8_t(second.Group);
        overlap.SecondSlot = uint8_t(second.Slot);
        overlap.NextDay = nextDay;
        overlap.Track = first.Record->Track;
        overlap.TrackSeconds = length;
        overlap.OverlapSeconds = end - double(secondStart);
        found.Listed.push_back(overlap);
    };
    for (const TPlay &first : plays) {
        const auto length = durations.find(first.Record->Track);
        if (length == durations.end() || !(length->second > 0))
            continue;
        const double end = double(first.Start) + length->second;
        // The plays are in start order: only those between the start and the track's end matter.
        auto second = std::upper_bound(plays.begin(), plays.end(), first.Start,
                                       [](int64_t start, const TPlay &play) { return start < play.Start; });
        for (; second != plays.end() && double(second->Start) < end; ++second)
            meet(first, *second, second->Start, end, length->second, false);
        // Past midnight the next day's first bells come; one day later at most is looked at.
        for (second = plays.begin(); second != plays.end() && double(second->Start + Day) < end; ++second)
            if (second->Start + Day > first.Start)
                meet(first, *second, second->Start + Day, end, length->second, true);
    }
    return found;
}

std::string OverlapText(const TProject &project, const TOverlap &overlap)
{
    std::string days;
    for (int d = 0; d < 7; ++d)
        if (overlap.Days[d])
            days += (days.empty() ? "" : ", ") + std::string(DayNames[d]);
    const TScenario &first = project.Groups[overlap.FirstGroup].Scenarios[overlap.FirstSlot];
    const TScenario &second = project.Groups[overlap.SecondGroup].Scenarios[overlap.SecondSlot];
    return "Наложение звука: трек " + std::to_string(overlap.Track) + " (" + Seconds(overlap.TrackSeconds) + " с) " +
           Named(project, overlap.FirstGroup, overlap.FirstSlot, true) + " в " + TimeText(first.Hour, first.Minute) +
           " ещё звучит, когда в " + TimeText(second.Hour, second.Minute) + (overlap.NextDay ? " следующего дня" : "") +
           " начинается " + Named(project, overlap.SecondGroup, overlap.SecondSlot, false) + ": ещё " +
           Seconds(overlap.OverlapSeconds) + " с; дни: " + days;
}

std::string MoreOverlapsText(const TOverlaps &overlaps)
{
    const int64_t more = overlaps.Total - int64_t(overlaps.Listed.size());
    if (more <= 0)
        return "";
    return "… и ещё " + std::to_string(more) + " " + Plural(more, "наложение", "наложения", "наложений") + " звука";
}
