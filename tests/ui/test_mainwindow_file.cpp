// File commands: load, save, save as, the project writer, import and export, on real files.
#include "support/window_fixture.h"

#include "model/error.h"
#include "storage/csv.h"
#include "storage/fileio.h"
#include "storage/projectfile.h"
#include "ui/document/projectdocument.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QStatusBar>
#include <QUndoStack>
#include <QUrl>

class FileCommands : public TWindowTest
{
protected:
    QString Path(const char *name) const { return QString::fromStdString(PathIn(name)); }

    /// A small project with one clash pair, type 2.
    void FillProject()
    {
        OpenProject(2);
        Group(1, "Корпус").Zones[2] = true;
        Scenario(1, 1, 8, 30, "Начало").Days[0] = true;
        Scenario(1, 2, 8, 30, "Второй").Days[0] = true;
        Window->RebuildTree();
    }

    /// Drags these files over the window and drops them when it takes them; false when refused.
    bool Drop(const QStringList &paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls.push_back(QUrl::fromLocalFile(path));
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Window.get(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Window.get(), &dropped);
        return true;
    }
};

TEST_F(FileCommands, LoadReadsProjectAndPlaylistAndOpensIt)
{
    FillProject();
    Project.FileName = PathIn("school.vlpj");
    SaveProjectFile(Project, {"1;C:\\a.mp3"});
    ResetProject(Project);
    Window->ProjectClosed();
    SetModified(true);

    // A modified project: the question comes before any file dialog.
    Prompts.AnswerYesNoCancel(Prompts::TAnswer::No, U("Сохранить изменения?")).CancelOpenFile();
    Ui().bbOpenProject->click();
    EXPECT_EQ(States(), Closed);
    EXPECT_EQ(Prompts.Asked.front().Kind, TScriptedPrompts::TKind::YesNoCancel);

    Prompts.AnswerYesNoCancel(Prompts::TAnswer::No).AnswerOpenFile(Path("school.vlpj"));
    Ui().miProjectLoad->trigger();
    EXPECT_EQ(Prompts.Asked.back().Text, U("Проект Велтара ЛВ (.vlpj) (*.vlpj)"));
    EXPECT_EQ(Project.FileName, PathIn("school.vlpj"));
    EXPECT_EQ(PlayList(), std::vector<std::string>{"1;C:\\a.mp3"});
    EXPECT_EQ(TreeTexts(), (QStringList{U("Группа 1: Корпус"), U("  Сценарий 1: Начало"), U("  Сценарий 2: Второй")}));
    EXPECT_EQ(Ui().lbProjectName->text(), U("Школа"));
    EXPECT_EQ(States(), Opened);
    EXPECT_TRUE(LogLines().isEmpty());
    EXPECT_FALSE(Modified()); // a project just read has no changes
    EXPECT_EQ(Ui().lbFilePath->text(), Path("school.vlpj"));
}

TEST_F(FileCommands, SaveAsAddsTheExtensionOnlyWhenItIsNowhereInThePathAndFailsLoudly)
{
    FillProject();
    const std::pair<const char *, const char *> cases[] = {
        {"b", "b.vlpj"}, {"c.VLPJ", "c.VLPJ.vlpj"}, {"d.vlpj.old", "d.vlpj.old"}, {"e.vlpj", "e.vlpj"}};
    for (const auto &[chosen, written] : cases) {
        SetModified(true);
        Prompts.AnswerSaveFile(Path(chosen));
        Ui().bbSaveAsProject->click();
        EXPECT_TRUE(FileExists(PathIn(written))) << chosen;
        EXPECT_EQ(Project.FileName, PathIn(written));
        EXPECT_FALSE(Modified());
    }
    SetModified(true);
    Prompts.CancelSaveFile();
    Window->miProjectSaveAsClick();
    EXPECT_EQ(Project.FileName, PathIn("e.vlpj"));
    EXPECT_TRUE(Modified());

    Window->ClearLog();
    Prompts.AnswerSaveFile(Path("missing/p"));
    EXPECT_THROW(Window->miProjectSaveAsClick(), TFileError);
    EXPECT_TRUE(Modified());
    EXPECT_EQ(Project.FileName, PathIn("missing/p.vlpj"));
    EXPECT_TRUE(LogLines().isEmpty()); // no check after a failed write
}

TEST_F(FileCommands, SaveAsksForAFileOnlyWithoutOneAndForAMissingNameAndChecks)
{
    FillProject();
    Project.Name.clear();
    SetModified(true);
    Prompts.CancelSaveFile();
    Window->miProjectSaveClick(); // cancelled: nothing written
    EXPECT_TRUE(Modified());
    EXPECT_EQ(Project.FileName, "");

    Prompts.AnswerSaveFile(Path("new")).CloseDialog(U("Введите название проекта"));
    Window->miProjectSaveClick();
    EXPECT_EQ(Project.FileName, PathIn("new.vlpj"));
    EXPECT_NE(ReadWholeFile(PathIn("new.vlpj")).find("Name=\r\n"), std::string::npos);
    EXPECT_FALSE(Modified());

    // With a file known no dialog comes; a missing name is still asked for.
    Project.Name.clear();
    SetModified(true);
    Prompts.AnswerInputValue(U("Склад"));
    Ui().miProjectSave->trigger();
    EXPECT_EQ(Ui().lbProjectName->text(), U("Склад"));
    EXPECT_FALSE(Modified());
    EXPECT_EQ(ReadWholeFile(PathIn("new.vlpj")).find("Name=\r\n"), std::string::npos); // written again, named
    const QStringList log = LogLines();
    ASSERT_EQ(log.size(), 4);
    EXPECT_EQ(log.front(), U("Проверка проекта"));
    EXPECT_EQ(log.back(), U("Всего ошибок: 2"));
}

TEST_F(FileCommands, ImportReadsByContentWhateverTheNameAndKeepsTheProjectOnFailure)
{
    FillProject();
    WriteFileAtomically(PathIn("narrow.csv"), "1;2;3\r\n");
    Prompts.AnswerOpenFile(Path("narrow.csv")).ExpectNotice(U("Ошибка экспорта. Не правильный формат файла"));
    Window->miProjectImportClick();
    EXPECT_EQ(Prompts.Asked.back().Caption, ApplicationTitle());
    Prompts.AnswerOpenFile(Path("missing.csv"), 0);
    EXPECT_THROW(Window->miProjectImportClick(), TSigError);
    EXPECT_EQ(Project.Name, "Школа");
    EXPECT_EQ(TreeTexts().size(), 3);

    // CSV text named like a workbook is read as CSV, whatever filter entry was picked.
    ExportCsv(Project, PathIn("plan.xls"));
    ResetProject(Project);
    Window->ProjectClosed();
    PlayList() = {"3;x.mp3"};
    Prompts.AnswerOpenFile(Path("plan.xls"), 1);
    Ui().bbImportProject->click();
    EXPECT_EQ(Prompts.Asked.back().Text, U("Файл csv (*.csv);;Excel файл (*.xls *.xlsx *.ods)"));
    EXPECT_EQ(Project.DeviceType, 9);
    EXPECT_TRUE(Project.Groups[1].Scenarios[2].Used);
    EXPECT_EQ(TreeTexts(), (QStringList{U("Группа 1: "), U("  Сценарий 1: "), U("  Сценарий 2: ")}));
    EXPECT_EQ(States(), Opened);
    EXPECT_EQ(PlayList().size(), 1u);

    // And a workbook named .csv is read as a workbook: an .ods file from a spreadsheet program.
    ASSERT_TRUE(QFile::copy(U(SIG_TEST_DATA "/libreoffice-schedule.ods"), Path("sheet.csv")));
    // Its cells that the model can not take as they are are named once, not dropped unseen.
    Prompts.AnswerOpenFile(Path("sheet.csv"), 0).ExpectNotice();
    Window->miProjectImportClick();
    EXPECT_TRUE(Prompts.Asked.back().Text.contains(U("«8.5» — не целое число")));
    EXPECT_EQ(States(), Opened);
    EXPECT_FALSE(TreeTexts().isEmpty());
}

TEST_F(FileCommands, ExportBranchesOnTheFilterEntry)
{
    FillProject();
    Prompts.AnswerSaveFile(Path("plan.CSV"), 0);
    Ui().bbExportProject->click();
    EXPECT_TRUE(FileExists(PathIn("plan.CSV.csv")));
    EXPECT_NE(ReadWholeFile(PathIn("plan.CSV.csv")).find(std::string("90;00;0;")), std::string::npos);
    EXPECT_EQ(LogLines().front(), U("Проверка проекта"));

    Prompts.AnswerSaveFile(Path("a.csv.txt"), 0);
    Window->miProjectExportClick();
    EXPECT_TRUE(FileExists(PathIn("a.csv.txt")));

    Prompts.AnswerSaveFile(Path("book.csv"), 1);
    Window->miProjectExportClick();
    EXPECT_EQ(ReadWholeFile(PathIn("book.csv")).substr(0, 2), "PK"); // a workbook under the name as given

    Prompts.CancelSaveFile();
    Window->ClearLog();
    Window->miProjectExportClick();
    EXPECT_TRUE(LogLines().isEmpty());
}

TEST_F(FileCommands, RecentProjectsKeepTheLastEightAndForgetAVanishedFile)
{
    FillProject();
    QStringList saved;
    for (int i = 1; i <= 9; ++i) {
        saved.prepend(Path(("p" + std::to_string(i) + ".vlpj").c_str()));
        Prompts.AnswerSaveFile(saved.front());
        Window->miProjectSaveAsClick();
    }
    // Save as proposes the project's name in the folder used last.
    EXPECT_EQ(Prompts.FileStarts.back(), Path("Школа.vlpj"));
    EXPECT_EQ(Ui().lbFilePath->text(), saved.front());
    const auto entries = [&] {
        QStringList texts;
        for (const QAction *action : Ui().miRecent->actions())
            texts.push_back(action->text());
        return texts;
    };
    ASSERT_EQ(entries().size(), 8);
    EXPECT_EQ(entries().front(), U("&1 ") + saved[0]);
    EXPECT_EQ(entries().back(), U("&8 ") + saved[7]);

    ASSERT_TRUE(QFile::remove(saved[1]));
    Prompts.ExpectNotice(U("Файл не найден: ") + saved[1] + U("\nОн убран из списка последних проектов."));
    Ui().miRecent->actions()[1]->trigger();
    EXPECT_EQ(entries().size(), 7);
    EXPECT_FALSE(entries().join(u'|').contains(saved[1]));

    SetModified(true);
    Prompts.AnswerYesNoCancel(Prompts::TAnswer::No);
    Ui().miRecent->actions()[1]->trigger(); // p7, now second
    EXPECT_EQ(Project.FileName, saved[2].toStdString());
    EXPECT_EQ(entries().front(), U("&1 ") + saved[2]); // opened: first again
    Prompts.CancelOpenFile();
    Window->miProjectLoadClick(); // the open dialog starts in the folder used last
    EXPECT_EQ(Prompts.FileStarts.back(), QFileInfo(saved[2]).absolutePath());
}

// The window reads no settings at start: the recent projects are read as the file menu opens,
// greyed when there are none, listed when another run of the program saved some meanwhile.
TEST_F(FileCommands, RecentProjectsAreReadAsTheFileMenuOpens)
{
    const QString project = Path("p.vlpj");
    for (const bool saved : {false, true}) {
        QSettings().setValue(U("recent/files"), saved ? QStringList{project} : QStringList{});
        emit Ui().miFail->aboutToShow();
        EXPECT_EQ(Ui().miRecent->isEnabled(), saved);
        ASSERT_EQ(Ui().miRecent->actions().size(), saved ? 1 : 0);
    }
    EXPECT_EQ(Ui().miRecent->actions().front()->text(), U("&1 ") + project);
}

TEST_F(FileCommands, ADropOpensAProjectOrImportsATableAndAsksFirstWhenModified)
{
    FillProject();
    Project.FileName = PathIn("dropped.vlpj");
    SaveProjectFile(Project, {});
    ExportCsv(Project, PathIn("dropped.csv"));
    const auto drop = [this](const QString &path) { return Drop({path}); };
    EXPECT_FALSE(drop(Path("picture.png"))); // refused at the door: no question
    ResetProject(Project);
    Window->ProjectClosed();
    SetModified(true);
    Prompts.AnswerYesNoCancel(Prompts::TAnswer::Cancel, U("Сохранить изменения?"));
    EXPECT_TRUE(drop(Path("dropped.vlpj")));
    EXPECT_EQ(States(), Closed);
    Prompts.AnswerYesNoCancel(Prompts::TAnswer::No);
    EXPECT_TRUE(drop(Path("dropped.vlpj")));
    EXPECT_EQ(Project.Name, "Школа");
    EXPECT_EQ(States(), Opened);
    EXPECT_TRUE(drop(Path("dropped.csv"))); // unmodified: imported without a question
    EXPECT_EQ(Project.FileName, "");
    EXPECT_EQ(TreeTexts().size(), 3);
}

TEST_F(FileCommands, AFileOpensByItsContentWhateverItsName)
{
    FillProject();
    ExportCsv(Project, PathIn("timetable.csv"));
    WriteFileAtomically(PathIn("timetable"), ReadWholeFile(PathIn("timetable.csv")));
    // A hand-edited project: a comment first, the section in lower case, no extension.
    WriteFileAtomically(PathIn("notes"), "; from the site\r\n[project]\r\nName=Hand\r\n");
    WriteFileAtomically(PathIn("setup.ini"), "[Setup]\r\nName=Installer\r\n");
    ResetProject(Project);
    Window->ProjectClosed();

    Prompts.ExpectNotice(); // its comment line is named as not kept
    Window->OpenFile(Path("notes"));
    EXPECT_EQ(Project.Name, "Hand");
    EXPECT_EQ(Project.FileName, PathIn("notes"));
    Window->OpenFile(Path("timetable")); // a CSV table without its extension is imported
    EXPECT_EQ(Project.FileName, "");
    EXPECT_EQ(TreeTexts().size(), 3);
    Prompts.ExpectNotice(
        U("Файл не открыт: ") + Path("setup.ini") +
        U("\nОткрываются проекты (строка «[Project]» в начале файла) и таблицы .csv, .xlsx, .xls, .ods"));
    Window->OpenFile(Path("setup.ini"));
    EXPECT_EQ(TreeTexts().size(), 3);
}

TEST_F(FileCommands, AFailedLoadLeavesTheOpenProjectAsItWas)
{
    FillProject();
    SetModified(true);
    const QStringList tree = TreeTexts();
    const std::string fileName = Project.FileName;
    // The reader refuses a folder, and an empty file, which is no empty project. The project is
    // kept even when the operator said not to save it.
    ASSERT_TRUE(QDir().mkpath(Path("folder.vlpj")));
    WriteFileAtomically(PathIn("empty.vlpj"), "");
    const std::pair<const char *, const char *> cases[] = {{"folder.vlpj", "это папка"},
                                                           {"empty.vlpj", "пустой файл, а не проект"}};
    for (const auto &[name, why] : cases) {
        SCOPED_TRACE(name);
        Prompts.AnswerYesNoCancel(Prompts::TAnswer::No, U("Сохранить изменения?"));
        Prompts.AnswerOpenFile(Path(name));
        std::string error;
        try {
            Window->miProjectLoadClick();
        } catch (const TSigError &e) {
            error = e.what();
        }
        EXPECT_NE(error.find(PathIn(name)), std::string::npos) << error;
        EXPECT_NE(error.find(why), std::string::npos) << error;
        EXPECT_EQ(States(), Opened);
        EXPECT_EQ(TreeTexts(), tree);
        EXPECT_EQ(Project.FileName, fileName);
        EXPECT_TRUE(Modified());
    }
    Prompts.ExpectNotice(U("Файл не найден: ") + Path("gone.vlpj"));
    Window->OpenFile(Path("gone.vlpj"));
}

TEST_F(FileCommands, TheStatusBarShowsTheFileTheChangesAndTheLastSave)
{
    FillProject();
    SetModified(true);
    EXPECT_TRUE(Ui().lbModified->isVisibleTo(Window.get()));
    EXPECT_EQ(Ui().lbModified->text(), U("Изменён"));
    Prompts.AnswerSaveFile(Path("status.vlpj"));
    Window->miProjectSaveClick();
    EXPECT_FALSE(Ui().lbModified->isVisibleTo(Window.get()));
    EXPECT_EQ(Ui().lbFilePath->text(), Path("status.vlpj"));
    EXPECT_EQ(Window->windowTitle(), U("status.vlpj[*] — Конфигуратор таймера сигнала"));
    EXPECT_FALSE(Window->isWindowModified());
    EXPECT_TRUE(Ui().lbSaved->isVisibleTo(Window.get()));
    EXPECT_EQ(Ui().lbSaved->text(), U("Сохранено: ") + Path("status.vlpj"));
    Prompts.AnswerSaveFile(Path("status.csv"), 0);
    Window->miProjectExportClick();
    EXPECT_EQ(Ui().lbSaved->text(), U("Сохранено: ") + Path("status.csv"));
    // "Сохранено" only while nothing is modified.
    SetModified(true);
    EXPECT_FALSE(Ui().lbSaved->isVisibleTo(Window.get()));
    EXPECT_TRUE(Window->isWindowModified());
}

// MP3 files dropped on the window go into the playlist under the next free numbers, as one step;
// with no project open, or with anything but MP3 files among them, the drop is refused.
TEST_F(FileCommands, DroppedTracksJoinThePlaylistUnderTheNextFreeNumbersInOneStep)
{
    const auto drop = [this](const QStringList &names) {
        QStringList paths;
        for (const QString &name : names) {
            WriteFileAtomically(PathIn(name.toStdString()), "ID3");
            paths.push_back(Path(name.toUtf8().constData()));
        }
        return Drop(paths);
    };
    EXPECT_FALSE(drop({U("звонок.mp3")})); // no project: no playlist to go into
    FillProject();
    PlayList() = {"1;C:\\начало.mp3", "3;C:\\конец.mp3"};
    SetModified(false);
    EXPECT_FALSE(drop({U("звонок.mp3"), U("notes.txt")}));
    EXPECT_TRUE(drop({U("звонок.mp3"), U("Гимн.MP3")}));
    const std::vector<std::string> added = {"1;C:\\начало.mp3", "3;C:\\конец.mp3", "2;" + PathIn("звонок.mp3"),
                                            "4;" + PathIn("Гимн.MP3")};
    EXPECT_EQ(PlayList(), added);
    EXPECT_TRUE(Modified());
    QUndoStack &stack = Window->Document().Stack();
    EXPECT_EQ(stack.undoText(), U("треки 2, 4 в плейлист"));
    stack.undo();
    EXPECT_EQ(PlayList().size(), 2u);
    stack.redo();
    EXPECT_EQ(PlayList(), added);
}
