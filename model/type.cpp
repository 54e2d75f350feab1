#include "model/type.h"

const std::array<std::string_view, DeviceTypeCount> DeviceTypeNames = {
    "",
    "Велтара ДК-2",
    "Велтара ДК-4",
    "Велтара ДК-4К",
    "Велтара ДК-8",
    "Велтара ДК-8К",
    "Велтара ДК-М-8",
    "Велтара ДК-М-16",
    "Велтара ДК-М-24",
    "Велтара ДК-М-32",
};

const std::array<int32_t, DeviceTypeCount> DeviceZoneCounts = {0, 2, 4, 4, 8, 8, 8, 16, 24, 32};

const std::array<std::string_view, 7> DayNames = {
    "Понедельник", "Вторник", "Среда", "Четверг", "Пятница", "Суббота", "Воскресенье",
};

const std::string_view ProgramTitle = "Конфигуратор таймера сигнала";

void ResetScenario(TScenario &scenario)
{
    scenario = TScenario{};
}

void ResetGroup(TGroup &group)
{
    group.Name.clear();
    group.Zones.fill(false);
    for (TScenario &scenario : group.Scenarios)
        ResetScenario(scenario);
    group.Used = false;
}

void ResetProject(TProject &project)
{
    project.Name.clear();
    project.DeviceType = 0;
    for (TGroup &group : project.Groups)
        ResetGroup(group);
    project.FileName.clear();
}

int32_t DeviceTypeIndex(std::string_view name)
{
    for (int32_t i = 0; i < DeviceTypeCount; ++i) {
        if (DeviceTypeNames[i] == name)
            return i;
    }
    return 0;
}

int32_t ZoneCount(const TProject &project)
{
    if (project.DeviceType < 0 || project.DeviceType >= DeviceTypeCount)
        return 0;
    return DeviceZoneCounts[project.DeviceType];
}
