// The card writer command of the main window, end to end with scripted prompts, and its
// progress window.
#include "support/window_fixture.h"

#include "audio/mp3encode.h"
#include "model/error.h"
#include "model/lib.h"
#include "storage/fileio.h"
#include "storage/projectfile.h"
#include "ui/dialogs/copyprogress.h"
#include "ui/dialogs/playlist.h"
#include "ui/dialogs/select.h"
#include "ui/mainwindow/sdcardsource.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QThread>

#include <cmath>
#include <random>
#include <set>

namespace {

using TStrings = std::vector<std::string>;

class SdCardCommand : public TWindowTest
{
protected:
    void SetUp() override
    {
        TWindowTest::SetUp();
        DriveProvider() = [this] { return Drives; };
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
        DriveProvider() = {};
        TWindowTest::TearDown();
    }

    std::string Mp3(const char *name, const std::string &bytes)
    {
        WriteFileAtomically(PathIn(name), bytes);
        return PathIn(name);
    }
    void AddLine(const std::string &line) { frPlayList()->lbPlayList->addItem(QString::fromStdString(line)); }
    std::string Card() const { return PathIn("card") + "/"; }

    std::optional<std::vector<TDrive>> Drives = std::vector<TDrive>{};
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
    PlayList() = playList;
    AddLine("left over from the last run");
    Prompts.CloseDialog(U("Плейлист"));
    Window->miSavePlaylistClick();
    EXPECT_EQ(frPlayList()->Lines(),
              (QStringList{U("Трек:3 Путь:"), U("Трек:12 Путь:/music/bell.mp3"), U("Трек:99 Путь:/music/unused.mp3")}));
    EXPECT_EQ(frPlayList()->lbPlayList->currentRow(), -1);
    EXPECT_EQ(PlayList(), playList);
    EXPECT_FALSE(Modified());
    EXPECT_FALSE(FileExists(Project.FileName));
}

TEST_F(SdCardCommand, CancelledConnectPromptLeavesTheProjectSavedWithTheNewPlayList)
{
    PlayList() = {"99;/music/unused.mp3", "3;/music/start.mp3"};
    // The operator adds a line with "Добавить"; case of the labels does not matter.
    Prompts.AnswerModal(1, [&](QDialog &) { AddLine("трек:7 ПУТЬ:/music/extra.mp3"); })
        .AnswerOkCancel(false, U("Подключите SD-Карту MP3 ЛВ к компьютеру"));
    Window->miSavePlaylistClick();
    const TStrings expected{"3;/music/start.mp3", "12;", "99;/music/unused.mp3", "7;/music/extra.mp3"};
    EXPECT_EQ(PlayList(), expected);
    EXPECT_FALSE(Modified());
    TProject saved;
    TStrings savedList;
    std::vector<TSkippedEntry> skipped;
    LoadProjectFile(Project.FileName, saved, savedList, skipped);
    EXPECT_EQ(savedList, expected);
    EXPECT_EQ(LogLines().value(0), U("Проверка проекта"));
    ASSERT_EQ(Prompts.Asked.size(), 2u);
    EXPECT_EQ(Prompts.Asked[1].Caption, U("Конфигуратор таймера сигнала"));
}

// Whatever the playlist holds, OK in the editor and no card keep every line in the saved file: the
// first line of a used track as the editor shows it ("<number>;<path>"), any other byte for byte.
TEST_F(SdCardCommand, OkWithoutACardKeepsEveryPlayListLineInTheSavedFile)
{
    // Pieces of lines that tempt the editor's text back into other lines. No line ends in a blank:
    // the file format itself drops blanks around a value.
    const char *numbers[] = {"3", "12", "99", "007", "abc", "-4", "0x0C", "", "12 ", "+12"};
    const char *paths[] = {"/m/a.mp3", "/m/Трек:1 Путь:x.mp3", "/m/ё ж.mp3", "", "/m/a;b.mp3", " /m/c.mp3"};
    std::mt19937 random(31);
    for (int round = 0; round < 40; ++round) {
        TStrings playList;
        const size_t count = 1 + random() % 8;
        while (playList.size() < count) {
            std::string line = numbers[random() % std::size(numbers)];
            if (random() % 5 != 0)
                line += ";" + std::string(paths[random() % std::size(paths)]);
            if (!line.empty() && line.back() != ' ')
                playList.push_back(line);
        }
        std::string shown;
        for (const std::string &line : playList)
            shown += "[" + line + "] ";
        SCOPED_TRACE(shown);
        PlayList() = playList;
        Prompts.AnswerModal(1).AnswerOkCancel(false, U("Подключите SD-Карту MP3 ЛВ к компьютеру"));
        Window->miSavePlaylistClick();

        TProject saved;
        TStrings savedList;
        std::vector<TSkippedEntry> skipped;
        LoadProjectFile(Project.FileName, saved, savedList, skipped);
        std::multiset<std::string> left(savedList.begin(), savedList.end());
        for (const std::string &line : playList) {
            const size_t semicolon = line.find(';');
            const int32_t track =
                semicolon == std::string::npos ? 0 : WholeTextInteger(std::string_view(line).substr(0, semicolon));
            auto found = left.find(line);
            if (found == left.end() && (track == 3 || track == 12))
                found = left.find(std::to_string(track) + line.substr(semicolon));
            if (found == left.end()) {
                ADD_FAILURE() << "lost: " << line;
                continue;
            }
            left.erase(found);
        }
        // What is left: the empty lines of used tracks that had none.
        for (const std::string &line : left)
            EXPECT_TRUE(line == "3;" || line == "12;") << "added: " << line;
    }
}

// The lines beyond the used tracks' come after them, in grey; what the operator does to one of them
// (another file, Удалить) is what the playlist gets.
TEST_F(SdCardCommand, OtherLinesFollowTheUsedOnesApartAndTakeTheOperatorsChanges)
{
    PlayList() = {"99;/music/unused.mp3", "12;/music/bell.mp3", "12;/music/old bell.mp3", "note"};
    Prompts
        .AnswerModal(1,
                     [&](QDialog &) {
                         TfrPlayList &editor = *frPlayList();
                         EXPECT_EQ(editor.Lines(),
                                   (QStringList{U("Трек:3 Путь:"), U("Трек:12 Путь:/music/bell.mp3"),
                                                U("Трек:99 Путь:/music/unused.mp3"),
                                                U("Трек:12 Путь:/music/old bell.mp3"), U("Трек:note Путь:")}));
                         EXPECT_NE(editor.lbPlayList->item(2)->foreground(), editor.lbPlayList->item(1)->foreground());
                         editor.lbPlayList->item(2)->setText(U("Трек:99 Путь:/music/new.mp3"));
                         editor.lbPlayList->setCurrentRow(3);
                         editor.btDeleteClick();
                     })
        .AnswerOkCancel(false);
    Window->miSavePlaylistClick();
    EXPECT_EQ(PlayList(), (TStrings{"3;", "12;/music/bell.mp3", "99;/music/new.mp3", "note"}));
}

TEST_F(SdCardCommand, UnreadableDriveListOrNoRemovableDriveIsANotice)
{
    const std::pair<std::optional<std::vector<TDrive>>, const char *> cases[] = {
        {std::nullopt, "Остсутсвует SD-Карта"}, {std::vector<TDrive>{}, "Остсутсвует SD-Карта MP3 ЛВ"}};
    for (const auto &[drives, notice] : cases) {
        SCOPED_TRACE(notice);
        Drives = drives;
        Prompts.AnswerModal(1).AnswerOkCancel(true).ExpectNotice(U(notice));
        Window->miSavePlaylistClick();
        EXPECT_EQ(Prompts.Asked.back().Caption, ApplicationTitle());
        EXPECT_TRUE(FileExists(Project.FileName));
    }
}

TEST_F(SdCardCommand, OffersDrivesWithLabelAndSizeStopsWhenTheChoiceIsClosedCopiesIntoTheMountPoint)
{
    const std::string start = Mp3("start.mp3", "start bell"), end = Mp3("end.mp3", "end bell");
    PlayList() = {"3;" + start, "12;" + end};
    Drives = std::vector<TDrive>{{PathIn("card"), "CARD", 7'948'206'080, "/dev/sdb1"}, {"/media/op/STICK", "", 0, ""}};
    QComboBox &choice = *frSelect()->cbSelect;
    choice.addItem(U("/stale/"));
    Prompts.AnswerModal(1).AnswerOkCancel(true).CloseDialog(U("Выберите"));
    Window->miSavePlaylistClick();
    EXPECT_EQ(frSelect()->lbSelect->text(), U("Выберите SD-Карту MP3 ЛВ"));
    ASSERT_EQ(choice.count(), 2);
    EXPECT_EQ(choice.itemText(1), U("/media/op/STICK"));
    EXPECT_EQ(choice.currentText(), QString::fromStdString(PathIn("card") + " (CARD, 7,4 ГБ)"));
    EXPECT_EQ(LogLines().back(), U("Всего ошибок: 0")); // the check, and no copy after it

    // The first drive as offered: the copy goes inside its mount point.
    Prompts.AnswerModal(1, [&](QDialog &) { AddLine("Трек:5 Путь:"); })
        .AnswerOkCancel(true)
        .AnswerModal(1, [&](QDialog &) { AddLine("Трек:40 Путь:" + Mp3("late.mp3", "late")); }) // too late: no part
        .AnswerYesNo(true, U("Есть треки с ошибками (2). Продолжить запись?"));                 // they are not MP3s
    Window->miSavePlaylistClick();
    const QString summary = U("Скопировано 2 из 2");
    EXPECT_EQ(
        LogLines().mid(LogLines().size() - 3),
        (QStringList{QString::fromStdString("Файл '" + start + "' скопирован в '" + Card() + "003.mp3'"),
                     QString::fromStdString("Файл '" + end + "' скопирован в '" + Card() + "012.mp3'"), summary}));
    EXPECT_EQ(Window->statusBar()->currentMessage(), summary);
    EXPECT_EQ(ReadWholeFile(Card() + "003.mp3"), "start bell");
    EXPECT_EQ(ReadWholeFile(Card() + "012.mp3"), "end bell");
    EXPECT_EQ(QDir(QString::fromStdString(Card())).entryList(QDir::Files).size(), 2);
}

// Levelling is offered with the card, off the first time; the choice and its target are kept for
// the next run, and a levelled copy is said in the log.
TEST_F(SdCardCommand, LevellingIsOfferedWithTheCardAndKept)
{
    std::vector<float> tone(44100 * 3);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = float(0.9 * std::sin(2 * M_PI * 440 * double(i) / 44100));
    const std::string loud = Mp3("loud.mp3", EncodeMonoMp3(tone, 44100, 128));
    PlayList() = {"3;" + loud};
    Drives = std::vector<TDrive>{{PathIn("card"), "", 0, ""}};
    bool offered = false;
    Prompts.AnswerModal(1).AnswerOkCancel(true).AnswerModal(1, [&](QDialog &) {
        offered = frSelect()->wdLevel->isVisibleTo(frSelect());
        EXPECT_FALSE(frSelect()->cbLevel->isChecked());
        EXPECT_EQ(frSelect()->seLevelLufs->value(), -16);
        frSelect()->cbLevel->setChecked(true);
        frSelect()->seLevelLufs->setValue(-20);
    });
    Window->miSavePlaylistClick();
    EXPECT_TRUE(offered);
    const QStringList log = LogLines();
    ASSERT_GE(log.size(), 3);
    EXPECT_TRUE(log[log.size() - 3].startsWith(QString::fromStdString(CopiedLine(loud, Card() + "003.mp3")) +
                                               U(", выровнен −")))
        << log[log.size() - 3].toStdString();
    EXPECT_TRUE(log[log.size() - 2].startsWith(U("Громкость до −20,0 LUFS: трек 3: выровнен −")))
        << log[log.size() - 2].toStdString();
    EXPECT_NE(ReadWholeFile(Card() + "003.mp3"), ReadWholeFile(loud));

    Prompts.AnswerModal(1).AnswerOkCancel(true).AnswerModal(1, [&](QDialog &) {
        EXPECT_TRUE(frSelect()->cbLevel->isChecked());
        EXPECT_EQ(frSelect()->seLevelLufs->value(), -20);
        frSelect()->cbLevel->setChecked(false);
    });
    Window->miSavePlaylistClick();
    EXPECT_EQ(ReadWholeFile(Card() + "003.mp3"), ReadWholeFile(loud));
    EXPECT_FALSE(frSelect()->wdLevel->isVisibleTo(frSelect())); // not part of other choices
}

TEST_F(SdCardCommand, AFullCardAsksBeforeOldTracksGoAndTheCardCheckSaysWhatItHolds)
{
    qputenv("XDG_STATE_HOME", Folder.path().toUtf8()); // the card journal stays in the test's folder
    constexpr size_t K = 1024;
    const std::string start = Mp3("start.mp3", std::string(300 * K, 'n')),
                      end = Mp3("end.mp3", std::string(300 * K, 'm'));
    PlayList() = {"3;" + start, "12;" + end};
    Drives = std::vector<TDrive>{{PathIn("card"), "", 0, ""}};
    // A 700 KB card holding last term's two tracks: neither new one fits beside its old one.
    CardFreeSpace() = [this](const std::string &) -> std::optional<uint64_t> {
        uint64_t used = 0;
        for (const QFileInfo &file : QDir(QString::fromStdString(Card())).entryInfoList(QDir::Files | QDir::Hidden))
            used += uint64_t(file.size());
        return 700 * K - std::min<uint64_t>(used, 700 * K);
    };
    const QString risk = U("если копирование прервётся, трек останется без записи до следующего запуска");
    for (const bool yes : {false, true}) {
        for (const char *name : {"003.mp3", "012.mp3"})
            WriteFileAtomically(Card() + name, std::string(300 * K, 'o'));
        Prompts.AnswerModal(1).AnswerOkCancel(true).AnswerModal(1).AnswerYesNo(true).AnswerYesNo(yes);
        Window->miSavePlaylistClick();
        ASSERT_FALSE(Prompts.Asked.empty());
        EXPECT_TRUE(Prompts.Asked.back().Text.contains(risk)) << Prompts.Asked.back().Text.toStdString();
        EXPECT_EQ(ReadWholeFile(Card() + "003.mp3"), std::string(300 * K, yes ? 'n' : 'o'));
        EXPECT_EQ(ReadWholeFile(Card() + "012.mp3"), std::string(300 * K, yes ? 'm' : 'o'));
        if (!yes) {
            EXPECT_TRUE(LogLines().contains(U("трек 3: на карте осталась старая запись")));
        }
    }
    CardFreeSpace() = {};

    // "Проверить карту" reads the card back against the playlist.
    Prompts.AnswerModal(1);
    Window->miCheckCardClick();
    EXPECT_EQ(LogLines().back(), U("Карта совпадает с плейлистом: треков 2"));
    WriteFileAtomically(Card() + "012.mp3", "changed");
    Prompts.AnswerModal(1);
    Window->miCheckCardClick();
    EXPECT_EQ(LogLines().mid(LogLines().size() - 2),
              (QStringList{
                  QString::fromStdString("трек 12: файл '" + Card() + "012.mp3' на карте отличается от '" + end + "'"),
                  U("Отличий карты от плейлиста: 1")}));
    EXPECT_EQ(Window->statusBar()->currentMessage(), U("Отличий карты от плейлиста: 1"));
    // After a levelled copy the check holds the card to that loudness, and says so.
    QSettings().setValue(U("card/level"), true);
    QSettings().setValue(U("card/levelLufs"), -14);
    Prompts.AnswerModal(1);
    Window->miCheckCardClick();
    EXPECT_TRUE(
        LogLines().contains(QString::fromStdString("Проверка карты " + Card() + " (треки выровнены до −14,0 LUFS)")))
        << LogLines().join(u'\n').toStdString();
    EXPECT_EQ(Window->statusBar()->currentMessage(), U("Отличий карты от плейлиста: 1"));
}

TEST_F(SdCardCommand, TracksWithoutAFileAreLoggedBeforeTheCopyAndSummedUpAfterIt)
{
    const std::string start = Mp3("start.mp3", "start bell");
    PlayList() = {"3;" + start, "12;" + PathIn("gone.mp3")};
    Drives = std::vector<TDrive>{{PathIn("card"), "", 0, ""}};
    Prompts.AnswerModal(1).AnswerOkCancel(true).AnswerModal(1).AnswerYesNo(true);
    Window->miSavePlaylistClick();
    const QStringList log = LogLines();
    ASSERT_GE(log.size(), 5);
    const QString summary =
        U("Скопировано 1 из 2; не скопированы треки: 12; нет файла у треков: 12; на карте нет файла у треков: 12");
    EXPECT_EQ(log.mid(log.size() - 5),
              (QStringList{U("Трек 12: нет файла"),
                           QString::fromStdString("Файл '" + start + "' скопирован в '" + Card() + "003.mp3'"),
                           QString::fromStdString("Файл '" + PathIn("gone.mp3") + "' отсутствует"),
                           U("трек 12: на карте нет файла — звонок не прозвучит"), summary}));
    EXPECT_EQ(Window->statusBar()->currentMessage(), summary);
}

TEST_F(SdCardCommand, AnEmptyRelativeOrMissingTargetCopiesNothing)
{
    PlayList() = {"3;" + Mp3("start.mp3", "start bell")};
    Drives = std::vector<TDrive>{{PathIn("card"), "", 0, ""}};
    const std::pair<std::string, std::string> cases[] = {
        {"", "Не указана папка для записи на SD-Карту: ничего не скопировано"},
        {"card", "Папка 'card' указана не полным путём (от «/»): ничего не скопировано"},
        {PathIn("card/music"), "Папка '" + PathIn("card/music") + "' не найдена: ничего не скопировано"},
    };
    for (const auto &[typed, reason] : cases) {
        Prompts.AnswerModal(1).AnswerOkCancel(true).AnswerModal(
            1, [&, typed = typed](QDialog &) { frSelect()->cbSelect->setEditText(QString::fromStdString(typed)); });
        Prompts.ExpectNotice(QString::fromStdString(reason));
        Window->miSavePlaylistClick();
        EXPECT_EQ(LogLines().back(), U("Всего ошибок: 0"));
    }
    EXPECT_TRUE(QDir(QString::fromStdString(Card())).isEmpty());
    EXPECT_FALSE(QFile::exists(U("003.mp3")));
}

TEST_F(SdCardCommand, ProblemFilesAreAskedAboutBeforeTheCopyCardFilesThatDifferListedAfterIt)
{
    const std::string start = Mp3("start.mp3", "start bell"), gone = PathIn("gone.mp3");
    PlayList() = {"3;" + start, "12;" + gone};
    Drives = std::vector<TDrive>{{PathIn("card"), "", 0, ""}};
    WriteFileAtomically(Card() + "017.mp3", "old");
    WriteFileAtomically(Card() + "012.mp3", "old");
    const auto addTwice = [&](QDialog &) { AddLine("Трек:3 Путь:" + start); };
    Prompts.AnswerModal(1, addTwice)
        .AnswerOkCancel(true)
        .AnswerModal(1)
        .AnswerYesNo(false, U("Есть треки с ошибками (4). Продолжить запись?"));
    Window->miSavePlaylistClick();
    QStringList log = LogLines();
    ASSERT_GE(log.size(), 4);
    EXPECT_EQ(log[log.size() - 4].toStdString(), "трек 3 указан дважды: строки 1 и 3");
    EXPECT_EQ(log[log.size() - 3].toStdString(), "Трек 3: файл '" + start + "' — не MP3: нет кадров MPEG Layer III");
    EXPECT_EQ(log[log.size() - 2].toStdString(), "Трек 12: файл '" + gone + "' — файл отсутствует");
    EXPECT_EQ(log.back(), log[log.size() - 3]); // the line added for track 3
    EXPECT_EQ(Prompts.Asked.back().Caption, U("Конфигуратор таймера сигнала"));
    EXPECT_FALSE(FileExists(Card() + "003.mp3"));

    // Yes goes on; the old copy of a track whose file is gone and a track-named file that the
    // playlist does not write are listed, and stay.
    Prompts.AnswerModal(1, addTwice).AnswerOkCancel(true).AnswerModal(1).AnswerYesNo(true);
    Window->miSavePlaylistClick();
    log = LogLines();
    ASSERT_GE(log.size(), 3);
    EXPECT_EQ(log[log.size() - 3].toStdString(),
              "Файл '" + Card() + "012.mp3' — на карте осталась старая запись трека 12");
    EXPECT_EQ(log[log.size() - 2].toStdString(), "Файл '" + Card() + "017.mp3' — лишний файл на карте");
    EXPECT_TRUE(FileExists(Card() + "003.mp3"));
    EXPECT_TRUE(FileExists(Card() + "017.mp3"));
}

TEST_F(SdCardCommand, TheNewPlayListStaysUnsavedWhenAPathDialogIsClosedOrTheSaveFails)
{
    Project.FileName.clear(); // never saved: the path dialog comes, and is closed
    PlayList() = {"3;/music/start.mp3"};
    Prompts.AnswerModal(1).CancelSaveFile();
    Window->miSavePlaylistClick();
    EXPECT_EQ(LogLines().back(), U("Проект не сохранён (окно сохранения закрыто): на SD-Карту ничего не скопировано"));
    EXPECT_EQ(PlayList(), (TStrings{"3;/music/start.mp3", "12;"}));
    EXPECT_TRUE(Modified()); // the close prompt still offers to save it
    EXPECT_TRUE(Project.FileName.empty());

    PlayList().clear();
    SetModified(false);
    Project.FileName = PathIn("no such folder/school.vlpj");
    Prompts.AnswerModal(1);
    EXPECT_THROW(Window->miSavePlaylistClick(), TSigError);
    EXPECT_EQ(PlayList(), (TStrings{"3;", "12;"}));
    EXPECT_TRUE(Modified());
}

TEST_F(SdCardCommand, PlayListEditorOpensWithBlankFieldsAndShowsLongLinesWholeInTooltips)
{
    TfrPlayList &editor = *frPlayList();
    AddLine("Трек:12 Путь:/old project/bell.mp3");
    editor.lbPlayList->setCurrentRow(0);
    ASSERT_EQ(editor.edNumber->text(), U("12"));
    editor.lbPlayList->clear();
    editor.show();
    EXPECT_EQ(QStringList({editor.edNumber->text(), editor.edPath->text()}), QStringList({QString(), QString()}));

    const QString line = QString::fromStdString("Трек:3 Путь:/" + std::string(300, 'a') + "/bell.mp3");
    editor.lbPlayList->addItem(line);
    EXPECT_EQ(editor.lbPlayList->item(0)->toolTip(), line);
    editor.lbPlayList->setCurrentRow(0);
    EXPECT_EQ(editor.edPath->toolTip(), line.mid(line.indexOf(u'/')));
    editor.lbPlayList->item(0)->setText(U("Трек:4 Путь:/x.mp3"));
    EXPECT_EQ(editor.lbPlayList->item(0)->toolTip(), U("Трек:4 Путь:/x.mp3"));
    editor.hide();
}

TEST(CopyProgressWindow, ShowsFileCardFileBytesAndTheRunStopOnlyAsksToFinishWhatIsStarted)
{
    TfrCopyProgress dialog;
    const QString longSource = U("/music/") + QString(400, u'x') + U("/a.mp3");
    dialog.ShowProgress({3, 40, longSource.toStdString(), "/media/card/003.mp3", 1572864, 5242880});
    EXPECT_EQ(dialog.lbFile->text(), U("Файл 3 из 40"));
    // A long path keeps both ends; the tooltip has it whole.
    EXPECT_TRUE(dialog.lbName->text().startsWith(U("/music/xx")));
    EXPECT_TRUE(dialog.lbName->text().endsWith(U("x/a.mp3")));
    EXPECT_LT(dialog.lbName->text().size(), longSource.size());
    EXPECT_EQ(dialog.lbName->toolTip(), longSource);
    EXPECT_EQ(dialog.lbTarget->text(), U("→ /media/card/003.mp3"));
    EXPECT_EQ(dialog.lbBytes->text(), U("1,5 из 5,0 МБ"));
    EXPECT_EQ(dialog.pbBytes->value(), 300);
    EXPECT_EQ(dialog.pbTotal->value(), (2 * 1000 + 300) / 40);

    dialog.show();
    EXPECT_FALSE(dialog.StopRequested());
    EXPECT_FALSE(dialog.lbState->isVisible());
    QCloseEvent close;
    QCoreApplication::sendEvent(&dialog, &close);
    EXPECT_FALSE(close.isAccepted());
    EXPECT_TRUE(dialog.StopRequested());
    EXPECT_FALSE(dialog.btStop->isEnabled());
    EXPECT_TRUE(dialog.lbState->isVisible());
    EXPECT_EQ(dialog.lbState->text(), U("Остановка: дописываются уже начатые файлы…"));
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
    EXPECT_TRUE(CopyTracksWithProgress(nullptr, {"1;" + source}, target, log).AllCopied());
    EXPECT_FALSE(CopyTracksWithProgress(nullptr, {"1;" + target + "none.mp3"}, target, log).AllCopied());
    EXPECT_EQ(log.Lines, (TStrings{"Файл '" + source + "' скопирован в '" + target + "001.mp3'",
                                   "Файл '" + target + "none.mp3' отсутствует"}));
}
