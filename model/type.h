#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The project records. Texts are UTF-8; the files convert at their edges.

/// One scenario slot: when, on which days, which track at which volume.
struct TScenario
{
    std::string Name;
    int32_t Hour = 0;
    int32_t Minute = 0;
    std::array<bool, 7> Days{}; // Monday first
    int32_t Volume = 0;
    int32_t Track = 0;
    bool Used = false;
    bool operator==(const TScenario &) const = default;
};

/// One group of zones with its 33 scenario slots (slot 0 is never used).
struct TGroup
{
    std::string Name;
    std::array<bool, 33> Zones{}; // zone 0 is never used
    std::array<TScenario, 33> Scenarios{};
    bool Used = false;
    bool operator==(const TGroup &) const = default;
};

/// The whole project: 33 group records, numbers 1..32 (record 0 is reserved).
struct TProject
{
    std::string Name;
    int32_t DeviceType = 0;
    std::array<TGroup, 33> Groups{};
    std::string FileName;
};

constexpr int MaxGroups = 32;
constexpr int MaxZones = 32;
constexpr int MaxScenarios = 32;
constexpr int DeviceTypeCount = 10;

extern const std::array<std::string_view, DeviceTypeCount> DeviceTypeNames;
extern const std::array<int32_t, DeviceTypeCount> DeviceZoneCounts;
extern const std::array<std::string_view, 7> DayNames;
extern const std::string_view ProgramTitle;

void ResetScenario(TScenario &scenario);
void ResetGroup(TGroup &group);
/// Clears the project in place; the playlist lives elsewhere and is not touched.
void ResetProject(TProject &project);

/// Index of the device type with exactly this name, 0 when none matches.
int32_t DeviceTypeIndex(std::string_view name);

/// Zone count of the project's device type, 0 for an out-of-table type.
int32_t ZoneCount(const TProject &project);

/// Calls visit(g, s, scenario) for every used scenario of every used group, in group and slot
/// order, over all 32 groups whatever the device type (the check and the card writer read them all).
template <typename TVisit> void ForEachUsedScenario(const TProject &project, TVisit &&visit)
{
    for (int g = 1; g <= MaxGroups; ++g) {
        const TGroup &group = project.Groups[g];
        if (!group.Used)
            continue;
        for (int s = 1; s <= MaxScenarios; ++s) {
            if (group.Scenarios[s].Used)
                visit(g, s, group.Scenarios[s]);
        }
    }
}
