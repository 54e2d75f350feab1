// The main window's costs: the first shown window, the tree of the largest project, selecting a
// scenario that clashes with every other one, and the whole check with and without clashes.
// Each step includes the event loop turn that paints its result.
#include "schedule/check.h"
#include "ui/mainwindow/sigcfg.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <memory>

namespace {

/// Answers every question with No, Cancel or the close box; the benchmarks ask none.
class TSilentPrompts : public Prompts
{
public:
    bool AskYesNo(const QString &, const QString &) override { return false; }
    TAnswer AskYesNoCancel(const QString &, const QString &) override { return TAnswer::Cancel; }
    bool AskOkCancel(const QString &, const QString &) override { return false; }
    void Notice(const QString &, const QString &) override {}
    void Error(const QString &, const QString &) override {}
    std::optional<FileChoice> OpenFile(const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    std::optional<FileChoice> SaveFile(const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    int ShowModal(QDialog &) override { return 2; }
};

/// 32 groups of 32 scenarios on the largest device, every day. Clashing: all at 08:00, so every
/// scenario clashes with the 1023 others on 7 days; otherwise each has a time of its own.
void FillLargest(TProject &project, bool clashing)
{
    ResetProject(project);
    project.Name = "Bench";
    project.DeviceType = 9;
    for (int g = 1; g <= MaxGroups; ++g) {
        TGroup &group = project.Groups[g];
        group.Used = true;
        group.Name = "Группа корпуса " + std::to_string(g);
        for (int s = 1; s <= MaxScenarios; ++s) {
            TScenario &scenario = group.Scenarios[s];
            scenario.Used = true;
            scenario.Name = "Звонок " + std::to_string(s);
            scenario.Hour = clashing ? 8 : g;
            scenario.Minute = clashing ? 0 : s;
            scenario.Days.fill(true);
        }
    }
}

double PeakRssMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

struct TWindowFixture
{
    explicit TWindowFixture(bool clashing)
    {
        FillLargest(Project, clashing);
        Window = std::make_unique<TfrMain>(Project, Prompts);
        Window->ProjectOpened();
        Window->show();
        QApplication::processEvents();
    }

    TProject Project;
    TSilentPrompts Prompts;
    std::unique_ptr<TfrMain> Window;
};

int LogLineCount(const TfrMain &window)
{
    return window.findChild<QPlainTextEdit *>(QStringLiteral("mmLog"))->document()->blockCount();
}

void BM_StartToFirstShownWindow(benchmark::State &state)
{
    TProject project;
    TSilentPrompts prompts;
    for (auto _ : state) {
        auto window = std::make_unique<TfrMain>(project, prompts);
        window->show();
        QApplication::processEvents();
        state.PauseTiming();
        window.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartToFirstShownWindow)->Unit(benchmark::kMillisecond);

void BM_RebuildTreeLargestProject(benchmark::State &state)
{
    TWindowFixture fixture(false);
    for (auto _ : state) {
        fixture.Window->RebuildTree();
        QApplication::processEvents(); // and paint it
    }
    state.counters["nodes"] = double(
        fixture.Window->findChild<QTreeWidget *>(QStringLiteral("tvMain"))->topLevelItemCount() * (1 + MaxScenarios));
}
BENCHMARK(BM_RebuildTreeLargestProject)->Unit(benchmark::kMillisecond);

void BM_SelectScenarioClashingWithAllOthers(benchmark::State &state)
{
    TWindowFixture fixture(true);
    QTreeWidgetItem *node = fixture.Window->FindScenarioNode(1, 1);
    for (auto _ : state) {
        fixture.Window->tvMainChange(node);
        QApplication::processEvents();
    }
    state.counters["log_lines"] = LogLineCount(*fixture.Window);
}
BENCHMARK(BM_SelectScenarioClashingWithAllOthers)->Unit(benchmark::kMillisecond);

void BM_CheckProjectWithoutClashes(benchmark::State &state)
{
    TWindowFixture fixture(false);
    for (auto _ : state) {
        fixture.Window->RunCheckProject();
        QApplication::processEvents();
    }
    state.counters["log_lines"] = LogLineCount(*fixture.Window);
}
BENCHMARK(BM_CheckProjectWithoutClashes)->Unit(benchmark::kMillisecond);

void BM_CheckProjectDegenerate(benchmark::State &state)
{
    TWindowFixture fixture(true);
    const double before = PeakRssMb();
    for (auto _ : state) {
        fixture.Window->RunCheckProject();
        QApplication::processEvents();
    }
    state.counters["log_lines_shown"] = LogLineCount(*fixture.Window);
    state.counters["peak_rss_MB"] = PeakRssMb();
    state.counters["peak_rss_growth_MB"] = PeakRssMb() - before;
}
BENCHMARK(BM_CheckProjectDegenerate)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same flood through Log() outside a batch, as a caller that does not batch would send it.
void BM_CheckProjectDegenerateUnbatched(benchmark::State &state)
{
    TWindowFixture fixture(true);
    for (auto _ : state) {
        CheckProject(fixture.Project, fixture.Window->Log());
        QApplication::processEvents();
    }
    state.counters["log_lines_shown"] = LogLineCount(*fixture.Window);
}
BENCHMARK(BM_CheckProjectDegenerateUnbatched)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    {
        // The very first window pays for fonts, styles and icons once; the benchmark then runs warm.
        TProject project;
        TSilentPrompts prompts;
        const auto start = std::chrono::steady_clock::now();
        TfrMain window(project, prompts);
        window.show();
        QApplication::processEvents();
        const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        std::printf("first shown window (cold): %.1f ms\n", elapsed.count());
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
