// The workbook exchange at its largest: exporting a full project (32 groups of 32 scenarios,
// 1024 rows) and importing a workbook of 98 rows, as many as the import reads.
// bench/spreadsheet_peer.sh runs python3-openpyxl on the same work and prints the ratio.
#include "storage/spreadsheet.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

/// A folder of its own under TMPDIR for the bench's files, removed at the end.
struct TBenchFolder
{
    TBenchFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "sig-bench-XXXXXX").string();
        Path = ::mkdtemp(pattern.data());
    }
    ~TBenchFolder() { fs::remove_all(Path); }
    std::string File(const std::string &name) const { return (fs::path(Path) / name).string(); }
    fs::path Path;
};

const TBenchFolder &Folder()
{
    static const TBenchFolder folder;
    return folder;
}

/// A 32-zone project with the given number of used scenarios, filled group by group.
TProject Project(int scenarios)
{
    TProject project;
    project.DeviceType = 9;
    for (int k = 0; k < scenarios; ++k) {
        const int g = k / 32 + 1, s = k % 32 + 1;
        TGroup &group = project.Groups[g];
        group.Used = true;
        group.Zones[size_t(g)] = group.Zones[size_t(33 - g)] = true;
        TScenario &scenario = group.Scenarios[s];
        scenario = TScenario{"", k % 24, (k * 7) % 60, {}, 10 + k % 20, k + 1, true};
        scenario.Days[size_t(k % 7)] = true;
    }
    return project;
}

void ExportLargest(benchmark::State &state)
{
    TProject project = Project(1024);
    const std::string path = Folder().File("largest.xlsx");
    for (auto _ : state)
        ExportSpreadsheet(project, path);
}
BENCHMARK(ExportLargest)->Unit(benchmark::kMillisecond);

void Import98Rows(benchmark::State &state)
{
    TProject source = Project(97); // 97 scenario rows and the end row
    const std::string path = Folder().File("rows98.xlsx");
    ExportSpreadsheet(source, path);
    for (auto _ : state) {
        TProject project;
        benchmark::DoNotOptimize(ImportSpreadsheet(path, project));
        if (!project.Groups[4].Scenarios[1].Used)
            state.SkipWithError("row 98 was not imported");
    }
}
BENCHMARK(Import98Rows)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
