#include "storage/csv.h"

#include "model/lib.h"
#include "storage/fileio.h"
#include "storage/rowreport.h"
#include "storage/skiplist.h"

#include <algorithm>

namespace {

constexpr std::string_view LineEnd = "\r\n";
constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";

/// Calls line(text, number) for every line with its 1-based number in the file; CR LF, LF and CR
/// end a line, and a final line end does not make one more empty line. A field that opens with a
/// double quote runs to its closing quote, line breaks and ";" included, and is handed over
/// unquoted, its ";" and line breaks as blanks: the field reader then takes it as any other. A
/// quote that is never closed is no quote: from there on the text is read as it stands.
template <typename Visit> void ForEachLine(std::string_view bytes, Visit &&line)
{
    const auto lineBreak = [&](size_t i) {
        return bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n'));
    };
    std::string unquoted;
    bool quotes = true;
    int64_t number = 1;
    size_t start = 0;
    while (start < bytes.size()) {
        const int64_t first = number;
        bool rewritten = false, fieldStart = true;
        size_t end = start;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') {
            if (fieldStart && quotes && bytes[end] == '"') {
                std::string field;
                int64_t breaks = 0;
                size_t q = end + 1;
                for (; q < bytes.size(); ++q) {
                    if (bytes[q] == '"') {
                        if (q + 1 < bytes.size() && bytes[q + 1] == '"') {
                            field += '"';
                            ++q;
                            continue;
                        }
                        break;
                    }
                    breaks += lineBreak(q) ? 1 : 0;
                    const bool blank = bytes[q] == ';' || bytes[q] == '\r' || bytes[q] == '\n';
                    field += blank ? ' ' : bytes[q];
                }
                if (q == bytes.size()) {
                    quotes = false; // every quote after this one is doubled: none opens a field
                    continue;
                }
                if (!rewritten)
                    unquoted.assign(bytes.substr(start, end - start));
                rewritten = true;
                unquoted += field;
                number += breaks;
                end = q + 1;
                fieldStart = false;
                continue;
            }
            fieldStart = bytes[end] == ';';
            if (rewritten)
                unquoted += bytes[end];
            ++end;
        }
        line(rewritten ? std::string_view(unquoted) : bytes.substr(start, end - start), first);
        if (end < bytes.size() && bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n')
            ++end;
        start = end + 1;
        ++number;
    }
}

/// Field count as the reader's cutting loop finds it: one more than the ";" that are not the
/// line's last byte. Counted in one scan so a line of a million ";" stays cheap.
int64_t FieldCount(std::string_view line)
{
    int64_t separators = std::count(line.begin(), line.end(), ';');
    if (!line.empty() && line.back() == ';')
        --separators;
    return separators + 1;
}

/// Reads fields from the front of a line, each as its leading number; past the end every field is 0.
class TFieldReader
{
public:
    explicit TFieldReader(std::string_view line) : Rest(line) {}

    int32_t Next()
    {
        if (Rest.empty()) // past the end, as on a blank line: cheap, since a file may hold millions
            return 0;
        const int32_t value = LeadingNumber(Rest);
        Rest = TextAfter(Rest, ";");
        return value;
    }

private:
    std::string_view Rest;
};

TScheduleRow ReadRow(std::string_view line, int32_t zoneCount)
{
    TFieldReader fields(line);
    TScheduleRow row;
    ForEachColumn(row, zoneCount, [&fields](TExchangeColumn, int32_t &value) {
        value = fields.Next();
        return true;
    });
    return row;
}

void StoreScenario(TScenario &scenario, const TScheduleRow &row)
{
    scenario.Name.clear();
    scenario.Hour = row.Hour;
    scenario.Minute = row.Minute;
    for (int d = 0; d < 7; ++d)
        scenario.Days[d] = row.Days[d] != 0;
    scenario.Volume = row.Volume;
    scenario.Track = row.Track;
}

} // namespace

void ExportWalk(TProject &project, const std::function<void(int g, int s)> &row)
{
    for (int g = 1; g <= MaxGroups; ++g) {
        TGroup &group = project.Groups[g];
        if (!group.Used) {
            ResetGroup(group);
            continue;
        }
        for (int s = 1; s <= MaxScenarios; ++s) {
            if (group.Scenarios[s].Used)
                row(g, s);
            else
                ResetScenario(group.Scenarios[s]);
        }
    }
}

std::string RowSkipReason(const TScheduleRow &row, const TSlotCounters &counters)
{
    if (row.Group < 0 || row.Group > MaxGroups)
        return "номер группы " + std::to_string(row.Group) + " вне 1–32; строка пропущена";
    if (row.Slot < 0 || row.Slot > MaxScenarios)
        return "номер сценария " + std::to_string(row.Slot) + " вне 1–32; строка пропущена";
    if (row.Group == 0) {
        // The end of the table and blank lines read as group 0 and carry nothing; anything else does.
        const auto zero = [](const auto &values) {
            return std::all_of(values.begin(), values.end(), [](int32_t v) { return v == 0; });
        };
        const bool nothing = (row.Hour == 0 || row.Hour == 90) && row.Minute == 0 && zero(row.Days) &&
                             zero(row.Zones) && row.Volume == 0 && row.Track == 0 && row.Slot == 0;
        return nothing ? "" : "номер группы 0 вне 1–32; строка пропущена";
    }
    if (row.Slot == 0 && counters[size_t(row.Group)] >= MaxScenarios)
        return "в группе " + std::to_string(row.Group) + " уже 32 сценария; строка пропущена";
    return "";
}

int32_t RowSlot(const TScheduleRow &row, TSlotCounters &counters)
{
    // Rows with no record to go to are left out rather than written past the arrays.
    if (row.Group < 0 || row.Group > MaxGroups || row.Slot < 0 || row.Slot > MaxScenarios)
        return 0;
    if (row.Slot != 0)
        return row.Slot;
    if (counters[size_t(row.Group)] >= MaxScenarios)
        return 0;
    return ++counters[size_t(row.Group)];
}

int32_t StoreScheduleRow(TProject &project, TSlotCounters &counters, const TScheduleRow &row, int32_t zoneCount,
                         bool zoneMarksUsed)
{
    const int32_t slot = RowSlot(row, counters);
    if (slot == 0)
        return 0;
    zoneCount = std::clamp(zoneCount, 0, MaxZones);

    TGroup &group = project.Groups[row.Group];
    bool anyZone = false;
    for (int z = 1; z <= zoneCount; ++z) {
        group.Zones[z] = row.Zones[z] != 0;
        anyZone = anyZone || row.Zones[z] != 0;
    }

    TScenario &scenario = group.Scenarios[size_t(slot)];
    if (row.Slot == 0) {
        group.Used = true;
        StoreScenario(scenario, row);
        scenario.Used = true;
        return slot;
    }

    StoreScenario(scenario, row);
    // Summed in 64 bits: large values must not wrap round into "unused".
    const int64_t sum = int64_t(row.Hour) + row.Minute + row.Volume + row.Track;
    const bool anyDay = std::any_of(row.Days.begin(), row.Days.end(), [](int32_t d) { return d != 0; });
    scenario.Used = sum > 0 || anyDay;
    if (scenario.Used || (zoneMarksUsed && anyZone))
        group.Used = true;
    return slot;
}

std::string SerializeCsv(TProject &project)
{
    std::string bytes;
    const auto appendLine = [&bytes](const TScheduleRow &row) {
        bool first = true;
        ForEachColumn(row, MaxZones, [&](TExchangeColumn column, int32_t value) {
            if (!first)
                bytes += ';';
            first = false;
            AppendColumnText(bytes, column, value);
            return true;
        });
        bytes.append(LineEnd);
    };
    ExportWalk(project, [&](int g, int s) { appendLine(ScheduleRow(project, g, s)); });
    appendLine(EndOfTableRow());
    return bytes;
}

void ExportCsv(TProject &project, const std::string &path)
{
    // The whole text is built first and replaces the file in one step, so a failed export
    // leaves an older file at the path as it was.
    WriteFileAtomically(path, SerializeCsv(project));
}

TImportResult ParseCsv(std::string_view bytes, TProject &project, std::vector<TSkippedEntry> &skipped)
{
    skipped.clear();
    // A NUL byte: a picture or a UTF-16 text, no schedule of ours. The byte-order mark that
    // spreadsheet programs and editors put in front is no part of the first number.
    if (bytes.find('\0') != std::string_view::npos)
        return TImportResult::WrongFormat;
    if (bytes.starts_with(Utf8Bom))
        bytes.remove_prefix(Utf8Bom.size());
    int64_t width = 0;
    ForEachLine(bytes, [&width](std::string_view line, int64_t) { width = std::max(width, FieldCount(line)); });
    const int32_t type = DeviceTypeForColumnCount(width);
    if (type == 0)
        return TImportResult::WrongFormat;

    ResetProject(project);
    project.DeviceType = type;
    const int32_t zoneCount = DeviceZoneCounts[type];
    TSlotCounters counters{};
    TSkipList skips(skipped);
    TRowLedger ledger(zoneCount);
    ForEachLine(bytes, [&](std::string_view line, int64_t number) {
        const TScheduleRow row = ReadRow(line, zoneCount);
        if (std::string reason = RowSkipReason(row, counters); !reason.empty())
            skips.Add("строка " + std::to_string(number), [&] { return std::move(reason); });
        ledger.Stored(row, StoreScheduleRow(project, counters, row, zoneCount, true), number);
    });

    // Every line again, against what the project holds now that all are read.
    counters = {};
    std::vector<std::string_view> fields;
    ForEachLine(bytes, [&](std::string_view line, int64_t number) {
        const TScheduleRow row = ReadRow(line, zoneCount);
        const int32_t slot = RowSlot(row, counters);
        if (TRowLedger::HoldsNothing(row, slot))
            return;
        fields.clear();
        for (std::string_view rest = line;;) {
            const size_t at = rest.find(';');
            fields.push_back(rest.substr(0, at));
            if (at == std::string_view::npos)
                break;
            rest.remove_prefix(at + 1);
        }
        const std::string key = "строка " + std::to_string(number);
        ledger.Hold(
            project, row, slot, number, key, [&](int) { return key; },
            [&](int i) { return size_t(i) < fields.size() ? std::optional(fields[size_t(i)]) : std::nullopt; }, skips);
    });
    return TImportResult::Imported;
}

TImportResult ParseCsv(std::string_view bytes, TProject &project)
{
    std::vector<TSkippedEntry> skipped;
    return ParseCsv(bytes, project, skipped);
}

TImportResult ImportCsv(const std::string &path, TProject &project, std::vector<TSkippedEntry> &skipped)
{
    const std::string bytes = ReadWholeFile(path);
    return ParseCsv(bytes, project, skipped);
}

TImportResult ImportCsv(const std::string &path, TProject &project)
{
    std::vector<TSkippedEntry> skipped;
    return ImportCsv(path, project, skipped);
}
