// The main window's layout, command states, tree, node mapping, pages, settings prompt and log.
#include "support/window_fixture.h"
#include "ui/widgets/arrowstyle.h"
#include "ui/widgets/logbox.h"
#include "ui/widgets/pngicon.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPixmap>
#include <QScrollArea>
#include <QStyleFactory>
#include <QStyleOption>

namespace {

/// The items of a menu or menu bar, "|" between them, "-" for a separator.
QString MenuTexts(const QWidget *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts.push_back(action->isSeparator() ? U("-") : action->text());
    return texts.join(u'|');
}

} // namespace

using MainWindowLayout = TWindowTest;

TEST_F(MainWindowLayout, ClientSizePictureButtonsAndMenus)
{
    EXPECT_EQ(Window->windowTitle(), U("Конфигуратор таймера сигнала"));
    Window->show();
    EXPECT_EQ(Window->centralWidget()->size(), QSize(583, 782));
    EXPECT_EQ(Ui().mmLog->height(), 78);
    // Resizable, and small enough for a 1366 x 768 screen with room for a title bar and a panel.
    EXPECT_LT(Window->minimumSizeHint().height(), 600);
    EXPECT_GT(Window->maximumSize().height(), 2000);
    Window->resize(Window->width(), Window->height() + 200);
    QApplication::processEvents();
    EXPECT_GT(Ui().mmLog->height(), 78);         // the log grows with the window
    EXPECT_FALSE(Window->windowIcon().isNull()); // the application's icon, set once the loop ran
    EXPECT_EQ(Ui().pnBottons->height(), 65);
    EXPECT_EQ(Ui().pnProjectInfo->height(), 48);
    EXPECT_EQ(Ui().tvMain->indentation(), 19);
    EXPECT_EQ(Page(), Ui().tsNothing);
    EXPECT_EQ(Ui().Label3->text(), U("Выберите или добавьте группу"));

    const std::pair<QToolButton *, const char *> buttons[] = {
        {Ui().bbNewProject, "Новый проект"},
        {Ui().bbOpenProject, "Открыть проект"},
        {Ui().bbSaveProject, "Сохранить проект"},
        {Ui().bbSaveAsProject, "Сохранить проект как ..."},
        {Ui().bbImportProject, "Импорт проекта"},
        {Ui().bbExportProject, "Экспорт проекта"},
        {Ui().bbSavePlayList, "Записать плейлист на  SD-Карту MP3 LV"}};
    Window->show();
    int left = -1;
    for (const auto &[button, hint] : buttons) {
        EXPECT_EQ(button->toolTip(), U(hint));
        EXPECT_EQ(button->size(), QSize(49, 49)) << hint;
        EXPECT_FALSE(button->icon().pixmap(32, 32).isNull()) << hint;
        EXPECT_GT(button->x(), left) << hint; // left to right in this order
        left = button->x();
    }

    EXPECT_EQ(MenuTexts(Window->menuBar()), U("&Файл|&Редактировать|&Вид|&Помощь"));
    EXPECT_EQ(MenuTexts(Ui().miFail),
              U("&Новый проект|&Загрузить проект|Пос&ледние проекты|-|&Сохранить проект|С&охранить проект как ...|"
                "За&крыть проект|-|&Импортировать проект|&Экспортировать проект|Пе&чать…|Экспорт в &PDF…|-|"
                "Записать &плейлист на  SD-Карту MP3 LV|Проверить карту|-|Настройки п&роекта|-|В&ыход"));
    EXPECT_EQ(MenuTexts(Ui().miEdit),
              U("О&тменить|&Повторить|-|&Добавить группу|&Удалить группу|-|Д&обавить сценарий|Удалить с&ценарий|-|"
                "Уд&алить|&Копировать сценарий|&Вырезать сценарий|В&ставить сценарий|-|П&лейлист…|Со&здать звук…|"
                "Расписание звонков…|Сдвинуть расписание группы…|Дни недели для всей группы…|"
                "Громкость для всей группы…"));
    EXPECT_EQ(MenuTexts(Ui().pmEdit), U("&Добавить группу|&Удалить группу|-|Д&обавить сценарий|Удалить с&ценарий|-|"
                                        "&Копировать сценарий|&Вырезать сценарий|В&ставить сценарий|-|"
                                        "Расписание звонков…|Сдвинуть расписание группы…|Дни недели для всей группы…|"
                                        "Громкость для всей группы…"));
    EXPECT_EQ(MenuTexts(Ui().miHelp), U("&О программе"));
    EXPECT_EQ(MenuTexts(Ui().miView), U("&Неделя|&Треки ..."));
    // One key press reaches one item: the access letters of each menu differ.
    for (const QWidget *menu : {static_cast<const QWidget *>(Window->menuBar()),
                                static_cast<const QWidget *>(Ui().miFail), static_cast<const QWidget *>(Ui().miEdit),
                                static_cast<const QWidget *>(Ui().miHelp), static_cast<const QWidget *>(Ui().miView)}) {
        QString letters;
        for (const QAction *action : menu->actions()) {
            const qsizetype amp = action->text().indexOf(u'&');
            if (amp < 0)
                continue;
            const QChar letter = action->text().at(amp + 1).toLower();
            EXPECT_FALSE(letters.contains(letter)) << action->text().toStdString();
            letters += letter;
        }
    }
    EXPECT_EQ(Ui().miProjectNew->shortcut(), QKeySequence(U("Ctrl+N")));
    EXPECT_EQ(Ui().miProjectLoad->shortcut(), QKeySequence(U("Ctrl+O")));
    EXPECT_EQ(Ui().miProjectSave->shortcut(), QKeySequence(U("Ctrl+S")));
    EXPECT_EQ(Ui().miProjectSaveAs->shortcut(), QKeySequence(U("Ctrl+Shift+S")));
}

// The window opens without the group and scenario pages; built when first shown, or forced as
// tests may, a page takes its place in Tab order after the tree.
TEST_F(MainWindowLayout, PagesBuiltWhenFirstShownKeepTheirTabOrder)
{
    Window->show();
    QApplication::processEvents();
    EXPECT_EQ(Ui().tsGroup, nullptr);
    EXPECT_EQ(Ui().tsScenario, nullptr);

    const auto tabStops = [this] {
        QList<QWidget *> stops;
        for (QWidget *w = Ui().tvMain; stops.empty() || stops.back() != Ui().mmLog; w = w->nextInFocusChain()) {
            if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
                stops.push_back(w);
        }
        return stops;
    };
    for (const bool forced : {false, true}) {
        Window = std::make_unique<TfrMain>(Project, Prompts);
        if (forced)
            BuildPages();
        Window->show();
        OpenTree(9, {{5, 2}});
        SelectScenario(5, 2);
        EXPECT_EQ(tabStops(),
                  (QList<QWidget *>{Ui().tvMain, Ui().sbPages, Ui().edScenarioName, Ui().edScenarioTime,
                                    Ui().edScenarioTrack, Ui().edScenarioVolume, Ui().clDayOfWeek, Ui().mmLog}))
            << forced;
        SelectGroup(5);
        EXPECT_EQ(tabStops(), (QList<QWidget *>{Ui().tvMain, Ui().sbPages, Ui().edGroupName, Ui().clZones, Ui().mmLog}))
            << forced;
    }
}

TEST_F(TWindowTest, StateTableEveryRow)
{
    EXPECT_EQ(States(), AtStart);
    Ui().pmmiAddGroup->trigger(); // no device type, no free group: nothing asked, nothing added
    EXPECT_TRUE(TreeTexts().isEmpty());
    OpenTree(2, {{1, 1}});
    EXPECT_EQ(States(), Opened);
    SelectGroup(1);
    EXPECT_EQ(States(), GroupShown);
    SelectScenario(1, 1);
    EXPECT_EQ(States(), ScenarioShown);
    Ui().pmmiCutScenario->trigger();
    SelectGroup(1);
    EXPECT_EQ(States(), GroupShownPaste);
    Window->miProjectCloseClick(); // cutting modified nothing: no question
    EXPECT_EQ(States(), Closed);
    EXPECT_EQ(Page(), Ui().tsNothing);
    OpenTree(2, {{2, 0}}); // the clipboard outlives its project
    SelectGroup(2);
    EXPECT_EQ(States(), GroupShownPaste);
}

using ProjectTree = TWindowTest;

TEST_F(ProjectTree, ShowsUsedGroupsAndScenariosUpToTheZoneCountOfTheDeviceType)
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
    EXPECT_EQ(Ui().tvMain->currentItem(), nullptr);
    EXPECT_EQ(Ui().lbProjectName->text(), U("Школа"));
    EXPECT_EQ(Ui().lbDeviceName->text(), U("Велтара ДК-8"));

    Prompts.AnswerInputChoice(U("Велтара ДК-4"), U("Укажите тип прибора"));
    Prompts.AnswerYesNo(true, U("Группы 7, 9 не поддерживаются прибором Велтара ДК-4 и будут удалены при "
                                "сохранении.\nВыбрать этот прибор?"));
    Window->lbDeviceNameAltClick();
    EXPECT_EQ(TreeTexts(), (QStringList{U("Группа 3: Цех"), U("  Сценарий 2: Утро"), U("  Сценарий 5: ")}));
    EXPECT_TRUE(Project.Groups[7].Used);
    Prompts.AnswerInputChoice(U("Велтара ДК-М-16"));
    Window->lbDeviceNameAltClick();
    EXPECT_EQ(TreeTexts().mid(4), (QStringList{U("Группа 9: За пределом"), U("  Сценарий 1: ")}));
    SelectGroup(9);
    EXPECT_EQ(Ui().clZones->count(), 16);
}

TEST_F(ProjectTree, NodeNumbersComeFromThePrefixWhateverTheNameAndFillThePages)
{
    EXPECT_EQ(TfrMain::GroupNumberOfText(U("Группа 12: Цех")), 12);
    EXPECT_EQ(TfrMain::GroupNumberOfText(U("Группа : 12")), 0);
    EXPECT_EQ(TfrMain::GroupNumberOfText(U("Сценарий 3: Группа 4")), 0);
    EXPECT_EQ(TfrMain::ScenarioNumberOfText(U("Сценарий 3: Группа 4")), 3);
    EXPECT_EQ(TfrMain::ScenarioNumberOfText(U("Сценарий  -7x")), -7);

    OpenProject(7); // 16 zones
    Group(2, "Группа 5");
    TGroup &group = Group(5, "12");
    group.Zones[2] = true;
    group.Zones[20] = true; // above the zone count: not listed
    Scenario(2, 4, 8, 0, "Сценарий 9");
    Scenario(5, 1, 8, 0, "Группа 2: 31");
    Window->RebuildTree();
    SelectScenario(2, 4);
    EXPECT_EQ(Page(), Ui().tsScenario);
    EXPECT_EQ(std::pair(CurrentGroup(), CurrentScenario()), std::pair(2, 4));
    EXPECT_EQ(Ui().edScenarioName->text(), U("Сценарий 9"));
    Window->AddLog(U("старая строка"));
    SelectGroup(5);
    EXPECT_EQ(Page(), Ui().tsGroup);
    EXPECT_EQ(CurrentGroup(), 5);
    EXPECT_EQ(Ui().lbGroupNumber->text(), U("Группа 5: 12"));
    EXPECT_EQ(Ui().edGroupName->text(), U("12"));
    ASSERT_EQ(Ui().clZones->count(), 16);
    EXPECT_EQ(Ui().clZones->item(0)->text(), U("Зона 1"));
    EXPECT_EQ(Ui().clZones->item(1)->checkState(), Qt::Checked);
    EXPECT_EQ(Ui().clZones->item(2)->checkState(), Qt::Unchecked);
    EXPECT_TRUE(LogLines().isEmpty());
    EXPECT_FALSE(Modified()); // no edit handler ran
    EXPECT_TRUE(Project.Groups[5].Zones[20]);
    SelectScenario(5, 1);
    EXPECT_EQ(std::pair(CurrentGroup(), CurrentScenario()), std::pair(5, 1));
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
    Scenario(1, 4, -1, 7);
    Window->RebuildTree();
    SelectScenario(1, 2);
    EXPECT_EQ(Ui().lbScenarioNumber->text(), U("Сценарий 2: Начало"));
    EXPECT_EQ(Ui().edScenarioTime->text(), U("08:05"));
    EXPECT_EQ(Ui().edScenarioTrack->text(), U("12"));
    EXPECT_EQ(Ui().edScenarioVolume->text(), U("20"));
    EXPECT_EQ(Ui().clDayOfWeek->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(Ui().clDayOfWeek->item(1)->checkState(), Qt::Checked);
    EXPECT_EQ(Ui().clDayOfWeek->item(6)->checkState(), Qt::Unchecked);
    EXPECT_EQ(LogLines(), (QStringList{U("Ошибка совпадение времени: (группа 1 сценарий 2) с (группой 3 сценарий 1) "
                                         "день Понедельник"),
                                       U("Ошибка совпадение времени: (группа 1 сценарий 2) с (группой 3 сценарий 2) "
                                         "день Вторник")}));
    SelectScenario(1, 4); // a negative hour is shown as it comes and left stored
    EXPECT_EQ(Ui().edScenarioTime->text(), U("4294967295:07"));
    EXPECT_EQ(Project.Groups[1].Scenarios[4].Hour, -1);
    EXPECT_FALSE(Modified()); // filling the page is no edit
}

using ProjectSettings = TWindowTest;

TEST_F(ProjectSettings, AClosedDialogOrAnUnknownTypeChangesNoType)
{
    OpenProject(9);
    Group(20); // shown with 32 zones only
    Window->RebuildTree();
    Prompts.AnswerInputValue(U("Другое"), U("Введите название проекта")).CloseDialog(U("Укажите тип прибора"));
    Ui().miProjectSetting->trigger();
    EXPECT_EQ(Project.Name, "Школа");
    Prompts.AnswerInputValue(U("Имя")).AnswerInputChoice(U("ДК-100"));
    Ui().miProjectSetting->trigger(); // an unknown typed type keeps the new name only
    EXPECT_EQ(Project.Name, "Имя");
    EXPECT_EQ(Project.DeviceType, 9);
    EXPECT_FALSE(Modified());

    Prompts.CloseDialog(U("Введите название проекта")).AnswerInputChoice(U("Велтара ДК-8"));
    Prompts.AnswerYesNo(true, U("Группа 20 не поддерживается прибором Велтара ДК-8 и будет удалена при сохранении.\n"
                                "Выбрать этот прибор?"));
    Ui().miProjectSetting->trigger();
    EXPECT_EQ(Project.Name, "");
    EXPECT_EQ(Project.DeviceType, 4);
    EXPECT_TRUE(Modified());
    EXPECT_TRUE(TreeTexts().isEmpty()); // group 20 is above 8 zones
    EXPECT_EQ(Ui().lbProjectName->text(), QString());
    EXPECT_EQ(Ui().lbDeviceName->text(), U("Велтара ДК-8"));
}

TEST_F(ProjectSettings, NameTheFileCanNotHoldIsAskedAgainAndTheNineTypesAreOffered)
{
    Project.DeviceType = 7;
    Prompts.AnswerInputValue(U("Цех 中 №1")).AnswerModal(1, [](QDialog &dialog) {
        // Asked again with what the file can hold.
        EXPECT_EQ(dialog.findChild<QLineEdit *>()->text(), U("Цех  №1"));
    });
    Prompts.AnswerModal(1, [](QDialog &dialog) {
        auto *box = dialog.findChild<QComboBox *>();
        ASSERT_NE(box, nullptr);
        ASSERT_EQ(box->count(), 9);
        EXPECT_EQ(box->itemText(0), U("Велтара ДК-2"));
        EXPECT_EQ(box->itemText(8), U("Велтара ДК-М-32"));
        EXPECT_EQ(box->currentText(), U("Велтара ДК-М-16")); // the current type
        box->setCurrentIndex(0);
    });
    EXPECT_TRUE(Window->AskProjectSettings());
    EXPECT_EQ(Project.Name, "Цех  №1");
    EXPECT_EQ(Project.DeviceType, 1);
}

TEST_F(TWindowTest, LogKeepsTheFirstLinesTheCountAndTheLatest)
{
    for (const bool batch : {false, true}) {
        TLogBox log(*Ui().mmLog);
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

TEST_F(TWindowTest, LogOfACheckFullOfClashesKeepsHeadingAndTotal)
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

// The start's style gives the overflow arrows of a narrow menu bar as Fusion does, in both
// directions and every size; it only reads them another way.
TEST(ArrowStyle, GivesFusionsOwnArrows)
{
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(U("Fusion")));
    TArrowStyle ours(QStyleFactory::create(U("Fusion")));
    QStyleOption rightToLeft;
    rightToLeft.direction = Qt::RightToLeft;
    for (const QStyle::StandardPixmap which :
         {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_ToolBarVerticalExtensionButton}) {
        for (const QStyleOption *option : std::initializer_list<const QStyleOption *>{nullptr, &rightToLeft}) {
            const QIcon expected = fusion->standardIcon(which, option);
            const QIcon actual = ours.standardIcon(which, option);
            ASSERT_EQ(expected.availableSizes().size(), 3);
            EXPECT_EQ(actual.availableSizes(), expected.availableSizes());
            for (const QSize size : expected.availableSizes())
                EXPECT_EQ(actual.pixmap(size).toImage(), expected.pixmap(size).toImage()) << which;
        }
    }
}

// The toolbar's pictures come in the size the buttons show and in twice that for a doubled-density
// screen, each marked with its density so that it draws at the buttons' size.
TEST(PngIcon, GivesThePictureForTheScreensDensity)
{
    for (const auto &[ratio, pixels] : {std::pair{1.0, 40}, std::pair{2.0, 80}, std::pair{1.5, 80}}) {
        const QIcon icon = PngIcon(U("new"), ratio);
        const QPixmap picture = icon.pixmap(QSize(40, 40), ratio);
        EXPECT_EQ(picture.width(), int(40 * ratio)) << ratio;
        EXPECT_EQ(picture.deviceIndependentSize(), QSizeF(40, 40)) << ratio;
        EXPECT_EQ(icon.pixmap(QSize(40, 40), pixels / 40).width(), pixels) << ratio; // drawn, not scaled up
    }
}
