// What keeps the operator's work: the page follows the highlighted node, lists start at their
// first row and toggle by their labels, Tab leaves the log, boxes refuse what can not be stored,
// and the window fits the screen.
#include "support/window_fixture.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>

using PageFollowsHighlight = TWindowTest;

TEST_F(PageFollowsHighlight, ANodeMadeCurrentWithoutHighlightShowsNothingAndEnablesNoNodeCommand)
{
    OpenTree(2, {{1, 1}, {2, 0}});
    // The tree gets the focus with no node current, as when a dialog or a pop-up menu closes:
    // Qt makes the first node current without highlighting it.
    QFocusEvent focusIn(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(Ui().tvMain, &focusIn);
    ASSERT_NE(Ui().tvMain->currentItem(), nullptr);
    EXPECT_FALSE(Ui().tvMain->currentItem()->isSelected());
    EXPECT_EQ(Page(), Ui().tsNothing);
    EXPECT_EQ(States(), Opened); // "Удалить группу" can not reach group 1

    SelectScenario(1, 1);
    Prompts.ExpectNotice();
    Ui().miAbout->trigger(); // a modal in between changes nothing
    QApplication::sendEvent(Ui().tvMain, &focusIn);
    EXPECT_EQ(Page(), Ui().tsScenario);
    EXPECT_EQ(States(), ScenarioShown);

    Ui().tvMain->clearSelection(); // the highlight goes: so does the page
    EXPECT_EQ(Page(), Ui().tsNothing);
    EXPECT_EQ(States(), Opened);
}

TEST_F(PageFollowsHighlight, ARebuildKeepsThePlaceAndRefreshesThePage)
{
    OpenTree(4, {{1, 0}, {3, 0}}); // 8 zones
    SelectGroup(3);
    EXPECT_EQ(Ui().clZones->count(), 8);
    Prompts.AnswerInputChoice(U("Велтара ДК-4")); // 4 zones
    Window->lbDeviceNameAltClick();
    EXPECT_EQ(Ui().tvMain->currentItem(), Window->FindGroupNode(3));
    EXPECT_EQ(Page(), Ui().tsGroup);
    EXPECT_EQ(Ui().clZones->count(), 4);
    Prompts.AnswerInputChoice(U("Велтара ДК-2")); // group 3 hidden: nothing left to show
    Prompts.AnswerYesNo(true, U("Группа 3 не поддерживается прибором Велтара ДК-2 и будет удалена при сохранении.\n"
                                "Выбрать этот прибор?"));
    Window->lbDeviceNameAltClick();
    EXPECT_EQ(Page(), Ui().tsNothing);
    EXPECT_EQ(States(), Opened);
    EXPECT_EQ(Window->FindGroupNode(3), nullptr);
}

using CheckLists = TWindowTest;

TEST_F(CheckLists, StartAtTheFirstRowAndToggleByLabelOrSpace)
{
    OpenTree(2, {{1, 1}, {1, 2}});
    Window->show();
    SelectScenario(1, 1);
    Ui().clDayOfWeek->setCurrentRow(4); // left on Friday
    SelectScenario(1, 2);
    EXPECT_EQ(Ui().clDayOfWeek->currentRow(), 0);
    EXPECT_TRUE(Ui().clDayOfWeek->selectedItems().isEmpty());
    QTest::keyClick(Ui().clDayOfWeek, Qt::Key_Space); // Tab in, Space: Monday
    EXPECT_TRUE(Project.Groups[1].Scenarios[2].Days[0]);
    EXPECT_FALSE(Project.Groups[1].Scenarios[2].Days[4]);

    // A click on the label, right of the box, toggles as a click on the box does.
    const QRect tuesday = Ui().clDayOfWeek->visualItemRect(Ui().clDayOfWeek->item(1));
    const QPoint label(tuesday.left() + tuesday.width() / 2, tuesday.center().y());
    QTest::mouseClick(Ui().clDayOfWeek->viewport(), Qt::LeftButton, {}, label);
    EXPECT_TRUE(Project.Groups[1].Scenarios[2].Days[1]);
    QTest::mouseClick(Ui().clDayOfWeek->viewport(), Qt::LeftButton, {}, label);
    EXPECT_FALSE(Project.Groups[1].Scenarios[2].Days[1]);

    SelectGroup(1);
    Ui().clZones->setCurrentRow(1);
    QTest::keyClick(Ui().clZones, Qt::Key_Space);
    EXPECT_TRUE(Project.Groups[1].Zones[2]);
    SelectScenario(1, 1);
    SelectGroup(1);
    EXPECT_EQ(Ui().clZones->currentRow(), 0);
}

using Boxes = TWindowTest;

TEST_F(Boxes, TheLogPassesTab)
{
    Window->show();
    QApplication::setActiveWindow(Window.get());
    Ui().mmLog->setFocus();
    QTest::keyClick(Ui().mmLog, Qt::Key_Tab);
    EXPECT_TRUE(Ui().mmLog->toPlainText().isEmpty());
    EXPECT_FALSE(Ui().mmLog->hasFocus());
}

TEST_F(Boxes, TrackVolumeAndTimeRefuseWhatCanNotBeStored)
{
    OpenTree(2, {{1, 1}, {1, 2}});
    Scenario(1, 2).Track = -5;
    SelectScenario(1, 1);
    const struct
    {
        const char *what;
        QLineEdit *box;
        const char *typed;
        const char *shows;
    } cases[] = {
        {"letters in the track", Ui().edScenarioTrack, "12a", "12"},
        {"a minus where none is stored", Ui().edScenarioVolume, "-7x", "7"},
        {"hours past 23, minutes past 59: kept as typed, in red", Ui().edScenarioTime, "25:99", "25:99"},
        {"letters in the time", Ui().edScenarioTime, "8h30", "830"},
        {"H:MM", Ui().edScenarioTime, "7:05", "7:05"},
        {"HH:MM", Ui().edScenarioTime, "23:59", "23:59"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QLineEdit *box = c.box;
        box->clear();
        QTest::keyClicks(box, QString::fromLatin1(c.typed));
        EXPECT_EQ(box->text(), U(c.shows));
    }
    const TScenario &one = Project.Groups[1].Scenarios[1];
    EXPECT_EQ(std::tuple(one.Track, one.Volume, one.Hour, one.Minute), std::tuple(12, 7, 23, 59));

    SelectScenario(1, 2); // a stored negative track keeps its minus editable, but no typed value below 1 is taken
    EXPECT_TRUE(Ui().edScenarioTrack->styleSheet().contains(U("red")));
    QTest::keyClicks(Ui().edScenarioTrack, U("1"));
    EXPECT_EQ(Ui().edScenarioTrack->text(), U("-51"));
    EXPECT_EQ(Project.Groups[1].Scenarios[2].Track, -5);
    EXPECT_EQ(Window->statusBar()->currentMessage(), U("Трек не записан: номер трека от 1 до 999"));
}

TEST_F(Boxes, ATimeOutOfRangeFromAFileShowsRedAndIsNotRewritten)
{
    OpenTree(2, {{1, 1}});
    Scenario(1, 1, 25, 99);
    SetModified(false);
    SelectScenario(1, 1);
    EXPECT_EQ(Ui().edScenarioTime->text(), U("25:99"));
    EXPECT_TRUE(Ui().edScenarioTime->styleSheet().contains(U("red")));
    QTest::keyClick(Ui().edScenarioTime, Qt::Key_Backspace);
    QTest::keyClicks(Ui().edScenarioTime, U("0"));
    EXPECT_EQ(std::pair(Project.Groups[1].Scenarios[1].Hour, Project.Groups[1].Scenarios[1].Minute), std::pair(25, 99));
    EXPECT_FALSE(Modified());
    Ui().edScenarioTime->selectAll();
    QTest::keyClicks(Ui().edScenarioTime, U("8:15"));
    EXPECT_EQ(std::pair(Project.Groups[1].Scenarios[1].Hour, Project.Groups[1].Scenarios[1].Minute), std::pair(8, 15));
    EXPECT_TRUE(Ui().edScenarioTime->styleSheet().isEmpty());
}

TEST(WindowPlace, OpensAtItsSizeCentredOrAsLargeAsTheScreenAllowsWhollyOnIt)
{
    const QSize wanted(583, 830), minimum(400, 350);
    const QMargins frame(4, 30, 4, 4);
    const struct
    {
        QRect available;
        QRect expected;
    } cases[] = {
        {QRect(0, 0, 1920, 1080), QRect(669, 138, 583, 830)}, // fits: centred
        {QRect(0, 0, 1366, 728), QRect(392, 30, 583, 694)},   // a laptop with a panel: full height
        {QRect(100, 50, 500, 300), QRect(104, 80, 492, 350)}, // smaller than the least: top left
    };
    for (const auto &c : cases) {
        const QRect place = TfrMain::FitToScreen(wanted, minimum, c.available, frame);
        EXPECT_EQ(place, c.expected) << c.available.width() << "x" << c.available.height();
        if (minimum.height() + 34 <= c.available.height()) {
            EXPECT_TRUE(c.available.contains(place.marginsAdded(frame)));
        }
    }
}

TEST(WindowPlace, FirstOpensAtAFairShareOfTheScreenNeverBelowItsDesignedSize)
{
    const QSize designed(583, 830);
    const struct
    {
        QSize available;
        QSize expected;
    } cases[] = {
        {QSize(1920, 1050), QSize(960, 892)},   // half the width, most of the height
        {QSize(1366, 728), QSize(683, 830)},    // the designed height; FitToScreen then makes it fit
        {QSize(1024, 600), QSize(583, 830)},    // never below the designed size
        {QSize(3840, 2100), QSize(1200, 1785)}, // no wider than a form needs
    };
    for (const auto &c : cases)
        EXPECT_EQ(TfrMain::OpeningSize(designed, c.available), c.expected) << c.available.width();
}
