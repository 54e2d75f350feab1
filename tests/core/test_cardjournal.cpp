#include "device/cardjournal.h"

#include "device/cardlock.h"
#include "device/cardplan.h"
#include "device/cardreport.h"
#include "device/sdcard.h"
#include "device/trackcopy.h"
#include "device/trackcopycard.h"

#include "storage/fileio.h"
#include "tests/core/support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

class CardJournal : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directory(Dir / "card");
        fs::create_directory(Dir / "src");
        ::setenv("XDG_STATE_HOME", (Dir / "state").c_str(), 1);
    }
    void TearDown() override { TCardLock::AfterOpen = {}; }

    std::string Card(const std::string &name = "") const { return (Dir / "card").string() + "/" + name; }
    std::string Src(const std::string &name) const { return (Dir / "src" / name).string(); }

    // The journal's files for this card, by name.
    std::vector<std::string> JournalFiles() const
    {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto &card : fs::directory_iterator(Dir / "state" / "sigcfg" / "card-journal", error))
            for (const auto &file : fs::directory_iterator(card.path()))
                names.push_back(file.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // A full card holding three old tracks of 300 KB; the playlist brings three new ones as large.
    std::vector<std::string> FullCard(TCopyOptions &options)
    {
        std::vector<std::string> playList;
        for (int i = 1; i <= 3; ++i) {
            WriteFileAtomically(Card(TrackFileName(i) + ".mp3"), std::string(300 << 10, char('a' + i)));
            WriteFileAtomically(Src(std::to_string(i)), std::string(300 << 10, char('A' + i)));
            playList.push_back(std::to_string(i) + ";" + Src(std::to_string(i)));
        }
        options.FreeSpace = [this](const std::string &) -> std::optional<uint64_t> {
            uint64_t used = 0;
            for (const auto &entry : fs::directory_iterator(Dir / "card"))
                used += entry.is_regular_file() ? entry.file_size() : 0;
            return (1000 << 10) - std::min<uint64_t>(used, 1000 << 10);
        };
        options.MakeRoom = true;
        return playList;
    }

    TTempFolder Folder;
    const fs::path &Dir = Folder.Path;
};

} // namespace

TEST_F(CardJournal, ARunKilledAfterARemovalIsUndoneByTheNextRunAndThenFinished)
{
    TCopyOptions options;
    const std::vector<std::string> playList = FullCard(options);
    // Killed right after the second old track left the card: no destructor, no put-back.
    for (const int32_t killedAt : {1, 2}) {
        const pid_t child = ::fork();
        if (child == 0) {
            TVectorLog log;
            options.AfterRemoval = [killedAt](int32_t track) {
                if (track == killedAt)
                    ::_exit(0);
            };
            CopyTracks(playList, Card(), log, options);
            ::_exit(3);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the run did not reach a removal";
        const std::string name = TrackFileName(killedAt) + ".mp3";
        EXPECT_FALSE(fs::exists(Card(name)));
        EXPECT_THAT(JournalFiles(), ElementsAre(name + ".bytes", name + ".entry"));

        // The next run puts the track back, verified, before anything else, and says so.
        TVectorLog log;
        CopyTracks({}, Card(), log, options);
        EXPECT_THAT(log.Lines,
                    ElementsAre("трек " + std::to_string(killedAt) + " восстановлен после прерванного копирования",
                                "Удалены временные файлы прерванного копирования: 1"));
        EXPECT_EQ(ReadWholeFile(Card(name)), std::string(300 << 10, char('a' + killedAt)));
        EXPECT_THAT(JournalFiles(), IsEmpty());
    }
    // A whole run then leaves every track new and nothing in the journal.
    TVectorLog log;
    EXPECT_TRUE(CopyTracks(playList, Card(), log, options).AllCopied());
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(ReadWholeFile(Card(TrackFileName(i) + ".mp3")), std::string(300 << 10, char('A' + i)));
    EXPECT_THAT(JournalFiles(), IsEmpty());
}

TEST_F(CardJournal, ACardThatAltersWhatItStoresLosesAtMostTheFirstTrackAndOnlyWithTheOperatorsWord)
{
    // A full card whose storage alters bytes: every read of a card file comes back with a flipped byte.
    constexpr uint64_t K = 1024;
    const uint64_t olds[] = {320 * K, 350 * K, 350 * K}, news[] = {300 * K, 400 * K, 400 * K};
    for (const bool makeRoom : {false, true}) {
        fs::remove_all(Dir / "card");
        fs::create_directory(Dir / "card");
        std::vector<std::string> playList;
        for (int i = 1; i <= 3; ++i) {
            WriteFileAtomically(Card(TrackFileName(i) + ".mp3"), std::string(olds[i - 1], 'o'));
            WriteFileAtomically(Src(std::to_string(i)), std::string(news[i - 1], 'n'));
            playList.push_back(std::to_string(i) + ";" + Src(std::to_string(i)));
        }
        TCopyOptions options;
        options.MakeRoom = makeRoom;
        options.FreeSpace = [this](const std::string &) -> std::optional<uint64_t> {
            uint64_t used = 0;
            for (const auto &entry : fs::directory_iterator(Dir / "card"))
                used += entry.is_regular_file() ? entry.file_size() : 0;
            return 50 * K + 1020 * K - std::min<uint64_t>(used, 1070 * K);
        };
        options.Verify.Read = [](int fd, void *buffer, size_t size, off_t offset) {
            const ssize_t n = ::pread(fd, buffer, size, offset);
            if (n > 0)
                static_cast<char *>(buffer)[0] ^= 1;
            return n;
        };
        TVectorLog log;
        const TCopyReport report = CopyTracks(playList, Card(), log, options);
        EXPECT_FALSE(report.AllCopied());
        for (const std::string &line : log.Lines)
            EXPECT_THAT(line, ::testing::Not(HasSubstr("оставлена"))) << "nothing was verified on this card";
        for (int i = 1; i <= 3; ++i) {
            const bool lost = makeRoom && i == 1;
            EXPECT_EQ(report.Files[size_t(i - 1)].OldRemovedFirst, lost) << i;
            EXPECT_EQ(report.Files[size_t(i - 1)].OnCard, lost ? TCopyResult::Absent : TCopyResult::OldKept) << i;
            if (!lost) {
                EXPECT_EQ(ReadWholeFile(Card(TrackFileName(i) + ".mp3")), std::string(olds[i - 1], 'o')) << i;
            }
        }
        if (!makeRoom) {
            EXPECT_THAT(JournalFiles(), IsEmpty());
            continue;
        }
        // The lost track is named, its bytes wait in the journal, and the card is not trusted again.
        EXPECT_THAT(log.Lines, ::testing::Contains(AbsentTrackLine(1)));
        EXPECT_THAT(log.Lines, ::testing::Contains(HasSubstr("карта ненадёжна, старая запись не удалена")));
        EXPECT_THAT(JournalFiles(), ElementsAre("001.mp3.bytes", "001.mp3.entry"));
        TVectorLog next;
        CopyTracks({}, Card(), next, TCopyOptions{});
        EXPECT_THAT(next.Lines, ElementsAre("трек 1 восстановлен после прерванного копирования"));
        EXPECT_EQ(ReadWholeFile(Card("001.mp3")), std::string(olds[0], 'o'));
    }
}

TEST_F(CardJournal, AnEntryIsFinishedByWhatTheCardHolds)
{
    struct TCase
    {
        const char *OnCard; // nullptr: the track's file is gone
        std::vector<std::string> Lines;
        const char *After; // the card file afterwards
    } cases[] = {
        {nullptr, {"трек 5 восстановлен после прерванного копирования"}, "old"}, // removed, not replaced
        {"old",
         {"Журнал копирования трека 5: старая запись трека не удалялась с карты, запись журнала удалена"},
         "old"}, // killed before the removal
        {"new",
         {"Журнал копирования трека 5: на карте уже новая запись трека, сохранённая старая запись удалена из журнала"},
         "new"}, // killed after the commit, before the entry went
    };
    for (const TCase &c : cases) {
        WriteFileAtomically(Card("005.mp3"), "old");
        const TCardFolder card(Card());
        TCardJournal journal(card, CardId(card.Folder));
        ASSERT_EQ(journal.Save(5, "005.mp3"), 0);
        WriteFileAtomically(journal.Folder() + "/006.mp3.bytes.Ab3dE9", "a save cut short");
        fs::remove(Card("005.mp3"));
        if (c.OnCard)
            WriteFileAtomically(Card("005.mp3"), c.OnCard);
        TVectorLog log;
        journal.Recover(log, {});
        EXPECT_EQ(log.Lines, c.Lines) << (c.OnCard ? c.OnCard : "gone");
        EXPECT_EQ(ReadWholeFile(Card("005.mp3")), c.After);
        EXPECT_THAT(JournalFiles(), IsEmpty());
    }
}

TEST_F(CardJournal, AJournalWaitsForItsOwnCard)
{
    fs::create_directory(Dir / "other");
    WriteFileAtomically(Card("007.mp3"), "old");
    const TCardFolder card(Card());
    TCardJournal journal(card, CardId(card.Folder));
    ASSERT_EQ(journal.Save(7, "007.mp3"), 0);
    fs::remove(Card("007.mp3"));
    // Another card (here another folder) does not get this card's track.
    EXPECT_NE(CardId((Dir / "other").string()), CardId(Card()));
    TVectorLog log;
    CopyTracks({}, (Dir / "other").string() + "/", log, TCopyOptions{});
    EXPECT_THAT(log.Lines, IsEmpty());
    EXPECT_FALSE(fs::exists(Dir / "other" / "007.mp3"));
    EXPECT_THAT(JournalFiles(), ElementsAre("007.mp3.bytes", "007.mp3.entry"));
    // Its own card gets it.
    CopyTracks({}, Card(), log, TCopyOptions{});
    EXPECT_EQ(ReadWholeFile(Card("007.mp3")), "old");
}

TEST_F(CardJournal, ASecondRunOnTheCardWaitsThenRefusesNamingTheOther)
{
    const TCardFolder card(Card());
    const TCardLock first(card, std::chrono::milliseconds(0));
    ASSERT_EQ(first.Error(), "");
    WriteFileAtomically(Src("a"), "a");
    TVectorLog log;
    TCopyOptions options;
    options.LockWait = std::chrono::milliseconds(200);
    const TCopyReport report = CopyTracks({"1;" + Src("a")}, Card(), log, options);
    EXPECT_THAT(report.Refused, HasSubstr("(процесс " + std::to_string(::getpid()) + ")"));
    EXPECT_THAT(log.Lines, ElementsAre(report.Refused));
    EXPECT_FALSE(report.AllCopied());
    EXPECT_FALSE(fs::exists(Card("001.mp3")));
}

TEST_F(CardJournal, ALockOnAFileNoLongerAtThePathHoldsNothing)
{
    // Between our open and our lock, the holder leaves (removing the file) and a third run makes
    // and locks a new one: our lock on the old file must not count.
    const std::string path = Card(CardLockName);
    int third = -1;
    bool once = true;
    TCardLock::AfterOpen = [&] {
        if (!std::exchange(once, false))
            return;
        fs::remove(path);
        third = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        ::flock(third, LOCK_EX);
    };
    const TCardFolder card(Card());
    const TCardLock lock(card, std::chrono::milliseconds(200));
    EXPECT_THAT(lock.Error(), HasSubstr("сейчас записывает другая программа"));
    ::close(third);
}

TEST(CardSpace, AFileSystemWithoutBlocksHasUnknownRoomNotNone)
{
    EXPECT_EQ(FreeSpaceOf(0, 0, 4096), std::nullopt);
    EXPECT_EQ(FreeSpaceOf(1000, 0, 4096), std::optional<uint64_t>(0));
    EXPECT_EQ(FreeSpaceOf(1000, 10, 4096), std::optional<uint64_t>(40960));
}
