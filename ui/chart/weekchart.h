#pragma once

#include "device/trackinfo.h"
#include "schedule/weeklayout.h"

#include <QTimer>
#include <QWidget>

#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QListWidget;
class QListWidgetItem;
class TProjectDocument;

/// The chart itself: paints the week, tells about the mark under the mouse, reports clicks.
/// It works out its layout when it is next needed after a change, never inside the change.
class TWeekChartView : public QWidget
{
    Q_OBJECT
public:
    TWeekChartView(const TProject &project, const std::vector<std::string> &playList, QWidget *parent = nullptr);

    /// The project changed: the layout is worked out again before the next paint or look-up.
    void Invalidate();
    /// Groups to draw, indexed by group number; empty for all.
    void SetFilter(std::vector<bool> filter);
    void SetWholeDay(bool wholeDay);
    /// How long each track plays, in seconds: marks then last as long as their track.
    void SetTrackSeconds(std::map<int32_t, int32_t> seconds);

    /// The layout as drawn now.
    const TWeekLayout &Layout();
    /// The index of the mark at a point of the widget, or -1.
    int MarkAt(QPointF point);
    /// Where a mark is drawn, in the widget's coordinates.
    QRectF MarkRect(int index);
    /// What the hover shows about a mark: group, slot, name, time, days, track and its file,
    /// volume, zones.
    QString MarkToolTip(int index);

    QSize sizeHint() const override;

signals:
    void ScenarioClicked(int group, int slot);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QRectF ChartArea() const;

    const TProject &Project;
    const std::vector<std::string> &PlayList;
    TWeekLayoutOptions Options;
    TWeekLayout FLayout;
    bool WholeDay = false;
    bool Stale = true;
};

/// Where a window goes beside its owner: its frame's top left and the size inside the frame, and
/// where the owner's frame goes (moved to the screen's edge when neither side has the room wanted
/// and the edge gives more).
struct TBesidePlace
{
    QRect Window;
    QPoint Owner;
};

/// The place beside owner (frame geometry) inside room (the screen's free area): on the side with
/// more room, at most wanted wide and at least leastWidth, as high as the owner or wanted,
/// whichever is more; frame is the height the title bar adds.
TBesidePlace PlaceBeside(QRect owner, const QRect &room, QSize wanted, int leastWidth, int frame);

/// The "Неделя" window: the chart beside the main window, a legend that is also the group
/// filter, and the choice between the hours in use and the whole day. It follows every change of
/// the document; a click on a mark asks (ScenarioChosen) for that scenario to be selected.
class TWeekChart : public QWidget
{
    Q_OBJECT
public:
    /// A chart of the document's project and playlist, a window of its own beside owner.
    TWeekChart(TProjectDocument &document, QWidget &owner);

    /// Shows the window to the right of the main window (inside the screen) and brings it up.
    void ShowBeside();

    TWeekChartView *View = nullptr;
    QListWidget *Legend = nullptr;
    QCheckBox *WholeDay = nullptr;

signals:
    /// A mark was clicked: scenario s of group g.
    void ScenarioChosen(int g, int s);

private:
    void ProjectChanged();
    void RefreshLegend();
    void LegendChanged(QListWidgetItem *item);

    QWidget &Owner;
    const TProject &Project;
    const std::vector<std::string> &PlayList;
    TTrackCache Tracks;
    std::optional<std::vector<std::string>> InspectedPlayList; // the playlist the lengths are of
    QTimer LegendTimer;                                        // one legend refresh for a burst of changes
    std::vector<bool> Unchecked;                               // groups the operator took out of the chart, by number
};
