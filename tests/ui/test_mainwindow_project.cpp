// Project commands: new, close, the window's close, rename, device type and About.
#include "support/window_fixture.h"

#include "model/about.h"
#include "model/error.h"
#include "storage/fileio.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>

class ProjectCommands : public TWindowTest
{
protected:
    /// An open project of type 2 with group 1 and one scenario, modified.
    void OpenModified(const std::string &fileName = {})
    {
        OpenProject(2);
        Group(1, "Цех");
        Scenario(1, 1);
        Project.FileName = fileName;
        Window->RebuildTree();
        SetModified(true);
    }
};

TEST_F(ProjectCommands, NewAsksWhenModifiedAndShowsNoProjectWhenCancelled)
{
    OpenModified(PathIn("old.vlpj"));
    PlayList() = {"1;a.mp3"};
    Prompts.AnswerYesNoCancel(Prompts::TAnswer::No, U("Сохранить изменения?"));
    Prompts.AnswerInputValue(U("Новый")).CloseDialog(U("Укажите тип прибора"));
    Window->miProjectNewClick();
    EXPECT_EQ(States(), Closed);
    EXPECT_TRUE(TreeTexts().isEmpty());
    EXPECT_FALSE(Project.Groups[1].Used);
    EXPECT_EQ(Project.FileName, "");
    EXPECT_TRUE(PlayList().empty());
    // Nothing is left to save: closing now must not offer to write the empty project anywhere.
    EXPECT_FALSE(Modified());

    // A typed text that names no device type: the name given before it does not linger either.
    Prompts.AnswerInputValue(U("Новый")).AnswerInputChoice(U("Велтара ДК-99"));
    Window->miProjectNewClick();
    EXPECT_EQ(States(), Closed);
    EXPECT_EQ(Project.Name, "");
    EXPECT_TRUE(Ui().lbProjectName->text().isEmpty());

    Prompts.AnswerInputValue(U("Новый"), U("Введите название проекта")).AnswerInputChoice(U("Велтара ДК-М-16"));
    Ui().bbNewProject->click();
    EXPECT_EQ(Project.Name, "Новый");
    EXPECT_EQ(Project.DeviceType, 7);
    EXPECT_TRUE(Modified());
    EXPECT_EQ(States(), Opened);
    EXPECT_EQ(Ui().lbDeviceName->text(), U("Велтара ДК-М-16"));
}

TEST_F(ProjectCommands, CloseAndWindowCloseAskOnlyWhenModifiedSaveOnYesAndStayOnCancel)
{
    using A = Prompts::TAnswer;
    const struct
    {
        const char *what;
        const char *file; // nullptr: the project has no file yet
        char answer;      // '-' not modified, no question; 'n' No; 'y' Yes; 'c' Cancel (Escape, close box)
        bool closes;
    } cases[] = {
        {"unmodified", "a.vlpj", '-', true},
        {"No discards", "b.vlpj", 'n', true},
        {"Yes saves first", "c.vlpj", 'y', true},
        {"Yes without a file offers save as; cancelled, nothing closes", nullptr, 'y', false},
        {"Cancel keeps everything", "d.vlpj", 'c', false},
    };
    for (const bool window : {false, true})
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(c.what) + (window ? ", window close" : ", close command"));
            const std::string file = c.file ? PathIn((window ? "w-" : "m-") + std::string(c.file)) : "";
            OpenModified(file);
            SetModified(c.answer != '-');
            PlayList() = {"1;a.mp3"};
            if (c.answer != '-')
                Prompts.AnswerYesNoCancel(c.answer == 'y'   ? A::Yes
                                          : c.answer == 'n' ? A::No
                                                            : A::Cancel,
                                          U("Сохранить изменения?"));
            if (c.answer == 'y' && !c.file)
                Prompts.CancelSaveFile();
            const std::size_t asked = Prompts.Asked.size();
            if (window) {
                Window->show();
                EXPECT_EQ(Window->close(), c.closes);
                EXPECT_EQ(Window->isVisible(), !c.closes);
            } else {
                Ui().miProjectClose->trigger();
                EXPECT_EQ(States(), c.closes ? Closed : Opened);
                EXPECT_EQ(Project.Groups[1].Used, !c.closes);
            }
            Prompts.ExpectDone();
            EXPECT_EQ(Prompts.Asked.size() > asked ? Prompts.Asked[asked].Caption : QString(),
                      c.answer == '-' ? QString() : U("Информация"));
            EXPECT_EQ(Modified(), !c.closes);
            EXPECT_EQ(PlayList().size(), 1u); // closing keeps the playlist
            EXPECT_EQ(c.file && FileExists(file), c.file && c.answer == 'y');
            if (c.file && c.answer == 'y') {
                EXPECT_NE(ReadWholeFile(file).find("[Groups]"), std::string::npos);
            }
            Window->hide();
        }
}

TEST_F(ProjectCommands, OpenImportNewAndRecentAskFirstWhenModifiedAndCancelKeepsTheProject)
{
    const std::string recent = PathIn("recent.vlpj");
    WriteFileAtomically(recent, "[Project]\r\nName=Другой\r\n");
    const struct
    {
        const char *what;
        std::function<void(TfrMain &)> command;
    } commands[] = {
        {"open", [](TfrMain &w) { w.miProjectLoadClick(); }},
        {"import", [](TfrMain &w) { w.miProjectImportClick(); }},
        {"new", [](TfrMain &w) { w.miProjectNewClick(); }},
        {"file named or dropped", [&](TfrMain &w) { w.OpenFile(QString::fromStdString(recent)); }},
    };
    for (const auto &c : commands) {
        SCOPED_TRACE(c.what);
        OpenModified(PathIn("kept.vlpj"));
        Project.Groups[1].Name = "Несохранённое имя";
        Window->RebuildTree();
        SelectGroup(1);
        Prompts.AnswerYesNoCancel(Prompts::TAnswer::Cancel, U("Сохранить изменения?"));
        c.command(*Window); // Escape: nothing more is asked, nothing changes
        Prompts.ExpectDone();
        EXPECT_EQ(Project.Groups[1].Name, "Несохранённое имя");
        EXPECT_TRUE(Modified());
        EXPECT_EQ(Page(), Ui().tsGroup); // after the question the page still matches the highlight
        EXPECT_EQ(Ui().tvMain->currentItem(), Window->FindGroupNode(1));
        EXPECT_TRUE(Ui().tvMain->currentItem()->isSelected());
    }
    SetModified(false); // unmodified: no question, straight to the file dialog
    Prompts.CancelOpenFile();
    Window->miProjectLoadClick();
}

TEST_F(ProjectCommands, FailingSaveKeepsTheProjectModifiedAndTheWindowOpen)
{
    const std::string file = PathIn("missing/p.vlpj");
    OpenModified(file);
    Prompts.AnswerYesNoCancel(Prompts::TAnswer::Yes);
    EXPECT_THROW(Window->miProjectCloseClick(), TFileError);
    EXPECT_TRUE(Modified());
    EXPECT_EQ(States(), Opened);
    EXPECT_EQ(TreeTexts().size(), 2);

    // The window shows the failure in the standard error box: close it and keep its text.
    QString error;
    QTimer boxCloser;
    QObject::connect(&boxCloser, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            error = box->text();
            box->accept();
        }
    });
    boxCloser.start(0);
    Window->show();
    Prompts.AnswerYesNoCancel(Prompts::TAnswer::Yes);
    EXPECT_FALSE(Window->close());
    EXPECT_TRUE(Window->isVisible());
    EXPECT_TRUE(Modified());
    EXPECT_TRUE(error.contains(QString::fromStdString(file))) << error.toStdString();
    Prompts.AnswerYesNoCancel(Prompts::TAnswer::No); // No the second time: the window closes
    EXPECT_TRUE(Window->close());
}

TEST_F(ProjectCommands, RenameByTheEnabledLinkSetsModifiedOnlyForAChange)
{
    QTest::mouseClick(Ui().lbProjectNameAlt, Qt::LeftButton); // disabled at start: no prompt
    OpenModified();
    SetModified(false);
    EXPECT_EQ(Ui().lbProjectNameAlt->cursor().shape(), Qt::PointingHandCursor);
    Prompts.AnswerModal(
        1,
        [](QDialog &dialog) {
            EXPECT_EQ(dialog.findChild<QLineEdit *>()->text(), U("Школа")); // the current name is offered
        },
        U("Введите название проекта"));
    QTest::mouseClick(Ui().lbProjectNameAlt, Qt::LeftButton); // OK on the same name
    EXPECT_FALSE(Modified());
    Prompts.AnswerInputValue(QString());
    Window->lbProjectNameAltClick(); // empty: the command stops
    EXPECT_EQ(Project.Name, "Школа");
    Prompts.AnswerInputValue(U("Завод"));
    Window->lbProjectNameAltClick();
    EXPECT_EQ(Project.Name, "Завод");
    EXPECT_EQ(Ui().lbProjectName->text(), U("Завод"));
    EXPECT_TRUE(Modified());
}

TEST_F(ProjectCommands, SameDeviceTypeRebuildsWithoutModifying)
{
    OpenModified();
    SetModified(false);
    Window->RevealGroup(1);
    Prompts.AnswerInputChoice(U("Велтара ДК-4"));
    Window->lbDeviceNameAltClick();
    EXPECT_FALSE(Modified());
    EXPECT_FALSE(Window->FindGroupNode(1)->isExpanded());
    EXPECT_EQ(Page(), Ui().tsGroup); // the page shown does not change
    Prompts.AnswerInputChoice(U("Велтара"));
    Window->lbDeviceNameAltClick(); // no such type: ignored
    EXPECT_EQ(Project.DeviceType, 2);
    Prompts.AnswerInputChoice(U("Велтара ДК-4К"));
    Window->lbDeviceNameAltClick();
    EXPECT_EQ(Project.DeviceType, 3);
    EXPECT_TRUE(Modified());
}

TEST_F(ProjectCommands, AboutShowsTitleAndVersion)
{
    Prompts.ExpectNotice();
    Ui().miAbout->trigger();
    ASSERT_EQ(Prompts.Asked.size(), 1u);
    EXPECT_EQ(Prompts.Asked[0].Caption, U("Конфигуратор таймера сигнала"));
    const QStringList lines = Prompts.Asked[0].Text.split(U("\r\n"));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], U("Программа: Конфигуратор таймера сигнала"));
    EXPECT_EQ(lines[1], U("Версия: 1.4"));
    // The full version as --version prints it, and where to report faults when the build names a
    // place; no address at all when it names none.
    EXPECT_TRUE(lines[2].startsWith(U("Разработчики sigcfg, выпуск 1.4.0.0"))) << lines[2].toStdString();
    if (HomePage().empty())
        EXPECT_FALSE(lines[2].contains(U("http"))) << lines[2].toStdString();
    else
        EXPECT_TRUE(lines[2].contains(QString::fromStdString(BugAddress()))) << lines[2].toStdString();
}
