#include "storage/exchangecolumns.h"

#include "model/lib.h"

#include <algorithm>

namespace {

using TKind = TExchangeColumn::TKind;

// Columns before the zones: hour, minute and the seven days; after them: volume, track, group, slot.
constexpr int LeadingColumns = 9;
constexpr TKind TrailingKinds[] = {TKind::Volume, TKind::Track, TKind::Group, TKind::Slot};

} // namespace

int ExchangeColumnCount(int32_t zoneCount)
{
    return LeadingColumns + std::clamp(zoneCount, 0, MaxZones) + int(std::size(TrailingKinds));
}

std::optional<TExchangeColumn> ExchangeColumnAt(int c, int32_t zoneCount)
{
    zoneCount = std::clamp(zoneCount, 0, MaxZones);
    if (c < 0 || c >= ExchangeColumnCount(zoneCount))
        return std::nullopt;
    if (c == 0)
        return TExchangeColumn{TKind::Hour};
    if (c == 1)
        return TExchangeColumn{TKind::Minute};
    if (c < LeadingColumns)
        return TExchangeColumn{TKind::Day, c - 2};
    if (c < LeadingColumns + zoneCount)
        return TExchangeColumn{TKind::Zone, c - LeadingColumns + 1};
    return TExchangeColumn{TrailingKinds[c - LeadingColumns - zoneCount]};
}

int32_t DeviceTypeForColumnCount(int64_t n)
{
    const int64_t extra = n - 12;
    for (int32_t type : {9, 8, 7, 4, 2, 1}) {
        if (extra >= DeviceZoneCounts[type])
            return type;
    }
    return 0;
}

int32_t &ColumnValue(TScheduleRow &row, TExchangeColumn column)
{
    switch (column.Kind) {
    case TKind::Hour:
        return row.Hour;
    case TKind::Minute:
        return row.Minute;
    case TKind::Day:
        return row.Days[size_t(column.Index)];
    case TKind::Zone:
        return row.Zones[size_t(column.Index)];
    case TKind::Volume:
        return row.Volume;
    case TKind::Track:
        return row.Track;
    case TKind::Group:
        return row.Group;
    case TKind::Slot:
        break;
    }
    return row.Slot;
}

int32_t ColumnValue(const TScheduleRow &row, TExchangeColumn column)
{
    return ColumnValue(const_cast<TScheduleRow &>(row), column); // only read here
}

bool IsTwoDigitColumn(TExchangeColumn column)
{
    return column.Kind != TKind::Day && column.Kind != TKind::Zone;
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

std::array<std::string, WrittenColumnCount> RowTexts(const TScheduleRow &row)
{
    std::array<std::string, WrittenColumnCount> texts;
    for (int c = 0; c < WrittenColumnCount; ++c) {
        const TExchangeColumn column = *ExchangeColumnAt(c, MaxZones);
        const int32_t value = ColumnValue(row, column);
        texts[size_t(c)] = IsTwoDigitColumn(column) ? TwoDigits(value) : std::string(value != 0 ? "1" : "0");
    }
    return texts;
}

const std::array<std::string, WrittenColumnCount> &HeaderTexts()
{
    static const std::array<std::string, WrittenColumnCount> texts = [] {
        std::array<std::string, WrittenColumnCount> t;
        for (int c = 0; c < WrittenColumnCount; ++c) {
            const TExchangeColumn column = *ExchangeColumnAt(c, MaxZones);
            switch (column.Kind) {
            case TKind::Hour:
                t[size_t(c)] = "Час";
                break;
            case TKind::Minute:
                t[size_t(c)] = "Минута";
                break;
            case TKind::Day:
                t[size_t(c)] = std::string(DayNames[size_t(column.Index)]);
                break;
            case TKind::Zone:
                t[size_t(c)] = "Зона " + std::to_string(column.Index);
                break;
            case TKind::Volume:
                t[size_t(c)] = "Громкость";
                break;
            case TKind::Track:
                t[size_t(c)] = "Трэк";
                break;
            case TKind::Group:
                t[size_t(c)] = "Группа";
                break;
            case TKind::Slot:
                t[size_t(c)] = "Сценарий";
                break;
            }
        }
        return t;
    }();
    return texts;
}
