#include "ui/chart/schedulepages.h"

#include "device/tracklist.h"
#include "model/error.h"
#include "model/lib.h"
#include "schedule/overlaps.h"
#include "schedule/tablecolumns.h"
#include "schedule/timetable.h"
#include "schedule/weeklayout.h"
#include "storage/fileio.h"
#include "ui/chart/weekpainter.h"
#include "ui/widgets/modeltext.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <unordered_set>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

QString PrintFontFamily()
{
    static const QString family = [] {
        const QString wanted = u"DejaVu Sans"_s;
        if (QFontDatabase::families().contains(wanted))
            return wanted;
        const QString folder = u"/usr/share/fonts/truetype/dejavu/"_s;
        const int id = QFontDatabase::addApplicationFont(folder + u"DejaVuSans.ttf"_s);
        QFontDatabase::addApplicationFont(folder + u"DejaVuSans-Bold.ttf"_s);
        return id >= 0 ? QFontDatabase::applicationFontFamilies(id).value(0) : QString();
    }();
    return family;
}

const QMarginsF PageMargins(15, 12, 15, 12); // millimetres
const QColor RuleColour(160, 160, 160);
const QColor StripeColour(242, 242, 242);

/// How long the track of each used scenario plays, of the files that can be read: the chart's
/// marks last as long, and the overlaps are found from it as the tracks window finds them.
std::map<int32_t, double> PlayedLengths(const TProject &project, const std::vector<std::string> &playList)
{
    TTrackCache cache;
    return TrackDurations(InspectPlayList(project, playList, cache));
}

/// The columns of a group's table.
enum TColumn { Slot, Name, Time, Days, Track, File, Volume, ColumnCount };
const std::array<QString, ColumnCount> HeaderTexts = {u"№"_s,    u"Название"_s, u"Время"_s,    u"Дни"_s,
                                                      u"Трек"_s, u"Файл"_s,     u"Громкость"_s};

/// Lays out the pages and, given a painter, paints them. The same steps run twice: once to
/// count the pages for "page x of y", once to paint.
class TScheduleWriter
{
public:
    TScheduleWriter(QPagedPaintDevice &device, const TProject &project, const std::vector<std::string> &playList,
                    const QDate &printed, bool turnPages)
        : Device(device), Project(project), PlayList(playList), Printed(printed), TurnPages(turnPages),
          Body(PrintFont(9)), Bold(PrintFont(9, true)), Heading(PrintFont(12, true)), Title(PrintFont(16, true)),
          Small(PrintFont(8)), WallHeading(PrintFont(20, true)), WallRow(PrintFont(24)),
          WallHeader(PrintFont(16, true)), Durations(PlayedLengths(project, playList)),
          Layout(BuildWeekLayout(project, {{}, WholeSeconds(Durations)})),
          FileNames(PlayListFileNames(project, playList)), Timetables(BuildTimetables(project))
    {}

    int Run(QPainter *painter, int pageCount);

    QList<int> Turned; // the pages drawn across a portrait sheet, from 1

private:
    double Mm(double mm) const { return mm * Device.logicalDpiY() / 25.4; }
    double LineOf(const QFont &font) const { return QFontMetricsF(font, &Device).height() * 1.25; }
    QRectF PortraitArea() const;

    /// Starts a page; one with a title of its own has no running header.
    void StartPage(bool landscape, bool header = true);
    void EndPage();
    /// Starts a new portrait page unless height still fits on this one.
    bool Ensure(double height);
    void Text(const QFont &font, const QString &text, double height, Qt::Alignment align = Qt::AlignLeft);
    /// Text over as many lines as it takes, on to the next page when it does not fit.
    void WrappedText(const QFont &font, const QString &text);

    void TitleBlock();
    void TimetablePages();
    void TimetablePart(const TTimetable &table, const TTimetablePart &part);
    void GroupBlock(const TGroupTable &table);
    void ColumnWidths();
    void TableRow(const std::array<QString, ColumnCount> &cells, const QFont &font, bool stripe);
    void ChartPage();
    void ClashList();
    void OverlapList();

    QPagedPaintDevice &Device;
    const TProject &Project;
    const std::vector<std::string> &PlayList;
    const QDate Printed;
    const bool TurnPages;
    const QFont Body, Bold, Heading, Title, Small;
    const QFont WallHeading, WallRow, WallHeader; // the wall timetable, read from across a room
    const std::map<int32_t, double> Durations;    // how long each track plays, of the files found
    const TWeekLayout Layout;
    const std::unordered_map<int32_t, QString> FileNames;
    std::vector<TTimetable> Timetables;
    std::optional<bool> ChartDropsLabels; // whether the chart leaves a label out for want of room

    QPainter *Painter = nullptr;
    int Page = 0;
    int PageCount = 0;
    bool Landscape = false;
    QRectF Area; // the page's area in the painter's coordinates, without header and footer
    double Y = 0;
    std::array<double, ColumnCount> Widths{};
};

QRectF TScheduleWriter::PortraitArea() const
{
    QPageLayout layout(QPageSize(QPageSize::A4), QPageLayout::Portrait, PageMargins, QPageLayout::Millimeter);
    const QRect paint = layout.paintRectPixels(Device.logicalDpiY());
    return QRectF(0, 0, paint.width(), paint.height());
}

void TScheduleWriter::StartPage(bool landscape, bool header)
{
    if (Page > 0 && Painter) {
        if (TurnPages)
            Device.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
        Device.newPage();
    }
    ++Page;
    Landscape = landscape;
    QRectF page = PortraitArea();
    if (Painter) {
        Painter->resetTransform();
        if (landscape && !TurnPages) {
            // A quarter turn clockwise: the page's top runs down the sheet's right edge.
            Turned.push_back(Page);
            Painter->translate(page.width(), 0);
            Painter->rotate(90);
        }
    }
    if (landscape)
        page = QRectF(0, 0, page.height(), page.width());

    // A running header on every page but the first, which has the title block; a footer on all.
    const double smallLine = LineOf(Small);
    double top = page.top();
    if (Painter) {
        Painter->setFont(Small);
        Painter->setPen(Qt::black);
        const QRectF footer(page.left(), page.bottom() - smallLine, page.width(), smallLine);
        Painter->drawText(footer, Qt::AlignCenter, u"Страница %1 из %2"_s.arg(Page).arg(std::max(PageCount, Page)));
        if (header) {
            // A long name is cut short of the date, never written over it.
            const QRectF line(page.left(), page.top(), page.width(), smallLine);
            const QString printed = u"Напечатано: "_s + Printed.toString(u"dd.MM.yyyy"_s);
            const QFontMetricsF metrics(Small, &Device);
            const double room = page.width() - metrics.horizontalAdvance(printed) - Mm(5);
            Painter->drawText(line, Qt::AlignLeft | Qt::AlignVCenter,
                              Elided(metrics, FromModel(Project.Name), Qt::ElideRight, std::max(room, 0.0)));
            Painter->drawText(line, Qt::AlignRight | Qt::AlignVCenter, printed);
        }
    }
    if (header)
        top += smallLine * 1.5;
    Area = QRectF(page.left(), top, page.width(), page.bottom() - smallLine * 1.5 - top);
    Y = Area.top();
}

bool TScheduleWriter::Ensure(double height)
{
    if (Y + height <= Area.bottom() + 0.01)
        return false;
    StartPage(false);
    return true;
}

void TScheduleWriter::Text(const QFont &font, const QString &text, double height, Qt::Alignment align)
{
    if (Painter) {
        Painter->setFont(font);
        Painter->setPen(Qt::black);
        const QRectF line(Area.left(), Y, Area.width(), height);
        const QString shown = Elided(QFontMetricsF(font, &Device), text, Qt::ElideMiddle, Area.width());
        Painter->drawText(line, align | Qt::AlignVCenter, shown);
    }
    Y += height;
}

void TScheduleWriter::WrappedText(const QFont &font, const QString &text)
{
    const QFontMetricsF metrics(font, &Device);
    const QRectF room(Area.left(), 0, Area.width(), Area.height());
    const double height = std::min(metrics.boundingRect(room, Qt::TextWordWrap, text).height(), Area.height());
    Ensure(height);
    if (Painter) {
        Painter->setFont(font);
        Painter->setPen(Qt::black);
        Painter->drawText(QRectF(Area.left(), Y, Area.width(), height), Qt::AlignLeft | Qt::TextWordWrap, text);
    }
    Y += height + LineOf(font) * 0.25;
}

void TScheduleWriter::TitleBlock()
{
    const QString name = Project.Name.empty() ? u"без названия"_s : FromModel(Project.Name);
    Text(Title, u"Расписание: "_s + name, LineOf(Title) * 1.2);
    const bool known = Project.DeviceType >= 0 && Project.DeviceType < DeviceTypeCount;
    const QString device = known ? FromModel(DeviceTypeNames[Project.DeviceType]) : QString();
    Text(Body, u"Устройство: "_s + (device.isEmpty() ? u"не выбрано"_s : device), LineOf(Body));
    Text(Body, u"Файл: "_s + (Project.FileName.empty() ? u"не сохранён"_s : FromModel(Project.FileName)), LineOf(Body));
    Text(Body, u"Напечатано: "_s + Printed.toString(u"dd.MM.yyyy"_s), LineOf(Body));
    Y += LineOf(Body);
}

void TScheduleWriter::TimetablePages()
{
    const double row = LineOf(WallRow);
    const double title = LineOf(WallHeading) * 1.3;
    const int lines = static_cast<int>((PortraitArea().height() - LineOf(Small) * 1.5 - title) / row);
    const std::vector<TTimetablePage> pages = LayTimetablePages(Timetables, lines);
    for (size_t p = 0; p < pages.size(); ++p) {
        if (p > 0) // the first is the page Run started
            StartPage(false, false);
        Text(WallHeading, u"Звонки. "_s + GroupTitle(Project, pages[p].Group), title, Qt::AlignHCenter);
        for (size_t k = 0; k < pages[p].Parts.size(); ++k) {
            if (k > 0)
                Y += row;
            TimetablePart(Timetables[pages[p].Parts[k].Table], pages[p].Parts[k]);
        }
    }
}

void TScheduleWriter::TimetablePart(const TTimetable &table, const TTimetablePart &part)
{
    const double row = LineOf(WallRow);
    std::string prefix = table.Prefix;
    while (!prefix.empty() && (prefix.back() == ' ' || prefix.back() == ':' || prefix.back() == '-'))
        prefix.pop_back();
    QString heading = FromModel(DaysText(table.Days));
    if (!prefix.empty())
        heading = FromModel(prefix) + u" — "_s + heading;
    Text(WallHeading, part.FirstRow > 0 ? heading + u" (продолжение)"_s : heading, row);

    const bool warnings =
        std::any_of(table.Rows.begin(), table.Rows.end(), [](const TTimetableRow &r) { return r.Warning >= 0; });
    QStringList header = {u"Урок"_s, u"Начало"_s, u"Конец"_s};
    if (warnings)
        header.push_back(u"Предупреждение"_s);
    const QFontMetricsF metrics(WallRow, &Device);
    const QFontMetricsF headerMetrics(WallHeader, &Device);
    std::vector<double> widths;
    for (int c = 0; c < header.size(); ++c)
        widths.push_back(std::max(metrics.horizontalAdvance(c == 0 ? u"Урок 16"_s : u"00:00"_s),
                                  headerMetrics.horizontalAdvance(header[c])) +
                         Mm(10));
    const auto line = [&](const QStringList &cells, const QFont &font, bool stripe) {
        if (Painter) {
            if (stripe)
                Painter->fillRect(QRectF(Area.left(), Y, Area.width(), row), StripeColour);
            Painter->setFont(font);
            Painter->setPen(Qt::black);
            double x = Area.left() + Mm(2);
            for (int c = 0; c < cells.size(); ++c) {
                Painter->drawText(QRectF(x, Y, widths[c], row), Qt::AlignLeft | Qt::AlignVCenter, cells[c]);
                x += widths[c];
            }
            Painter->setPen(QPen(RuleColour, 0));
            Painter->drawLine(QPointF(Area.left(), Y + row), QPointF(Area.right(), Y + row));
        }
        Y += row;
    };
    line(header, WallHeader, false);
    const auto clock = [](int minute) { return minute < 0 ? u"—"_s : FromModel(TimeText(minute / 60, minute % 60)); };
    for (size_t r = part.FirstRow; r < part.FirstRow + part.RowCount; ++r) {
        const TTimetableRow &lesson = table.Rows[r];
        QStringList cells = {u"Урок "_s + QString::number(lesson.Lesson), clock(lesson.Start), clock(lesson.End)};
        if (warnings)
            cells.push_back(clock(lesson.Warning));
        line(cells, WallRow, (r - part.FirstRow) % 2 == 1);
    }
}

void TScheduleWriter::ColumnWidths()
{
    if (Widths[Name] > 0)
        return; // measured in the counting run

    const QFontMetricsF body(Body, &Device);
    const QFontMetricsF bold(Bold, &Device);
    // A cell keeps Mm(1) clear on each side; half a millimetre more so that rounding in the
    // elision never cuts a text that was measured to fit.
    const double pad = Mm(2.5);
    std::array<TColumnWish, ColumnCount> columns;
    const std::array<QString, ColumnCount> samples = {u"32"_s,   QString(), u"00:00"_s, u"—"_s,
                                                      u"9999"_s, QString(), u"100"_s};
    for (int c = 0; c < ColumnCount; ++c)
        columns[c] = {std::max(bold.horizontalAdvance(HeaderTexts[c]), body.horizontalAdvance(samples[c])),
                      c == Name || c == File};
    std::unordered_set<int32_t> tracks; // each track's file measured once
    std::array<bool, 128> daySets{};    // and each set of days
    for (const int g : Layout.Groups) {
        for (const TScenario &scenario : Project.Groups[g].Scenarios) {
            if (!scenario.Used)
                continue;
            // No column is wider than the page: a text's first 300 characters tell all its width can.
            columns[Name].Wanted =
                std::max(columns[Name].Wanted, body.horizontalAdvance(FromModel(scenario.Name).left(300)));
            int daySet = 0;
            for (int d = 0; d < 7; ++d)
                daySet |= scenario.Days[d] ? 1 << d : 0;
            if (!std::exchange(daySets[daySet], true))
                columns[Days].Wanted =
                    std::max(columns[Days].Wanted, body.horizontalAdvance(FromModel(DaysText(scenario.Days))));
            const auto file = FileNames.find(scenario.Track);
            if (file != FileNames.end() && tracks.insert(scenario.Track).second)
                columns[File].Wanted = std::max(columns[File].Wanted, body.horizontalAdvance(file->second.left(300)));
        }
    }
    for (TColumnWish &column : columns)
        column.Wanted += pad;
    const std::vector<double> widths = FitColumns({columns.begin(), columns.end()}, Area.width(), Mm(10));
    std::copy(widths.begin(), widths.end(), Widths.begin());
}

void TScheduleWriter::TableRow(const std::array<QString, ColumnCount> &cells, const QFont &font, bool stripe)
{
    const double height = LineOf(Body);
    if (Painter) {
        if (stripe)
            Painter->fillRect(QRectF(Area.left(), Y, Area.width(), height), StripeColour);
        Painter->setFont(font);
        Painter->setPen(Qt::black);
        const QFontMetricsF metrics(font, &Device);
        const double pad = Mm(1);
        double x = Area.left();
        for (int c = 0; c < ColumnCount; ++c) {
            const QRectF cell(x + pad, Y, Widths[c] - 2 * pad, height);
            const Qt::Alignment align = c == Name || c == File || c == Days ? Qt::AlignLeft : Qt::AlignRight;
            // What was measured to fit is drawn whole; only a text the page had no room for is cut.
            const bool fits = cells[c].size() <= 300 && metrics.horizontalAdvance(cells[c]) <= cell.width() + Mm(0.5);
            Painter->drawText(cell, align | Qt::AlignVCenter,
                              fits ? cells[c] : Elided(metrics, cells[c], Qt::ElideRight, cell.width()));
            x += Widths[c];
        }
        Painter->setPen(QPen(RuleColour, 0));
        Painter->drawLine(QPointF(Area.left(), Y + height), QPointF(Area.right(), Y + height));
    }
    Y += height;
}

void TScheduleWriter::GroupBlock(const TGroupTable &table)
{
    const TGroup &group = Project.Groups[table.Group];
    const double row = LineOf(Body);
    const double head = LineOf(Heading) + row;
    // A heading never stands alone at the foot of a page: it keeps its table's header and first row.
    Ensure(head + row * 2);
    Text(Heading, GroupTitle(Project, table.Group), LineOf(Heading));
    Text(Body, u"Зоны: "_s + ZonesText(Project, table.Group), row);
    if (table.Slots.empty()) {
        Text(Body, u"Сценариев нет"_s, row);
    } else {
        TableRow(HeaderTexts, Bold, false);
        for (size_t k = 0; k < table.Slots.size(); ++k) {
            if (Ensure(row)) {
                Text(Heading, GroupTitle(Project, table.Group) + u" (продолжение)"_s, LineOf(Heading));
                TableRow(HeaderTexts, Bold, false);
            }
            const int s = table.Slots[k];
            const TScenario &scenario = group.Scenarios[s];
            const QString days = FromModel(DaysText(scenario.Days));
            TableRow({QString::number(s), FromModel(scenario.Name), FromModel(TimeText(scenario.Hour, scenario.Minute)),
                      days.isEmpty() ? u"—"_s : days, QString::number(scenario.Track),
                      FileNames.contains(scenario.Track) ? FileNames.at(scenario.Track) : QString(),
                      QString::number(scenario.Volume)},
                     Body, k % 2 == 1);
        }
    }
    Y += row;
}

void TScheduleWriter::ChartPage()
{
    StartPage(true);
    const QString name = Project.Name.empty() ? QString() : u": "_s + FromModel(Project.Name);
    Text(Heading, u"Неделя"_s + name, LineOf(Heading) * 1.2);
    TChartStyle style;
    style.Font = PrintFont(7);
    style.Unit = Device.logicalDpiY() / 96.0;
    const double legend = LegendHeight(&Device, Area.width(), Project, Layout.Groups, style);
    QRectF chart(Area.left(), Y, Area.width(), Area.bottom() - Y - legend - Mm(3));
    // Labels with no room beside their marks are listed under the legend; that line is taken
    // from the chart only when some label is left out.
    const QFontMetricsF metrics(style.Font, &Device);
    const auto dropped = [&] {
        const TChartGeometry geometry = ChartGeometryFor(&Device, chart, Layout, style);
        return DroppedLabelsText(LayChartLabels(metrics, geometry, Layout, Project), Layout);
    };
    const double droppedHeight = LineOf(style.Font) * 2;
    if (!ChartDropsLabels) // the same in the counting run and the painting run
        ChartDropsLabels = !dropped().isEmpty();
    if (*ChartDropsLabels)
        chart.setHeight(chart.height() - droppedHeight);
    if (Painter) {
        TChartLabels labels;
        PaintWeekChart(*Painter, chart, Layout, Project, style, &labels);
        const QRectF legendArea(Area.left(), Area.bottom() - legend, Area.width(), legend);
        PaintLegend(*Painter, legendArea, Project, Layout.Groups, style);
        const QString times = DroppedLabelsText(labels, Layout);
        if (!times.isEmpty()) {
            // Two lines at most; a full week of bells a minute apart is cut with an ellipsis.
            const QRectF box(Area.left(), chart.bottom() + Mm(1), Area.width(), droppedHeight);
            const QString text = u"Без подписи (нет места): "_s + times;
            QString shown = text;
            if (metrics.boundingRect(box, Qt::TextWordWrap, text).height() > box.height())
                shown = metrics.elidedText(text, Qt::ElideRight, box.width() * 1.9);
            Painter->setFont(style.Font);
            Painter->setPen(Qt::black);
            Painter->drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, shown);
        }
    }
}

void TScheduleWriter::ClashList()
{
    if (Layout.Clashes.empty())
        return;
    StartPage(false);
    const double row = LineOf(Body);
    Text(Heading, u"Совпадения времени"_s, LineOf(Heading) * 1.2);
    for (const TClashSet &set : Layout.Clashes) {
        Ensure(row * 2);
        Text(Bold, FromModel(DayShortNames[set.Day]) + u' ' + FromModel(TimeText(set.Hour, set.Minute)), row);
        for (const auto &[g, s] : set.Members) {
            Ensure(row);
            const QString scenario = FromModel(Project.Groups[g].Scenarios[s].Name);
            Text(Body,
                 u"    "_s + GroupTitle(Project, g) + u", сценарий "_s + QString::number(s) + u" «"_s + scenario +
                     u"»"_s,
                 row);
        }
    }
}

void TScheduleWriter::OverlapList()
{
    const TOverlaps overlaps = FindOverlaps(Project, Durations);
    if (overlaps.Total == 0)
        return;
    StartPage(false);
    Text(Heading, u"Наложения звука"_s, LineOf(Heading) * 1.2);
    for (const TOverlap &overlap : overlaps.Listed)
        WrappedText(Body, FromModel(OverlapText(Project, overlap)));
    if (const std::string more = MoreOverlapsText(overlaps); !more.empty())
        WrappedText(Body, FromModel(more));
}

int TScheduleWriter::Run(QPainter *painter, int pageCount)
{
    Painter = painter;
    PageCount = pageCount;
    Page = 0;
    StartPage(false, false);
    if (!Timetables.empty()) {
        TimetablePages();
        StartPage(false, false);
    }
    ColumnWidths();
    TitleBlock();
    // A group without scenarios gets a line, not a block of its own.
    QStringList empty;
    for (const TGroupTable &table : GroupTables(Project)) {
        if (table.Slots.empty())
            empty.push_back(GroupTitle(Project, table.Group));
        else
            GroupBlock(table);
    }
    if (!empty.isEmpty())
        WrappedText(Body, u"Без сценариев: "_s + empty.join(u"; "_s));
    if (Layout.Groups.empty())
        Text(Body, u"Групп нет"_s, LineOf(Body));
    if (!Layout.Marks.empty()) // a week without a bell is an empty grid
        ChartPage();
    ClashList();
    OverlapList();
    return Page;
}

} // namespace

QFont PrintFont(double pointSize, bool bold)
{
    QFont font(PrintFontFamily());
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

int PaintSchedule(QPagedPaintDevice &device, const TProject &project, const std::vector<std::string> &playList,
                  const QDate &printed, bool turnPages, QList<int> *turned)
{
    device.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, PageMargins, QPageLayout::Millimeter));
    TScheduleWriter writer(device, project, playList, printed, turnPages);
    const int pages = writer.Run(nullptr, 0);
    QPainter painter;
    if (!painter.begin(&device))
        throw TSigError("Не удалось начать печать: принтер не отвечает");
    writer.Run(&painter, pages);
    painter.end();
    if (turned)
        *turned = writer.Turned;
    return pages;
}

QByteArray SchedulePdf(const TProject &project, const std::vector<std::string> &playList, const QDate &printed)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(u"Расписание: "_s + FromModel(project.Name));
        writer.setCreator(u"sigcfg"_s);
        PaintSchedule(writer, project, playList, printed, true);
    }
    return buffer.data();
}

void WriteSchedulePdf(const std::string &path, const TProject &project, const std::vector<std::string> &playList,
                      const QDate &printed)
{
    const QByteArray bytes = SchedulePdf(project, playList, printed);
    WriteFileAtomically(path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}
