#include "device/cardreport.h"
#include "device/cardsummary.h"
#include "device/trackcopy.h"
#include "model/cause.h"
#include "storage/fileio.h"
#include "tests/core/support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;

TEST(CardTarget, AnExistingFolderWithOrWithoutTheSlashElseAReasonAndNoFolder)
{
    TTempFolder folder;
    const std::string card = folder.File("CARD"), file = folder.File("bell.mp3");
    fs::create_directory(card);
    WriteFileAtomically(file, "x");
    const std::pair<std::string, std::string> cases[] = {
        // typed, folder ("" when refused)
        {card, card + "/"},
        {card + "/", card + "/"},
        {" " + card + "\t", card + "/"},
        {"", ""},
        {" ", ""},
        {"CARD", ""},
        {card + "/missing", ""},
        {file, ""},
    };
    for (const auto &[typed, expected] : cases) {
        const TCardTarget target = CheckCardTarget(typed);
        EXPECT_EQ(target.Folder, expected) << typed;
        EXPECT_EQ(target.Error.empty(), !expected.empty()) << typed;
    }
    EXPECT_EQ(CheckCardTarget("").Error, "Не указана папка для записи на SD-Карту: ничего не скопировано");
    EXPECT_EQ(CheckCardTarget("CARD").Error, "Папка 'CARD' указана не полным путём (от «/»): ничего не скопировано");
    EXPECT_EQ(CheckCardTarget(card + "/missing").Error,
              "Папка '" + card + "/missing' не найдена: ничего не скопировано");
    EXPECT_EQ(CheckCardTarget(file).Error, "'" + file + "' не папка: ничего не скопировано");
}

TEST(CardSummary, TracksWithoutAFileAreLoggedAndTheRunIsSummedUpFromTheCard)
{
    TTempFolder folder;
    const std::string bell = folder.File("bell.mp3"), card = folder.File("card") + "/";
    WriteFileAtomically(bell, "bell");
    fs::create_directories(card + "012.mp3"); // a folder where the file should go: that copy fails
    TProject project;
    for (int32_t track : {3, 5, 7, 9, 11, 12})
        AddScenario(project, 1, track, track);
    const std::vector<std::string> playList{
        "3;" + bell,
        "5;", // no file given
        "7;" + folder.File("gone.mp3"),
        "9;" + bell,
        "12;" + bell,
        "40;" + bell, // a track no scenario uses still goes onto the card
        "9;" + bell,  // the same file twice under the same name: two copies
    };
    TVectorLog log;
    const std::vector<int32_t> noFile = LogTracksWithoutFile(project, playList, log);
    EXPECT_THAT(noFile, ElementsAre(5, 7, 11));
    const TCopyReport report = CopyTracks(playList, card, log, TCopyOptions{});
    const TCopySummary summary = SummarizeCopy(report, noFile);
    EXPECT_EQ(summary.Copied, 4u);
    EXPECT_EQ(summary.Total, 6u);
    EXPECT_THAT(summary.NotCopied, ElementsAre(7, 12));
    EXPECT_FALSE(summary.Clean());
    EXPECT_EQ(summary.Text(), "Скопировано 4 из 6; не скопированы треки: 7, 12; нет файла у треков: 5, 7, 11; на "
                              "карте нет файла у треков: 7, 12");
    ASSERT_GE(log.Lines.size(), 3u);
    EXPECT_THAT(std::vector<std::string>(log.Lines.begin(), log.Lines.begin() + 3),
                ElementsAre("Трек 5: нет файла", "Трек 7: нет файла", "Трек 11: нет файла"));
    EXPECT_THAT(log.Lines, Contains(NotCopiedLine(bell, card + "012.mp3", CauseText(EISDIR))));
    // The last lines are what the card holds, read back: a folder under a track's name plays nothing.
    EXPECT_THAT(std::vector<std::string>(log.Lines.end() - 2, log.Lines.end()),
                ElementsAre(AbsentTrackLine(7), AbsentTrackLine(12)));
}

TEST(CardSummary, LongListsAreCutShortAndACauseFollowsTheNotCopiedLine)
{
    TCopySummary summary{0, 25, {}, {}, {}};
    for (int32_t track = 1; track <= 25; ++track)
        summary.NotCopied.push_back(track);
    EXPECT_EQ(summary.Text(), "Скопировано 0 из 25; не скопированы треки: 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, "
                              "14, 15, 16, 17, 18, 19, 20 и ещё 5");
    EXPECT_EQ(NotCopiedLine("/m/a.mp3", "/card/001.mp3", "нет места на диске"),
              "Файл '/m/a.mp3' не скопирован в '/card/001.mp3': нет места на диске");
}

TEST(CardSummary, NumbersThatNameNoCardFileOfTheirOwnAreListedInPlayListOrder)
{
    const std::vector<std::string> playList{
        "3;/a.mp3",   "0;/b.mp3",  "abc;/c.mp3",  ";/d.mp3",     "99999999999;/e.mp3", "3;/f.mp3",
        "1.5;/g.mp3", "-4;/h.mp3", "12;",         "12;",         " 007 ;/i.mp3",       "7;/j.mp3",
        "999;/k.mp3", "3;/l.mp3",  "1000;/m.mp3", "0x10;/n.mp3",
    };
    EXPECT_THAT(
        PlayListNumberProblems(playList),
        ElementsAre("строка 2: номер трека 0 — вне диапазона 1–999", "строка 3: номер трека «abc» — не целое число",
                    "строка 4: номер трека не указан", "строка 5: номер трека 99999999999 — вне диапазона 1–999",
                    "строка 7: номер трека «1.5» — не целое число", "строка 8: номер трека -4 — вне диапазона 1–999",
                    "строка 15: номер трека 1000 — вне диапазона 1–999",
                    "строка 16: номер трека «0x10» — не целое число", "трек 3 указан 3 раза: строки 1, 6 и 14",
                    "трек 7 указан дважды: строки 11 и 12"));
    EXPECT_THAT(PlayListNumberProblems({"1;/a.mp3", "2;/a.mp3", "2;"}), ::testing::IsEmpty());
}

TEST(CardSummary, CardFilesThatDoNotHoldWhatTheProjectPlaysAreNamed)
{
    TTempFolder folder;
    const std::string bell = folder.File("bell.mp3"), card = folder.File("card") + "/";
    WriteFileAtomically(bell, "bell");
    fs::create_directory(card);
    for (const char *name : {"001.mp3", "015.mp3", "016.mp3", "020.mp3", "030.mp3"})
        WriteFileAtomically(card + name, "old");
    TProject project;
    for (int32_t track : {1, 15, 16})
        AddScenario(project, 1, track, track);
    // 15: its source is gone; 16: used, no line; 20: a line without a file; 30: nobody's.
    const std::vector<std::string> playList{"1;" + bell, "15;" + folder.File("gone.mp3"), "20;"};
    EXPECT_THAT(CardMismatchLines(project, playList, card),
                ElementsAre("Файл '" + card + "015.mp3' — на карте осталась старая запись трека 15",
                            "Файл '" + card + "016.mp3' — на карте осталась старая запись трека 16",
                            ExtraCardFileLine(card + "020.mp3"), ExtraCardFileLine(card + "030.mp3")));
}
