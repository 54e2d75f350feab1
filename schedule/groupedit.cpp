#include "schedule/groupedit.h"

#include "model/lib.h"

#include <algorithm>
#include <cstdlib>

namespace {

std::string GroupText(int g)
{
    return "Группа " + std::to_string(g);
}

/// The group's used scenarios exist and the group may be edited; "" when so.
std::string EditableGroupRefusal(const TProject &project, int g)
{
    std::string refusal = GroupRefusal(project, g);
    if (!refusal.empty())
        return refusal;
    const auto &slots = project.Groups[g].Scenarios;
    if (std::none_of(slots.begin() + 1, slots.end(), [](const TScenario &s) { return s.Used; }))
        return "В группе " + std::to_string(g) + " нет сценариев";
    return {};
}

template <typename TEdit> void ForEachUsedSlot(TGroup &group, TEdit &&edit)
{
    for (int s = 1; s <= MaxScenarios; ++s) {
        if (group.Scenarios[s].Used)
            edit(s, group.Scenarios[s]);
    }
}

} // namespace

std::string ClockText(long long minuteOfDay)
{
    const long long magnitude = std::llabs(minuteOfDay);
    return (minuteOfDay < 0 ? "-" : "") + TimeText(static_cast<int32_t>(std::min<long long>(magnitude / 60, INT32_MAX)),
                                                   static_cast<int32_t>(magnitude % 60));
}

std::string GroupRefusal(const TProject &project, int g)
{
    if (g < 1 || g > MaxGroups || !project.Groups[g].Used)
        return "В проекте нет группы " + std::to_string(g);
    // The tree shows only the groups that the device type's zone count allows.
    const int shown = std::min(ZoneCount(project), MaxGroups);
    if (g > shown) {
        const bool known = project.DeviceType >= 0 && project.DeviceType < DeviceTypeCount;
        const std::string type = known ? std::string(DeviceTypeNames[project.DeviceType]) : std::string();
        // No type (or one the table lacks) shows no group at all; a range "1–0" would read as nonsense.
        if (type.empty() || shown < 1)
            return GroupText(g) + " скрыта: тип прибора не выбран, группы не показываются";
        return GroupText(g) + " скрыта: тип прибора «" + type + "» показывает группы 1–" + std::to_string(shown);
    }
    return {};
}

std::string ShiftGroup(TProject &project, int g, int minutes)
{
    std::string refusal = EditableGroupRefusal(project, g);
    if (!refusal.empty())
        return refusal;
    TGroup &group = project.Groups[g];
    // Checked in full before anything moves, in 64 bits: stored times are whatever a file held.
    for (int s = 1; s <= MaxScenarios; ++s) {
        const TScenario &scenario = group.Scenarios[s];
        if (!scenario.Used)
            continue;
        const long long at = 60LL * scenario.Hour + scenario.Minute + minutes;
        if (at < 0 || at >= MinutesPerDay)
            return "Сдвиг на " + std::to_string(minutes) + " мин выводит сценарий " + std::to_string(s) + " группы " +
                   std::to_string(g) + " за пределы суток (" + ClockText(at) + ")";
    }
    ForEachUsedSlot(group, [minutes](int, TScenario &scenario) {
        const long long at = 60LL * scenario.Hour + scenario.Minute + minutes;
        scenario.Hour = static_cast<int32_t>(at / 60);
        scenario.Minute = static_cast<int32_t>(at % 60);
    });
    return {};
}

std::string SetGroupDays(TProject &project, int g, const std::array<bool, 7> &days)
{
    // Scenarios on no day never sound: the whole group would fall silent without a word.
    if (std::find(days.begin(), days.end(), true) == days.end())
        return "Отметьте хотя бы один день недели";
    std::string refusal = EditableGroupRefusal(project, g);
    if (!refusal.empty())
        return refusal;
    ForEachUsedSlot(project.Groups[g], [&days](int, TScenario &scenario) { scenario.Days = days; });
    return {};
}

std::string SetGroupVolume(TProject &project, int g, int volume)
{
    if (volume < 0 || volume > MaxVolume)
        return "Громкость должна быть от 0 до " + std::to_string(MaxVolume);
    std::string refusal = EditableGroupRefusal(project, g);
    if (!refusal.empty())
        return refusal;
    ForEachUsedSlot(project.Groups[g], [volume](int, TScenario &scenario) { scenario.Volume = volume; });
    return {};
}
