#pragma once

#include "model/lib.h"
#include "model/type.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

// The columns of the schedule exchange: one row per scenario, the same values in the same order
// in a CSV line and in a workbook row, for export and import alike. A row carries as many zone
// columns as its device has zones; a written row carries all 32, so it has 45 columns.

/// One row of the exchange, as numbers.
struct TScheduleRow
{
    int32_t Hour = 0;
    int32_t Minute = 0;
    std::array<int32_t, 7> Days{};
    std::array<int32_t, 33> Zones{}; // 1..Z used
    int32_t Volume = 0;
    int32_t Track = 0;
    int32_t Group = 0;
    int32_t Slot = 0;
};

/// What a column holds: the hour, the minute, a day (Index 0..6, Monday first), a zone (Index
/// 1..32), the volume, the track, the group number or the slot number.
struct TExchangeColumn
{
    enum class TKind { Hour, Minute, Day, Zone, Volume, Track, Group, Slot };
    TKind Kind;
    int Index = 0;
};

/// Columns of a written row.
inline constexpr int WrittenColumnCount = 13 + MaxZones;

/// The columns themselves: calls each(column, value) for the columns of a row with zoneCount zone
/// columns, left to right, while each returns true; value is the row's field for the column (const
/// when the row is). False when each stopped the walk. Inline: the CSV reader and writer take every
/// column of every row through it.
template <typename TRow, typename TEach> bool ForEachColumn(TRow &row, int32_t zoneCount, TEach &&each)
{
    using TKind = TExchangeColumn::TKind;
    if (!each(TExchangeColumn{TKind::Hour}, row.Hour) || !each(TExchangeColumn{TKind::Minute}, row.Minute))
        return false;
    for (int d = 0; d < 7; ++d) {
        if (!each(TExchangeColumn{TKind::Day, d}, row.Days[size_t(d)]))
            return false;
    }
    zoneCount = std::clamp(zoneCount, 0, MaxZones);
    for (int z = 1; z <= zoneCount; ++z) {
        if (!each(TExchangeColumn{TKind::Zone, z}, row.Zones[size_t(z)]))
            return false;
    }
    return each(TExchangeColumn{TKind::Volume}, row.Volume) && each(TExchangeColumn{TKind::Track}, row.Track) &&
           each(TExchangeColumn{TKind::Group}, row.Group) && each(TExchangeColumn{TKind::Slot}, row.Slot);
}

/// The device type for a count of fields or columns: the widest zone count that the count holds
/// besides 12 fixed columns (not 13: a row one column short still counts); 0 when none fits.
int32_t DeviceTypeForColumnCount(int64_t n);

/// Hour, minute, volume, track, group and slot are written with two digits at least ("07"), so a
/// workbook keeps them as text; days and zones are written as "1" or "0".
inline bool IsTwoDigitColumn(TExchangeColumn column)
{
    return column.Kind != TExchangeColumn::TKind::Day && column.Kind != TExchangeColumn::TKind::Zone;
}

/// Appends the text that a written row holds in a column for a value.
inline void AppendColumnText(std::string &out, TExchangeColumn column, int32_t value)
{
    if (IsTwoDigitColumn(column))
        out += TwoDigits(value);
    else
        out += value != 0 ? '1' : '0';
}

/// The header text of a column in a workbook: "Час", "Минута", the day's name, "Зона <n>",
/// "Громкость", "Трэк", "Группа", "Сценарий".
std::string ColumnHeader(TExchangeColumn column);

/// The row that export writes for scenario s of group g: days and zones as 1 or 0, zones above the
/// project's zone count 0.
TScheduleRow ScheduleRow(const TProject &project, int g, int s);

/// The row that ends every written table: hour 90, all else 0.
TScheduleRow EndOfTableRow();
