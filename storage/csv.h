#pragma once

#include "model/type.h"
#include "storage/exchangecolumns.h"
#include "storage/skippedentry.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

/// Walks groups 1..32 and slots 1..32: clears every unused group and every unused slot of a used
/// group, and calls row(g, s) for each used scenario. The caller adds the end-of-table row.
void ExportWalk(TProject &project, const std::function<void(int g, int s)> &row);

/// The import's slot counters, one per group record 0..32.
using TSlotCounters = std::array<int32_t, 33>;

/// Why a row has no place in the model (group or slot out of range, a 33rd counted slot, or a
/// row of group 0 that holds anything but the end of the table), in Russian; "" when it has one.
std::string RowSkipReason(const TScheduleRow &row, const TSlotCounters &counters);

/// The slot a row goes to: its own slot number, or for 0 the next one of its group's counter
/// (which it advances); 0 when the row has no place in the model (group or slot out of range, or
/// a 33rd counted slot).
int32_t RowSlot(const TScheduleRow &row, TSlotCounters &counters);

/// Stores one row as the imports do. zoneMarksUsed: a non-zero zone value marks the group used
/// (the CSV import does this, the workbook import does not). Returns the slot it went to (RowSlot),
/// 0 when the row has no place in the model and was skipped.
int32_t StoreScheduleRow(TProject &project, TSlotCounters &counters, const TScheduleRow &row, int32_t zoneCount,
                         bool zoneMarksUsed);

/// The CSV text of the project (CR LF after every line). Runs the export walk, so it clears
/// unused records in the project.
std::string SerializeCsv(TProject &project);

/// Writes the CSV file atomically (an old file survives a failed export). Throws TFileError.
void ExportCsv(TProject &project, const std::string &path);

enum class TImportResult { Imported, WrongFormat };

/// Replaces the project with the schedule in the CSV bytes (a leading UTF-8 byte-order mark is
/// passed over); WrongFormat, also for bytes holding a NUL, leaves it untouched. A field wholly in
/// double quotes, as spreadsheets write them, is read without them ("" is a quote, a line break
/// inside belongs to the field); any other field as it stands. Rows with no place in the model,
/// and fields whose text is not what the project holds once every line is read (rowreport.h), are
/// listed in skipped (emptied first; the first 100, then one entry counting the rest).
TImportResult ParseCsv(std::string_view bytes, TProject &project, std::vector<TSkippedEntry> &skipped);
TImportResult ParseCsv(std::string_view bytes, TProject &project);

/// Reads the file first (TFileError naming it, project untouched), then ParseCsv.
TImportResult ImportCsv(const std::string &path, TProject &project, std::vector<TSkippedEntry> &skipped);
TImportResult ImportCsv(const std::string &path, TProject &project);

/// The message for WrongFormat.
inline constexpr std::string_view WrongFormatMessage = "Ошибка экспорта. Не правильный формат файла";
