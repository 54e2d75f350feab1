// Project commands: new, close, the window's close, rename, device type and About.
#include "support/window_fixture.h"

#include "model/error.h"
#include "storage/fileio.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

namespace {

/// Closes the next message box that comes up modally and keeps its text, for the failures that
/// the window shows in the standard error box rather than through the prompts.
class TErrorBoxCloser
{
public:
    TErrorBoxCloser()
    {
        Timer.setInterval(0);
        QObject::connect(&Timer, &QTimer::timeout, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                Text = box->text();
                box->accept();
                Timer.stop();
            }
        });
        Timer.start();
    }

    QString Text;

private:
    QTimer Timer;
};

} // namespace

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
        Window->Modified = true;
    }

    std::string MissingFolderFile() const { return PathIn("missing/p.vlpj"); }
};

TEST_F(ProjectCommands, NewDiscardsWithoutAskingAndOpensTheNewProject)
{
    OpenModified();
    Window->PlayList = {"1;a.mp3"};
    Prompts.AnswerInputValue(U("Новый"), U("Введите название проекта")).AnswerInputChoice(U("Велтара ДК-М-16"));
    Window->bbNewProject->click();
    EXPECT_FALSE(Project.Groups[1].Used);
    EXPECT_EQ(Project.Name, "Новый");
    EXPECT_EQ(Project.DeviceType, 7);
    EXPECT_TRUE(Window->PlayList.empty());
    EXPECT_TRUE(Window->Modified);
    EXPECT_EQ(States(), Opened);
    EXPECT_TRUE(TreeTexts().isEmpty());
    EXPECT_EQ(Window->lbDeviceName->text(), U("Велтара ДК-М-16"));
}

TEST_F(ProjectCommands, NewCancelledAfterTheResetShowsNoProject)
{
    OpenModified(PathIn("old.vlpj"));
    Prompts.AnswerInputValue(U("Новый")).CloseDialog(U("Укажите тип прибора"));
    Window->miProjectNewClick();
    EXPECT_EQ(States(), Closed);
    EXPECT_TRUE(TreeTexts().isEmpty());
    EXPECT_FALSE(Project.Groups[1].Used);
    EXPECT_EQ(Project.FileName, "");
    // Nothing is left to save: closing now must not offer to write the empty project anywhere.
    EXPECT_FALSE(Window->Modified);
}

TEST_F(ProjectCommands, CloseUnmodifiedAsksNothing)
{
    OpenModified();
    Window->Modified = false;
    Window->miProjectClose->trigger();
    EXPECT_EQ(States(), Closed);
    EXPECT_FALSE(Project.Groups[1].Used);
}

TEST_F(ProjectCommands, CloseWithNoDiscards)
{
    OpenModified(PathIn("p.vlpj"));
    Window->PlayList = {"1;a.mp3"};
    Prompts.AnswerYesNo(false, U("Сохранить изменения?"));
    Window->miProjectCloseClick();
    EXPECT_EQ(Prompts.Asked.back().Caption, U("Информация"));
    EXPECT_FALSE(FileExists(PathIn("p.vlpj")));
    EXPECT_FALSE(Window->Modified);
    EXPECT_EQ(States(), Closed);
    EXPECT_EQ(Window->PlayList.size(), 1u); // close keeps the playlist
}

TEST_F(ProjectCommands, CloseWithYesSavesToTheFileThenCloses)
{
    OpenModified(PathIn("p.vlpj"));
    Prompts.AnswerYesNo(true);
    Window->miProjectCloseClick();
    EXPECT_NE(ReadWholeFile(PathIn("p.vlpj")).find("[Groups]"), std::string::npos);
    EXPECT_EQ(States(), Closed);
    EXPECT_FALSE(Window->Modified);
}

TEST_F(ProjectCommands, CloseWithYesWithoutAFileOffersSaveAsAndClosesWhenItIsCancelled)
{
    OpenModified();
    Prompts.AnswerYesNo(true).CancelSaveFile();
    Window->miProjectCloseClick();
    EXPECT_EQ(States(), Closed);
    EXPECT_FALSE(Window->Modified);
}

TEST_F(ProjectCommands, FailingSaveStopsTheClose)
{
    OpenModified(MissingFolderFile());
    Prompts.AnswerYesNo(true);
    EXPECT_THROW(Window->miProjectCloseClick(), TFileError);
    EXPECT_TRUE(Project.Groups[1].Used);
    EXPECT_TRUE(Window->Modified);
    EXPECT_EQ(States(), Opened);
    EXPECT_EQ(TreeTexts().size(), 2);
}

TEST_F(ProjectCommands, WindowCloseAsksOnceAndCloses)
{
    for (const bool yes : {false, true}) {
        OpenModified(PathIn("w.vlpj"));
        Window->show();
        Prompts.AnswerYesNo(yes, U("Сохранить изменения?"));
        EXPECT_TRUE(Window->close());
        EXPECT_FALSE(Window->isVisible());
        EXPECT_FALSE(Window->Modified);
        EXPECT_EQ(FileExists(PathIn("w.vlpj")), yes);
    }
    Window->show();
    EXPECT_TRUE(Window->close()); // nothing modified: no question
}

TEST_F(ProjectCommands, WindowCloseWithoutAFileClosesWhenSaveAsIsCancelled)
{
    OpenModified();
    Window->show();
    Prompts.AnswerYesNo(true).CancelSaveFile();
    EXPECT_TRUE(Window->close());
    EXPECT_FALSE(Window->Modified);
}

TEST_F(ProjectCommands, WindowStaysOpenWhenTheSaveFails)
{
    OpenModified(MissingFolderFile());
    Window->show();
    Prompts.AnswerYesNo(true);
    TErrorBoxCloser box;
    EXPECT_FALSE(Window->close());
    EXPECT_TRUE(Window->isVisible());
    EXPECT_TRUE(Window->Modified);
    EXPECT_TRUE(box.Text.contains(QString::fromStdString(MissingFolderFile()))) << box.Text.toStdString();
    // The operator answers No the second time and the window closes.
    Prompts.AnswerYesNo(false);
    EXPECT_TRUE(Window->close());
}

TEST_F(ProjectCommands, RenameSetsModifiedOnlyForAChange)
{
    OpenModified();
    Window->Modified = false;
    Prompts.AnswerModal(
        1,
        [](QDialog &dialog) {
            EXPECT_EQ(dialog.findChild<QLineEdit *>()->text(), U("Школа")); // the current name is offered
        },
        U("Введите название проекта"));
    Window->lbProjectNameAltClick(); // OK on the same name
    EXPECT_FALSE(Window->Modified);
    Prompts.AnswerInputValue(QString());
    Window->lbProjectNameAltClick(); // empty: the command stops
    EXPECT_EQ(Project.Name, "Школа");
    Prompts.AnswerInputValue(U("Завод"));
    Window->lbProjectNameAltClick();
    EXPECT_EQ(Project.Name, "Завод");
    EXPECT_EQ(Window->lbProjectName->text(), U("Завод"));
    EXPECT_TRUE(Window->Modified);
}

TEST_F(ProjectCommands, SameDeviceTypeRebuildsWithoutModifying)
{
    OpenModified();
    Window->Modified = false;
    Window->RevealGroup(1);
    Prompts.AnswerInputChoice(U("Велтара ДК-4"));
    Window->lbDeviceNameAltClick();
    EXPECT_FALSE(Window->Modified);
    EXPECT_FALSE(Window->FindGroupNode(1)->isExpanded());
    EXPECT_EQ(Page(), Window->tsGroup); // the page shown does not change
    Prompts.AnswerInputChoice(U("Велтара"));
    Window->lbDeviceNameAltClick(); // no such type: ignored
    EXPECT_EQ(Project.DeviceType, 2);
    Prompts.AnswerInputChoice(U("Велтара ДК-4К"));
    Window->lbDeviceNameAltClick();
    EXPECT_EQ(Project.DeviceType, 3);
    EXPECT_TRUE(Window->Modified);
}

TEST_F(ProjectCommands, AboutShowsTitleAndVersion)
{
    Prompts.ExpectNotice();
    Window->miAbout->trigger();
    ASSERT_EQ(Prompts.Asked.size(), 1u);
    EXPECT_EQ(Prompts.Asked[0].Caption, U("Конфигуратор таймера сигнала"));
    const QStringList lines = Prompts.Asked[0].Text.split(U("\r\n"));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], U("Программа: Конфигуратор таймера сигнала"));
    EXPECT_EQ(lines[1], U("Версия: 1.3"));
}
