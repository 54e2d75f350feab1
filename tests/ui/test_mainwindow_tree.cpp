// The main window's layout, command states, tree, node mapping, pages and log.
#include "support/window_fixture.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPixmap>
#include <QTest>

namespace {

QStringList MenuTexts(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts.push_back(action->isSeparator() ? U("-") : action->text());
    return texts;
}

} // namespace

using MainWindowLayout = TWindowTest;

TEST_F(MainWindowLayout, FixedCaptionAndClientArea)
{
    EXPECT_EQ(Window->windowTitle(), U("Конфигуратор таймера сигнала"));
    EXPECT_EQ(Window->centralWidget()->size(), QSize(583, 782));
    EXPECT_EQ(Window->minimumSize(), Window->maximumSize());
    EXPECT_EQ(Window->mmLog->height(), 78);
    EXPECT_EQ(Window->pnBottons->height(), 65);
    EXPECT_EQ(Window->pnProjectInfo->height(), 48);
    EXPECT_EQ(Window->tvMain->indentation(), 19);
    EXPECT_EQ(Window->pcMain->currentWidget(), Window->tsNothing);
    EXPECT_EQ(Window->Label3->text(), U("Выберите или добавьте группу"));
}

TEST_F(MainWindowLayout, SevenPictureButtonsWithHints)
{
    const std::vector<std::pair<QToolButton *, const char *>> buttons = {
        {Window->bbNewProject, "Новый проект"},
        {Window->bbOpenProject, "Открыть проект"},
        {Window->bbSaveProject, "Сохранить проект"},
        {Window->bbSaveAsProject, "Сохранить проект как ..."},
        {Window->bbImportProject, "Импорт проекта"},
        {Window->bbExportProject, "Экспорт проекта"},
        {Window->bbSavePlayList, "Записать плейлист на  SD-Карту MP3 LV"},
    };
    Window->show();
    int left = -1;
    for (const auto &[button, hint] : buttons) {
        EXPECT_EQ(button->toolTip(), U(hint));
        EXPECT_EQ(button->size(), QSize(49, 49)) << hint;
        EXPECT_FALSE(button->icon().pixmap(32, 32).isNull()) << hint;
        EXPECT_GT(button->x(), left) << hint; // left to right in this order
        left = button->x();
    }
    Window->hide();
}

TEST_F(MainWindowLayout, MenusCarryEveryItemSeparatorAndShortcut)
{
    const QList<QAction *> bar = Window->menuBar()->actions();
    ASSERT_EQ(bar.size(), 3);
    EXPECT_EQ(bar[0]->text(), U("&Файл"));
    EXPECT_EQ(bar[1]->text(), U("&Редактировать"));
    EXPECT_EQ(bar[2]->text(), U("&Помощь"));
    EXPECT_EQ(MenuTexts(Window->miFail),
              (QStringList{U("&Новый проект"), U("&Загрузить проект"), U("-"), U("&Сохранить проект"),
                           U("С&охранить проект как ..."), U("&Закрыть проект"), U("-"), U("&Импортировать проект"),
                           U("&Экспортировать проект"), U("-"), U("&Записать плейлист на  SD-Карту MP3 LV"), U("-"),
                           U("Настройки проекта")}));
    const QStringList edit{U("&Добавить группу"),     U("&Удалить группу"),    U("-"),
                           U("Д&обавить сценарий"),   U("У&далить сценарий"),  U("-"),
                           U("&Копировать сценарий"), U("&Вырезать сценарий"), U("В&ставить сценарий")};
    EXPECT_EQ(MenuTexts(Window->miEdit), edit);
    EXPECT_EQ(MenuTexts(Window->pmEdit), edit);
    EXPECT_EQ(MenuTexts(Window->miHelp), QStringList{U("&О программе")});
    EXPECT_EQ(Window->miProjectNew->shortcut(), QKeySequence(U("Ctrl+N")));
    EXPECT_EQ(Window->miProjectLoad->shortcut(), QKeySequence(U("Ctrl+O")));
    EXPECT_EQ(Window->miProjectSave->shortcut(), QKeySequence(U("Ctrl+S")));
    EXPECT_EQ(Window->miProjectSaveAs->shortcut(), QKeySequence(U("Ctrl+Shift+S")));
}

TEST_F(MainWindowLayout, LinkLabelsRunTheirHandlerOnlyWhenEnabled)
{
    QTest::mouseClick(Window->lbProjectNameAlt, Qt::LeftButton); // disabled at start: no prompt
    OpenProject(2);
    Prompts.AnswerInputValue(U("Новое имя"), U("Введите название проекта"));
    QTest::mouseClick(Window->lbProjectNameAlt, Qt::LeftButton);
    EXPECT_EQ(Project.Name, "Новое имя");
    EXPECT_EQ(Window->lbProjectNameAlt->cursor().shape(), Qt::PointingHandCursor);
}

using StateTable = TWindowTest;

TEST_F(StateTable, EveryRow)
{
    EXPECT_EQ(States(), AtStart);
    Window->pmmiAddGroup->trigger(); // no device type, no free group: nothing asked, nothing added
    EXPECT_TRUE(TreeTexts().isEmpty());

    OpenProject(2);
    Group(1);
    Scenario(1, 1);
    Window->RebuildTree();
    EXPECT_EQ(States(), Opened);
    SelectGroup(1);
    EXPECT_EQ(States(), GroupShown);
    SelectScenario(1, 1);
    EXPECT_EQ(States(), ScenarioShown);
    Window->miCopyScenario->trigger();
    SelectGroup(1);
    EXPECT_EQ(States(), GroupShownPaste);
    Window->miProjectCloseClick(); // not modified: no question
    EXPECT_EQ(States(), Closed);
    EXPECT_EQ(Page(), Window->tsNothing);
}

TEST_F(StateTable, ClipboardSurvivesClosingAndOpening)
{
    OpenProject(2);
    Group(1);
    Scenario(1, 1);
    Window->RebuildTree();
    SelectScenario(1, 1);
    Window->pmmiCutScenario->trigger();
    Window->miProjectCloseClick();
    EXPECT_EQ(Window->ClipboardMode, 2);
    OpenProject(2);
    Group(2);
    Window->RebuildTree();
    SelectGroup(2);
    EXPECT_EQ(States(), GroupShownPaste);
}

using ProjectTree = TWindowTest;

TEST_F(ProjectTree, ShowsUsedGroupsAndScenariosUpToTheZoneCount)
{
    OpenProject(4); // 8 zones
    Group(3, "Цех");
    Group(7);
    Group(9, "За пределом"); // above the zone count: kept in the model, not shown
    Scenario(3, 2, 8, 0, "Утро");
    Scenario(3, 5);
    Scenario(9, 1);
    Window->RebuildTree();
    EXPECT_EQ(TreeTexts(),
              (QStringList{U("Группа 3: Цех"), U("  Сценарий 2: Утро"), U("  Сценарий 5: "), U("Группа 7: ")}));
    EXPECT_FALSE(Window->FindGroupNode(3)->isExpanded());
    EXPECT_EQ(Window->tvMain->currentItem(), nullptr);
    EXPECT_EQ(Window->lbProjectName->text(), U("Школа"));
    EXPECT_EQ(Window->lbDeviceName->text(), U("Велтара ДК-8"));
}

TEST_F(ProjectTree, DeviceTypeHidesAndShowsGroups)
{
    OpenProject(4);
    for (int g = 1; g <= 8; ++g)
        Group(g);
    Window->RebuildTree();
    Prompts.AnswerInputChoice(U("Велтара ДК-2"), U("Укажите тип прибора"));
    Window->lbDeviceNameAltClick();
    EXPECT_EQ(TreeTexts(), (QStringList{U("Группа 1: "), U("Группа 2: ")}));
    EXPECT_TRUE(Project.Groups[5].Used);
    Prompts.AnswerInputChoice(U("Велтара ДК-М-8"));
    Window->lbDeviceNameAltClick();
    EXPECT_EQ(TreeTexts().size(), 8);
    SelectGroup(8);
    EXPECT_EQ(Window->clZones->count(), 8);
}

TEST_F(ProjectTree, NodeNumbersComeFromThePrefixWhateverTheName)
{
    EXPECT_EQ(TfrMain::GroupNumberOfText(U("Группа 12: Цех")), 12);
    EXPECT_EQ(TfrMain::GroupNumberOfText(U("Группа : 12")), 0);
    EXPECT_EQ(TfrMain::GroupNumberOfText(U("Сценарий 3: Группа 4")), 0);
    EXPECT_EQ(TfrMain::ScenarioNumberOfText(U("Сценарий 3: Группа 4")), 3);
    EXPECT_EQ(TfrMain::ScenarioNumberOfText(U("Сценарий  -7x")), -7);

    OpenProject(9);
    Group(2, "Группа 5");
    Group(5, "12");
    Scenario(2, 4, 8, 0, "Сценарий 9");
    Scenario(5, 1, 8, 0, "Группа 2: 31");
    Window->RebuildTree();
    SelectScenario(2, 4);
    EXPECT_EQ(Page(), Window->tsScenario);
    EXPECT_EQ(Window->CurrentGroup, 2);
    EXPECT_EQ(Window->CurrentScenario, 4);
    EXPECT_EQ(Window->edScenarioName->text(), U("Сценарий 9"));
    SelectGroup(5);
    EXPECT_EQ(Page(), Window->tsGroup);
    EXPECT_EQ(Window->CurrentGroup, 5);
    EXPECT_EQ(Window->edGroupName->text(), U("12"));
    SelectScenario(5, 1);
    EXPECT_EQ(Window->CurrentGroup, 5);
    EXPECT_EQ(Window->CurrentScenario, 1);
}

TEST_F(ProjectTree, GroupPageShowsNameAndZonesWithoutTouchingTheModel)
{
    OpenProject(2); // 4 zones
    TGroup &group = Group(3, "Двор");
    group.Zones[2] = true;
    group.Zones[12] = true; // above the zone count: not listed
    Window->RebuildTree();
    Window->AddLog(U("старая строка"));
    SelectGroup(3);
    EXPECT_EQ(Window->lbGroupNumber->text(), U("Группа 3: Двор"));
    EXPECT_EQ(Window->edGroupName->text(), U("Двор"));
    ASSERT_EQ(Window->clZones->count(), 4);
    EXPECT_EQ(Window->clZones->item(0)->text(), U("Зона 1"));
    EXPECT_EQ(Window->clZones->item(1)->checkState(), Qt::Checked);
    EXPECT_EQ(Window->clZones->item(2)->checkState(), Qt::Unchecked);
    EXPECT_TRUE(LogLines().isEmpty());
    EXPECT_FALSE(Window->Modified);
    EXPECT_EQ(Project.Groups[3].Name, "Двор");
    EXPECT_TRUE(Project.Groups[3].Zones[12]);
}

TEST_F(ProjectTree, ScenarioPageShowsFieldsAndOnlyItsOwnClashes)
{
    OpenProject(2);
    Group(1);
    Group(3);
    TScenario &a = Scenario(1, 2, 8, 5, "Начало");
    a.Days = {true, true, false, false, false, false, false};
    a.Track = 12;
    a.Volume = 20;
    Scenario(3, 1, 8, 5).Days[0] = true;
    Scenario(3, 2, 8, 5).Days[1] = true;
    Scenario(3, 3, 9, 5).Days[0] = true;
    Window->RebuildTree();
    SelectScenario(1, 2);
    EXPECT_EQ(Window->lbScenarioNumber->text(), U("Сценарий 2: Начало"));
    EXPECT_EQ(Window->edScenarioTime->text(), U("08:05"));
    EXPECT_EQ(Window->edScenarioTrack->text(), U("12"));
    EXPECT_EQ(Window->edScenarioVolume->text(), U("20"));
    EXPECT_EQ(Window->clDayOfWeek->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(Window->clDayOfWeek->item(1)->checkState(), Qt::Checked);
    EXPECT_EQ(Window->clDayOfWeek->item(6)->checkState(), Qt::Unchecked);
    EXPECT_EQ(LogLines(), (QStringList{U("Ошибка совпадение времени: (группа 1 сценарий 2) с (группой 3 сценарий 1) "
                                         "день Понедельник"),
                                       U("Ошибка совпадение времени: (группа 1 сценарий 2) с (группой 3 сценарий 2) "
                                         "день Вторник")}));
    // Filling the page is no edit.
    EXPECT_FALSE(Window->Modified);
    EXPECT_EQ(a.Hour, 8);
    EXPECT_EQ(a.Minute, 5);
}

TEST_F(ProjectTree, ShowingANegativeTimeLeavesItStored)
{
    OpenProject(2);
    Group(1);
    Scenario(1, 1, -1, 7);
    Window->RebuildTree();
    SelectScenario(1, 1);
    EXPECT_EQ(Window->edScenarioTime->text(), U("4294967295:07"));
    EXPECT_EQ(Project.Groups[1].Scenarios[1].Hour, -1);
    EXPECT_FALSE(Window->Modified);
}

TEST_F(ProjectTree, NameBoxKeepsRenamingItsNodeAfterARebuild)
{
    OpenProject(2);
    Group(1, "А");
    Group(2, "Б");
    Window->RebuildTree();
    SelectGroup(2);
    Window->RebuildTree();
    Window->edGroupName->setText(U("Новое"));
    EXPECT_EQ(Window->FindGroupNode(2)->text(0), U("Группа 2: Новое"));
    EXPECT_EQ(Window->lbGroupNumber->text(), U("Группа 2: Б"));
}

TEST_F(ProjectTree, RevealGroupExpandsAndDisplaysWithoutSelecting)
{
    OpenProject(2);
    Group(2);
    Scenario(2, 1);
    Window->RebuildTree();
    Window->RevealGroup(4); // no such node: nothing
    EXPECT_EQ(Page(), Window->tsNothing);
    Window->RevealGroup(2);
    EXPECT_TRUE(Window->FindGroupNode(2)->isExpanded());
    EXPECT_EQ(Page(), Window->tsGroup);
    EXPECT_EQ(Window->tvMain->currentItem(), nullptr);
}

using ProjectSettingsPrompt = TWindowTest;

TEST_F(ProjectSettingsPrompt, NameThenDeviceType)
{
    Prompts.AnswerInputValue(U("Склад"), U("Введите название проекта"))
        .AnswerInputChoice(U("Велтара ДК-4К"), U("Укажите тип прибора"));
    EXPECT_TRUE(Window->AskProjectSettings());
    EXPECT_EQ(Project.Name, "Склад");
    EXPECT_EQ(Project.DeviceType, 3);
    EXPECT_TRUE(Window->Modified);
    EXPECT_EQ(Window->lbDeviceName->text(), U("Велтара ДК-4К"));
}

TEST_F(ProjectSettingsPrompt, DeviceChoiceOffersTheNineTypesWithTheCurrentOne)
{
    Project.DeviceType = 7;
    Prompts.CloseDialog().AnswerModal(2, [](QDialog &dialog) {
        auto *box = dialog.findChild<QComboBox *>();
        ASSERT_NE(box, nullptr);
        ASSERT_EQ(box->count(), 9);
        EXPECT_EQ(box->itemText(0), U("Велтара ДК-2"));
        EXPECT_EQ(box->itemText(8), U("Велтара ДК-М-32"));
        EXPECT_EQ(box->currentText(), U("Велтара ДК-М-16"));
    });
    EXPECT_FALSE(Window->AskProjectSettings());
    EXPECT_EQ(Project.DeviceType, 7);
    EXPECT_FALSE(Window->Modified);
}

TEST_F(ProjectSettingsPrompt, UnknownTypedTypeKeepsTheNewNameOnly)
{
    Prompts.AnswerInputValue(U("Имя")).AnswerInputChoice(U("ДК-100"));
    EXPECT_FALSE(Window->AskProjectSettings());
    EXPECT_EQ(Project.Name, "Имя");
    EXPECT_EQ(Project.DeviceType, 0);
    EXPECT_FALSE(Window->Modified);
}

TEST_F(ProjectSettingsPrompt, NameThatTheFileCanNotHoldIsAskedAgain)
{
    Prompts.AnswerInputValue(U("Цех 中 №1")).AnswerModal(1, [](QDialog &dialog) {
        // Asked again with what the file can hold.
        EXPECT_EQ(dialog.findChild<QLineEdit *>()->text(), U("Цех  №1"));
    });
    Prompts.AnswerInputChoice(U("Велтара ДК-2"));
    EXPECT_TRUE(Window->AskProjectSettings());
    EXPECT_EQ(Project.Name, "Цех  №1");
}

using WindowLog = TWindowTest;

TEST_F(WindowLog, AppendsAndClears)
{
    Window->AddLog(U("один"));
    Window->Log().AddLog("два");
    EXPECT_EQ(LogLines(), (QStringList{U("один"), U("два")}));
    Window->ClearLog();
    EXPECT_TRUE(LogLines().isEmpty());
}

TEST_F(WindowLog, KeepsTheFirstLinesTheCountAndTheLatest)
{
    for (const bool batch : {false, true}) {
        TLogBox log(*Window->mmLog);
        log.ClearLog();
        if (batch)
            log.BeginBatch();
        for (int i = 0; i < TLogBox::LogShownLimit + 5; ++i)
            log.AddLog("строка " + std::to_string(i));
        log.AddLog("Всего ошибок: 42");
        if (batch)
            log.EndBatch();
        else
            QCoreApplication::processEvents(); // the tail follows when the loop runs
        const QStringList lines = LogLines();
        ASSERT_EQ(lines.size(), TLogBox::LogShownLimit + 2) << "batch " << batch;
        EXPECT_EQ(lines.front(), U("строка 0"));
        EXPECT_EQ(lines[TLogBox::LogShownLimit - 1], U("строка 9999"));
        EXPECT_EQ(lines[TLogBox::LogShownLimit], TLogBox::LeftOutText(5));
        EXPECT_EQ(lines.back(), U("Всего ошибок: 42"));
        EXPECT_EQ(log.LeftOut(), 5);
    }
}

TEST_F(WindowLog, CheckOfAProjectFullOfClashesKeepsHeadingAndTotal)
{
    OpenProject(9);
    for (int g = 1; g <= 8; ++g) {
        Group(g);
        for (int s = 1; s <= 32; ++s)
            Scenario(g, s, 8, 0).Days.fill(true);
    }
    Prompts.AnswerSaveFile(QString::fromStdString(PathIn("full.vlpj")));
    ASSERT_TRUE(Window->WriteProjectFile());
    const QStringList lines = LogLines();
    const int64_t total = 256LL * 255 * 7;
    ASSERT_EQ(lines.size(), TLogBox::LogShownLimit + 2);
    EXPECT_EQ(lines.front(), U("Проверка проекта"));
    EXPECT_EQ(lines[TLogBox::LogShownLimit], TLogBox::LeftOutText(total + 1 - TLogBox::LogShownLimit));
    EXPECT_EQ(lines.back(), U("Всего ошибок: ") + QString::number(total));
}
