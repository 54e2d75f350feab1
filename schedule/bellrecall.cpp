// Reading a generator's plan back from the bells it made.
#include "schedule/bells.h"

#include "schedule/groupedit.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace {

/// One lesson's bells of a set, each as its scenario if present.
struct TLessonBells
{
    const TScenario *Warning = nullptr;
    const TScenario *Start = nullptr;
    const TScenario *End = nullptr;
};

int MinuteOf(const TScenario &scenario)
{
    return scenario.Hour * 60 + scenario.Minute;
}

/// The prefix of the set to recall: that of the bell in slot, else that of the first bell.
std::optional<std::string> SetPrefix(const TGroup &group, int slot)
{
    std::string prefix;
    int lesson = 0;
    TBellKind kind{};
    const auto bellPrefix = [&](int s) -> std::optional<std::string> {
        const TScenario &scenario = group.Scenarios[s];
        if (scenario.Used && ReadBellName(scenario.Name, prefix, lesson, kind))
            return prefix;
        return std::nullopt;
    };
    if (slot >= 1 && slot <= MaxScenarios)
        if (auto chosen = bellPrefix(slot))
            return chosen;
    for (int s = 1; s <= MaxScenarios; ++s)
        if (auto first = bellPrefix(s))
            return first;
    return std::nullopt;
}

/// Equal neighbours at the end say the same as one: the last break repeats.
void DropRepeatedTail(std::vector<int> &breaks)
{
    while (breaks.size() >= 2 && breaks[breaks.size() - 1] == breaks[breaks.size() - 2])
        breaks.pop_back();
}

} // namespace

bool RecallBellPlan(const TProject &project, int group, int slot, TBellPlan &plan)
{
    if (group < 1 || group > MaxGroups)
        return false;
    const TGroup &bells = project.Groups[group];
    const std::optional<std::string> prefix = SetPrefix(bells, slot);
    if (!prefix)
        return false;

    // The set's bells by lesson; a name met twice (edited by hand) counts in its first slot.
    std::array<TLessonBells, MaxLessons + 1> lessons{};
    int last = 0;
    for (int s = 1; s <= MaxScenarios; ++s) {
        const TScenario &scenario = bells.Scenarios[s];
        std::string name;
        int lesson = 0;
        TBellKind kind{};
        if (!scenario.Used || !ReadBellName(scenario.Name, name, lesson, kind) || name != *prefix)
            continue;
        const TScenario *&place = kind == TBellKind::Warning ? lessons[lesson].Warning
                                  : kind == TBellKind::Start ? lessons[lesson].Start
                                                             : lessons[lesson].End;
        if (!place)
            place = &scenario;
        last = std::max(last, lesson);
    }

    TBellPlan recalled = plan;
    recalled.Group = group;
    recalled.Prefix = *prefix;
    recalled.Replace = true;
    recalled.Lessons = last;
    const TLessonBells &first = lessons[1];
    // Track, days and volume as the first lesson's start bell (else any bell of the set) has them.
    const TScenario *model = first.Start;
    for (int l = 1; !model && l <= last; ++l)
        model = lessons[l].Start ? lessons[l].Start : lessons[l].End ? lessons[l].End : lessons[l].Warning;
    recalled.Days = model->Days;
    recalled.Volume = std::clamp(model->Volume, 0, MaxVolume);
    if (first.Start) {
        recalled.StartHour = first.Start->Hour;
        recalled.StartMinute = first.Start->Minute;
        recalled.StartTrack = first.Start->Track;
    }

    const TScenario *end = nullptr;
    const TScenario *warning = nullptr;
    for (int l = 1; l <= last; ++l) {
        end = end ? end : lessons[l].End;
        warning = warning ? warning : lessons[l].Warning;
    }
    recalled.EndTrack = end ? end->Track : 0;
    if (first.Start && first.End && MinuteOf(*first.End) > MinuteOf(*first.Start))
        recalled.LessonLength = std::min(MinuteOf(*first.End) - MinuteOf(*first.Start), MaxLessonLength);
    recalled.WarningMinutes = 0;
    if (warning) {
        recalled.WarningTrack = warning->Track;
        if (first.Start && first.Warning && MinuteOf(*first.Warning) < MinuteOf(*first.Start))
            recalled.WarningMinutes = std::min(MinuteOf(*first.Start) - MinuteOf(*first.Warning), MaxWarning);
    }

    // Each break from one start to the next, less the lesson. Without end bells only the starts show
    // the day: the length is at most the shortest gap, so that no break comes out negative.
    std::vector<int> gaps;
    for (int l = 1; l < last && lessons[l].Start && lessons[l + 1].Start; ++l)
        gaps.push_back(MinuteOf(*lessons[l + 1].Start) - MinuteOf(*lessons[l].Start));
    if (!end && !gaps.empty())
        recalled.LessonLength =
            std::clamp(*std::min_element(gaps.begin(), gaps.end()), 1, std::max(recalled.LessonLength, 1));
    recalled.Breaks.clear();
    for (const int gap : gaps) {
        const int pause = gap - recalled.LessonLength;
        if (pause < 0 || pause > MaxBreak)
            break;
        recalled.Breaks.push_back(pause);
    }
    DropRepeatedTail(recalled.Breaks);
    plan = std::move(recalled);
    return true;
}
