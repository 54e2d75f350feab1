// The week chart and the printed schedule of the largest project (32 groups of 32 scenarios, every
// day): working out the layout, painting the chart offscreen at a window's size, and the PDF.
#include "schedule/weeklayout.h"
#include "ui/chart/schedulepages.h"
#include "ui/chart/weekpainter.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

struct TLargest
{
    std::unique_ptr<TProject> Project = std::make_unique<TProject>();
    std::vector<std::string> PlayList;
};

/// Each scenario at a time of its own (00:00 onwards, a minute apart), or all at 08:00, where each
/// clashes with the 1023 others on every day.
const TLargest &Largest(bool clashing)
{
    const auto make = [](bool allAtEight) {
        TLargest largest;
        TProject &project = *largest.Project;
        project.Name = "Школа номер один, главный корпус";
        project.DeviceType = 9;
        for (int g = 1; g <= MaxGroups; ++g) {
            TGroup &group = project.Groups[g];
            group.Used = true;
            group.Name = "Группа громкоговорителей " + std::to_string(g);
            group.Zones.fill(true);
            for (int s = 1; s <= MaxScenarios; ++s) {
                const int k = (g - 1) * MaxScenarios + (s - 1);
                TScenario &scenario = group.Scenarios[s];
                scenario.Used = true;
                scenario.Name = "Звонок на перемену " + std::to_string(k);
                scenario.Hour = allAtEight ? 8 : k / 60;
                scenario.Minute = allAtEight ? 0 : k % 60;
                scenario.Days.fill(true);
                scenario.Volume = 20;
                scenario.Track = 1 + k % 1000;
            }
        }
        for (int t = 1; t <= 1000; ++t)
            largest.PlayList.push_back(std::to_string(t) + ";/home/оператор/Звонки/звонок номер " + std::to_string(t) +
                                       ".mp3");
        return largest;
    };
    static const TLargest spread = make(false);
    static const TLargest atEight = make(true);
    return clashing ? atEight : spread;
}

void BM_ChartLayout(benchmark::State &state)
{
    const TProject &project = *Largest(state.range(0) != 0).Project;
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildWeekLayout(project));
}
BENCHMARK(BM_ChartLayout)->Arg(0)->Arg(1)->ArgName("clashing")->Unit(benchmark::kMillisecond);

/// One frame of the chart window at 1280 x 800: what a repaint costs once the layout is there.
void BM_ChartPaint(benchmark::State &state)
{
    const TProject &project = *Largest(state.range(0) != 0).Project;
    const TWeekLayout layout = BuildWeekLayout(project);
    QImage image(1280, 800, QImage::Format_ARGB32_Premultiplied);
    TChartStyle style;
    style.Font = PrintFont(9);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        PaintWeekChart(painter, image.rect(), layout, project, style);
    }
    state.counters["marks"] = static_cast<double>(layout.Marks.size());
}
BENCHMARK(BM_ChartPaint)->Arg(0)->Arg(1)->ArgName("clashing")->Unit(benchmark::kMillisecond);

/// The whole PDF: two passes over the pages, tables, chart and clash list.
void BM_SchedulePdf(benchmark::State &state)
{
    const TLargest &largest = Largest(state.range(0) != 0);
    size_t bytes = 0;
    for (auto _ : state)
        bytes = SchedulePdf(*largest.Project, largest.PlayList, QDate(2025, 9, 1)).size();
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_SchedulePdf)->Arg(0)->Arg(1)->ArgName("clashing")->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
