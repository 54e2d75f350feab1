#include "ui/chart/weekpainter.h"

#include "model/lib.h"
#include "schedule/chartlabels.h"
#include "ui/widgets/modeltext.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_set>

using namespace Qt::StringLiterals;

namespace {

const QColor GridColour(200, 200, 200);
const QColor HalfHourColour(232, 232, 232);
const QColor WeekendColour(246, 246, 246);
const QColor TextColour(40, 40, 40);
const QColor ClashTextColour(150, 0, 0);

double LineHeight(const QFontMetricsF &metrics)
{
    return metrics.height();
}

double AxisWidth(const QFontMetricsF &metrics, const TChartStyle &style)
{
    return metrics.horizontalAdvance(u"00:00"_s) + 6 * style.Unit;
}

double HeaderHeight(double lineHeight)
{
    return lineHeight * 1.4;
}

void PaintGrid(QPainter &painter, const QRectF &area, const TChartGeometry &geometry, const QFontMetricsF &metrics,
               const TChartStyle &style)
{
    const QRectF &grid = geometry.Grid;
    const double lineHeight = LineHeight(metrics);
    const double dayWidth = geometry.DayWidth();

    for (int d : {5, 6})
        painter.fillRect(QRectF(grid.left() + d * dayWidth, grid.top(), dayWidth, grid.height()), WeekendColour);

    // Full day names where they fit, the short ones otherwise.
    bool full = true;
    for (const std::string_view name : DayNames)
        full = full && metrics.horizontalAdvance(FromModel(name)) + 4 * style.Unit <= dayWidth;
    painter.setPen(TextColour);
    for (int d = 0; d < 7; ++d) {
        const QRectF cell(grid.left() + d * dayWidth, area.top(), dayWidth, HeaderHeight(lineHeight));
        painter.drawText(cell, Qt::AlignCenter, FromModel(full ? DayNames[d] : DayShortNames[d]));
    }

    const double hourHeight = geometry.Y(60) - geometry.Y(0);
    const int step = std::max(1, static_cast<int>(std::ceil(lineHeight * 1.2 / std::max(hourHeight, 0.1))));
    if (hourHeight > 3 * lineHeight) {
        painter.setPen(QPen(HalfHourColour, style.Unit));
        for (int h = geometry.FirstHour; h < geometry.EndHour; ++h) {
            const double y = geometry.Y(h * 60 + 30);
            painter.drawLine(QPointF(grid.left(), y), QPointF(grid.right(), y));
        }
    }
    for (int h = geometry.FirstHour; h <= geometry.EndHour; ++h) {
        const double y = geometry.Y(h * 60);
        painter.setPen(QPen(GridColour, style.Unit));
        painter.drawLine(QPointF(grid.left(), y), QPointF(grid.right(), y));
        if ((h - geometry.FirstHour) % step != 0)
            continue;
        painter.setPen(TextColour);
        const QRectF label(area.left(), y - lineHeight / 2, grid.left() - area.left() - 4 * style.Unit, lineHeight);
        painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter, FromModel(TimeText(h, 0)));
    }
    painter.setPen(QPen(GridColour, style.Unit));
    for (int d = 0; d <= 7; ++d) {
        const double x = grid.left() + d * dayWidth;
        painter.drawLine(QPointF(x, grid.top()), QPointF(x, grid.bottom()));
    }
}

} // namespace

QColor GroupColour(int group)
{
    // 16 hues clear of red, neighbours far apart, in a dark and a light shade.
    const int index = std::max(group - 1, 0);
    const int hue = 35 + ((index * 7) % 16) * 18;
    return index % 32 < 16 ? QColor::fromHsv(hue, 200, 200) : QColor::fromHsv(hue, 120, 160);
}

QColor ClashColour()
{
    return QColor(220, 0, 0);
}

TChartGeometry::TChartGeometry(const TWeekLayout &layout, const QRectF &area, const TChartStyle &style,
                               double lineHeight, double axisWidth)
    : FirstHour(style.WholeDay ? 0 : layout.FirstHour), EndHour(style.WholeDay ? 24 : layout.EndHour)
{
    const double top = area.top() + HeaderHeight(lineHeight);
    Grid = QRectF(area.left() + axisWidth, top, std::max(area.width() - axisWidth, 7.0),
                  std::max(area.bottom() - lineHeight / 2 - top, 1.0));
    BarHeight = std::max(3 * style.Unit, lineHeight * 0.3);
    Gap = std::min(2 * style.Unit, DayWidth() / 20);
}

double TChartGeometry::Y(double minute) const
{
    return Grid.top() + TimeFraction(minute, FirstHour, EndHour) * Grid.height();
}

QRectF TChartGeometry::MarkRect(const TWeekMark &mark) const
{
    const double left = Grid.left() + mark.Day * DayWidth() + Gap;
    const double laneWidth = (DayWidth() - 2 * Gap) / std::max(mark.Lanes, 1);
    const double top = Y(mark.Minute) - BarHeight / 2;
    const double played = mark.Seconds > 0 ? Y(mark.Minute + mark.Seconds / 60.0) - Y(mark.Minute) : 0;
    return QRectF(left + mark.Lane * laneWidth, top, mark.Lanes > 1 ? laneWidth - Gap / 2 : laneWidth,
                  std::max(BarHeight, played + BarHeight / 2));
}

TChartLabels LayChartLabels(const QFontMetricsF &metrics, const TChartGeometry &geometry, const TWeekLayout &layout,
                            const TProject &project)
{
    TChartLabels result;
    const double lineHeight = LineHeight(metrics);
    const double timeWidth = metrics.horizontalAdvance(u"00:00"_s);
    const TSpan bounds{geometry.Grid.top(), geometry.Grid.bottom() + lineHeight / 2};
    // A label's place depends on its height alone, so texts are measured only for the placed.
    const auto shared = [&](const QRectF &rect, const TWeekMark &mark) {
        return mark.Lanes > 1 && rect.width() < timeWidth;
    };
    std::vector<TSpan> bars;
    std::vector<TLabelWish> wishes;
    std::vector<int> wished; // the mark of each wish
    for (int d = 0; d < 7; ++d) {
        bars.clear();
        wishes.clear();
        wished.clear();
        for (int k = layout.DayBegin[d]; k < layout.DayBegin[d + 1]; ++k) {
            const QRectF rect = geometry.MarkRect(layout.Marks[k]);
            // The lanes of one minute are one stretch of the column.
            if (bars.empty() || bars.back().Top != rect.top() || bars.back().Bottom != rect.bottom())
                bars.push_back({rect.top(), rect.bottom()});
            // Lanes too narrow for a time share one label across the day, put with the first lane.
            if (layout.Marks[k].Lane > 0 && shared(rect, layout.Marks[k]))
                continue;
            wishes.push_back({static_cast<int>(bars.size()) - 1, lineHeight});
            wished.push_back(k);
        }
        const std::vector<double> tops = PlaceColumnLabels(bars, wishes, 2 * lineHeight, bounds);
        for (size_t w = 0; w < wished.size(); ++w) {
            const int k = wished[w];
            if (!std::isfinite(tops[w])) {
                result.Dropped.push_back(k);
                continue;
            }
            const TWeekMark &mark = layout.Marks[k];
            const QRectF rect = geometry.MarkRect(mark);
            const TScenario &scenario = project.Groups[mark.Group].Scenarios[mark.Slot];
            const QString time = FromModel(TimeText(scenario.Hour, scenario.Minute));
            QString text;
            double width = rect.width();
            if (shared(rect, mark)) {
                text = time + u" ×"_s + QString::number(mark.Lanes);
                width = geometry.DayWidth() - 2 * geometry.Gap;
            } else {
                // In a narrow day the time alone says more than a cut-off label.
                text = MarkLabel(scenario);
                if (metrics.horizontalAdvance(text) > width)
                    text = time;
            }
            text = metrics.elidedText(text, Qt::ElideRight, width);
            width = std::min(width, metrics.horizontalAdvance(text) + 1);
            result.Labels.push_back({k, text, QRectF(rect.left(), tops[w], width, lineHeight)});
        }
    }
    return result;
}

QString DroppedLabelsText(const TChartLabels &labels, const TWeekLayout &layout)
{
    QStringList days;
    size_t k = 0;
    while (k < labels.Dropped.size()) {
        const int day = layout.Marks[labels.Dropped[k]].Day;
        QStringList times;
        while (k < labels.Dropped.size() && layout.Marks[labels.Dropped[k]].Day == day) {
            // A run of minutes one after another reads as one span.
            const int first = layout.Marks[labels.Dropped[k]].Minute;
            int last = first;
            while (++k < labels.Dropped.size() && layout.Marks[labels.Dropped[k]].Day == day &&
                   layout.Marks[labels.Dropped[k]].Minute <= last + 1)
                last = layout.Marks[labels.Dropped[k]].Minute;
            QString text = FromModel(TimeText(first / 60, first % 60));
            if (last != first)
                text += u"–"_s + FromModel(TimeText(last / 60, last % 60));
            times.push_back(text);
        }
        days.push_back(FromModel(DayShortNames[day]) + u' ' + times.join(u", "_s));
    }
    return days.join(u"; "_s);
}

TChartGeometry ChartGeometryFor(const QPaintDevice *device, const QRectF &area, const TWeekLayout &layout,
                                const TChartStyle &style)
{
    const QFontMetricsF metrics(style.Font, device);
    return TChartGeometry(layout, area, style, LineHeight(metrics), AxisWidth(metrics, style));
}

TChartGeometry PaintWeekChart(QPainter &painter, const QRectF &area, const TWeekLayout &layout, const TProject &project,
                              const TChartStyle &style, TChartLabels *labels)
{
    painter.save();
    painter.setFont(style.Font);
    const QFontMetricsF metrics(style.Font, painter.device());
    const TChartGeometry geometry = ChartGeometryFor(painter.device(), area, layout, style);
    PaintGrid(painter, area, geometry, metrics, style);

    // Marks first, labels over them, so a long label is never hidden by the next mark.
    const double stripe = 3 * style.Unit;
    for (const TWeekMark &mark : layout.Marks) {
        const QRectF rect = geometry.MarkRect(mark);
        if (!mark.Clash) {
            painter.fillRect(rect, GroupColour(mark.Group));
            continue;
        }
        painter.fillRect(rect, ClashColour());
        // Clashing marks keep a thin stripe of their group's colour where there is room.
        if (rect.width() >= 4 * stripe)
            painter.fillRect(QRectF(rect.left(), rect.top(), stripe, rect.height()), GroupColour(mark.Group));
    }
    TChartLabels placed = LayChartLabels(metrics, geometry, layout, project);
    for (const TChartLabels::TLabel &label : placed.Labels) {
        painter.setPen(layout.Marks[label.Mark].Clash ? ClashTextColour : TextColour);
        painter.drawText(label.Rect, Qt::AlignLeft | Qt::AlignTop, label.Text);
    }
    if (labels)
        *labels = std::move(placed);
    painter.restore();
    return geometry;
}

int MarkAt(const TChartGeometry &geometry, const TWeekLayout &layout, QPointF point)
{
    if (!geometry.Grid.adjusted(0, -geometry.BarHeight, 0, geometry.BarHeight).contains(point))
        return -1;
    const int day = std::clamp(static_cast<int>((point.x() - geometry.Grid.left()) / geometry.DayWidth()), 0, 6);
    const double reach = geometry.BarHeight; // a thin mark is hard to hit: take a little around it
    for (int k = layout.DayBegin[day + 1] - 1; k >= layout.DayBegin[day]; --k) {
        if (geometry.MarkRect(layout.Marks[k]).adjusted(0, -reach, 0, reach).contains(point))
            return k;
    }
    return -1;
}

QString Elided(const QFontMetricsF &metrics, const QString &text, Qt::TextElideMode mode, double width)
{
    // Shaping costs per character: keep four times the characters of average width that fit (the
    // narrowest glyphs are about a quarter of that), and mark the cut so it shows even if all fits.
    const qsizetype keep =
        8 + static_cast<qsizetype>(4 * std::max(width, 0.0) / std::max(metrics.averageCharWidth(), 0.1));
    if (text.size() <= keep)
        return metrics.elidedText(text, mode, width);
    // The kept end must not start with the second half of a character outside the basic plane.
    const auto tail = [&](qsizetype n) {
        const QString part = text.right(n);
        return part.front().isLowSurrogate() ? part.mid(1) : part;
    };
    const QString cut = mode == Qt::ElideMiddle ? text.left(keep / 2) + u'…' + tail(keep / 2)
                        : mode == Qt::ElideLeft ? u'…' + tail(keep)
                                                : text.left(keep) + u'…';
    return metrics.elidedText(cut, mode, width);
}

QString MarkLabel(const TScenario &scenario)
{
    return FromModel(TimeText(scenario.Hour, scenario.Minute)) + u" №"_s + QString::number(scenario.Track);
}

QString GroupTitle(const TProject &project, int group)
{
    return u"Группа "_s + QString::number(group) + u": "_s + FromModel(project.Groups[group].Name);
}

QString ZonesText(const TProject &project, int group)
{
    QStringList zones;
    for (int z = 1; z <= std::min(ZoneCount(project), MaxZones); ++z) {
        if (project.Groups[group].Zones[z])
            zones.push_back(QString::number(z));
    }
    return zones.isEmpty() ? u"нет"_s : zones.join(u", "_s);
}

std::unordered_map<int32_t, QString> PlayListFileNames(const TProject &project,
                                                       const std::vector<std::string> &playList)
{
    std::unordered_set<int32_t> wanted;
    ForEachUsedScenario(project, [&](int, int, const TScenario &scenario) { wanted.insert(scenario.Track); });
    std::unordered_map<int32_t, QString> names;
    for (const std::string &line : playList) {
        const size_t semicolon = line.find(';');
        if (semicolon == std::string::npos)
            continue;
        const int32_t track = WholeTextInteger(std::string_view(line).substr(0, semicolon));
        if (!wanted.contains(track) || names.contains(track))
            continue;
        // Projects made on Windows keep back slashes.
        const std::string_view path = std::string_view(line).substr(semicolon + 1);
        const size_t cut = path.find_last_of("/\\");
        names.emplace(track, FromModel(cut == std::string_view::npos ? path : path.substr(cut + 1)));
    }
    return names;
}

namespace {

struct TLegendGrid
{
    double Swatch, Column, Row;
    int Columns;
};

TLegendGrid LegendGrid(const QFontMetricsF &metrics, double width, const TProject &project,
                       const std::vector<int> &groups, const TChartStyle &style)
{
    const double lineHeight = LineHeight(metrics);
    const double swatch = lineHeight * 0.7;
    double widest = metrics.horizontalAdvance(u"Совпадение времени"_s);
    for (int g : groups)
        widest =
            std::max(widest, metrics.horizontalAdvance(Elided(metrics, GroupTitle(project, g), Qt::ElideRight, width)));
    const double column = std::min(swatch + 6 * style.Unit + widest + 12 * style.Unit, width);
    return {swatch, column, lineHeight * 1.2, std::max(1, static_cast<int>(width / column))};
}

} // namespace

double LegendHeight(const QPaintDevice *device, double width, const TProject &project, const std::vector<int> &groups,
                    const TChartStyle &style)
{
    const TLegendGrid grid = LegendGrid(QFontMetricsF(style.Font, device), width, project, groups, style);
    const int items = static_cast<int>(groups.size()) + 1;
    return ((items + grid.Columns - 1) / grid.Columns) * grid.Row;
}

double PaintLegend(QPainter &painter, const QRectF &area, const TProject &project, const std::vector<int> &groups,
                   const TChartStyle &style)
{
    painter.save();
    painter.setFont(style.Font);
    const QFontMetricsF metrics(style.Font, painter.device());
    const TLegendGrid grid = LegendGrid(metrics, area.width(), project, groups, style);
    const int items = static_cast<int>(groups.size()) + 1;
    for (int k = 0; k < items; ++k) {
        const double x = area.left() + (k % grid.Columns) * grid.Column;
        const double y = area.top() + (k / grid.Columns) * grid.Row;
        const bool clash = k == items - 1;
        const QRectF swatch(x, y + (grid.Row - grid.Swatch) / 2, grid.Swatch, grid.Swatch);
        painter.fillRect(swatch, clash ? ClashColour() : GroupColour(groups[k]));
        const QString text = clash ? u"Совпадение времени"_s : GroupTitle(project, groups[k]);
        const double textLeft = swatch.right() + 6 * style.Unit;
        const QRectF textRect(textLeft, y, grid.Column - (textLeft - x), grid.Row);
        painter.setPen(TextColour);
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                         Elided(metrics, text, Qt::ElideRight, textRect.width()));
    }
    painter.restore();
    return ((items + grid.Columns - 1) / grid.Columns) * grid.Row;
}
