// The week chart: its painting, the window that follows the main window, and the printed pages.
#include "support/window_fixture.h"
#include "ui/chart/schedulepages.h"
#include "ui/chart/weekchart.h"
#include "ui/chart/weekpainter.h"

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QScreen>
#include <QTest>

#include <algorithm>

namespace {

/// Whether a pixel has a colour: exact, since the chart fills marks without smoothing.
bool Is(const QImage &image, QPointF at, const QColor &colour)
{
    return image.pixel(at.toPoint()) == colour.rgb();
}

int CountOf(const QImage &image, const QColor &colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == colour.rgb();
    return count;
}

} // namespace

using WeekChart = TWindowTest;

TEST_F(WeekChart, PaintsMarksAtTheirDayAndTimeRedWhereTheyClash)
{
    OpenProject(2); // 4 zones: group 6 is hidden
    Group(1, "Корпус");
    Group(2, "Двор");
    Group(6, "Скрытая");
    Scenario(1, 1, 8, 0).Days = {true, true, true, true, true, false, false};
    Scenario(2, 1, 8, 0).Days[0] = true; // clashes with 1.1 on Monday only
    Scenario(2, 2, 12, 0).Days[2] = true;
    Scenario(6, 1, 10, 0).Days = {true, true, true, true, true, true, true};
    Scenario(1, 2, 18, 0).Days[6] = true;

    QImage image(980, 620, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    TChartStyle style;
    style.Font = QFont(U("DejaVu Sans"), 8);
    const TWeekLayout layout = BuildWeekLayout(Project);
    const TChartGeometry geometry = PaintWeekChart(painter, image.rect(), layout, Project, style);
    painter.end();

    // Positions worked out here from the grid alone: day d is the d-th seventh, 08:00 to 19:00 top to bottom.
    ASSERT_EQ(geometry.FirstHour, 8);
    ASSERT_EQ(geometry.EndHour, 19);
    const QRectF grid = geometry.Grid;
    const auto at = [&](double day, int hour) {
        return QPointF(grid.left() + day * grid.width() / 7, grid.top() + (hour - 8) * grid.height() / 11);
    };
    const struct
    {
        double Day; // within the column: .25 and .75 are the two lanes of a clash, .5 a lone mark
        int Hour;
        QColor Colour;
    } marks[] = {
        {0.25 + 0.1, 8, ClashColour()}, {0.75, 8, ClashColour()},  {1.5, 8, GroupColour(1)},
        {4.5, 8, GroupColour(1)},       {2.5, 12, GroupColour(2)}, {6.5, 18, GroupColour(1)},
    };
    for (const auto &mark : marks)
        EXPECT_TRUE(Is(image, at(mark.Day, mark.Hour), mark.Colour)) << mark.Day << " " << mark.Hour;
    const struct
    {
        double Day;
        int Hour;
    } empty[] = {{5.5, 8}, {1.5, 12}, {2.5, 10}, {0.5, 18}};
    for (const auto &place : empty) {
        for (const QColor &colour : {ClashColour(), GroupColour(1), GroupColour(2), GroupColour(6)})
            EXPECT_FALSE(Is(image, at(place.Day, place.Hour), colour)) << place.Day << " " << place.Hour;
    }
    EXPECT_EQ(CountOf(image, GroupColour(6)), 0); // the hidden group
}

TEST_F(WeekChart, WindowFollowsTheMainWindowAndSelectsTheClickedScenario)
{
    OpenTree(4, {{1, 1}, {1, 2}, {2, 1}});
    Project.Groups[1].Scenarios[1].Days[0] = true;
    Project.Groups[1].Scenarios[2].Days[1] = true;
    Project.Groups[2].Scenarios[1].Days[0] = true;
    Project.Groups[2].Scenarios[1].Track = 7;
    Project.Groups[2].Scenarios[1].Volume = 25;
    Project.Groups[2].Scenarios[1].Name = "Обед";
    Project.Groups[2].Zones[3] = true;
    Project.Groups[2].Name = "Двор";
    PlayList() = {"7;/home/op/Звонки/обед.mp3"};
    Window->RebuildTree();

    Ui().miWeekChart->trigger();
    TWeekChart *chart = WeekChartWindow();
    ASSERT_NE(chart, nullptr);
    EXPECT_TRUE(chart->isVisible());
    EXPECT_FALSE(chart->isModal());
    TWeekChartView *view = chart->View;
    view->resize(800, 500);
    const auto marks = [&] {
        QApplication::processEvents();
        QStringList texts;
        for (const TWeekMark &m : view->Layout().Marks)
            texts.push_back(QString(U("%1:%2.%3@%4%5"))
                                .arg(m.Day)
                                .arg(m.Group)
                                .arg(m.Slot)
                                .arg(m.Minute)
                                .arg(m.Clash ? U("!") : QString()));
        return texts.join(u' ');
    };
    EXPECT_EQ(marks(), U("0:1.1@510! 0:2.1@510! 1:1.2@510"));
    EXPECT_EQ(chart->Legend->count(), 2);

    // A time typed on the scenario page, a day ticked, a scenario deleted, a project opened.
    SelectScenario(1, 1);
    Ui().edScenarioTime->setText(U("09:15"));
    EXPECT_EQ(marks(), U("0:2.1@510 0:1.1@555 1:1.2@510"));
    Ui().clDayOfWeek->item(4)->setCheckState(Qt::Checked);
    EXPECT_EQ(marks(), U("0:2.1@510 0:1.1@555 1:1.2@510 4:1.1@555"));
    SelectScenario(1, 2);
    Prompts.AnswerYesNo(true);
    Ui().miDelScenario->trigger();
    EXPECT_EQ(marks(), U("0:2.1@510 0:1.1@555 4:1.1@555"));

    // The hover names everything about the scenario, its track's file and its zones.
    const int lunch = FindMark(view->Layout(), 0, 2, 1);
    const QString tip = view->MarkToolTip(lunch);
    for (const char *part : {"Группа 2: Двор", "Сценарий 1: Обед", "Время: 08:30", "Дни: Пн", "Трек: 7",
                             "/home/op/Звонки/обед.mp3", "Громкость: 25", "Зоны: 3"})
        EXPECT_TRUE(tip.contains(U(part))) << part << "\n" << tip.toStdString();

    QTest::mouseClick(view, Qt::LeftButton, {}, view->MarkRect(lunch).center().toPoint());
    EXPECT_EQ(Ui().tvMain->currentItem(), Window->FindScenarioNode(2, 1));
    EXPECT_EQ(Page(), Ui().tsScenario);

    // Taking group 2 out of the chart leaves group 1 alone.
    chart->Legend->item(1)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(marks(), U("0:1.1@555 4:1.1@555"));

    ResetProject(Project);
    Window->ProjectOpened();
    EXPECT_EQ(marks(), U(""));
    EXPECT_EQ(chart->Legend->count(), 0);
}

TEST_F(WeekChart, UndoAndRedoKeysWorkWhileTheChartHasTheFocus)
{
    OpenTree(4, {{1, 1}});
    Project.Groups[1].Scenarios[1].Days[0] = true;
    Window->RebuildTree();
    SelectScenario(1, 1);
    Ui().edScenarioTime->setText(U("09:15"));
    Ui().edScenarioTime->editingFinished();
    Ui().miWeekChart->trigger();
    TWeekChart *chart = WeekChartWindow();
    ASSERT_NE(chart, nullptr);
    chart->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(chart));
    chart->View->setFocus();

    QTest::keyClick(chart->View, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Project.Groups[1].Scenarios[1].Hour, 8);
    QTest::keyClick(chart->View, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Project.Groups[1].Scenarios[1].Hour, 9);
    EXPECT_EQ(Project.Groups[1].Scenarios[1].Minute, 15);
}

TEST(WeekChartPlace, BesideTheMainWindowWhereTheScreenHasRoomAndAlwaysOnIt)
{
    const QSize wanted(820, 600);
    const int least = 600, frame = 30;
    const struct
    {
        const char *What;
        QRect Screen, Owner;
        bool Beside, OwnerMoves;
    } cases[] = {
        {"desktop, main window on the left", {0, 0, 1920, 1040}, {0, 0, 1150, 800}, true, false},
        {"desktop, main window on the right", {0, 0, 1920, 1040}, {900, 100, 1000, 800}, true, false},
        {"desktop, main window too wide for both", {0, 0, 1920, 1040}, {300, 100, 1400, 800}, false, false},
        {"desktop, narrow main window in the middle", {0, 0, 1920, 1040}, {660, 100, 600, 700}, true, true},
        {"desktop, wide main window in the middle", {0, 0, 1920, 1040}, {380, 100, 1150, 800}, true, true},
        {"laptop, main window of two thirds", {0, 0, 1366, 740}, {0, 0, 760, 700}, true, false},
        {"laptop, narrow main window in the middle", {0, 0, 1366, 740}, {390, 40, 585, 700}, true, true},
        {"laptop, main window right of the middle", {0, 0, 1366, 740}, {500, 40, 585, 700}, true, true},
        {"laptop, main window filling it", {0, 0, 1366, 740}, {0, 0, 1366, 740}, false, false},
        {"second screen", {1920, 0, 1366, 740}, {1920, 0, 700, 700}, true, false},
    };
    for (const auto &c : cases) {
        const TBesidePlace place = PlaceBeside(c.Owner, c.Screen, wanted, least, frame);
        const QRect framed(place.Window.topLeft(), place.Window.size() + QSize(0, frame));
        const QRect owner(place.Owner, c.Owner.size());
        EXPECT_TRUE(c.Screen.contains(framed)) << c.What;
        EXPECT_TRUE(c.Screen.contains(owner)) << c.What;
        EXPECT_EQ(!framed.intersects(owner), c.Beside) << c.What;
        EXPECT_EQ(place.Owner != c.Owner.topLeft(), c.OwnerMoves) << c.What;
        EXPECT_GE(place.Window.width(), least) << c.What;
        EXPECT_LE(place.Window.width(), wanted.width()) << c.What;
    }
}

TEST_F(WeekChart, PrintAndPdfDrawTheSchedule)
{
    EXPECT_FALSE(Ui().miPrint->isEnabled());
    OpenTree(2, {{1, 1}, {1, 2}});
    Project.Groups[1].Scenarios[1].Days[0] = true; // a week without a bell has no chart page
    EXPECT_TRUE(Ui().miPrint->isEnabled());
    EXPECT_TRUE(Ui().miExportPdf->isEnabled());

    // The preview draws the pages when asked: the tables, then the chart turned on its own sheet
    // and shown upright. It opens over most of the screen with the page as wide as the window.
    int pages = 0;
    QList<bool> across; // each page shown wider than high
    Prompts.AnswerModal(2, [&](QDialog &dialog) {
        auto *preview = dialog.findChild<QPrintPreviewWidget *>();
        ASSERT_NE(preview, nullptr);
        const QSize screen = Window->screen()->availableGeometry().size();
        EXPECT_GE(dialog.width(), screen.width() / 2);
        EXPECT_GE(dialog.height(), screen.height() / 2);
        EXPECT_LE(dialog.frameGeometry().height(), screen.height());
        EXPECT_EQ(preview->zoomMode(), QPrintPreviewWidget::FitToWidth);
        preview->updatePreview();
        pages = preview->pageCount();
        QList<QGraphicsItem *> items = preview->findChild<QGraphicsView *>()->scene()->items();
        std::sort(items.begin(), items.end(), [](auto *a, auto *b) { return a->pos().y() < b->pos().y(); });
        for (const QGraphicsItem *item : items)
            across.push_back(item->sceneBoundingRect().width() > item->sceneBoundingRect().height());
    });
    Ui().miPrint->trigger();
    EXPECT_EQ(pages, 2);
    EXPECT_EQ(across, (QList<bool>{false, true}));

    Prompts.AnswerSaveFile(QString::fromStdString(PathIn("schedule")));
    Ui().miExportPdf->trigger();
    QFile pdf(QString::fromStdString(PathIn("schedule.pdf")));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    EXPECT_EQ(QDir(Folder.path()).entryList(QDir::Files).size(), 1); // no temporary left behind
}

TEST(WeekPainter, ALongTextIsCutBeforeMeasuringAndShowsAsQtWouldElideIt)
{
    const QFontMetricsF metrics{QFont()};
    const double width = metrics.averageCharWidth() * 30;
    const QString letters = QString(u'x').repeated(200000);
    const QString ends = QString::fromUtf8("начало ") + letters + QString::fromUtf8(" конец");
    const struct
    {
        QString Text;
        Qt::TextElideMode Mode;
    } cases[] = {{letters, Qt::ElideRight},
                 {ends, Qt::ElideMiddle},
                 {ends, Qt::ElideLeft},
                 {QString::fromUtf8("коротко"), Qt::ElideRight}};
    for (const auto &c : cases)
        EXPECT_EQ(Elided(metrics, c.Text, c.Mode, width), metrics.elidedText(c.Text, c.Mode, width)) << c.Mode;
}
