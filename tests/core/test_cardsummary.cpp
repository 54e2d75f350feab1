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

TEST(CardSummary, TracksWithoutAFileAreLoggedAndTheRunIsSummedUpFromItsLog)
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
    TCopyTally tally(log);
    const std::vector<int32_t> noFile = LogTracksWithoutFile(project, playList, tally);
    EXPECT_THAT(noFile, ElementsAre(5, 7, 11));
    CopyTracks(playList, card, tally);
    const TCopySummary summary = tally.Summarize(playList, card, noFile);
    EXPECT_EQ(summary.Copied, 4u);
    EXPECT_EQ(summary.Total, 6u);
    EXPECT_THAT(summary.NotCopied, ElementsAre(7, 12));
    EXPECT_FALSE(summary.Clean());
    EXPECT_EQ(summary.Text(), "Скопировано 4 из 6; не скопированы треки: 7, 12; нет файла у треков: 5, 7, 11");
    ASSERT_GE(log.Lines.size(), 3u);
    EXPECT_THAT(std::vector<std::string>(log.Lines.begin(), log.Lines.begin() + 3),
                ElementsAre("Трек 5: нет файла", "Трек 7: нет файла", "Трек 11: нет файла"));
    EXPECT_THAT(log.Lines, Contains(NotCopiedLine(bell, card + "012.mp3", CauseText(EISDIR))));

    // A run that copied everything; notes after a copied line's names do not hide it.
    TVectorLog cleanLog;
    TCopyTally clean(cleanLog);
    clean.AddLog(CopiedLine(bell, card + "003.mp3") + " (старый файл заменён)");
    const TCopySummary all = clean.Summarize({"3;" + bell, "8;"}, card, {});
    EXPECT_TRUE(all.Clean());
    EXPECT_EQ(all.Text(), "Скопировано 1 из 1");
}

TEST(CardSummary, LongListsAreCutShortAndACauseFollowsTheNotCopiedLine)
{
    TCopySummary summary{0, 25, {}, {}};
    for (int32_t track = 1; track <= 25; ++track)
        summary.NotCopied.push_back(track);
    EXPECT_EQ(summary.Text(), "Скопировано 0 из 25; не скопированы треки: 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, "
                              "14, 15, 16, 17, 18, 19, 20 и ещё 5");
    EXPECT_EQ(NotCopiedLine("/m/a.mp3", "/card/001.mp3", "нет места на диске"),
              "Файл '/m/a.mp3' не скопирован в '/card/001.mp3': нет места на диске");
}
