#include "app/tool/commands.h"
#include "app/tool/toolio.h"
#include "model/lib.h"

#include "app/tool/stdstreams.h"
#include <string>

namespace {

std::string ZoneList(const TGroup &group, int zoneCount)
{
    std::string text;
    for (int z = 1; z <= zoneCount; ++z) {
        if (!group.Zones[z])
            continue;
        if (!text.empty())
            text += ", ";
        text += std::to_string(z);
    }
    return text.empty() ? "нет" : text;
}

std::string DayList(const TScenario &scenario)
{
    std::string text;
    for (int d = 0; d < 7; ++d) {
        if (!scenario.Days[d])
            continue;
        if (!text.empty())
            text += ", ";
        text += DayNames[d];
    }
    return text.empty() ? "нет" : text;
}

} // namespace

int RunShow(const std::vector<std::string> &args)
{
    if (!ExpectArgs(args, 1, "show"))
        return 2;
    TToolProject &loaded = CommandProject();
    LoadExistingProject(args[0], loaded);
    const TProject &project = loaded.Project;
    const std::vector<std::string> &playList = loaded.PlayList;
    const std::vector<TSkippedEntry> &skipped = loaded.Skipped;

    const TStdStream out = ToolOut();
    out << "Проект: " << project.Name << "\n";
    out << "Устройство: " << DeviceTypeNames[project.DeviceType] << "\n";
    // Only the groups the window's tree shows: those within the device type's zone count.
    const int zoneCount = ZoneCount(project);
    for (int g = 1; g <= zoneCount; ++g) {
        const TGroup &group = project.Groups[g];
        if (!group.Used)
            continue;
        out << "Группа " << g << ": " << group.Name << "\n";
        out << "  Зоны: " << ZoneList(group, zoneCount) << "\n";
        for (int s = 1; s <= MaxScenarios; ++s) {
            const TScenario &scenario = group.Scenarios[s];
            if (!scenario.Used)
                continue;
            out << "  Сценарий " << s << ": " << scenario.Name << "\n";
            out << "    Время: " << TimeText(scenario.Hour, scenario.Minute) << "; Дни: " << DayList(scenario)
                << "; Трек: " << scenario.Track << "; Громкость: " << scenario.Volume << "\n";
        }
    }
    out << "Плейлист:" << (playList.empty() ? " пуст" : "") << "\n";
    for (const std::string &line : playList)
        out << "  " << line << "\n";
    if (!skipped.empty() || loaded.Encoding == TProjectEncoding::Utf8Unmarked) {
        out << SkippedHeading(loaded.Encoding) << (skipped.empty() ? " ничего" : "") << "\n";
        for (const TSkippedEntry &entry : skipped)
            out << "  " << entry.Key << ": " << entry.Reason << "\n";
    }
    return 0;
}
