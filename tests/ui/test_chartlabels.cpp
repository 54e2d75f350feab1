// The week chart's labels: none covers a bar or another label, and a mark without one is listed.
#include "model/lib.h"
#include "schedule/bells.h"
#include "storage/projectfile.h"
#include "ui/chart/schedulepages.h"
#include "ui/chart/weekpainter.h"

#include <QFontMetricsF>
#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

/// Overlap beyond touching.
bool Meet(const QRectF &a, const QRectF &b)
{
    return a.intersected(b).width() > 0.01 && a.intersected(b).height() > 0.01;
}

std::unique_ptr<TProject> Sample()
{
    auto project = std::make_unique<TProject>();
    std::vector<std::string> playList;
    std::vector<TSkippedEntry> skipped;
    LoadProjectFile(SIG_TEST_DATA "/windows-school.vlpj", *project, playList, skipped);
    // A school day with warnings two minutes ahead: bells closer than a label is high.
    TBellPlan plan;
    plan.Group = 3;
    plan.WarningMinutes = 2;
    plan.Lessons = 8;
    EXPECT_EQ(AddBells(*project, plan).Refusal, "");
    return project;
}

/// 32 groups of 32 scenarios a minute apart on every day, as the benchmark has it.
std::unique_ptr<TProject> Largest()
{
    auto project = std::make_unique<TProject>();
    project->DeviceType = 9;
    for (int g = 1; g <= MaxGroups; ++g) {
        project->Groups[g].Used = true;
        for (int s = 1; s <= MaxScenarios; ++s) {
            const int k = (g - 1) * MaxScenarios + (s - 1);
            TScenario &scenario = project->Groups[g].Scenarios[s];
            scenario.Used = true;
            scenario.Hour = k / 60;
            scenario.Minute = k % 60;
            scenario.Days.fill(true);
            scenario.Track = 1 + k % 1000;
        }
    }
    return project;
}

} // namespace

TEST(ChartLabels, NoLabelMeetsABarOrAnotherLabelAndNoMarkGoesUnaccounted)
{
    struct TCase
    {
        const char *What;
        std::unique_ptr<TProject> Project;
        QSize Size; // the window's chart, and a printed landscape page at 300 dpi
        double PointSize;
        bool SomeDropped;
    };
    TCase cases[] = {
        {"sample in the window", Sample(), {1280, 800}, 8, false},
        {"sample printed", Sample(), {3300, 2200}, 7, false},
        {"largest in the window", Largest(), {1280, 800}, 8, true},
        {"largest printed", Largest(), {3300, 2200}, 7, true},
    };
    for (TCase &c : cases) {
        SCOPED_TRACE(c.What);
        QImage image(c.Size, QImage::Format_RGB32);
        if (c.Size.width() > 2000)
            image.setDotsPerMeterX(11811), image.setDotsPerMeterY(11811);
        TChartStyle style;
        style.Font = PrintFont(c.PointSize);
        const TWeekLayout layout = BuildWeekLayout(*c.Project);
        const QRectF area(QPointF(0, 0), QSizeF(c.Size));
        const TChartGeometry geometry = ChartGeometryFor(&image, area, layout, style);
        const TChartLabels labels = LayChartLabels(QFontMetricsF(style.Font, &image), geometry, layout, *c.Project);

        std::vector<QRectF> bars;
        for (const TWeekMark &mark : layout.Marks)
            bars.push_back(geometry.MarkRect(mark));
        int meetings = 0;
        for (size_t i = 0; i < labels.Labels.size(); ++i) {
            const QRectF &label = labels.Labels[i].Rect;
            for (const QRectF &bar : bars)
                meetings += Meet(label, bar);
            for (size_t j = i + 1; j < labels.Labels.size(); ++j)
                meetings += Meet(label, labels.Labels[j].Rect);
        }
        EXPECT_EQ(meetings, 0);
        // Each mark has a label, is listed as left out, or shares a label across its day with the
        // marks of its minute.
        std::vector<int> accounted(layout.Marks.size(), 0);
        for (const auto &label : labels.Labels)
            accounted[label.Mark] += 1;
        for (int k : labels.Dropped)
            accounted[k] += 1;
        for (size_t k = 0; k < layout.Marks.size(); ++k) {
            if (layout.Marks[k].Lane > 0 && accounted[k] == 0)
                accounted[k] = accounted[k - layout.Marks[k].Lane];
            EXPECT_EQ(accounted[k], 1) << k;
        }
        EXPECT_EQ(labels.Dropped.empty(), !c.SomeDropped);
        EXPECT_FALSE(labels.Labels.empty());
        EXPECT_EQ(DroppedLabelsText(labels, layout).isEmpty(), !c.SomeDropped);
    }
}

TEST(ChartLabels, ALabelNamesTheBarItStandsBeside)
{
    // Monday has a lesson more and shorter breaks than the other weekdays, Saturday fewer, each in
    // a group of its own: days with different numbers of bells, at the sizes of a laptop's and a
    // desktop's chart and in print.
    auto project = std::make_unique<TProject>();
    project->DeviceType = 2;
    for (int g : {1, 2, 3})
        project->Groups[g].Used = true;
    TBellPlan weekdays;
    weekdays.Group = 1;
    weekdays.Days = {false, true, true, true, true, false, false};
    weekdays.Breaks = {10, 20, 10};
    weekdays.WarningMinutes = 2;
    TBellPlan monday = weekdays;
    monday.Days = {true, false, false, false, false, false, false};
    monday.Lessons = 7;
    monday.Breaks = {5, 15, 5};
    monday.Group = 2;
    TBellPlan saturday = weekdays;
    saturday.Days = {false, false, false, false, false, true, false};
    saturday.Lessons = 4;
    saturday.WarningMinutes = 0;
    saturday.Group = 3;
    for (const TBellPlan &plan : {weekdays, monday, saturday})
        ASSERT_EQ(AddBells(*project, plan).Refusal, "");
    const TWeekLayout layout = BuildWeekLayout(*project);

    const struct
    {
        QSize Size;
        double PointSize;
    } sizes[] = {{{700, 420}, 8}, {{960, 600}, 9}, {{1500, 900}, 9}, {{3300, 2200}, 7}};
    for (const auto &size : sizes) {
        SCOPED_TRACE(size.Size.width());
        QImage image(size.Size, QImage::Format_RGB32);
        if (size.Size.width() > 2000)
            image.setDotsPerMeterX(11811), image.setDotsPerMeterY(11811);
        TChartStyle style;
        style.Font = PrintFont(size.PointSize);
        const TChartGeometry geometry =
            ChartGeometryFor(&image, QRectF(QPointF(0, 0), QSizeF(size.Size)), layout, style);
        const TChartLabels labels = LayChartLabels(QFontMetricsF(style.Font, &image), geometry, layout, *project);
        ASSERT_FALSE(labels.Labels.empty());
        for (const TChartLabels::TLabel &label : labels.Labels) {
            // The bars nearest the label, up or down its day, and those that run into them.
            const int day = layout.Marks[label.Mark].Day;
            const auto gap = [&](int k) {
                const QRectF bar = geometry.MarkRect(layout.Marks[k]);
                return std::max({0.0, bar.top() - label.Rect.bottom(), label.Rect.top() - bar.bottom()});
            };
            double nearest = INFINITY;
            for (int k = layout.DayBegin[day]; k < layout.DayBegin[day + 1]; ++k)
                nearest = std::min(nearest, gap(k));
            std::vector<int> near;
            for (int k = layout.DayBegin[day]; k < layout.DayBegin[day + 1]; ++k) {
                if (gap(k) <= nearest + 0.01)
                    near.push_back(k);
            }
            for (bool grew = true; grew;) {
                grew = false;
                for (int k = layout.DayBegin[day]; k < layout.DayBegin[day + 1]; ++k) {
                    const QRectF bar = geometry.MarkRect(layout.Marks[k]);
                    const bool touches = std::any_of(near.begin(), near.end(), [&](int n) {
                        const QRectF other = geometry.MarkRect(layout.Marks[n]);
                        return bar.top() <= other.bottom() + 1e-6 && other.top() <= bar.bottom() + 1e-6;
                    });
                    if (touches && std::find(near.begin(), near.end(), k) == near.end())
                        near.push_back(k), grew = true;
                }
            }
            // The label's time is the time of one of them.
            const bool named = std::any_of(near.begin(), near.end(), [&](int k) {
                const TWeekMark &mark = layout.Marks[k];
                return label.Text.startsWith(QString::fromStdString(TimeText(mark.Minute / 60, mark.Minute % 60)));
            });
            EXPECT_TRUE(named) << DayShortNames[day] << " " << label.Text.toStdString();
        }
    }
}
