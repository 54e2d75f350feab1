#include "ui/chart/weekchart.h"

#include "device/tracklist.h"

#include "device/sdcard.h"
#include "model/lib.h"
#include "ui/chart/weekpainter.h"
#include "ui/document/projectdocument.h"
#include "ui/widgets/modeltext.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QShortcut>
#include <QToolTip>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TWeekChartView::TWeekChartView(const TProject &project, const std::vector<std::string> &playList, QWidget *parent)
    : QWidget(parent), Project(project), PlayList(playList)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(360, 240);
}

void TWeekChartView::Invalidate()
{
    Stale = true;
    update();
}

void TWeekChartView::SetFilter(std::vector<bool> filter)
{
    Options.GroupFilter = std::move(filter);
    Invalidate();
}

void TWeekChartView::SetTrackSeconds(std::map<int32_t, int32_t> seconds)
{
    Options.TrackSeconds = std::move(seconds);
    Invalidate();
}

void TWeekChartView::SetWholeDay(bool wholeDay)
{
    WholeDay = wholeDay;
    update();
}

const TWeekLayout &TWeekChartView::Layout()
{
    if (Stale) {
        FLayout = BuildWeekLayout(Project, Options);
        Stale = false;
    }
    return FLayout;
}

QRectF TWeekChartView::ChartArea() const
{
    return QRectF(rect()).adjusted(4, 4, -8, -4);
}

namespace {

TChartStyle ScreenStyle(const QFont &font, bool wholeDay)
{
    TChartStyle style;
    style.Font = font;
    style.WholeDay = wholeDay;
    return style;
}

} // namespace

int TWeekChartView::MarkAt(QPointF point)
{
    const TWeekLayout &layout = Layout();
    return ::MarkAt(ChartGeometryFor(this, ChartArea(), layout, ScreenStyle(font(), WholeDay)), layout, point);
}

QRectF TWeekChartView::MarkRect(int index)
{
    const TWeekLayout &layout = Layout();
    if (index < 0 || index >= static_cast<int>(layout.Marks.size()))
        return {};
    return ChartGeometryFor(this, ChartArea(), layout, ScreenStyle(font(), WholeDay)).MarkRect(layout.Marks[index]);
}

QString TWeekChartView::MarkToolTip(int index)
{
    const TWeekLayout &layout = Layout();
    if (index < 0 || index >= static_cast<int>(layout.Marks.size()))
        return {};
    const TWeekMark &mark = layout.Marks[index];
    const TScenario &scenario = Project.Groups[mark.Group].Scenarios[mark.Slot];
    const std::string path = TrackPath(PlayList, scenario.Track);
    QStringList lines = {
        GroupTitle(Project, mark.Group),
        u"Сценарий "_s + QString::number(mark.Slot) + u": "_s + FromModel(scenario.Name),
        u"Время: "_s + FromModel(TimeText(scenario.Hour, scenario.Minute)),
        u"Дни: "_s + FromModel(DaysText(scenario.Days)),
        u"Трек: "_s + QString::number(scenario.Track),
        u"Файл: "_s + (path.empty() ? u"нет в плейлисте"_s : FromModel(path)),
        u"Громкость: "_s + QString::number(scenario.Volume),
        u"Зоны: "_s + ZonesText(Project, mark.Group),
    };
    if (mark.Clash)
        lines.push_back(u"Совпадение времени в этот день"_s);
    return lines.join(u'\n');
}

QSize TWeekChartView::sizeHint() const
{
    return QSize(820, 600);
}

void TWeekChartView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const TWeekLayout &layout = Layout();
    PaintWeekChart(painter, ChartArea(), layout, Project, ScreenStyle(font(), WholeDay));
    if (layout.Groups.empty()) {
        painter.setPen(Qt::darkGray);
        painter.drawText(rect(), Qt::AlignCenter, u"Нет групп для показа"_s);
    }
}

bool TWeekChartView::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    const int index = MarkAt(help->pos());
    if (index < 0) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), MarkToolTip(index), this, MarkRect(index).toAlignedRect());
    }
    return true;
}

void TWeekChartView::mouseReleaseEvent(QMouseEvent *event)
{
    QWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const int index = MarkAt(event->position());
    if (index < 0)
        return;
    const TWeekMark &mark = Layout().Marks[index];
    emit ScenarioClicked(mark.Group, mark.Slot);
}

TWeekChart::TWeekChart(TProjectDocument &document, QWidget &owner)
    // A tool window of the main window: the window manager keeps it over its owner, so a click
    // on a mark that brings the main window forward does not bury the chart.
    : QWidget(&owner, Qt::Tool), Owner(owner), Project(document.Project()), PlayList(document.PlayList()),
      Unchecked(MaxGroups + 1, false)
{
    setWindowTitle(u"Неделя"_s);
    View = new TWeekChartView(Project, PlayList, this);
    Legend = new QListWidget(this);
    Legend->setToolTip(u"Снимите отметку, чтобы убрать группу с графика"_s);
    WholeDay = new QCheckBox(u"Весь день"_s, this);

    auto *side = new QVBoxLayout;
    side->addWidget(new QLabel(u"Группы"_s, this));
    side->addWidget(Legend, 1);
    side->addWidget(WholeDay);
    auto *row = new QHBoxLayout(this);
    row->addWidget(View, 1);
    row->addLayout(side);
    Legend->setFixedWidth(220);

    LegendTimer.setSingleShot(true);
    LegendTimer.setInterval(0);
    connect(&LegendTimer, &QTimer::timeout, this, &TWeekChart::RefreshLegend);
    connect(&document, &TProjectDocument::Changed, this, &TWeekChart::ProjectChanged);
    connect(Legend, &QListWidget::itemChanged, this, &TWeekChart::LegendChanged);
    connect(WholeDay, &QCheckBox::toggled, View, &TWeekChartView::SetWholeDay);
    connect(View, &TWeekChartView::ScenarioClicked, this, [this](int g, int s) {
        emit ScenarioChosen(g, s);
        raise(); // the chart stays in sight where no window manager keeps it up
    });
    RefreshLegend();
    // A window of our own, not a specified dialog: Escape closes it as it would any tool window.
    auto *close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
}

TBesidePlace PlaceBeside(QRect owner, const QRect &room, QSize wanted, int leastWidth, int frame)
{
    constexpr int Gap = 8;
    TBesidePlace place{{}, owner.topLeft()};
    // Neither side has the room wanted, and the owner at the screen's edge would leave more (at
    // least leastWidth): it steps to the edge nearer it.
    const int side = std::max(room.right() - owner.right(), owner.left() - room.left()) - Gap;
    const int free = room.width() - owner.width() - Gap;
    if (side < wanted.width() && free > side && free >= leastWidth) {
        owner.moveLeft(owner.center().x() <= room.center().x() ? room.left() : room.right() + 1 - owner.width());
        place.Owner = owner.topLeft();
    }
    // On the side of the owner with more room, as wide as that room allows; the frame (title bar,
    // borders) comes on top of the size given here and must fit as well.
    const int right = room.right() - owner.right() - Gap;
    const int left = owner.left() - room.left() - Gap;
    const int width = std::min(wanted.width(), std::max({right, left, leastWidth}));
    const int height = std::min(std::max(owner.height(), wanted.height()), room.height()) - frame;
    const int x = right >= left ? owner.right() + Gap : owner.left() - Gap - width;
    // Where the screen is too narrow the window keeps inside it, over a part of the owner.
    place.Window =
        QRect(std::clamp(x, room.left(), std::max(room.left(), room.right() - width)),
              std::clamp(owner.top(), room.top(), std::max(room.top(), room.bottom() - height - frame)), width, height);
    return place;
}

void TWeekChart::ShowBeside()
{
    if (!isVisible()) {
        const QRect main = Owner.frameGeometry();
        const QRect room =
            Owner.screen() ? Owner.screen()->availableGeometry() : QRect(main.topLeft(), QSize(1600, 900));
        const int frame = std::max(main.height() - Owner.height(), 40);
        const TBesidePlace place =
            PlaceBeside(main, room, QSize(sizeHint().width(), 600), minimumSizeHint().width(), frame);
        if (place.Owner != main.topLeft())
            Owner.move(place.Owner);
        resize(place.Window.size());
        move(place.Window.topLeft()); // where the frame goes
    }
    show();
    raise();
    activateWindow();
}

void TWeekChart::ProjectChanged()
{
    // A command may tell of its change before it has finished making it: look when it is done.
    View->Invalidate();
    LegendTimer.start();
}

void TWeekChart::RefreshLegend()
{
    // Each mark lasts as long as its track plays. Most changes are edits of the schedule: the files
    // are looked at again only when the playlist itself changed.
    if (!InspectedPlayList || PlayList != *InspectedPlayList) {
        InspectedPlayList = PlayList;
        View->SetTrackSeconds(WholeSeconds(TrackDurations(InspectPlayList(Project, PlayList, Tracks))));
    }

    const QSignalBlocker blocker(Legend);
    Legend->clear();
    const int side = Legend->fontMetrics().height() - 4;
    for (int g : ShownGroups(Project)) {
        auto *item = new QListWidgetItem(GroupTitle(Project, g), Legend);
        QPixmap swatch(side, side);
        swatch.fill(GroupColour(g));
        item->setIcon(QIcon(swatch));
        item->setData(Qt::UserRole, g);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Unchecked[g] ? Qt::Unchecked : Qt::Checked);
    }
}

void TWeekChart::LegendChanged(QListWidgetItem *item)
{
    const int g = item->data(Qt::UserRole).toInt();
    if (g < 1 || g > MaxGroups)
        return;
    Unchecked[g] = item->checkState() != Qt::Checked;
    std::vector<bool> filter(MaxGroups + 1);
    for (int k = 1; k <= MaxGroups; ++k)
        filter[k] = !Unchecked[k];
    View->SetFilter(std::move(filter));
}
