// Every edit is one step: undo gives back the project file's exact bytes, redo the edited ones,
// and a long session's steps stay bounded in memory.
#include "support/window_fixture.h"

#include "schedule/groupedit.h"
#include "storage/csv.h"
#include "storage/projectfile.h"
#include "ui/dialogs/groupeditdialogs.h"

#include <QLineEdit>
#include <QSpinBox>
#include <QTest>
#include <QUndoStack>

#include <fstream>
#include <functional>

namespace {

/// The resident memory of this process in kB, from /proc.
long ResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == "VmRSS:") {
            long kb = 0;
            status >> kb;
            return kb;
        }
    }
    return -1;
}

} // namespace

class UndoSteps : public TWindowTest
{
protected:
    void SetUp() override
    {
        TWindowTest::SetUp();
        OpenProject(4); // 8 zones
        Group(1, "Цех").Zones[1] = true;
        Scenario(1, 1, 8, 30, "Утро").Days[0] = true;
        Scenario(1, 2, 12, 0, "Обед").Track = 3;
        Group(2, "Двор");
        PlayList() = {"3;C:\\обед.mp3"};
        Window->RebuildTree();
        SetModified(false);
    }

    std::string FileBytes() const { return SerializeProjectFile(Project, PlayList()); }
    QUndoStack &Stack() const { return Window->Document().Stack(); }

    void Type(QLineEdit *box, const char *text)
    {
        box->selectAll();
        QTest::keyClicks(box, U(text));
    }
};

TEST_F(UndoSteps, EachCommandUndoesToTheOpenedBytesAndRedoesToTheEditedOnes)
{
    const std::string csv = PathIn("import.csv");
    {
        TProject other;
        ResetProject(other);
        other.DeviceType = 2;
        other.Groups[1].Used = true;
        other.Groups[1].Scenarios[1] = {"Импорт", 7, 45, {true}, 10, 4, true};
        ExportCsv(other, csv);
    }
    using TEdit = std::function<void(TProject &, std::vector<std::string> &)>;
    const struct
    {
        const char *step;          // the undo item's text after "Отменить: "
        std::function<void()> act; // what the operator does
        TEdit expect;              // the same change made on the model directly
    } cases[] = {
        {"имя группы 1",
         [&] {
             SelectGroup(1);
             QTest::keyClicks(Ui().edGroupName, U("-2"));
         },
         [](TProject &p, auto &) { p.Groups[1].Name += "-2"; }},
        {"зона 3 группы 1",
         [&] {
             SelectGroup(1);
             Ui().clZones->item(2)->setCheckState(Qt::Checked);
         },
         [](TProject &p, auto &) { p.Groups[1].Zones[3] = true; }},
        {"добавление группы 3",
         [&] {
             Prompts.AnswerInputChoice(U("3"));
             Ui().miAddGroup->trigger();
         },
         [](TProject &p, auto &) { p.Groups[3].Used = true; }},
        {"удаление группы 2",
         [&] {
             SelectGroup(2);
             Prompts.AnswerYesNo(true);
             Ui().miDelGroup->trigger();
         },
         [](TProject &p, auto &) { ResetGroup(p.Groups[2]); }},
        {"добавление сценария 3 в группу 1",
         [&] {
             SelectScenario(1, 1);
             Ui().miAddScenario->trigger();
         },
         [](TProject &p, auto &) { p.Groups[1].Scenarios[3].Used = true; }},
        {"удаление сценария 2 группы 1",
         [&] {
             SelectScenario(1, 2);
             Prompts.AnswerYesNo(true);
             Ui().miDelete->trigger();
         },
         [](TProject &p, auto &) { ResetScenario(p.Groups[1].Scenarios[2]); }},
        {"вставка сценария 1 в группу 2",
         [&] {
             SelectScenario(1, 1);
             Ui().miCopyScenario->trigger();
             SelectGroup(2);
             Ui().miPutScenario->trigger();
         },
         [](TProject &p, auto &) { p.Groups[2].Scenarios[1] = p.Groups[1].Scenarios[1]; }},
        {"вставка сценария 2 в группу 2",
         [&] {
             SelectScenario(1, 2);
             Ui().miCutScenario->trigger();
             SelectGroup(2);
             Ui().miPutScenario->trigger();
         },
         [](TProject &p, auto &) {
             p.Groups[2].Scenarios[2] = p.Groups[1].Scenarios[2];
             ResetScenario(p.Groups[1].Scenarios[2]);
         }},
        {"имя сценария 1",
         [&] {
             SelectScenario(1, 1);
             Type(Ui().edScenarioName, "Bell");
         },
         [](TProject &p, auto &) { p.Groups[1].Scenarios[1].Name = "Bell"; }},
        {"время сценария 1",
         [&] {
             SelectScenario(1, 1);
             Type(Ui().edScenarioTime, "0915");
         },
         [](TProject &p, auto &) { p.Groups[1].Scenarios[1].Hour = 9, p.Groups[1].Scenarios[1].Minute = 15; }},
        {"трек сценария 1",
         [&] {
             SelectScenario(1, 1);
             Type(Ui().edScenarioTrack, "42");
         },
         [](TProject &p, auto &) { p.Groups[1].Scenarios[1].Track = 42; }},
        {"громкость сценария 1",
         [&] {
             SelectScenario(1, 1);
             Type(Ui().edScenarioVolume, "77");
         },
         [](TProject &p, auto &) { p.Groups[1].Scenarios[1].Volume = 77; }},
        {"день недели сценария 1",
         [&] {
             SelectScenario(1, 1);
             Ui().clDayOfWeek->item(6)->setCheckState(Qt::Checked);
         },
         [](TProject &p, auto &) { p.Groups[1].Scenarios[1].Days[6] = true; }},
        {"тип прибора",
         [&] {
             Prompts.AnswerInputChoice(U("Велтара ДК-М-16"));
             Window->lbDeviceNameAltClick();
         },
         [](TProject &p, auto &) { p.DeviceType = 7; }},
        {"название проекта",
         [&] {
             Prompts.AnswerInputValue(U("Завод"));
             Window->lbProjectNameAltClick();
         },
         [](TProject &p, auto &) { p.Name = "Завод"; }},
        {"громкость группы 1",
         [&] {
             Prompts.AnswerModal(1, [](QDialog &d) { static_cast<TfrGroupVolume &>(d).seVolume->setValue(40); });
             SelectGroup(1);
             Window->miGroupVolumeClick();
         },
         [](TProject &p, auto &) { SetGroupVolume(p, 1, 40); }},
        {"импорт import.csv",
         [&] {
             Prompts.AnswerOpenFile(QString::fromStdString(csv));
             Ui().miProjectImport->trigger();
         },
         [&](TProject &p, auto &) { ImportCsv(csv, p); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.step);
        SetUp();
        const std::string opened = FileBytes();
        const QStringList tree = TreeTexts();
        TProject project = Project;
        std::vector<std::string> playList = PlayList();
        c.expect(project, playList);
        const std::string expected = SerializeProjectFile(project, playList);
        ASSERT_NE(expected, opened);

        c.act();
        Prompts.ExpectDone();
        EXPECT_EQ(FileBytes(), expected);
        EXPECT_EQ(Stack().count(), 1); // one step, however many keys were pressed
        EXPECT_EQ(Ui().miUndo->text(), U("О&тменить: ") + U(c.step));
        EXPECT_TRUE(Modified());

        Ui().miUndo->trigger();
        EXPECT_EQ(FileBytes(), opened);
        EXPECT_EQ(TreeTexts(), tree); // the tree follows
        EXPECT_FALSE(Modified());     // back at the saved state
        EXPECT_EQ(Ui().miRedo->text(), U("&Повторить: ") + U(c.step));
        Ui().miRedo->trigger();
        EXPECT_EQ(FileBytes(), expected);
        EXPECT_TRUE(Modified());
        TearDown();
    }
}

TEST_F(UndoSteps, TypingMergesUntilTheFieldIsLeftAndTypingBackLeavesNoStep)
{
    SelectScenario(1, 1);
    QTest::keyClicks(Ui().edScenarioName, U("ab"));
    emit Ui().edScenarioName->editingFinished(); // the field is left
    QTest::keyClicks(Ui().edScenarioName, U("c"));
    EXPECT_EQ(Stack().count(), 2);
    QTest::keyClick(Ui().edScenarioName, Qt::Key_Backspace);
    EXPECT_EQ(Stack().count(), 1); // typed back to what it was: that step is gone
    // Ctrl+Z in the box takes back the project's step, not the box's own keystrokes.
    Window->show();
    QApplication::setActiveWindow(Window.get());
    QTest::keyClick(Ui().edScenarioName, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Project.Groups[1].Scenarios[1].Name, "Утро");
    EXPECT_EQ(Ui().edScenarioName->text(), U("Утро")); // the page follows the undo
    EXPECT_FALSE(Modified());
}

TEST_F(UndoSteps, TenThousandStepsStayBoundedInMemory)
{
    // Zone ticks: each step keeps a whole group twice, the largest kind of step an edit makes.
    SelectGroup(1);
    const long before = ResidentKb();
    for (int i = 0; i < 10000; ++i)
        Ui().clZones->item(1)->setCheckState(i % 2 ? Qt::Unchecked : Qt::Checked);
    const long growth = ResidentKb() - before;
    RecordProperty("rss_growth_kb", int(growth));
    std::printf("10000 steps: %ld kB more resident memory, %d steps kept\n", growth, int(Stack().count()));
    EXPECT_LE(Stack().count(), 1000);
    EXPECT_LT(growth, 20 * 1024);
}

// The tree stays as the operator arranged it through a step, its undo and its redo: the open groups
// stay open, the closed ones closed, the highlighted node highlighted.
TEST_F(UndoSteps, AStepItsUndoAndItsRedoKeepTheOpenGroupsAndTheHighlight)
{
    Scenario(2, 1, 9, 0, "Звонок");
    Group(3, "Сад");
    Scenario(3, 1, 10, 0);
    Window->RebuildTree();
    Window->FindGroupNode(1)->setExpanded(true);
    Window->FindGroupNode(3)->setExpanded(true);
    SelectGroup(1);
    const auto shape = [this] {
        QString open;
        for (int g : {1, 2, 3})
            open += Window->FindGroupNode(g)->isExpanded() ? u'+' : u'-';
        const QTreeWidgetItem *current = Ui().tvMain->currentItem();
        return (open + u' ' + (current ? current->text(0) : QString())).toStdString();
    };
    const std::string arranged = shape();
    EXPECT_EQ(arranged, "+-+ Группа 1: Цех");
    const struct
    {
        const char *what;
        std::function<void()> act;
    } steps[] = {
        {"shift",
         [this] {
             Prompts.AnswerModal(1,
                                 [](QDialog &modal) { dynamic_cast<TfrShiftGroup &>(modal).seMinutes->setValue(5); });
             Window->miShiftGroupClick();
         }},
        {"paste", // of group 3's scenario into group 1, which stays highlighted
         [this] {
             SelectScenario(3, 1);
             Window->pmmiCopyScenarioClick();
             SelectGroup(1);
             Prompts.AnswerYesNo(false); // slot 1 is taken: into the first free one
             Window->pmmiPutScenarioClick();
         }},
        {"delete",
         [this] {
             SelectScenario(1, 2);
             Prompts.AnswerYesNo(true);
             Window->miDelScenarioClick();
         }},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        Prompts.ExpectDone();
        EXPECT_EQ(shape(), arranged);
        Stack().undo();
        EXPECT_EQ(shape(), arranged);
        Stack().redo();
        EXPECT_EQ(shape(), arranged);
    }
}
