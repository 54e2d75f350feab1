#pragma once

#include "model/type.h"
#include "storage/exchangecolumns.h"
#include "storage/skiplist.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The rows of a schedule import (CSV lines, workbook rows) held against what the project keeps
// once every row is read: a cell whose text is not the number the project will hold for it, a row
// whose scenario a later row replaces, and a row the project does not keep at all are listed. The
// import stores the rows as its format says; this only makes every change loud.
//
// What counts as the same: blanks and control characters around a cell, leading zeros ("08" holds
// 8), quotes around a CSV field, the width of the table (the zone columns a device lacks are not
// read), and a missing or empty cell where the project holds 0. A day or zone cell holds 0 or 1;
// "2" is read as on and listed.

/// Remembers, while an import stores its rows, which row last set each slot and each group's zones.
class TRowLedger
{
public:
    explicit TRowLedger(int32_t zoneCount) : ZoneCount(zoneCount) {}

    /// After the row numbered number was stored in slot (StoreScheduleRow's result; 0: not stored).
    void Stored(const TScheduleRow &row, int32_t slot, int64_t number);

    /// Lists what the project, with every row read, does not hold as this row has it. slot: where
    /// the row went, as Stored got it; rowKey: "строка 5"; cellKey(i) names cell i (0-based) of
    /// the row; cellText(i) gives its text, nothing past the row's end.
    /// Rows with no place (slot 0) and rows of group 0 hold nothing: callers may pass them by
    /// with HoldsNothing before they build the keys.
    void Hold(const TProject &project, const TScheduleRow &row, int32_t slot, int64_t number, const std::string &rowKey,
              const std::function<std::string(int)> &cellKey,
              const std::function<std::optional<std::string_view>(int)> &cellText, TSkipList &skipped) const;

    static bool HoldsNothing(const TScheduleRow &row, int32_t slot) { return slot == 0 || row.Group == 0; }

private:
    int32_t ZoneCount;
    std::array<std::array<int64_t, MaxScenarios + 1>, MaxGroups + 1> SlotRow{};
    std::array<int64_t, MaxGroups + 1> ZoneRow{};
};

/// A cell's text for a message: quoted, and cut where it would fill the screen.
std::string QuotedCell(std::string_view text);
