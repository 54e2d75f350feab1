// The lesson-bell dialog and the group-wide edits in the window: preview, verdict, OK, refusals.
#include "support/window_fixture.h"
#include "ui/dialogs/bellsdialog.h"
#include "ui/dialogs/groupeditdialogs.h"
#include "ui/document/projectdocument.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>

namespace {

QStringList PreviewRows(const TfrBells &dialog)
{
    QStringList rows;
    for (int i = 0; i < dialog.lvPreview->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = dialog.lvPreview->topLevelItem(i);
        rows.push_back(row->text(0) + u' ' + row->text(1) + u' ' + row->text(2) + u' ' + row->text(3));
    }
    return rows;
}

bool OkEnabled(const QDialogButtonBox *buttons)
{
    return buttons->button(QDialogButtonBox::Ok)->isEnabled();
}

} // namespace

class BellsWindow : public TWindowTest
{
protected:
    /// Group 1 with an 08:30 Monday scenario in slot 1, group 2 empty; group 2 shown.
    void SetUp() override
    {
        TWindowTest::SetUp();
        OpenTree(4, {{1, 1}, {2, 0}});
        Project.Groups[1].Scenarios[1].Days[0] = true;
        SelectGroup(2);
    }

    /// Opens the menu as the operator does, so the items' state is the menu's, then picks one.
    void Pick(QMenu *menu, QAction *action)
    {
        emit menu->aboutToShow();
        ASSERT_TRUE(action->isEnabled());
        action->trigger();
    }
};

TEST_F(BellsWindow, PreviewFollowsTheFieldsAndOkAddsTheBells)
{
    Prompts.AnswerModal(
        1,
        [](QDialog &modal) {
            auto *dialog = qobject_cast<TfrBells *>(&modal);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->cbGroup->currentData().toInt(), 2); // the group shown
            dialog->seLessons->setValue(2);
            dialog->edBreaks->setText(U("15"));
            dialog->seEndTrack->setValue(2);
            dialog->seWarning->setValue(5);
            dialog->seWarningTrack->setValue(3);
            EXPECT_EQ(PreviewRows(*dialog),
                      (QStringList{U("08:25 1 Урок 1: предупреждение 3"), U("08:30 2 Урок 1: начало 1"),
                                   U("09:15 3 Урок 1: конец 2"), U("09:25 4 Урок 2: предупреждение 3"),
                                   U("09:30 5 Урок 2: начало 1"), U("10:15 6 Урок 2: конец 2")}));
            // Group 1 rings at 08:30 on Monday too.
            EXPECT_EQ(dialog->lbVerdict->text(),
                      U("Проверка: найдено совпадений по времени: 1\nОшибка совпадение времени: (группа 2 сценарий 2) "
                        "с (группой 1 сценарий 1) день Понедельник"));

            dialog->edStart->setTime(QTime(23, 0));
            EXPECT_TRUE(PreviewRows(*dialog).isEmpty());
            EXPECT_TRUE(dialog->lbVerdict->text().contains(U("выходит за пределы суток")));
            EXPECT_FALSE(OkEnabled(dialog->bbButtons));
            dialog->edStart->setTime(QTime(8, 0));
            dialog->edBreaks->setText(U("15, пять"));
            EXPECT_FALSE(OkEnabled(dialog->bbButtons));
            dialog->edBreaks->setText(U("15"));
            EXPECT_TRUE(OkEnabled(dialog->bbButtons));
            EXPECT_EQ(dialog->lbVerdict->text(), U("Проверка: совпадений по времени нет"));
        },
        U("Расписание звонков"));
    Pick(Ui().pmEdit, Ui().pmmiBells);

    const TScenario &start = Project.Groups[2].Scenarios[2];
    EXPECT_EQ(start.Name, "Урок 1: начало");
    EXPECT_EQ(start.Hour * 60 + start.Minute, 8 * 60);
    EXPECT_EQ(start.Volume, 20);
    EXPECT_TRUE(Project.Groups[2].Scenarios[6].Used);
    EXPECT_FALSE(Project.Groups[2].Scenarios[7].Used);
    EXPECT_TRUE(Modified());
    EXPECT_TRUE(TreeTexts().contains(U("  Сценарий 6: Урок 2: конец")));
    EXPECT_EQ(LogLines(), (QStringList{U("Проверка проекта"), U("Всего ошибок: 0")}));
}

TEST_F(BellsWindow, ReplacingTwiceLeavesTheGroupAsOnce)
{
    // Each run: two lessons with the second shift's prefix, replacing; the second run's preview
    // says it takes away the first run's four bells.
    const auto run = [this](int removed) {
        Prompts.AnswerModal(1, [removed](QDialog &modal) {
            auto &dialog = dynamic_cast<TfrBells &>(modal);
            dialog.seLessons->setValue(2);
            dialog.edPrefix->setText(U("2 смена: "));
            dialog.cbReplace->setChecked(true);
            EXPECT_EQ(PreviewRows(dialog).value(0), U("08:30 1 2 смена: Урок 1: начало 1"));
            EXPECT_TRUE(dialog.lbVerdict->text().startsWith(U("Будут удалены прежние звонки: ") +
                                                            QString::number(removed) + u'\n'));
        });
        Pick(Ui().pmEdit, Ui().pmmiBells);
    };
    run(0);
    const TGroup once = Project.Groups[2];
    run(4);
    for (int s = 1; s <= MaxScenarios; ++s) {
        EXPECT_EQ(Project.Groups[2].Scenarios[s].Used, once.Scenarios[s].Used) << s;
        EXPECT_EQ(Project.Groups[2].Scenarios[s].Name, once.Scenarios[s].Name) << s;
    }
    EXPECT_EQ(Project.Groups[2].Scenarios[4].Name, "2 смена: Урок 2: конец");
    EXPECT_FALSE(Project.Groups[2].Scenarios[5].Used);
}

// The second run opens with the first run's plan, found from the bells themselves: the prefix is
// there, replacing is ticked, and OK leaves one set, not two.
TEST_F(BellsWindow, ReopensWithThePlanOfTheGroupsBellsSoARerunReplacesThem)
{
    Prompts.AnswerModal(1, [](QDialog &modal) {
        auto &dialog = dynamic_cast<TfrBells &>(modal);
        EXPECT_FALSE(dialog.cbReplace->isChecked()); // no bells yet: the usual plan
        dialog.seLessons->setValue(3);
        dialog.edStart->setTime(QTime(13, 5));
        dialog.edBreaks->setText(U("10, 20"));
        dialog.seWarning->setValue(3);
        dialog.seVolume->setValue(44);
        dialog.edPrefix->setText(U("2 смена: "));
    });
    Pick(Ui().pmEdit, Ui().pmmiBells);
    const TGroup once = Project.Groups[2];
    SelectScenario(2, 4); // a bell of the set shown, as the operator would have it

    Prompts.AnswerModal(1, [](QDialog &modal) {
        auto &dialog = dynamic_cast<TfrBells &>(modal);
        EXPECT_EQ(dialog.edPrefix->text(), U("2 смена: "));
        EXPECT_TRUE(dialog.cbReplace->isChecked());
        EXPECT_EQ(dialog.seLessons->value(), 3);
        EXPECT_EQ(dialog.edStart->time(), QTime(13, 5));
        EXPECT_EQ(dialog.edBreaks->text(), U("10, 20"));
        EXPECT_EQ(dialog.seWarning->value(), 3);
        EXPECT_EQ(dialog.seVolume->value(), 44);
        EXPECT_TRUE(dialog.lbVerdict->text().startsWith(U("Будут удалены прежние звонки: 9\n")))
            << dialog.lbVerdict->text().toStdString();
    });
    Pick(Ui().miEdit, Ui().miBells);
    for (int s = 1; s <= MaxScenarios; ++s)
        EXPECT_EQ(Project.Groups[2].Scenarios[s], once.Scenarios[s]) << s;
    EXPECT_EQ(Window->Document().Stack().count(), 2); // two runs, two steps

    // Another group in the box brings its own plan; one without bells keeps the fields.
    Group(3);
    Window->RebuildTree();
    TfrBells dialog(Project, 1);
    EXPECT_EQ(dialog.edStart->time(), QTime(8, 30)); // group 1 has no bells of ours
    dialog.cbGroup->setCurrentIndex(dialog.cbGroup->findData(2));
    EXPECT_EQ(dialog.edStart->time(), QTime(13, 5));
    dialog.cbGroup->setCurrentIndex(dialog.cbGroup->findData(3));
    EXPECT_EQ(dialog.edStart->time(), QTime(13, 5));
}

// On a 1366 x 768 screen the dialog fills the height; the clash list growing from one line to a
// dozen must not move the fields, nor grow the dialog.
TEST(BellsDialog, TheFormStaysPutWhileTheVerdictGrowsAndShrinks)
{
    TProject project;
    project.DeviceType = 2;
    project.Groups[1].Used = true;
    project.Groups[2].Used = true;
    TBellPlan plan;
    plan.Group = 2;
    for (const TBell &bell : PreviewBells(project, plan).Bells) { // group 1 rings with every bell
        TScenario &scenario = project.Groups[1].Scenarios[bell.Slot];
        scenario.Used = true;
        scenario.Hour = bell.MinuteOfDay / 60;
        scenario.Minute = bell.MinuteOfDay % 60;
        scenario.Days = plan.Days;
        scenario.Volume = 20;
        scenario.Track = 5;
    }
    TfrBells dialog(project, 2);
    dialog.edStart->setTime(QTime(7, 0)); // no clash: one line
    dialog.show();
    dialog.resize(620, dialog.minimumSizeHint().height()); // as tight as a small screen makes it
    const auto place = [&dialog] {
        QApplication::processEvents();
        return QList<QRect>{QRect(dialog.edStart->mapTo(&dialog, QPoint()), dialog.edStart->size()),
                            QRect(dialog.cbReplace->mapTo(&dialog, QPoint()), dialog.cbReplace->size()),
                            QRect(dialog.bbButtons->mapTo(&dialog, QPoint()), dialog.bbButtons->size()),
                            dialog.geometry()};
    };
    const QList<QRect> few = place();
    EXPECT_EQ(dialog.lbVerdict->text(), U("Проверка: совпадений по времени нет"));
    dialog.edStart->setTime(QTime(8, 30)); // a clash with every bell
    EXPECT_GE(dialog.lbVerdict->text().count(u'\n'), 12) << dialog.lbVerdict->text().toStdString();
    EXPECT_EQ(place(), few);
    dialog.edStart->setTime(QTime(23, 0)); // refused: a long reason
    EXPECT_EQ(place(), few);
    dialog.edStart->setTime(QTime(7, 0));
    EXPECT_EQ(place(), few);
}

TEST_F(BellsWindow, CancelAndRefusalsChangeNothing)
{
    Prompts.AnswerModal(2);
    Window->miBellsClick();
    for (int s = 1; s <= MaxScenarios; ++s)
        EXPECT_FALSE(Project.Groups[2].Scenarios[s].Used);
    EXPECT_FALSE(Modified());

    // Sixteen lessons with end bells need all 32 slots; with one taken, OK (which the dialog keeps
    // off) still changes nothing.
    Project.Groups[2].Scenarios[9].Used = true;
    Prompts
        .AnswerModal(1,
                     [](QDialog &modal) {
                         auto &dialog = dynamic_cast<TfrBells &>(modal);
                         dialog.seLessons->setValue(16);
                         EXPECT_FALSE(OkEnabled(dialog.bbButtons));
                     })
        .ExpectNotice(U("В группе 2 свободно 31 место, нужно 32"));
    Window->miBellsClick();
    EXPECT_FALSE(Modified());
}

TEST_F(BellsWindow, GroupEditsRefreshTheShownScenarioAndRunTheCheck)
{
    Scenario(2, 1, 7, 50);
    Window->RebuildTree();
    SelectScenario(2, 1);

    Prompts.AnswerModal(1, [](QDialog &modal) {
        auto &dialog = dynamic_cast<TfrShiftGroup &>(modal);
        dialog.seMinutes->setValue(-470); // 07:50 -> 00:00; group 1 does not move
        EXPECT_TRUE(OkEnabled(dialog.bbButtons));
        dialog.seMinutes->setValue(-471);
        EXPECT_FALSE(OkEnabled(dialog.bbButtons));
        EXPECT_EQ(dialog.lbStatus->text(),
                  U("Сдвиг на -471 мин выводит сценарий 1 группы 2 за пределы суток (-00:01)"));
        dialog.seMinutes->setValue(40);
    });
    Pick(Ui().miEdit, Ui().miShiftGroup);
    EXPECT_EQ(Project.Groups[2].Scenarios[1].Hour * 60 + Project.Groups[2].Scenarios[1].Minute, 8 * 60 + 30);
    EXPECT_EQ(Project.Groups[1].Scenarios[1].Minute, 30);
    EXPECT_EQ(Ui().edScenarioTime->text(), U("08:30"));
    EXPECT_TRUE(Modified());
    EXPECT_EQ(LogLines().front(), U("Проверка проекта"));

    SetModified(false);
    Prompts.AnswerModal(1, [](QDialog &modal) { dynamic_cast<TfrShiftGroup &>(modal).seMinutes->setValue(1000); })
        .ExpectNotice();
    Window->miShiftGroupClick();
    EXPECT_EQ(Project.Groups[2].Scenarios[1].Minute, 30);
    EXPECT_FALSE(Modified());

    Prompts.AnswerModal(1, [](QDialog &modal) {
        auto &dialog = dynamic_cast<TfrGroupDays &>(modal);
        for (QCheckBox *day : dialog.Days->cbDays)
            day->setChecked(false);
        dialog.Days->cbDays[0]->setChecked(true);
    });
    Window->miGroupDaysClick();
    EXPECT_EQ(Project.Groups[2].Scenarios[1].Days, (std::array<bool, 7>{true}));
    EXPECT_EQ(Ui().clDayOfWeek->item(0)->checkState(), Qt::Checked);
    // Now both 08:30 scenarios ring on Monday: the check says so.
    EXPECT_EQ(LogLines().back(), U("Всего ошибок: 2"));

    Prompts.AnswerModal(1, [](QDialog &modal) { dynamic_cast<TfrGroupVolume &>(modal).seVolume->setValue(33); });
    Window->miGroupVolumeClick();
    EXPECT_EQ(Project.Groups[2].Scenarios[1].Volume, 33);
    EXPECT_EQ(Ui().edScenarioVolume->text(), U("33"));
}

TEST_F(BellsWindow, CommandsNeedAShownGroup)
{
    OpenTree(1, {{2, 0}}); // two zones: group 2 shows
    emit Ui().miEdit->aboutToShow();
    EXPECT_TRUE(Ui().miBells->isEnabled());
    OpenTree(1, {{3, 0}}); // group 3 is hidden by the device type
    emit Ui().pmEdit->aboutToShow();
    for (QAction *action : {Ui().pmmiBells, Ui().pmmiShiftGroup, Ui().pmmiGroupDays, Ui().pmmiGroupVolume})
        EXPECT_FALSE(action->isEnabled());
    Window->miBellsClick(); // nothing to ask about
}

TEST(BellsDialog, EnterAcceptsAndEscapeCancelsAsInAnyDialog)
{
    TProject project;
    project.DeviceType = 1;
    project.Groups[1].Used = true;
    for (const auto &[key, expected] : {std::pair{Qt::Key_Return, 1}, std::pair{Qt::Key_Escape, 2}}) {
        TfrBells dialog(project, 1);
        bool timedOut = false;
        QTimer::singleShot(0, &dialog, [&dialog, key] { QTest::keyClick(&dialog, key); });
        QTimer::singleShot(5000, &dialog, [&dialog, &timedOut] { timedOut = true, dialog.done(3); });
        EXPECT_EQ(TRealPrompts().ShowModal(dialog), expected);
        EXPECT_FALSE(timedOut);
    }
}
