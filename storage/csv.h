#pragma once

#include "model/type.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

/// Device type for a count of fields or columns (12 fixed columns besides the zones); 0: unusable.
int32_t DeviceTypeForColumnCount(int64_t n);

/// Walks groups 1..32 and slots 1..32: clears every unused group and every unused slot of a used
/// group, and calls row(g, s) for each used scenario. The caller adds the end-of-table row.
void ExportWalk(TProject &project, const std::function<void(int g, int s)> &row);

/// The 45 values of one exchange row as texts, for scenario (g, s): hour, minute, 7 days,
/// 32 zones, volume, track, group, slot.
std::array<std::string, 45> ScheduleRowTexts(const TProject &project, int g, int s);

/// The 45 texts of the end-of-table row.
const std::array<std::string, 45> &EndOfTableTexts();

/// One row of an imported schedule, read as numbers.
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

/// The import's slot counters, one per group record 0..32.
using TSlotCounters = std::array<int32_t, 33>;

/// Stores one row as the imports do. zoneMarksUsed: a non-zero zone value marks the group used
/// (the CSV import does this, the workbook import does not). Returns false when the row has
/// no place in the model (group or slot out of range, or a 33rd counted slot) and was skipped.
bool StoreScheduleRow(TProject &project, TSlotCounters &counters, const TScheduleRow &row, int32_t zoneCount,
                      bool zoneMarksUsed);

/// The CSV text of the project (CR LF after every line). Runs the export walk, so it clears
/// unused records in the project.
std::string SerializeCsv(TProject &project);

/// Writes the CSV file atomically (an old file survives a failed export). Throws TFileError.
void ExportCsv(TProject &project, const std::string &path);

enum class TImportResult { Imported, WrongFormat };

/// Replaces the project with the schedule in the CSV bytes (a leading UTF-8 byte-order mark is
/// passed over); WrongFormat, also for bytes holding a NUL, leaves it untouched.
TImportResult ParseCsv(std::string_view bytes, TProject &project);

/// Reads the file first (TFileError naming it, project untouched), then ParseCsv.
TImportResult ImportCsv(const std::string &path, TProject &project);

/// The message for WrongFormat.
inline constexpr std::string_view WrongFormatMessage = "Ошибка экспорта. Не правильный формат файла";
