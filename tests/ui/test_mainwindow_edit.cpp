// Editing groups and scenarios: add, delete, clipboard, the page handlers and Modified.
#include "support/window_fixture.h"

#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

const char *const EditCaption = "Редактирование";

/// Types text as the keyboard delivers it (QTest's key clicks know ASCII only).
void Type(QWidget *widget, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

} // namespace

using GroupEditing = TWindowTest;

TEST_F(GroupEditing, AddOffersTheFreeNumbersAndTakesTheChosenOne)
{
    OpenProject(4); // 8 zones
    Group(1);
    Group(2);
    Group(4);
    Window->RebuildTree();
    Prompts.AnswerModal(
        1,
        [](QDialog &dialog) {
            auto *box = dialog.findChild<QComboBox *>();
            ASSERT_NE(box, nullptr);
            QStringList items;
            for (int i = 0; i < box->count(); ++i)
                items.push_back(box->itemText(i));
            EXPECT_EQ(items, (QStringList{U("3"), U("5"), U("6"), U("7"), U("8")}));
            EXPECT_EQ(box->currentText(), U("3"));
            box->setCurrentText(U("6"));
        },
        U("Выберите группу"));
    Window->miAddGroup->trigger();
    EXPECT_TRUE(Project.Groups[6].Used);
    EXPECT_TRUE(Window->Modified);
    EXPECT_TRUE(TreeTexts().contains(U("Группа 6: ")));
    EXPECT_EQ(Page(), Window->tsNothing); // neither selected nor displayed
}

TEST_F(GroupEditing, TypedNumbersOutsideTheOfferChangeNothing)
{
    OpenProject(2); // 4 zones
    TGroup &existing = Group(2, "Занята");
    existing.Zones[1] = true;
    Window->RebuildTree();
    for (const char *typed : {"2", "5", "40", "-1", "0", "abc"}) {
        Prompts.AnswerInputChoice(U(typed));
        Window->miAddGroupClick();
    }
    EXPECT_EQ(Project.Groups[2].Name, "Занята");
    EXPECT_TRUE(Project.Groups[2].Zones[1]);
    EXPECT_FALSE(Project.Groups[5].Used);
    EXPECT_FALSE(Window->Modified);
    Prompts.AnswerInputChoice(U("0x3")); // the whole-text rule reads hexadecimal too
    Window->miAddGroupClick();
    EXPECT_TRUE(Project.Groups[3].Used);
}

TEST_F(GroupEditing, AddWithoutAFreeNumberAsksNothing)
{
    OpenProject(1); // 2 zones
    Group(1);
    Group(2);
    Window->miAddGroupClick();
    Prompts.CloseDialog();
    Group(2).Used = false;
    Window->miAddGroupClick(); // closed without OK
    EXPECT_FALSE(Project.Groups[2].Used);
    EXPECT_FALSE(Window->Modified);
}

TEST_F(GroupEditing, DeleteAsksAndKeepsTheCommandStates)
{
    OpenProject(2);
    Group(1);
    Scenario(1, 1);
    Window->RebuildTree();
    SelectGroup(1);
    Prompts.AnswerYesNo(false, U("Удалить группу?"));
    Window->miDelGroup->trigger();
    EXPECT_TRUE(Project.Groups[1].Used);
    EXPECT_EQ(Prompts.Asked.back().Caption, U(EditCaption));
    Prompts.AnswerYesNo(true);
    Window->pmmiDelGroup->trigger();
    EXPECT_FALSE(Project.Groups[1].Used);
    EXPECT_FALSE(Project.Groups[1].Scenarios[1].Used);
    EXPECT_TRUE(TreeTexts().isEmpty());
    EXPECT_EQ(Page(), Window->tsNothing);
    EXPECT_EQ(States(), GroupShown);
    EXPECT_TRUE(Window->Modified);
}

using ScenarioEditing = TWindowTest;

TEST_F(ScenarioEditing, AddTakesTheLowestFreeSlotAndShowsItsGroup)
{
    OpenProject(2);
    Group(1);
    Scenario(1, 1);
    Scenario(1, 3);
    Window->RebuildTree();
    SelectGroup(1);
    Window->miAddScenario->trigger();
    EXPECT_TRUE(Project.Groups[1].Scenarios[2].Used);
    EXPECT_EQ(Project.Groups[1].Scenarios[2].Hour, 0);
    EXPECT_EQ(TreeTexts(),
              (QStringList{U("Группа 1: "), U("  Сценарий 1: "), U("  Сценарий 2: "), U("  Сценарий 3: ")}));
    EXPECT_TRUE(Window->FindGroupNode(1)->isExpanded());
    EXPECT_EQ(Page(), Window->tsGroup);
    EXPECT_EQ(States(), GroupShown);
    EXPECT_TRUE(Window->Modified);
}

TEST_F(ScenarioEditing, ThirtyThirdScenarioIsNotAdded)
{
    OpenProject(2);
    Group(1);
    for (int s = 1; s <= 32; ++s)
        Scenario(1, s);
    Window->RebuildTree();
    SelectGroup(1);
    Window->miAddScenarioClick();
    EXPECT_FALSE(Window->Modified);
    EXPECT_EQ(Window->FindGroupNode(1)->childCount(), 32);
}

TEST_F(ScenarioEditing, DeleteAsksEmptiesTheClipboardAndLeavesAGap)
{
    OpenProject(2);
    Group(1);
    Scenario(1, 1);
    Scenario(1, 2);
    Scenario(1, 3);
    Window->RebuildTree();
    SelectScenario(1, 2);
    Window->pmmiCopyScenarioClick();
    Prompts.AnswerYesNo(false, U("Удалить сценарий?"));
    Window->miDelScenarioClick();
    EXPECT_TRUE(Project.Groups[1].Scenarios[2].Used);
    EXPECT_EQ(Window->ClipboardMode, 1);
    Prompts.AnswerYesNo(true);
    Window->miDelScenarioClick();
    EXPECT_EQ(TreeTexts(), (QStringList{U("Группа 1: "), U("  Сценарий 1: "), U("  Сценарий 3: ")}));
    EXPECT_EQ(Window->ClipboardMode, -1);
    EXPECT_EQ(Page(), Window->tsNothing);
    EXPECT_EQ(States(), GroupShown);
    Window->miAddScenarioClick();
    EXPECT_TRUE(Project.Groups[1].Scenarios[2].Used);
}

class ScenarioClipboard : public TWindowTest
{
protected:
    void SetUp() override
    {
        TWindowTest::SetUp();
        OpenProject(2);
        Group(1);
        Group(2);
        TScenario &source = Scenario(1, 3, 7, 15, "Звонок");
        source.Days[4] = true;
        source.Track = 5;
        source.Volume = 9;
        Scenario(1, 1);
        Window->RebuildTree();
    }

    void CopyFrom(int g, int s, bool cut = false)
    {
        SelectScenario(g, s);
        if (cut)
            Window->miCutScenario->trigger();
        else
            Window->miCopyScenario->trigger();
        Window->Modified = false;
    }

    void PasteInto(int g)
    {
        SelectGroup(g);
        ASSERT_TRUE(Window->miPutScenario->isEnabled());
        Window->pmmiPutScenario->trigger();
    }
};

TEST_F(ScenarioClipboard, PasteIntoAFreeSlotKeepsTheNumberWithoutAQuestion)
{
    CopyFrom(1, 3);
    EXPECT_FALSE(Window->Modified); // copying changes nothing
    PasteInto(2);
    const TScenario &pasted = Project.Groups[2].Scenarios[3];
    EXPECT_TRUE(pasted.Used);
    EXPECT_EQ(pasted.Name, "Звонок");
    EXPECT_EQ(pasted.Hour, 7);
    EXPECT_TRUE(pasted.Days[4]);
    EXPECT_TRUE(Project.Groups[1].Scenarios[3].Used);
    EXPECT_TRUE(Window->Modified);
    EXPECT_EQ(Page(), Window->tsNothing);
    EXPECT_EQ(States(), GroupShown); // paste disabled after a paste
    EXPECT_EQ(Window->ClipboardMode, -1);
}

TEST_F(ScenarioClipboard, OccupiedSlotAsksNoTakesTheLowestFreeYesReplaces)
{
    Scenario(2, 3, 1, 1, "Старый");
    Scenario(2, 1);
    Window->RebuildTree();
    const QString question = U("Сценарий c  номером 3 в группе 2 уже существует. Заменить его?");
    EXPECT_EQ(question.at(9), u'c'); // the Latin letter

    CopyFrom(1, 3);
    Prompts.AnswerYesNo(false, question);
    PasteInto(2);
    EXPECT_EQ(Prompts.Asked.back().Caption, U(EditCaption));
    EXPECT_EQ(Project.Groups[2].Scenarios[3].Name, "Старый");
    EXPECT_EQ(Project.Groups[2].Scenarios[2].Name, "Звонок");

    CopyFrom(1, 3);
    Prompts.AnswerYesNo(true, question);
    PasteInto(2);
    EXPECT_EQ(Project.Groups[2].Scenarios[3].Name, "Звонок");
}

TEST_F(ScenarioClipboard, SameGroupNeverAsksAndCutMovesToTheLowestFreeSlot)
{
    CopyFrom(1, 3);
    PasteInto(1);
    EXPECT_EQ(Project.Groups[1].Scenarios[2].Name, "Звонок");
    EXPECT_TRUE(Project.Groups[1].Scenarios[3].Used);

    CopyFrom(1, 3, true);
    PasteInto(1);
    EXPECT_EQ(Project.Groups[1].Scenarios[4].Name, "Звонок");
    EXPECT_FALSE(Project.Groups[1].Scenarios[3].Used);
}

TEST_F(ScenarioClipboard, PasteCarriesEditsMadeAfterTheCopy)
{
    CopyFrom(1, 3);
    Window->edScenarioTrack->setText(U("77"));
    PasteInto(2);
    EXPECT_EQ(Project.Groups[2].Scenarios[3].Track, 77);
}

TEST_F(ScenarioClipboard, FullTargetWithNoKeepsEverything)
{
    for (int s = 1; s <= 32; ++s)
        Scenario(2, s, 0, 0, "Полный");
    Window->RebuildTree();
    CopyFrom(1, 3, true);
    Prompts.AnswerYesNo(false);
    PasteInto(2);
    EXPECT_FALSE(Window->Modified);
    EXPECT_EQ(Window->ClipboardMode, 2);
    EXPECT_TRUE(Project.Groups[1].Scenarios[3].Used);
    EXPECT_EQ(Project.Groups[2].Scenarios[3].Name, "Полный");
}

TEST_F(ScenarioClipboard, SourceThatIsGoneIsNotPastedOverTheTarget)
{
    Scenario(2, 3, 1, 1, "Цель");
    Window->RebuildTree();
    CopyFrom(1, 3);
    ResetScenario(Project.Groups[1].Scenarios[3]); // as a new project leaves it
    PasteInto(2);
    EXPECT_EQ(Project.Groups[2].Scenarios[3].Name, "Цель");
    EXPECT_TRUE(Project.Groups[2].Scenarios[3].Used);
    EXPECT_EQ(Window->ClipboardMode, -1);
    EXPECT_FALSE(Window->miPutScenario->isEnabled());
    EXPECT_FALSE(Window->Modified);
}

using PageEditing = TWindowTest;

TEST_F(PageEditing, GroupNameAndZonesGoStraightIntoTheModel)
{
    OpenProject(2);
    Group(1, "Старое");
    Window->RebuildTree();
    SelectGroup(1);
    EXPECT_FALSE(Window->Modified);
    Window->edGroupName->setText(U(" Корпус "));
    EXPECT_EQ(Project.Groups[1].Name, " Корпус ");
    EXPECT_EQ(Window->FindGroupNode(1)->text(0), U("Группа 1:  Корпус "));
    EXPECT_EQ(Window->lbGroupNumber->text(), U("Группа 1: Старое"));
    EXPECT_TRUE(Window->Modified);
    Window->Modified = false;
    Window->clZones->item(2)->setCheckState(Qt::Checked);
    EXPECT_TRUE(Project.Groups[1].Zones[3]);
    EXPECT_TRUE(Window->Modified);
}

TEST_F(PageEditing, NameBoxesRefuseCharactersTheFileCanNotHold)
{
    OpenProject(2);
    Group(1, "Цех");
    Scenario(1, 1, 8, 0, "Утро");
    Window->RebuildTree();
    SelectGroup(1);
    Window->edGroupName->end(false);
    Type(Window->edGroupName, U("中"));
    EXPECT_EQ(Project.Groups[1].Name, "Цех");
    Type(Window->edGroupName, U("№"));
    EXPECT_EQ(Project.Groups[1].Name, "Цех№");
    Window->edGroupName->insert(U(" 中")); // a paste goes through the same check
    EXPECT_EQ(Project.Groups[1].Name, "Цех№");
    SelectScenario(1, 1);
    Window->edScenarioName->end(false);
    Type(Window->edScenarioName, U("😀"));
    EXPECT_EQ(Project.Groups[1].Scenarios[1].Name, "Утро");
    Type(Window->edScenarioName, U("!"));
    EXPECT_EQ(Project.Groups[1].Scenarios[1].Name, "Утро!");
}

TEST_F(PageEditing, NameBoxesRefuseTheFieldSeparator)
{
    // A ";" in a group or scenario name would shift the fields of its line when read back.
    OpenProject(2);
    Group(1, "Цех");
    Scenario(1, 1, 8, 0, "Утро");
    Window->RebuildTree();
    SelectGroup(1);
    Window->edGroupName->end(false);
    Type(Window->edGroupName, U(";"));
    EXPECT_EQ(Project.Groups[1].Name, "Цех");
    SelectScenario(1, 1);
    Window->edScenarioName->end(false);
    Window->edScenarioName->insert(U("1;2"));
    EXPECT_EQ(Project.Groups[1].Scenarios[1].Name, "Утро");
}

TEST_F(PageEditing, ScenarioNameTrackAndVolume)
{
    OpenProject(2);
    Group(1);
    Scenario(1, 4);
    Window->RebuildTree();
    SelectScenario(1, 4);
    Window->edScenarioName->setText(U("Обед"));
    EXPECT_EQ(Window->FindScenarioNode(1, 4)->text(0), U("Сценарий 4: Обед"));
    EXPECT_EQ(Window->lbScenarioNumber->text(), U("Сценарий 4: "));
    TScenario &scenario = Project.Groups[1].Scenarios[4];
    const std::vector<std::pair<const char *, int>> cases = {{"12", 12}, {"12a", 0},  {"12 ", 0}, {"-5", -5},
                                                             {"", 0},    {"$1F", 31}, {" 7", 7},  {"99999999999", 0}};
    for (const auto &[text, value] : cases) {
        Window->edScenarioTrack->setText(U("1"));
        Window->edScenarioTrack->setText(U(text));
        EXPECT_EQ(scenario.Track, value) << text;
        Window->edScenarioVolume->setText(U("1"));
        Window->edScenarioVolume->setText(U(text));
        EXPECT_EQ(scenario.Volume, value) << text;
    }
    EXPECT_TRUE(Window->Modified);
}

TEST_F(PageEditing, TimeTextsAndDayTicksAreUnsavedChanges)
{
    OpenProject(2);
    Group(1);
    Scenario(1, 1, 9, 9);
    Window->RebuildTree();
    SelectScenario(1, 1);
    TScenario &scenario = Project.Groups[1].Scenarios[1];
    const std::vector<std::tuple<const char *, int, int>> cases = {
        {"7:5", 7, 5},  {" 07:30 ", 7, 30}, {"730", 7, 30},   {":30", 7, 30},
        {"12:", 12, 0}, {"ab:cd", 0, 0},    {"25:99", 25, 99}};
    for (const auto &[text, hour, minute] : cases) {
        Window->edScenarioTime->setText(U(text));
        EXPECT_EQ(scenario.Hour, hour) << text;
        EXPECT_EQ(scenario.Minute, minute) << text;
    }
    // An edit that the next save would lose without the prompt marks the project.
    EXPECT_TRUE(Window->Modified);
    Window->Modified = false;
    Window->edScenarioTime->setText(U("25:99:00"));
    EXPECT_FALSE(Window->Modified);
    Window->clDayOfWeek->item(6)->setCheckState(Qt::Checked);
    EXPECT_TRUE(scenario.Days[6]);
    EXPECT_TRUE(Window->Modified);
}

using ProjectSettingsCommand = TWindowTest;

TEST_F(ProjectSettingsCommand, ClosedNameDialogLeavesAnEmptyName)
{
    OpenProject(9);
    Group(20);
    Window->RebuildTree();
    Prompts.CloseDialog(U("Введите название проекта")).AnswerInputChoice(U("Велтара ДК-8"));
    Window->miProjectSetting->trigger();
    EXPECT_EQ(Project.Name, "");
    EXPECT_EQ(Project.DeviceType, 4);
    EXPECT_TRUE(Window->Modified);
    EXPECT_TRUE(TreeTexts().isEmpty()); // group 20 is above 8 zones
    EXPECT_EQ(Window->lbProjectName->text(), QString());
}

TEST_F(ProjectSettingsCommand, ClosedDeviceDialogChangesNothing)
{
    OpenProject(9);
    Prompts.AnswerInputValue(U("Другое")).CloseDialog(U("Укажите тип прибора"));
    Window->miProjectSettingClick();
    EXPECT_EQ(Project.Name, "Школа");
    EXPECT_EQ(Project.DeviceType, 9);
    EXPECT_FALSE(Window->Modified);
}
