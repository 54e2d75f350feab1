#pragma once

#include "model/type.h"
#include "schedule/weeklayout.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QRectF>
#include <QString>

#include <string>
#include <unordered_map>
#include <vector>

class QFontMetricsF;
class QPainter;

// The one painting of the week chart: the window, the printer, the PDF and the tool all call it.
// Where the marks go is the week layout's business; this only turns it into pixels.

/// The colour of a group's marks. Never red: red is kept for clashes.
QColor GroupColour(int group);
/// The colour of clashing marks.
QColor ClashColour();

/// How the chart is drawn.
struct TChartStyle
{
    QFont Font;            // the font of the day names, the hours and the labels
    double Unit = 1;       // device pixels per screen pixel: line widths and gaps scale by it
    bool WholeDay = false; // 00:00 to 24:00 instead of the hours in use
};

/// Where the parts of a chart fall inside the area it is drawn in.
class TChartGeometry
{
public:
    TChartGeometry(const TWeekLayout &layout, const QRectF &area, const TChartStyle &style, double lineHeight,
                   double axisWidth);

    QRectF Grid; // the seven day columns, below the day names and right of the hours
    int FirstHour = 0;
    int EndHour = 24;
    double BarHeight = 3; // the height of a point mark
    double Gap = 2;       // between a day's edge and its marks, and between lanes

    double DayWidth() const { return Grid.width() / 7; }
    /// The height of a minute of the day.
    double Y(double minute) const;
    /// The rectangle of a mark: its lane of its day at its time, as long as it plays.
    QRectF MarkRect(const TWeekMark &mark) const;
};

/// The labels of a chart as drawn: each beside its mark, none over a bar or another label; a
/// label with no room near its mark is left out and its mark listed.
struct TChartLabels
{
    struct TLabel
    {
        int Mark = 0; // index in the layout's marks
        QString Text;
        QRectF Rect;
    };
    std::vector<TLabel> Labels;
    std::vector<int> Dropped; // marks whose label was left out, in layout order
};

/// Where the labels of a chart go (their font's metrics given).
TChartLabels LayChartLabels(const QFontMetricsF &metrics, const TChartGeometry &geometry, const TWeekLayout &layout,
                            const TProject &project);

/// The times of the marks whose label was left out, by day, runs of minutes joined:
/// "Пн 08:25, 08:30–08:32; Вт 09:00"; "" when none was.
QString DroppedLabelsText(const TChartLabels &labels, const TWeekLayout &layout);

/// Paints the chart of a layout into area: day names, hour lines, marks coloured by group (red
/// when they clash) with their time and track beside them. Returns the geometry it used; the
/// labels as placed go to labels when given.
TChartGeometry PaintWeekChart(QPainter &painter, const QRectF &area, const TWeekLayout &layout, const TProject &project,
                              const TChartStyle &style, TChartLabels *labels = nullptr);

/// The geometry PaintWeekChart would use, for finding the mark under a point.
TChartGeometry ChartGeometryFor(const QPaintDevice *device, const QRectF &area, const TWeekLayout &layout,
                                const TChartStyle &style);

/// The index in layout.Marks of the mark under a point, or -1; the last drawn wins, as it is on top.
int MarkAt(const TChartGeometry &geometry, const TWeekLayout &layout, QPointF point);

/// text elided to width. A long text is first cut to what the width could ever show, so a name of
/// a million letters costs no more to measure than one that fills the line.
QString Elided(const QFontMetricsF &metrics, const QString &text, Qt::TextElideMode mode, double width);

/// A mark's label: its time and track, "08:30 №5".
QString MarkLabel(const TScenario &scenario);

/// Paints the legend (a swatch and "Группа N: name" per group) in columns across width from top;
/// returns its height.
double PaintLegend(QPainter &painter, const QRectF &area, const TProject &project, const std::vector<int> &groups,
                   const TChartStyle &style);

/// The legend's height for a width, without painting.
double LegendHeight(const QPaintDevice *device, double width, const TProject &project, const std::vector<int> &groups,
                    const TChartStyle &style);

/// "Группа 3: Цех".
QString GroupTitle(const TProject &project, int group);

/// The zones a group drives among those the device has, "1, 2, 5"; "нет" when none.
QString ZonesText(const TProject &project, int group);

/// The name of the file of each track that a used scenario plays (its path's last part), as TrackPath
/// finds it: the first line of a number wins. One pass, so a long playlist is not read once per scenario.
std::unordered_map<int32_t, QString> PlayListFileNames(const TProject &project,
                                                       const std::vector<std::string> &playList);
