// Core operations on the largest project the model holds: load (Windows-1251 and UTF-8) and save
// of the project file, the clash check, CSV export and import; and the check on the worst clash
// pattern.
//
// With SIG_BENCH_PROJECT_FILE set, writes the maximal project file to that path and exits,
// so peer scripts can time other readers on the very same bytes.

#include "model/codepage.h"
#include "schedule/check.h"
#include "storage/csv.h"
#include "storage/fileio.h"
#include "storage/projectfile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

/// Pads text with Cyrillic letters (two bytes each in UTF-8) to exactly size bytes.
std::string CyrillicPadded(std::string text, size_t size)
{
    static const std::string letters = "абвгдежзиклмнопрстуфхцчшщэюя";
    for (size_t k = 0; text.size() + 2 <= size; k = (k + 2) % letters.size())
        text.append(letters, k, 2);
    text.resize(size, '_');
    return text;
}

struct TMaximal
{
    std::unique_ptr<TProject> Project = std::make_unique<TProject>();
    std::vector<std::string> PlayList;
};

/// 32 groups of 32 scenarios on every day, each at its own time, all 32 zones, Cyrillic names,
/// and a playlist of 1000 lines with 120-byte paths.
const TMaximal &Maximal()
{
    static const TMaximal maximal = [] {
        TMaximal m;
        TProject &project = *m.Project;
        project.Name = "Школа номер один, главный корпус";
        project.DeviceType = 9;
        for (int g = 1; g <= 32; ++g) {
            TGroup &group = project.Groups[g];
            group.Used = true;
            group.Name = "Группа громкоговорителей " + std::to_string(g);
            group.Zones.fill(true);
            group.Zones[0] = false;
            for (int s = 1; s <= 32; ++s) {
                const int k = (g - 1) * 32 + (s - 1);
                TScenario &scenario = group.Scenarios[s];
                scenario.Used = true;
                scenario.Name = "Звонок на перемену " + std::to_string(k);
                scenario.Hour = k / 60;
                scenario.Minute = k % 60;
                scenario.Days.fill(true);
                scenario.Volume = 20;
                scenario.Track = 1 + k % 1000;
            }
        }
        for (int t = 1; t <= 1000; ++t)
            m.PlayList.push_back(std::to_string(t) + ";" +
                                 CyrillicPadded("/home/оператор/Звонки/" + std::to_string(t) + "/", 120));
        return m;
    }();
    return maximal;
}

const std::string &MaximalProjectFile()
{
    static const std::string bytes = SerializeProjectFile(*Maximal().Project, Maximal().PlayList);
    return bytes;
}

const std::string &MaximalCsv()
{
    static const std::string bytes = [] {
        TProject copy = *Maximal().Project;
        return SerializeCsv(copy);
    }();
    return bytes;
}

/// Loads bytes into one project again and again, as the window's Open does.
void LoadRepeatedly(benchmark::State &state, const std::string &bytes)
{
    auto project = std::make_unique<TProject>();
    std::vector<std::string> playList;
    std::vector<TSkippedEntry> skipped;
    for (auto _ : state) {
        ResetProject(*project);
        playList.clear();
        skipped.clear();
        ParseProjectFile(bytes, *project, playList, skipped);
        benchmark::DoNotOptimize(project->Groups[32].Scenarios[32].Hour);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}

void BM_LoadProjectFile(benchmark::State &state)
{
    LoadRepeatedly(state, MaximalProjectFile());
}
BENCHMARK(BM_LoadProjectFile)->Unit(benchmark::kMicrosecond);

void BM_LoadProjectFileUtf8(benchmark::State &state)
{
    // The same file as a text editor saves it in UTF-8, with the byte-order mark.
    static const std::string bytes = "\xEF\xBB\xBF" + Cp1251ToUtf8(MaximalProjectFile());
    LoadRepeatedly(state, bytes);
}
BENCHMARK(BM_LoadProjectFileUtf8)->Unit(benchmark::kMicrosecond);

void BM_SaveProjectFile(benchmark::State &state)
{
    const TMaximal &m = Maximal();
    for (auto _ : state) {
        std::string bytes = SerializeProjectFile(*m.Project, m.PlayList);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(MaximalProjectFile().size()));
}
BENCHMARK(BM_SaveProjectFile)->Unit(benchmark::kMicrosecond);

void BM_CheckProject(benchmark::State &state)
{
    const TProject &project = *Maximal().Project;
    TCountingLog log;
    for (auto _ : state)
        benchmark::DoNotOptimize(CheckProject(project, log));
}
BENCHMARK(BM_CheckProject)->Unit(benchmark::kMicrosecond);

void BM_CheckProjectWorstCase(benchmark::State &state)
{
    // Every scenario at one time on every day: 1024 x 1023 x 7 clash lines.
    auto project = std::make_unique<TProject>(*Maximal().Project);
    for (int g = 1; g <= 32; ++g)
        for (int s = 1; s <= 32; ++s)
            project->Groups[g].Scenarios[s].Hour = project->Groups[g].Scenarios[s].Minute = 9;
    TCountingLog log;
    for (auto _ : state)
        benchmark::DoNotOptimize(CheckProject(*project, log));
    state.counters["lines"] = double(log.Lines);
}
BENCHMARK(BM_CheckProjectWorstCase)->Unit(benchmark::kMillisecond);

void BM_SerializeCsv(benchmark::State &state)
{
    auto project = std::make_unique<TProject>(*Maximal().Project);
    for (auto _ : state) {
        std::string bytes = SerializeCsv(*project);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(MaximalCsv().size()));
}
BENCHMARK(BM_SerializeCsv)->Unit(benchmark::kMicrosecond);

void BM_ParseCsv(benchmark::State &state)
{
    const std::string &bytes = MaximalCsv();
    auto project = std::make_unique<TProject>();
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseCsv(bytes, *project));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}
BENCHMARK(BM_ParseCsv)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (const char *path = std::getenv("SIG_BENCH_PROJECT_FILE")) {
        WriteFileAtomically(path, MaximalProjectFile());
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
