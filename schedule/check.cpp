#include "schedule/check.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr std::string_view ClashStart = "Ошибка совпадение времени: (группа ";
constexpr std::string_view ClashScenario = " сценарий ";
constexpr std::string_view ClashWith = ") с (группой ";
constexpr std::string_view ClashDay = ") день ";

uint8_t DayMask(const TScenario &scenario)
{
    uint8_t mask = 0;
    for (int d = 0; d < 7; ++d)
        mask |= static_cast<uint8_t>(scenario.Days[d] ? 1u << d : 0u);
    return mask;
}

/// Builds clash lines in one reused buffer: the part naming the scenario under test is written
/// once, the other scenario once per pair, and per line only a fixed-size copy of the day name.
/// The worst project writes millions of lines, so nothing is allocated or measured per line.
class TClashLine
{
public:
    TClashLine()
    {
        for (int d = 0; d < 7; ++d) {
            DayLength[d] = std::min(DayNames[d].size(), DayRoom - 1);
            std::memcpy(PaddedDay[d], DayNames[d].data(), DayLength[d]);
            PaddedDay[d][DayLength[d]] = '\n';
        }
    }

    void Begin(int group, int scenario)
    {
        size_t at = 0;
        Put(at, ClashStart);
        PutNumber(at, group);
        Put(at, ClashScenario);
        PutNumber(at, scenario);
        Put(at, ClashWith);
        SubjectEnd = at;
    }

protected:
    /// Writes the line's part naming the other scenario; returns where the day's name goes.
    size_t Other(int group, int scenario)
    {
        size_t at = SubjectEnd;
        PutNumber(at, group);
        Put(at, ClashScenario);
        PutNumber(at, scenario);
        Put(at, ClashDay);
        return at;
    }

    /// Calls put(d) for each day d in common; returns how many.
    template <typename TPut> static int Days(uint8_t commonDays, const TPut &put)
    {
        int count = 0;
        for (int d = 0; d < 7; ++d) {
            if (!(commonDays & (1u << d)))
                continue;
            put(d);
            ++count;
        }
        return count;
    }

    static constexpr size_t DayRoom = 32; // the longest day name is 22 bytes; and the line end

    char Line[ClashStart.size() + 2 * ClashScenario.size() + ClashWith.size() + ClashDay.size() + 8 + DayRoom];
    char PaddedDay[7][DayRoom] = {}; // each name followed by a line end
    size_t DayLength[7];             // without the line end

private:
    void Put(size_t &at, std::string_view text)
    {
        std::memcpy(Line + at, text.data(), text.size());
        at += text.size();
    }

    // Group and slot numbers are 1..32.
    void PutNumber(size_t &at, int value)
    {
        if (value >= 10)
            Line[at++] = static_cast<char>('0' + value / 10);
        Line[at++] = static_cast<char>('0' + value % 10);
    }

    size_t SubjectEnd = 0;
};

/// Clash lines handed to the log one by one, as they are made.
class TClashWriter : public TClashLine
{
public:
    explicit TClashWriter(TLogSink &log) : Log(log) {}

    /// Writes one line per day in common; returns how many.
    int Write(int group, int scenario, uint8_t commonDays)
    {
        const size_t at = Other(group, scenario);
        return Days(commonDays, [this, at](int d) {
            // A fixed-size copy compiles to a few moves; the line ends where the name does.
            std::memcpy(Line + at, PaddedDay[d], DayRoom);
            Log.AddLog(std::string_view(Line, at + DayLength[d]));
        });
    }
    void Flush() {}

private:
    TLogSink &Log;
};

/// Clash lines gathered in large blocks, for a log that writes them to a file: one write of a
/// megabyte, where a call per line would cost as much as making the lines.
class TClashBlockWriter : public TClashLine
{
public:
    TClashBlockWriter(TLogSink &log, size_t blockSize)
        : Log(log), BlockSize(std::max(blockSize, sizeof Line)), Block(new char[BlockSize]), Out(Block.get())
    {}
    TClashBlockWriter(const TClashBlockWriter &) = delete;
    TClashBlockWriter &operator=(const TClashBlockWriter &) = delete;

    int Write(int group, int scenario, uint8_t commonDays)
    {
        const size_t at = Other(group, scenario);
        return Days(commonDays, [this, at](int d) {
            if (Out + sizeof Line > Block.get() + BlockSize)
                Flush();
            std::memcpy(Out, Line, sizeof Line - DayRoom); // the head, and what follows it in Line
            std::memcpy(Out + at, PaddedDay[d], DayRoom);
            Out += at + DayLength[d] + 1;
        });
    }

    /// Hands what is written to the log.
    void Flush()
    {
        if (Out != Block.get())
            Log.AddLines(std::string_view(Block.get(), size_t(Out - Block.get())));
        Out = Block.get();
    }

private:
    TLogSink &Log;
    size_t BlockSize;
    std::unique_ptr<char[]> Block;
    char *Out;
};

bool InRange(int number)
{
    return number >= 1 && number <= 32;
}

/// A used scenario of a used group, with what the comparison needs.
struct TEntry
{
    int32_t Hour;
    int32_t Minute;
    uint8_t Group;
    uint8_t Slot;
    uint8_t Days;
    uint16_t BucketBegin; // entries with the same time, in group/slot order
    uint16_t BucketEnd;
};

/// The used scenarios of a project with their indexes sorted by time, each entry knowing the
/// range of equal times it belongs to. Every used scenario against every other one is
/// 1024 x 1024 in the worst case; comparing only within equal times keeps the usual project linear.
struct TByTime
{
    std::array<TEntry, MaxGroups * MaxScenarios> Entries;
    std::array<uint16_t, MaxGroups * MaxScenarios> Order;
    int Count = 0;
};

void SortByTime(const TProject &project, TByTime &byTime)
{
    auto &entries = byTime.Entries;
    auto &order = byTime.Order;
    int &count = byTime.Count;
    count = 0;
    ForEachUsedScenario(project, [&](int g, int s, const TScenario &scenario) {
        entries[count++] = {
            scenario.Hour, scenario.Minute, static_cast<uint8_t>(g), static_cast<uint8_t>(s), DayMask(scenario), 0, 0};
    });

    // Stable, so each bucket stays in group/slot order.
    for (int k = 0; k < count; ++k)
        order[k] = static_cast<uint16_t>(k);
    const auto earlier = [&](uint16_t a, uint16_t b) {
        const TEntry &x = entries[a];
        const TEntry &y = entries[b];
        if (x.Hour != y.Hour)
            return x.Hour < y.Hour;
        if (x.Minute != y.Minute)
            return x.Minute < y.Minute;
        return a < b;
    };
    std::sort(order.begin(), order.begin() + count, earlier);
    for (int begin = 0; begin < count;) {
        int end = begin + 1;
        const TEntry &first = entries[order[begin]];
        while (end < count && entries[order[end]].Hour == first.Hour && entries[order[end]].Minute == first.Minute)
            ++end;
        for (int k = begin; k < end; ++k) {
            entries[order[k]].BucketBegin = static_cast<uint16_t>(begin);
            entries[order[k]].BucketEnd = static_cast<uint16_t>(end);
        }
        begin = end;
    }
}

} // namespace

namespace {

// CheckScenarioClashes with the writer the log asks for.
template <typename TWriter> int WriteScenarioClashes(const TProject &project, int group, int scenario, TWriter &writer)
{
    const TScenario &subject = project.Groups[group].Scenarios[scenario];
    const uint8_t subjectDays = DayMask(subject);
    if (subjectDays == 0)
        return 0;
    writer.Begin(group, scenario);
    int count = 0;
    ForEachUsedScenario(project, [&](int i, int n, const TScenario &candidate) {
        if ((i == group && n == scenario) || candidate.Hour != subject.Hour || candidate.Minute != subject.Minute)
            return;
        const uint8_t common = subjectDays & DayMask(candidate);
        if (common)
            count += writer.Write(i, n, common);
    });
    writer.Flush();
    return count;
}

// The clash lines of CheckProject with the writer the log asks for; returns their count.
template <typename TWriter> int WriteProjectClashes(const TByTime &sorted, TWriter &writer)
{
    const auto &entries = sorted.Entries;
    const auto &byTime = sorted.Order;
    int total = 0;
    for (int k = 0; k < sorted.Count; ++k) {
        const TEntry &subject = entries[k];
        if (subject.Days == 0 || subject.BucketEnd - subject.BucketBegin < 2)
            continue;
        writer.Begin(subject.Group, subject.Slot);
        for (int b = subject.BucketBegin; b < subject.BucketEnd; ++b) {
            const int other = byTime[b];
            if (other == k)
                continue;
            const uint8_t common = subject.Days & entries[other].Days;
            if (common)
                total += writer.Write(entries[other].Group, entries[other].Slot, common);
        }
    }
    writer.Flush();
    return total;
}

} // namespace

int CheckScenarioClashes(const TProject &project, int group, int scenario, TLogSink &log)
{
    if (!InRange(group) || !InRange(scenario))
        return 0;
    if (log.TakesBlocks()) {
        TClashBlockWriter writer(log, size_t(64) << 10);
        return WriteScenarioClashes(project, group, scenario, writer);
    }
    TClashWriter writer(log);
    return WriteScenarioClashes(project, group, scenario, writer);
}

int CheckProject(const TProject &project, TLogSink &log)
{
    log.ClearLog();
    log.AddLog("Проверка проекта");

    TByTime sorted;
    SortByTime(project, sorted);
    int total = 0;
    if (log.TakesBlocks()) {
        TClashBlockWriter writer(log, size_t(1) << 20);
        total = WriteProjectClashes(sorted, writer);
    } else {
        TClashWriter writer(log);
        total = WriteProjectClashes(sorted, writer);
    }

    log.AddLog("Всего ошибок: " + std::to_string(total));
    return total;
}

std::vector<TClashPair> FindClashPairs(const TProject &project)
{
    TByTime sorted;
    SortByTime(project, sorted);
    std::vector<TClashPair> pairs;
    // Entries are in group/slot order, so taking each pair from its earlier side gives them in that order.
    for (int k = 0; k < sorted.Count; ++k) {
        const TEntry &first = sorted.Entries[k];
        for (int b = first.BucketBegin; b < first.BucketEnd; ++b) {
            const int other = sorted.Order[b];
            if (other <= k)
                continue;
            const TEntry &second = sorted.Entries[other];
            if (const uint8_t common = first.Days & second.Days)
                pairs.push_back({first.Group, first.Slot, second.Group, second.Slot, common});
        }
    }
    return pairs;
}
