// The card writer command of the main window, end to end with scripted prompts, and its
// progress window.
#include "support/window_fixture.h"

#include "model/error.h"
#include "storage/fileio.h"
#include "storage/projectfile.h"
#include "ui/copyprogress.h"
#include "ui/playlist.h"
#include "ui/sdcardsource.h"
#include "ui/select.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QThread>

namespace {

using TAsked = TScriptedPrompts::TAsked;
using TKind = TScriptedPrompts::TKind;

class SdCardCommand : public TWindowTest
{
protected:
    void SetUp() override
    {
        TWindowTest::SetUp();
        DriveRootsProvider() = [this] { return Roots; };
        ASSERT_TRUE(QDir(Folder.path()).mkpath(U("card")));
    }
    void TearDown() override
    {
        DriveRootsProvider() = {};
        TWindowTest::TearDown();
    }

    // A saved school project whose scenarios use tracks 12, 3 and 12 again, in slot order.
    void OpenSchool()
    {
        OpenProject(4);
        Project.FileName = PathIn("school.vlpj");
        Group(1);
        Scenario(1, 1, 8, 0).Track = 12;
        Scenario(1, 2, 9, 0).Track = 3;
        Scenario(1, 3, 10, 0).Track = 12;
        Window->RebuildTree();
    }

    // An MP3 file in the test folder with the given bytes.
    std::string Mp3(const char *name, const std::string &bytes)
    {
        const std::string path = PathIn(name);
        WriteFileAtomically(path, bytes);
        return path;
    }

    QStringList DialogLines() const { return Window->frPlayList->Lines(); }
    std::string Card() const { return PathIn("card") + "/"; }

    std::optional<std::vector<std::string>> Roots = std::vector<std::string>{};
};

} // namespace

TEST_F(SdCardCommand, NoTrackInTheProjectOnlyLogs)
{
    OpenProject(4);
    Group(1);
    Scenario(1, 1).Track = 0;
    Window->AddLog(U("earlier line"));
    Window->miSavePlaylistClick();
    EXPECT_EQ(LogLines(), (QStringList{U("earlier line"), U("трэки отсутствуют в проекте")}));
    EXPECT_TRUE(Prompts.Asked.empty());
}

TEST_F(SdCardCommand, ShowsEachUsedTrackOnceAscendingWithItsPath)
{
    OpenSchool();
    const std::vector<std::string> playList{"12;/music/bell.mp3", "99;/music/unused.mp3"};
    Window->PlayList = playList;
    Window->frPlayList->lbPlayList->addItem(U("left over from the last run"));
    QStringList shown;
    int selected = 0;
    Prompts.AnswerModal(
        2,
        [&](QDialog &) {
            shown = DialogLines();
            selected = Window->frPlayList->lbPlayList->currentRow();
        },
        U("Плейлист"));
    Window->miSavePlaylistClick();
    EXPECT_EQ(shown, (QStringList{U("Трек:3 Путь:"), U("Трек:12 Путь:/music/bell.mp3")}));
    EXPECT_EQ(selected, -1);
    // Closed without OK: nothing changes.
    EXPECT_EQ(Window->PlayList, playList);
    EXPECT_FALSE(Window->Modified);
    EXPECT_FALSE(FileExists(Project.FileName));
}

TEST_F(SdCardCommand, CancelledConnectPromptLeavesTheProjectSavedWithTheNewPlayList)
{
    OpenSchool();
    Window->PlayList = {"99;/music/unused.mp3", "3;/music/start.mp3"};
    Prompts
        .AnswerModal(1,
                     [&](QDialog &) {
                         // The operator adds a line with "Добавить"; case of the labels does not matter.
                         Window->frPlayList->lbPlayList->addItem(U("трек:7 ПУТЬ:/music/extra.mp3"));
                     })
        .AnswerOkCancel(false, U("Подключите SD-Карту MP3 ЛВ к компьютеру"));
    Window->miSavePlaylistClick();

    const std::vector<std::string> expected{"3;/music/start.mp3", "12;", "7;/music/extra.mp3"};
    EXPECT_EQ(Window->PlayList, expected);
    EXPECT_FALSE(Window->Modified);
    TProject saved;
    std::vector<std::string> savedList;
    std::vector<TSkippedEntry> skipped;
    LoadProjectFile(Project.FileName, saved, savedList, skipped);
    EXPECT_EQ(savedList, expected);
    ASSERT_FALSE(LogLines().isEmpty());
    EXPECT_EQ(LogLines().front(), U("Проверка проекта"));
    ASSERT_EQ(Prompts.Asked.size(), 2u);
    EXPECT_EQ(Prompts.Asked[1].Caption, U("Конфигуратор таймера сигнала"));
}

TEST_F(SdCardCommand, UnreadableDriveListIsANotice)
{
    OpenSchool();
    Roots.reset();
    Prompts.AnswerModal(1).AnswerOkCancel(true).ExpectNotice(U("Остсутсвует SD-Карта"));
    Window->miSavePlaylistClick();
    EXPECT_EQ(Prompts.Asked.back().Caption, ApplicationTitle());
    EXPECT_TRUE(FileExists(Project.FileName));
}

TEST_F(SdCardCommand, NoRemovableDriveIsANotice)
{
    OpenSchool();
    Prompts.AnswerModal(1).AnswerOkCancel(true).ExpectNotice(U("Остсутсвует SD-Карта MP3 ЛВ"));
    Window->miSavePlaylistClick();
    EXPECT_EQ(Prompts.Asked.back().Caption, ApplicationTitle());
}

TEST_F(SdCardCommand, OffersTheRemovableRootsFirstOneChosenAndStopsWhenClosed)
{
    OpenSchool();
    const std::string bell = Mp3("bell.mp3", "bell");
    Window->PlayList = {"3;" + bell};
    Roots = std::vector<std::string>{"/media/op/CARD/", "/media/op/STICK/"};
    Window->frSelect->cbSelect->addItem(U("/stale/"));
    QStringList items;
    QString label, text;
    Prompts.AnswerModal(1).AnswerOkCancel(true).AnswerModal(
        2,
        [&](QDialog &) {
            for (int i = 0; i < Window->frSelect->cbSelect->count(); ++i)
                items.push_back(Window->frSelect->cbSelect->itemText(i));
            label = Window->frSelect->lbSelect->text();
            text = Window->frSelect->cbSelect->currentText();
        },
        U("Выберите"));
    Window->miSavePlaylistClick();
    EXPECT_EQ(items, (QStringList{U("/media/op/CARD/"), U("/media/op/STICK/")}));
    EXPECT_EQ(label, U("Выберите SD-Карту MP3 ЛВ"));
    EXPECT_EQ(text, U("/media/op/CARD/"));
    EXPECT_EQ(LogLines().back(), U("Всего ошибок: 0")); // the check, and no copy after it
}

TEST_F(SdCardCommand, CopiesToATypedTargetAndLogsEachFile)
{
    OpenSchool();
    const std::string start = Mp3("start.mp3", "start bell"), end = Mp3("end.mp3", "end bell");
    const std::string missing = PathIn("missing.mp3");
    Window->PlayList = {"3;" + start, "12;" + end};
    Roots = std::vector<std::string>{"/media/op/CARD/"};
    Prompts.AnswerModal(1, [&](QDialog &) { Window->frPlayList->lbPlayList->addItem(U("Трек:5 Путь:")); })
        .AnswerOkCancel(true)
        .AnswerModal(1, [&](QDialog &) {
            Window->frPlayList->lbPlayList->addItem(QString::fromStdString("Трек:40 Путь:" + missing));
            Window->frSelect->cbSelect->setEditText(QString::fromStdString(Card()));
        });
    Window->miSavePlaylistClick();

    const QStringList log = LogLines();
    ASSERT_GE(log.size(), 2);
    EXPECT_EQ(log[log.size() - 2], QString::fromStdString("Файл '" + start + "' скопирован в '" + Card() + "003.mp3'"));
    EXPECT_EQ(log.back(), QString::fromStdString("Файл '" + end + "' скопирован в '" + Card() + "012.mp3'"));
    EXPECT_EQ(ReadWholeFile(Card() + "003.mp3"), "start bell");
    EXPECT_EQ(ReadWholeFile(Card() + "012.mp3"), "end bell");
    // The line added after the playlist was taken plays no part.
    EXPECT_FALSE(FileExists(Card() + "040.mp3"));
    EXPECT_EQ(QDir(QString::fromStdString(Card())).entryList(QDir::Files).size(), 2);
}

TEST_F(SdCardCommand, NeverSavedProjectWhosePathDialogIsClosedStopsBeforeTheCard)
{
    OpenSchool();
    Project.FileName.clear();
    Window->PlayList = {"3;/music/start.mp3"};
    Prompts.AnswerModal(1).CancelSaveFile();
    Window->miSavePlaylistClick();
    EXPECT_EQ(Window->PlayList, (std::vector<std::string>{"3;/music/start.mp3", "12;"}));
    EXPECT_TRUE(Window->Modified); // the close prompt still offers to save it
    EXPECT_TRUE(Project.FileName.empty());
    EXPECT_EQ(Prompts.Remaining(), 0u);
}

TEST_F(SdCardCommand, AFailedSaveKeepsTheNewPlayListMarkedUnsaved)
{
    OpenSchool();
    Project.FileName = PathIn("no such folder/school.vlpj");
    Prompts.AnswerModal(1);
    EXPECT_THROW(Window->miSavePlaylistClick(), TSigError);
    EXPECT_EQ(Window->PlayList, (std::vector<std::string>{"3;", "12;"}));
    EXPECT_TRUE(Window->Modified);
}

TEST(CopyProgressWindow, ShowsFileNameAndBytes)
{
    TfrCopyProgress dialog;
    dialog.ShowProgress({3, 40, "/music/a.mp3", "/media/card/003.mp3", 1572864, 5242880});
    EXPECT_EQ(dialog.lbFile->text(), U("Файл 3 из 40"));
    EXPECT_TRUE(dialog.lbName->text().contains(U("/music/a.mp3")));
    EXPECT_TRUE(dialog.lbName->text().contains(U("/media/card/003.mp3")));
    EXPECT_EQ(dialog.lbBytes->text(), U("1,5 из 5,0 МБ"));
    EXPECT_EQ(dialog.pbBytes->value(), 300);
}

TEST(CopyProgressWindow, CloseBoxAndEscapeAskForAStopInsteadOfClosing)
{
    TfrCopyProgress dialog;
    dialog.show();
    EXPECT_FALSE(dialog.StopRequested());
    QCloseEvent close;
    QCoreApplication::sendEvent(&dialog, &close);
    EXPECT_FALSE(close.isAccepted());
    EXPECT_TRUE(dialog.StopRequested());
    EXPECT_FALSE(dialog.btStop->isEnabled());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    dialog.Finish();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(CopyProgressWindow, RunsTheCopyAndDeliversTheLogOnTheWindowThread)
{
    QTemporaryDir folder;
    const std::string source = folder.filePath(U("a.mp3")).toStdString();
    WriteFileAtomically(source, "abc");
    const std::string target = folder.path().toStdString() + "/";
    class TThreadLog : public TVectorLog
    {
    public:
        void AddLog(std::string_view line) override
        {
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
            TVectorLog::AddLog(line);
        }
    } log;
    EXPECT_TRUE(CopyTracksWithProgress(nullptr, {"1;" + source, "2;" + source}, target, log));
    EXPECT_EQ(log.Lines, (std::vector<std::string>{"Файл '" + source + "' скопирован в '" + target + "001.mp3'",
                                                   "Файл '" + source + "' скопирован в '" + target + "002.mp3'"}));
    EXPECT_FALSE(CopyTracksWithProgress(nullptr, {"1;" + target + "none.mp3"}, target, log));
    EXPECT_EQ(log.Lines.back(), "Файл '" + target + "none.mp3' отсутствует");
}
