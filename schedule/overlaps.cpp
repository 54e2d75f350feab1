#include "schedule/overlaps.h"

#include "model/lib.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

struct TPlay
{
    TOverlapScenario Scenario;
    const TGroup *Group = nullptr;
    const TScenario *Record = nullptr;
    int64_t Start = 0; // seconds after midnight
};

bool ShareZone(const TGroup &a, const TGroup &b)
{
    for (int z = 1; z <= MaxZones; ++z)
        if (a.Zones[z] && b.Zones[z])
            return true;
    return false;
}

std::string Seconds(double seconds)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", seconds);
    return buffer;
}

// "сценарий 2 группы 1 «Марш»", or in the genitive "сценария 2 группы 1 «Марш»".
std::string Named(const TOverlapScenario &s, bool genitive)
{
    std::string text =
        (genitive ? "сценария " : "сценарий ") + std::to_string(s.Slot) + " группы " + std::to_string(s.Group);
    if (!s.Name.empty())
        text += " «" + s.Name + "»";
    return text;
}

} // namespace

std::vector<TOverlap> FindOverlaps(const TProject &project, const std::map<int32_t, double> &durations)
{
    std::vector<TPlay> plays;
    ForEachUsedScenario(project, [&](int g, int s, const TScenario &scenario) {
        TPlay play;
        play.Scenario = {g, s, scenario.Name, scenario.Hour, scenario.Minute};
        play.Group = &project.Groups[g];
        play.Record = &scenario;
        play.Start = int64_t(scenario.Hour) * 3600 + int64_t(scenario.Minute) * 60;
        plays.push_back(std::move(play));
    });
    std::stable_sort(plays.begin(), plays.end(), [](const TPlay &a, const TPlay &b) { return a.Start < b.Start; });

    std::vector<TOverlap> overlaps;
    for (const TPlay &first : plays) {
        const auto found = durations.find(first.Record->Track);
        if (found == durations.end() || !(found->second > 0))
            continue;
        const double end = double(first.Start) + found->second;
        for (const TPlay &second : plays) {
            if (second.Start <= first.Start || double(second.Start) >= end)
                continue;
            TOverlap overlap;
            bool anyDay = false;
            for (int d = 0; d < 7; ++d) {
                overlap.Days[d] = first.Record->Days[d] && second.Record->Days[d];
                anyDay = anyDay || overlap.Days[d];
            }
            if (!anyDay || !ShareZone(*first.Group, *second.Group))
                continue;
            overlap.First = first.Scenario;
            overlap.Second = second.Scenario;
            overlap.Track = first.Record->Track;
            overlap.TrackSeconds = found->second;
            overlap.OverlapSeconds = end - double(second.Start);
            overlaps.push_back(std::move(overlap));
        }
    }
    return overlaps;
}

std::string OverlapText(const TOverlap &overlap)
{
    std::string days;
    for (int d = 0; d < 7; ++d)
        if (overlap.Days[d])
            days += (days.empty() ? "" : ", ") + std::string(DayNames[d]);
    return "Наложение звука: трек " + std::to_string(overlap.Track) + " (" + Seconds(overlap.TrackSeconds) + " с) " +
           Named(overlap.First, true) + " в " + TimeText(overlap.First.Hour, overlap.First.Minute) +
           " ещё звучит, когда в " + TimeText(overlap.Second.Hour, overlap.Second.Minute) + " начинается " +
           Named(overlap.Second, false) + ": ещё " + Seconds(overlap.OverlapSeconds) + " с; дни: " + days;
}
