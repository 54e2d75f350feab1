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

TEST_F(GroupEditing, AddOffersTheFreeNumbersAndTakesOnlyAFreeOne)
{
    OpenProject(4); // 8 zones
    Group(1);
    Group(2, "Занята").Zones[1] = true;
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
    Ui().miAddGroup->trigger();
    EXPECT_TRUE(Project.Groups[6].Used);
    EXPECT_TRUE(Modified());
    EXPECT_TRUE(TreeTexts().contains(U("Группа 6: ")));
    EXPECT_EQ(Page(), Ui().tsNothing); // neither selected nor displayed

    SetModified(false);
    for (const char *typed : {"2", "9", "40", "-1", "0", "abc"}) { // typed outside the offer
        Prompts.AnswerInputChoice(U(typed));
        Window->miAddGroupClick();
    }
    Prompts.CloseDialog();
    Window->miAddGroupClick();
    EXPECT_EQ(Project.Groups[2].Name, "Занята");
    EXPECT_TRUE(Project.Groups[2].Zones[1]);
    EXPECT_FALSE(Project.Groups[9].Used);
    EXPECT_FALSE(Modified());
    Prompts.AnswerInputChoice(U("0x3")); // the whole-text rule reads hexadecimal too
    Window->miAddGroupClick();
    EXPECT_TRUE(Project.Groups[3].Used);
    for (int g = 1; g <= 8; ++g)
        Project.Groups[g].Used = true;
    Window->miAddGroupClick(); // no free number: nothing asked
}

using ScenarioEditing = TWindowTest;

TEST_F(ScenarioEditing, AddTakesTheLowestFreeSlotUpToThirtyTwo)
{
    OpenTree(2, {{1, 1}, {1, 3}});
    SelectGroup(1);
    Ui().miAddScenario->trigger();
    EXPECT_TRUE(Project.Groups[1].Scenarios[2].Used);
    EXPECT_EQ(Project.Groups[1].Scenarios[2].Hour, 0);
    EXPECT_EQ(TreeTexts(),
              (QStringList{U("Группа 1: "), U("  Сценарий 1: "), U("  Сценарий 2: "), U("  Сценарий 3: ")}));
    EXPECT_TRUE(Window->FindGroupNode(1)->isExpanded());
    EXPECT_EQ(Page(), Ui().tsGroup);
    EXPECT_EQ(States(), GroupShown);
    EXPECT_TRUE(Modified());

    for (int s = 4; s <= 32; ++s)
        Scenario(1, s);
    Window->RebuildTree();
    SelectGroup(1);
    SetModified(false);
    Window->miAddScenarioClick();
    EXPECT_FALSE(Modified());
    EXPECT_EQ(Window->FindGroupNode(1)->childCount(), 32);
}

TEST_F(ScenarioEditing, DeletingAScenarioOrAGroupNamesItAndEmptiesTheClipboard)
{
    OpenTree(2, {{1, 1}, {1, 2}, {1, 3}});
    Project.Groups[1].Name = "Двор";
    Project.Groups[1].Scenarios[2].Name = "Утро";
    Window->RebuildTree();
    SelectScenario(1, 2);
    Window->pmmiCopyScenarioClick();
    Prompts.AnswerYesNo(false, U("Удалить сценарий 2 «Утро» из группы 1 «Двор»?"));
    Window->miDelScenarioClick();
    EXPECT_TRUE(Project.Groups[1].Scenarios[2].Used);
    EXPECT_EQ(ClipboardMode(), 1);
    Prompts.AnswerYesNo(true);
    Window->miDelScenarioClick();
    EXPECT_EQ(TreeTexts(), (QStringList{U("Группа 1: Двор"), U("  Сценарий 1: "), U("  Сценарий 3: ")}));
    EXPECT_EQ(ClipboardMode(), -1);
    // The group stays highlighted, and its page shows.
    EXPECT_EQ(Ui().tvMain->currentItem(), Window->FindGroupNode(1));
    EXPECT_EQ(Page(), Ui().tsGroup);
    EXPECT_EQ(States(), GroupShown);
    Window->miAddScenarioClick(); // the gap is the lowest free slot
    EXPECT_TRUE(Project.Groups[1].Scenarios[2].Used);

    SetModified(false);
    SelectGroup(1);
    Prompts.AnswerYesNo(false, U("Удалить группу 1 «Двор»?"));
    Ui().miDelGroup->trigger();
    EXPECT_TRUE(Project.Groups[1].Used);
    EXPECT_EQ(Prompts.Asked.back().Caption, U(EditCaption));
    Prompts.AnswerYesNo(true);
    Ui().pmmiDelGroup->trigger();
    EXPECT_FALSE(Project.Groups[1].Used);
    EXPECT_FALSE(Project.Groups[1].Scenarios[1].Used);
    EXPECT_TRUE(TreeTexts().isEmpty());
    EXPECT_EQ(Page(), Ui().tsNothing);
    EXPECT_EQ(States(), Opened); // nothing highlighted: nothing to delete
    EXPECT_TRUE(Modified());
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
        Scenario(1, 1);
        Window->RebuildTree();
    }

    void CopyFrom(int g, int s, bool cut = false)
    {
        SelectScenario(g, s);
        SetModified(false);
        (cut ? Ui().miCutScenario : Ui().miCopyScenario)->trigger();
        EXPECT_FALSE(Modified()); // copy and cut change nothing
    }

    void PasteInto(int g)
    {
        SelectGroup(g);
        ASSERT_TRUE(Ui().miPutScenario->isEnabled());
        Ui().pmmiPutScenario->trigger();
    }
};

TEST_F(ScenarioClipboard, PasteIntoAFreeSlotKeepsTheNumberWithoutAQuestion)
{
    CopyFrom(1, 3);
    Ui().edScenarioTrack->setText(U("77")); // an edit after the copy goes along
    PasteInto(2);
    const TScenario &pasted = Project.Groups[2].Scenarios[3];
    EXPECT_TRUE(pasted.Used);
    EXPECT_EQ(pasted.Name, "Звонок");
    EXPECT_EQ(pasted.Hour, 7);
    EXPECT_TRUE(pasted.Days[4]);
    EXPECT_EQ(pasted.Track, 77);
    EXPECT_TRUE(Project.Groups[1].Scenarios[3].Used);
    EXPECT_TRUE(Modified());
    EXPECT_EQ(Page(), Ui().tsGroup); // the target group, highlighted
    EXPECT_EQ(Ui().tvMain->currentItem(), Window->FindGroupNode(2));
    EXPECT_EQ(States(), GroupShown); // paste disabled after a paste
    EXPECT_EQ(ClipboardMode(), -1);
}

TEST_F(ScenarioClipboard, PasteAsksOnlyForAnOccupiedSlotOfAnotherGroup)
{
    CopyFrom(1, 3);
    PasteInto(1); // its own group: no question, the lowest free slot
    EXPECT_EQ(Project.Groups[1].Scenarios[2].Name, "Звонок");
    EXPECT_TRUE(Project.Groups[1].Scenarios[3].Used);

    Scenario(2, 3, 1, 1, "Старый");
    Scenario(2, 1);
    Window->RebuildTree();
    const QString question = U("Сценарий c  номером 3 в группе 2 уже существует. Заменить его?");
    EXPECT_EQ(question.at(9), u'c'); // the Latin letter
    CopyFrom(1, 3);
    Prompts.AnswerYesNo(false, question); // No: the lowest free slot
    PasteInto(2);
    EXPECT_EQ(Prompts.Asked.back().Caption, U(EditCaption));
    EXPECT_EQ(Project.Groups[2].Scenarios[3].Name, "Старый");
    EXPECT_EQ(Project.Groups[2].Scenarios[2].Name, "Звонок");
    CopyFrom(1, 3);
    Prompts.AnswerYesNo(true, question); // Yes: replaced
    PasteInto(2);
    EXPECT_EQ(Project.Groups[2].Scenarios[3].Name, "Звонок");

    CopyFrom(1, 3, true);
    PasteInto(1); // a cut moves
    EXPECT_EQ(Project.Groups[1].Scenarios[4].Name, "Звонок");
    EXPECT_FALSE(Project.Groups[1].Scenarios[3].Used);
}

TEST_F(ScenarioClipboard, FullTargetWithNoOrAGoneSourceKeepsEverything)
{
    for (int s = 1; s <= 32; ++s)
        Scenario(2, s, 0, 0, "Полный");
    Window->RebuildTree();
    CopyFrom(1, 3, true);
    Prompts.AnswerYesNo(false);
    PasteInto(2);
    EXPECT_FALSE(Modified());
    EXPECT_EQ(ClipboardMode(), 2);
    EXPECT_TRUE(Project.Groups[1].Scenarios[3].Used);
    EXPECT_EQ(Project.Groups[2].Scenarios[3].Name, "Полный");

    ResetScenario(Project.Groups[1].Scenarios[3]); // the source is gone, as a new project leaves it
    PasteInto(2);
    EXPECT_EQ(Project.Groups[2].Scenarios[3].Name, "Полный");
    EXPECT_TRUE(Project.Groups[2].Scenarios[3].Used);
    EXPECT_EQ(ClipboardMode(), -1);
    EXPECT_FALSE(Ui().miPutScenario->isEnabled());
    EXPECT_FALSE(Modified());
}

using PageEditing = TWindowTest;

TEST_F(PageEditing, GroupNameAndZonesGoStraightIntoTheModel)
{
    OpenProject(2);
    Group(1);
    Group(2, "Старое");
    Window->RebuildTree();
    SelectGroup(2);
    Window->RebuildTree(); // the name box still renames its own node
    EXPECT_FALSE(Modified());
    Ui().edGroupName->setText(U(" Корпус "));
    EXPECT_EQ(Project.Groups[2].Name, " Корпус ");
    EXPECT_EQ(Window->FindGroupNode(2)->text(0), U("Группа 2:  Корпус "));
    EXPECT_EQ(Ui().lbGroupNumber->text(), U("Группа 2: Старое"));
    EXPECT_TRUE(Modified());
    SetModified(false);
    Ui().clZones->item(2)->setCheckState(Qt::Checked);
    EXPECT_TRUE(Project.Groups[2].Zones[3]);
    EXPECT_TRUE(Modified());
}

TEST_F(PageEditing, NameBoxesRefuseWhatTheFileCanNotHoldAndTheFieldSeparator)
{
    OpenProject(2);
    Group(1, "Цех");
    Scenario(1, 1, 8, 0, "Утро");
    Window->RebuildTree();
    const struct
    {
        bool scenario;
        bool typed; // else inserted, as a paste is
        const char *text;
        const char *nameAfter;
    } cases[] = {
        {false, true, "中", "Цех"},    {false, true, ";", "Цех"}, {false, true, "№", "Цех№"},
        {false, false, " 中", "Цех№"}, {true, true, "😀", "Утро"}, {true, false, "1;2", "Утро"},
        {true, true, "!", "Утро!"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        c.scenario ? SelectScenario(1, 1) : SelectGroup(1);
        QLineEdit *box = c.scenario ? Ui().edScenarioName : Ui().edGroupName;
        box->end(false);
        if (c.typed)
            Type(box, U(c.text));
        else
            box->insert(U(c.text));
        EXPECT_EQ(c.scenario ? Project.Groups[1].Scenarios[1].Name : Project.Groups[1].Name, c.nameAfter);
    }
}

TEST_F(PageEditing, ScenarioFieldsGoIntoTheModelAsUnsavedChanges)
{
    OpenTree(2, {{1, 4}});
    SelectScenario(1, 4);
    Ui().edScenarioName->setText(U("Обед"));
    EXPECT_EQ(Window->FindScenarioNode(1, 4)->text(0), U("Сценарий 4: Обед"));
    EXPECT_EQ(Ui().lbScenarioNumber->text(), U("Сценарий 4: "));
    TScenario &scenario = Project.Groups[1].Scenarios[4];
    // What the boxes can not take is shown in red and writes nothing: the model keeps the last value
    // taken, and the text stays as typed.
    const struct
    {
        QLineEdit *box;
        const char *text;
        bool taken;
        int32_t TScenario::*field;
        int value;
    } numbers[] = {
        {Ui().edScenarioTrack, "12", true, &TScenario::Track, 12},
        {Ui().edScenarioTrack, "0", false, &TScenario::Track, 12},
        {Ui().edScenarioTrack, "999", true, &TScenario::Track, 999},
        {Ui().edScenarioTrack, "1000", false, &TScenario::Track, 999},
        {Ui().edScenarioTrack, "$1F", false, &TScenario::Track, 999},
        {Ui().edScenarioVolume, "0", true, &TScenario::Volume, 0},
        {Ui().edScenarioVolume, "100", true, &TScenario::Volume, 100},
        {Ui().edScenarioVolume, "10005", false, &TScenario::Volume, 100},
        {Ui().edScenarioVolume, "12a", false, &TScenario::Volume, 100},
    };
    for (const auto &c : numbers) {
        c.box->setText(U(c.text));
        EXPECT_EQ(scenario.*c.field, c.value) << c.text;
        EXPECT_EQ(c.box->text(), U(c.text));
        EXPECT_EQ(c.box->styleSheet().contains(U("red")), !c.taken) << c.text;
    }
    EXPECT_TRUE(Modified());
    SetModified(false);
    const std::tuple<const char *, bool, int, int> cases[] = {
        {"7:05", true, 7, 5},       {"07:30", true, 7, 30},  {"730", true, 7, 30},     {"0830", true, 8, 30},
        {"8.15", true, 8, 15},      {"23.59", true, 23, 59}, {"7:5", false, 23, 59},   {"25:00", false, 23, 59},
        {"9:75", false, 23, 59},    {"12:", false, 23, 59},  {"ab:cd", false, 23, 59}, {"2400", false, 23, 59},
        {" 07:30 ", false, 23, 59},
    };
    for (const auto &[text, taken, hour, minute] : cases) {
        Ui().edScenarioTime->setText(U(text));
        EXPECT_EQ(std::pair(scenario.Hour, scenario.Minute), std::pair(hour, minute)) << text;
        EXPECT_EQ(Ui().edScenarioTime->text(), U(text)); // never rewritten
        EXPECT_EQ(Ui().edScenarioTime->styleSheet().contains(U("red")), !taken) << text;
    }
    EXPECT_TRUE(Modified());
    SetModified(false);
    Ui().edScenarioTime->setText(U("25:99:00"));
    EXPECT_FALSE(Modified());
    Ui().clDayOfWeek->item(6)->setCheckState(Qt::Checked);
    EXPECT_TRUE(scenario.Days[6]);
    EXPECT_TRUE(Modified());
}
