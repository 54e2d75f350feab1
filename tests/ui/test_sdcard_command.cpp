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
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QThread>

namespace {

using TStrings = std::vector<std::string>;

class SdCardCommand : public TWindowTest
{
protected:
    void SetUp() override
    {
        TWindowTest::SetUp();
        DriveRootsProvider() = [this] { return Roots; };
        ASSERT_TRUE(QDir(Folder.path()).mkpath(U("card")));
        // A saved school project whose scenarios use tracks 12, 3 and 12 again, in slot order.
        OpenProject(4);
        Project.FileName = PathIn("school.vlpj");
        Group(1);
        Scenario(1, 1, 8, 0).Track = 12;
        Scenario(1, 2, 9, 0).Track = 3;
        Scenario(1, 3, 10, 0).Track = 12;
        Window->RebuildTree();
    }
    void TearDown() override
    {
        DriveRootsProvider() = {};
        TWindowTest::TearDown();
    }

    std::string Mp3(const char *name, const std::string &bytes)
    {
        WriteFileAtomically(PathIn(name), bytes);
        return PathIn(name);
    }
    void AddLine(const std::string &line) { Window->frPlayList->lbPlayList->addItem(QString::fromStdString(line)); }
    std::string Card() const { return PathIn("card") + "/"; }

    std::optional<TStrings> Roots = TStrings{};
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

TEST_F(SdCardCommand, ShowsEachUsedTrackOnceAscendingWithItsPathClosedChangesNothing)
{
    const TStrings playList{"12;/music/bell.mp3", "99;/music/unused.mp3"};
    Window->PlayList = playList;
    AddLine("left over from the last run");
    Prompts.CloseDialog(U("Плейлист"));
    Window->miSavePlaylistClick();
    EXPECT_EQ(Window->frPlayList->Lines(), (QStringList{U("Трек:3 Путь:"), U("Трек:12 Путь:/music/bell.mp3")}));
    EXPECT_EQ(Window->frPlayList->lbPlayList->currentRow(), -1);
    EXPECT_EQ(Window->PlayList, playList);
    EXPECT_FALSE(Window->Modified);
    EXPECT_FALSE(FileExists(Project.FileName));
}

TEST_F(SdCardCommand, CancelledConnectPromptLeavesTheProjectSavedWithTheNewPlayList)
{
    Window->PlayList = {"99;/music/unused.mp3", "3;/music/start.mp3"};
    // The operator adds a line with "Добавить"; case of the labels does not matter.
    Prompts.AnswerModal(1, [&](QDialog &) { AddLine("трек:7 ПУТЬ:/music/extra.mp3"); })
        .AnswerYesNo(true, U("Есть треки с ошибками (2). Продолжить запись?"))
        .AnswerOkCancel(false, U("Подключите SD-Карту MP3 ЛВ к компьютеру"));
    Window->miSavePlaylistClick();
    const TStrings expected{"3;/music/start.mp3", "12;", "7;/music/extra.mp3"};
    EXPECT_EQ(Window->PlayList, expected);
    EXPECT_FALSE(Window->Modified);
    TProject saved;
    TStrings savedList;
    std::vector<TSkippedEntry> skipped;
    LoadProjectFile(Project.FileName, saved, savedList, skipped);
    EXPECT_EQ(savedList, expected);
    EXPECT_EQ(LogLines().value(0), U("Проверка проекта"));
    ASSERT_EQ(Prompts.Asked.size(), 3u);
    EXPECT_EQ(Prompts.Asked[2].Caption, U("Конфигуратор таймера сигнала"));
}

TEST_F(SdCardCommand, UnreadableDriveListOrNoRemovableDriveIsANotice)
{
    const std::pair<std::optional<TStrings>, const char *> cases[] = {{std::nullopt, "Остсутсвует SD-Карта"},
                                                                      {TStrings{}, "Остсутсвует SD-Карта MP3 ЛВ"}};
    for (const auto &[roots, notice] : cases) {
        SCOPED_TRACE(notice);
        Roots = roots;
        Prompts.AnswerModal(1).AnswerOkCancel(true).ExpectNotice(U(notice));
        Window->miSavePlaylistClick();
        EXPECT_EQ(Prompts.Asked.back().Caption, ApplicationTitle());
        EXPECT_TRUE(FileExists(Project.FileName));
    }
}

TEST_F(SdCardCommand, OffersTheRemovableRootsStopsWhenTheChoiceIsClosedCopiesToATypedTarget)
{
    const std::string start = Mp3("start.mp3", "start bell"), end = Mp3("end.mp3", "end bell");
    Window->PlayList = {"3;" + start, "12;" + end};
    Roots = TStrings{"/media/op/CARD/", "/media/op/STICK/"};
    QComboBox &choice = *Window->frSelect->cbSelect;
    choice.addItem(U("/stale/"));
    Prompts.AnswerModal(1).AnswerYesNo(true).AnswerOkCancel(true).CloseDialog(U("Выберите"));
    Window->miSavePlaylistClick();
    EXPECT_EQ(Window->frSelect->lbSelect->text(), U("Выберите SD-Карту MP3 ЛВ"));
    ASSERT_EQ(choice.count(), 2);
    EXPECT_EQ(choice.itemText(1), U("/media/op/STICK/"));
    EXPECT_EQ(choice.currentText(), U("/media/op/CARD/"));
    EXPECT_TRUE(LogLines().contains(U("Всего ошибок: 0")));
    EXPECT_TRUE(LogLines().back().startsWith(U("Трек 12: "))); // the check, the files' problems, and no copy

    Prompts.AnswerModal(1, [&](QDialog &) { AddLine("Трек:5 Путь:"); })
        .AnswerYesNo(true)
        .AnswerOkCancel(true)
        .AnswerModal(1, [&](QDialog &) {
            AddLine("Трек:40 Путь:" + Mp3("late.mp3", "late")); // after the playlist was taken: no part
            choice.setEditText(QString::fromStdString(Card()));
        });
    Window->miSavePlaylistClick();
    const QStringList log = LogLines();
    ASSERT_GE(log.size(), 2);
    EXPECT_EQ(log[log.size() - 2], QString::fromStdString("Файл '" + start + "' скопирован в '" + Card() + "003.mp3'"));
    EXPECT_EQ(log.back(), QString::fromStdString("Файл '" + end + "' скопирован в '" + Card() + "012.mp3'"));
    EXPECT_EQ(ReadWholeFile(Card() + "003.mp3"), "start bell");
    EXPECT_EQ(ReadWholeFile(Card() + "012.mp3"), "end bell");
    EXPECT_EQ(QDir(QString::fromStdString(Card())).entryList(QDir::Files).size(), 2);
}

TEST_F(SdCardCommand, ProblemFilesAreLoggedAndAskedAboutExtraCardFilesAreListedAfterTheCopy)
{
    const std::string start = Mp3("start.mp3", "start bell"), gone = PathIn("gone.mp3");
    Window->PlayList = {"3;" + start, "12;" + gone};
    Prompts.AnswerModal(1).AnswerYesNo(false, U("Есть треки с ошибками (2). Продолжить запись?"));
    Window->miSavePlaylistClick();
    QStringList log = LogLines();
    ASSERT_GE(log.size(), 2);
    EXPECT_EQ(log[log.size() - 2].toStdString(), "Трек 3: файл '" + start + "' — не MP3: нет кадров MPEG Layer III");
    EXPECT_EQ(log.back().toStdString(), "Трек 12: файл '" + gone + "' — файл отсутствует");
    EXPECT_EQ(Prompts.Asked.back().Caption, U("Конфигуратор таймера сигнала"));

    // Yes goes on; a track-named file that the playlist does not write is listed, and stays.
    WriteFileAtomically(Card() + "017.mp3", "old");
    Roots = TStrings{Card()};
    Prompts.AnswerModal(1).AnswerYesNo(true).AnswerOkCancel(true).AnswerModal(1);
    Window->miSavePlaylistClick();
    log = LogLines();
    EXPECT_EQ(log.back().toStdString(), "Файл '" + Card() + "017.mp3' — лишний файл на карте");
    EXPECT_EQ(log[log.size() - 2].toStdString(), "Файл '" + gone + "' отсутствует");
    EXPECT_TRUE(FileExists(Card() + "017.mp3"));
}

TEST_F(SdCardCommand, TheNewPlayListStaysUnsavedWhenAPathDialogIsClosedOrTheSaveFails)
{
    Project.FileName.clear(); // never saved: the path dialog comes, and is closed
    Window->PlayList = {"3;/music/start.mp3"};
    Prompts.AnswerModal(1).CancelSaveFile();
    Window->miSavePlaylistClick();
    EXPECT_EQ(Window->PlayList, (TStrings{"3;/music/start.mp3", "12;"}));
    EXPECT_TRUE(Window->Modified); // the close prompt still offers to save it
    EXPECT_TRUE(Project.FileName.empty());

    Window->PlayList.clear();
    Window->Modified = false;
    Project.FileName = PathIn("no such folder/school.vlpj");
    Prompts.AnswerModal(1);
    EXPECT_THROW(Window->miSavePlaylistClick(), TSigError);
    EXPECT_EQ(Window->PlayList, (TStrings{"3;", "12;"}));
    EXPECT_TRUE(Window->Modified);
}

TEST(CopyProgressWindow, ShowsFileNameAndBytesCloseBoxAndEscapeOnlyAskForAStop)
{
    TfrCopyProgress dialog;
    dialog.ShowProgress({3, 40, "/music/a.mp3", "/media/card/003.mp3", 1572864, 5242880});
    EXPECT_EQ(dialog.lbFile->text(), U("Файл 3 из 40"));
    EXPECT_TRUE(dialog.lbName->text().contains(U("/music/a.mp3")));
    EXPECT_TRUE(dialog.lbName->text().contains(U("/media/card/003.mp3")));
    EXPECT_EQ(dialog.lbBytes->text(), U("1,5 из 5,0 МБ"));
    EXPECT_EQ(dialog.pbBytes->value(), 300);

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
    const std::string target = folder.path().toStdString() + "/", source = target + "a.mp3";
    WriteFileAtomically(source, "abc");
    struct TThreadLog : TVectorLog
    {
        void AddLog(std::string_view line) override
        {
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
            TVectorLog::AddLog(line);
        }
    } log;
    EXPECT_TRUE(CopyTracksWithProgress(nullptr, {"1;" + source}, target, log));
    EXPECT_FALSE(CopyTracksWithProgress(nullptr, {"1;" + target + "none.mp3"}, target, log));
    EXPECT_EQ(log.Lines, (TStrings{"Файл '" + source + "' скопирован в '" + target + "001.mp3'",
                                   "Файл '" + target + "none.mp3' отсутствует"}));
}
