#include "storage/exchangecolumns.h"

int32_t DeviceTypeForColumnCount(int64_t n)
{
    const int64_t extra = n - 12;
    for (int32_t type : {9, 8, 7, 4, 2, 1}) {
        if (extra >= DeviceZoneCounts[type])
            return type;
    }
    return 0;
}

std::string ColumnHeader(TExchangeColumn column)
{
    using TKind = TExchangeColumn::TKind;
    switch (column.Kind) {
    case TKind::Hour:
        return "Час";
    case TKind::Minute:
        return "Минута";
    case TKind::Day:
        return std::string(DayNames[size_t(column.Index)]);
    case TKind::Zone:
        return "Зона " + std::to_string(column.Index);
    case TKind::Volume:
        return "Громкость";
    case TKind::Track:
        return "Трэк";
    case TKind::Group:
        return "Группа";
    case TKind::Slot:
        break;
    }
    return "Сценарий";
}

TScheduleRow ScheduleRow(const TProject &project, int g, int s)
{
    const TGroup &group = project.Groups[size_t(g)];
    const TScenario &scenario = group.Scenarios[size_t(s)];
    const int32_t zoneCount = ZoneCount(project);
    TScheduleRow row;
    row.Hour = scenario.Hour;
    row.Minute = scenario.Minute;
    for (size_t d = 0; d < row.Days.size(); ++d)
        row.Days[d] = scenario.Days[d] ? 1 : 0;
    for (int z = 1; z <= MaxZones; ++z)
        row.Zones[size_t(z)] = z <= zoneCount && group.Zones[size_t(z)] ? 1 : 0;
    row.Volume = scenario.Volume;
    row.Track = scenario.Track;
    row.Group = g;
    row.Slot = s;
    return row;
}

TScheduleRow EndOfTableRow()
{
    TScheduleRow row;
    row.Hour = 90;
    return row;
}
