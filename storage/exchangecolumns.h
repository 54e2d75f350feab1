#pragma once

#include "model/type.h"

#include <array>
#include <cstdint>
#include <optional>
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

/// How many columns a row with zoneCount (0..32) zone columns has.
int ExchangeColumnCount(int32_t zoneCount);

/// The column at place c (from 0) of a row with zoneCount zone columns; nothing past the last.
std::optional<TExchangeColumn> ExchangeColumnAt(int c, int32_t zoneCount);

/// The device type for a count of fields or columns: the widest zone count that the count holds
/// besides the 12 fixed columns (not 13: one column short still counts); 0 when none fits.
int32_t DeviceTypeForColumnCount(int64_t n);

/// The place of a column's value in a row, and the value.
int32_t &ColumnValue(TScheduleRow &row, TExchangeColumn column);
int32_t ColumnValue(const TScheduleRow &row, TExchangeColumn column);

/// Hour, minute, volume, track, group and slot are written with two digits at least ("07"), so a
/// workbook keeps them as text; days and zones are written as "1" or "0".
bool IsTwoDigitColumn(TExchangeColumn column);

/// The row that export writes for scenario s of group g: days and zones as 1 or 0, zones above the
/// project's zone count 0.
TScheduleRow ScheduleRow(const TProject &project, int g, int s);

/// The row that ends every written table: hour 90, all else 0.
TScheduleRow EndOfTableRow();

/// The texts of a written row, column by column.
std::array<std::string, WrittenColumnCount> RowTexts(const TScheduleRow &row);

/// The workbook's header texts: "Час", "Минута", the day names, "Зона 1" .. "Зона 32", "Громкость",
/// "Трэк", "Группа", "Сценарий".
const std::array<std::string, WrittenColumnCount> &HeaderTexts();
