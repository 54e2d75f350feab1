#include "storage/rowreport.h"

#include "model/lib.h"

namespace {

/// The cell's text as a plain integer (optional "-", decimal digits), or nothing.
std::optional<int64_t> PlainInteger(std::string_view text)
{
    const bool negative = text.starts_with('-');
    if (negative)
        text.remove_prefix(1);
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

} // namespace

std::string QuotedCell(std::string_view text)
{
    constexpr size_t Shown = 40;
    if (text.size() <= Shown)
        return "«" + std::string(text) + "»";
    size_t cut = Shown;
    while (cut > 0 && (uint8_t(text[cut]) & 0xC0) == 0x80)
        --cut; // not inside a UTF-8 character
    return "«" + std::string(text.substr(0, cut)) + "…»";
}

void TRowLedger::Stored(const TScheduleRow &row, int32_t slot, int64_t number)
{
    if (slot == 0)
        return;
    SlotRow[size_t(row.Group)][size_t(slot)] = number;
    ZoneRow[size_t(row.Group)] = number;
}

void TRowLedger::Hold(const TProject &project, const TScheduleRow &row, int32_t slot, int64_t number,
                      const std::string &rowKey, const std::function<std::string(int)> &cellKey,
                      const std::function<std::optional<std::string_view>(int)> &cellText, TSkipList &skipped) const
{
    const int32_t g = row.Group;
    // No place: listed when it was read. Group 0: the end of the table or a blank line.
    if (HoldsNothing(row, slot))
        return;
    const auto where = [&] { return "сценарий " + std::to_string(slot) + " группы " + std::to_string(g); };
    if (g > ZoneCount) {
        skipped.Add(rowKey, [&] {
            return "номер группы " + std::to_string(g) + " выше числа зон устройства (" + std::to_string(ZoneCount) +
                   "): в проекте этой строки не будет";
        });
        return;
    }
    if (const int64_t later = SlotRow[size_t(g)][size_t(slot)]; later != number) {
        skipped.Add(rowKey,
                    [&] { return where() + " задан ещё строкой " + std::to_string(later) + ": в проекте будет та"; });
        return;
    }
    if (!project.Groups[size_t(g)].Scenarios[size_t(slot)].Used) {
        skipped.Add(rowKey, [&] { return where() + " без времени, дней, громкости и трека: в проекте его не будет"; });
        return;
    }
    TScheduleRow held = ScheduleRow(project, g, slot);
    held.Slot = row.Slot == 0 ? 0 : slot; // 0 asks for the next free slot: it holds what it says
    int cell = 0;
    ForEachColumn(held, ZoneCount, [&](TExchangeColumn column, int32_t value) {
        const std::optional<std::string_view> text = cellText(cell);
        const std::string_view trimmed = text ? TrimControl(*text) : std::string_view();
        const std::optional<int64_t> integer = PlainInteger(trimmed);
        if (trimmed.empty() ? value != 0 : integer != value) {
            skipped.AddEntry([&] { return cellKey(cell); },
                             [&] {
                                 std::string reason = ColumnHeader(column) + ": " +
                                                      (trimmed.empty() ? std::string("пусто") : QuotedCell(trimmed));
                                 if (!trimmed.empty() && !integer)
                                     reason += " — не целое число";
                                 if (column.Kind == TExchangeColumn::TKind::Zone && ZoneRow[size_t(g)] != number)
                                     reason += " — зоны группы задаёт строка " + std::to_string(ZoneRow[size_t(g)]);
                                 return reason + "; в проекте будет " + std::to_string(value);
                             });
        }
        ++cell;
        return true;
    });
}
