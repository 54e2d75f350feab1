#include "device/trackcopy.h"

#include "device/cardreport.h"
#include "device/sdcard.h"
#include "device/trackcopycard.h"

#include "storage/fileio.h"
#include "tests/core/support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class TrackCopy : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directory(Dir / "src");
        fs::create_directory(Dir / "card");
        // The card journal goes under the test's folder, never into the user's state folder.
        ::setenv("XDG_STATE_HOME", (Dir / "state").c_str(), 1);
    }

    std::string Source(const std::string &name, const std::string &bytes)
    {
        WriteFileAtomically(Src(name), bytes);
        return Src(name);
    }
    std::string Src(const std::string &name) const { return (Dir / "src" / name).string(); }
    std::string Card(const std::string &name = "") const { return (Dir / "card").string() + "/" + name; }

    std::vector<std::string> Listing() const
    {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(Dir / "card"))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // The log lines of one file.
    static std::string Copied(const std::string &source, const std::string &target, const char *verb = "скопирован")
    {
        return "Файл '" + source + "' " + verb + " в '" + target + "'";
    }
    static std::string NotCopied(const std::string &s, const std::string &t, const std::string &cause)
    {
        return Copied(s, t, "не скопирован") + ": " + cause;
    }
    static std::string Missing(const std::string &source) { return "Файл '" + source + "' отсутствует"; }
    static std::string OldKept(int32_t track)
    {
        return "трек " + std::to_string(track) + ": на карте осталась старая запись";
    }
    static std::string RemovedFirst(const std::string &target)
    {
        return "Файл '" + target + "' удалён перед копированием: на карте нет места для новой копии рядом со старой";
    }

    // A card of the given capacity: what its files do not use is free.
    TFreeSpaceFn CardOf(uint64_t capacity) const
    {
        return [this, capacity](const std::string &) -> std::optional<uint64_t> {
            uint64_t used = 0;
            for (const auto &entry : fs::directory_iterator(Dir / "card"))
                used += entry.is_regular_file() ? entry.file_size() : 0;
            return used < capacity ? capacity - used : 0;
        };
    }

    TTempFolder Folder;
    const fs::path &Dir = Folder.Path;
    TVectorLog Log;
};

} // namespace

TEST_F(TrackCopy, CopiesEachLineWithAPathUnderItsTrackNameInPlayListOrder)
{
    const std::string a = Source("a.mp3", "first"), b = Source("b b.mp3", "second");
    const std::string gone = Src("gone.mp3"), folder = (Dir / "src").string();
    EXPECT_FALSE(CopyTracks({"7;" + a, "42;" + b, "123;" + a, "1000;" + a, "-5;" + a, " +8 ;" + a, "5;", "no separator",
                             "", "1;" + gone, "2;" + folder, "4;" + a, "4;" + b, "-2147483648;" + a},
                            Card(), Log)); // a source was missing
    EXPECT_THAT(Log.Lines,
                ElementsAre(Copied(a, Card("007.mp3")), Copied(b, Card("042.mp3")), Copied(a, Card("123.mp3")),
                            Copied(a, Card("1000.mp3")), Copied(a, Card("00-5.mp3")), Copied(a, Card("008.mp3")),
                            Missing(gone), Missing(folder), Copied(a, Card("004.mp3")), Copied(b, Card("004.mp3")),
                            Copied(a, Card("00-2147483648.mp3")), AbsentTrackLine(1), AbsentTrackLine(2)));
    EXPECT_THAT(Listing(), ElementsAre("00-2147483648.mp3", "00-5.mp3", "004.mp3", "007.mp3", "008.mp3", "042.mp3",
                                       "1000.mp3", "123.mp3"));
    EXPECT_EQ(ReadWholeFile(Card("007.mp3")), "first");
    EXPECT_EQ(ReadWholeFile(Card("042.mp3")), "second");
    EXPECT_EQ(ReadWholeFile(Card("004.mp3")), "second"); // both copied, the later wins
}

TEST_F(TrackCopy, TargetIsAPlainPrefixAMissingFolderFailsEachFile)
{
    const std::string a = Source("a.mp3", "x");
    const std::string typed = Card("music"), nowhere = (Dir / "nowhere").string() + "/";
    const std::string gone = "папка не существует";
    EXPECT_TRUE(CopyTracks({"1;" + a}, typed, Log));
    EXPECT_TRUE(FileExists(Card("music001.mp3")));
    EXPECT_FALSE(CopyTracks({"1;" + a, "2;" + a}, nowhere, Log));
    EXPECT_THAT(Log.Lines, ElementsAre(Copied(a, typed + "001.mp3"), NotCopied(a, nowhere + "001.mp3", gone),
                                       NotCopied(a, nowhere + "002.mp3", gone)));
    EXPECT_FALSE(fs::exists(Dir / "nowhere"));
}

TEST_F(TrackCopy, AFailedCopyKeepsTheOldTargetAndLeavesNoTemporary)
{
    const std::string big = Source("big.mp3", std::string(1 << 20, 'n')), a = Source("a.mp3", "x");
    WriteFileAtomically(Card("001.mp3"), "old track");
    fs::create_directory(Dir / "card" / "002.mp3");
    {
        TFileSizeLimit limit(64 << 10); // a write that fails halfway
        EXPECT_FALSE(CopyTracks({"1;" + big}, Card(), Log));
    }
    EXPECT_FALSE(CopyTracks({"2;" + a}, Card(), Log)); // a folder is not replaced
    EXPECT_THAT(Log.Lines,
                ElementsAre(NotCopied(big, Card("001.mp3"), "файл слишком велик для этого диска"), OldKept(1),
                            NotCopied(a, Card("002.mp3"), "это папка, а не файл"), AbsentTrackLine(2)));
    EXPECT_EQ(ReadWholeFile(Card("001.mp3")), "old track");
    EXPECT_TRUE(fs::is_directory(Dir / "card" / "002.mp3"));
    EXPECT_THAT(Listing(), ElementsAre("001.mp3", "002.mp3"));
}

TEST_F(TrackCopy, CopiesLargeFilesWholeAndReportsProgressPerFile)
{
    std::string bytes(9 << 20, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 2654435761u >> 24);
    const std::string big = Source("long.mp3", bytes), a = Source("a.mp3", "abc");
    std::vector<TCopyProgress> done;
    EXPECT_TRUE(CopyTracks({"3;" + big, "4;", "5;" + a}, Card(), Log, [&](const TCopyProgress &p) {
        if (p.BytesDone == p.BytesTotal)
            done.push_back(p);
    }));
    EXPECT_TRUE(ReadWholeFile(Card("003.mp3")) == bytes);
    ASSERT_EQ(done.size(), 2u);
    EXPECT_EQ(done[0].FileIndex, 1u);
    EXPECT_EQ(done[0].FileCount, 2u);
    EXPECT_EQ(done[0].BytesTotal, bytes.size());
    EXPECT_EQ(done[0].Target, Card("003.mp3"));
    EXPECT_EQ(done[1].FileIndex, 2u);
}

TEST_F(TrackCopy, CopiesFilesThatTheKernelCanNotCopyItself)
{
    // Files of /proc report no size; the copy must read them to their end all the same.
    EXPECT_TRUE(CopyTracks({"9;/proc/self/cmdline"}, Card(), Log));
    EXPECT_EQ(ReadWholeFile(Card("009.mp3")), ReadWholeFile("/proc/self/cmdline"));
}

TEST_F(TrackCopy, AStopEndsTheRunBeforeTheNextFile)
{
    const std::string a = Source("a.mp3", "abc"), b = Source("b.mp3", "def");
    std::atomic<bool> stop = false;
    EXPECT_FALSE(CopyTracks(
        {"1;" + a, "2;" + b}, Card(), Log, [&](const TCopyProgress &) { stop = true; }, &stop));
    EXPECT_THAT(Log.Lines, ElementsAre(Copied(a, Card("001.mp3")), CopyStoppedLine, AbsentTrackLine(2)));
    EXPECT_THAT(Listing(), ElementsAre("001.mp3"));
}

TEST_F(TrackCopy, ClearsOnlyItsOwnTemporariesBeforeCopying)
{
    const std::string a = Source("a.mp3", "abc");
    struct TCase
    {
        const char *Name;
        bool Removed;
    } cases[] = {
        {"001.mp3.Ab3dE9", true},  {"00-5.mp3.zzzzzz", true},
        {"1000.mp3.x1y2z3", true}, {"music001.mp3.abcdef", false}, // another target's
        {"001.mp3.abcde", false},  {"001.mp3.abcdefg", false},
        {"01.mp3.abcdef", false},  {"0a1.mp3.abcdef", false},
        {"001.MP3.abcdef", false}, {"001.mp3.abc-ef", false},
        {"001.mp3", false},        {"notes.txt", false},
    };
    for (const TCase &c : cases)
        WriteFileAtomically(Card(c.Name), "left");
    fs::create_directory(Card("002.mp3.abcdef")); // not a file of ours
    EXPECT_TRUE(CopyTracks({"7;" + a}, Card(), Log));
    EXPECT_THAT(Log.Lines,
                ElementsAre("Удалены временные файлы прерванного копирования: 3", Copied(a, Card("007.mp3"))));
    for (const TCase &c : cases)
        EXPECT_EQ(fs::exists(Card(c.Name)), !c.Removed) << c.Name;
    EXPECT_TRUE(fs::is_directory(Card("002.mp3.abcdef")));

    Log.Lines.clear();
    EXPECT_EQ(CopyTracks({"7;" + a}, Card("music"), Log, TCopyOptions{}).TemporariesRemoved, 1u);
    EXPECT_FALSE(fs::exists(Card("music001.mp3.abcdef")));
}

TEST_F(TrackCopy, FinishedFilesAreOnTheCardWhileLaterOnesCopy)
{
    std::vector<std::string> playList;
    for (int i = 1; i <= 20; ++i)
        playList.push_back(std::to_string(i) + ";" + Source(std::to_string(i) + ".mp3", std::string(i, 'x')));
    // When a file starts, how many before it are complete under their own names.
    std::vector<size_t> finished;
    const auto progress = [&](const TCopyProgress &p) {
        if (p.BytesDone > 0)
            return;
        size_t count = 0;
        for (const std::string &name : Listing())
            count += name.size() == 7; // "007.mp3", not a temporary
        finished.push_back(count);
    };
    EXPECT_TRUE(CopyTracks(playList, Card(), Log, progress));
    ASSERT_EQ(finished.size(), 20u);
    for (size_t i = 0; i < finished.size(); ++i)
        EXPECT_GE(finished[i] + 8, i) << "file " << i + 1; // an interruption loses at most 8 files
    EXPECT_EQ(Listing().size(), 20u);
}

TEST_F(TrackCopy, OnAFullCardOldTracksStayUnlessTheOperatorMakesRoom)
{
    constexpr uint64_t K = 1024;
    struct TCase
    {
        uint64_t Capacity;
        std::vector<uint64_t> Sizes; // of tracks 1, 2 ..., old and new alike
        std::vector<bool> RemovedFirst;
        const char *Space; // the plan's line, when not every copy fits beside its old track
    } cases[] = {
        {2000 * K, {300 * K, 300 * K}, {false, false}, nullptr}, // room enough
        {1000 * K, {300 * K, 300 * K}, {false, false}, nullptr}, // the first rename makes room for the second
        {700 * K, {600 * K}, {true}, "нужно 0,6 МБ, на карте свободно 0,1 МБ, после удаления старых записей — 0,7 МБ"},
        {1000 * K,
         {600 * K, 300 * K},
         {true, true},
         "нужно 1,0 МБ, на карте свободно 0,1 МБ, после удаления старых записей — 1,0 МБ"},
    };
    for (const TCase &c : cases) {
        for (const bool makeRoom : {false, true}) {
            fs::remove_all(Dir / "card");
            fs::create_directory(Dir / "card");
            Log.Lines.clear();
            std::vector<std::string> playList, expected;
            if (c.Space)
                expected.push_back(std::string("Место на SD-карте: ") + c.Space);
            for (size_t i = 0; i < c.Sizes.size(); ++i) {
                const std::string name = "00" + std::to_string(i + 1) + ".mp3";
                WriteFileAtomically(Card(name), std::string(c.Sizes[i], 'o'));
                playList.push_back(std::to_string(i + 1) + ";" + Source(name, std::string(c.Sizes[i], 'n')));
                if (c.RemovedFirst[i] && makeRoom)
                    expected.push_back(RemovedFirst(Card(name)));
                if (!c.RemovedFirst[i] || makeRoom)
                    expected.push_back(Copied(Src(name), Card(name)));
            }
            TCopyOptions options;
            options.FreeSpace = CardOf(c.Capacity);
            options.MakeRoom = makeRoom;
            const TCopyReport report = CopyTracks(playList, Card(), Log, options);
            bool anyKept = false;
            for (size_t i = 0; i < c.Sizes.size(); ++i) {
                // Without the operator's word an old track never leaves the card before its copy is there.
                const bool kept = c.RemovedFirst[i] && !makeRoom;
                anyKept |= kept;
                EXPECT_EQ(report.Files[i].OldRemovedFirst, c.RemovedFirst[i] && makeRoom);
                EXPECT_EQ(report.Files[i].OnCard, kept ? TCopyResult::OldKept : TCopyResult::New);
                EXPECT_EQ(ReadWholeFile(report.Files[i].Target), std::string(c.Sizes[i], kept ? 'o' : 'n'));
            }
            EXPECT_EQ(report.AllCopied(), !anyKept);
            if (anyKept) // the not-copied lines name the room they need
                EXPECT_THAT(Log.Lines, Contains(HasSubstr("не помещается на карту (нужно")));
            else
                EXPECT_EQ(Log.Lines, expected) << c.Capacity;
            EXPECT_FALSE(fs::exists(Dir / "state" / "sigcfg" / "card-journal") &&
                         !fs::is_empty(*fs::directory_iterator(Dir / "state" / "sigcfg" / "card-journal")))
                << "a verified copy leaves no journal behind";
        }
    }
}

TEST_F(TrackCopy, ReplacesTracksOnAFullTmpfs)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small card needs root";
    constexpr size_t K = 1024;
    const std::string out = (Dir / "out").string(), card = Card();
    const std::string one = Source("one.mp3", std::string(600 * K, 'n')),
                      two = Source("two.mp3", std::string(300 * K, 'm'));
    const pid_t child = ::fork();
    if (child == 0) {
        // A 1 MB card in a mount namespace of the child's own, with last term's tracks on it.
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("sigtest", card.c_str(), "tmpfs", 0, "size=1m") != 0)
            ::_exit(3);
        try {
            std::string lines;
            // With the card's own free space, then with none known: the full card shows itself by failing,
            // and only the operator's word lets an old track go.
            const TFreeSpaceFn unknown = [](const std::string &) { return std::optional<uint64_t>(); };
            for (const auto &[space, makeRoom] :
                 {std::pair(TFreeSpaceFn(), true), std::pair(unknown, true), std::pair(unknown, false)}) {
                fs::remove(card + "001.mp3");
                fs::remove(card + "002.mp3");
                WriteFileAtomically(card + "001.mp3", std::string(600 * K, 'o'));
                WriteFileAtomically(card + "002.mp3", std::string(300 * K, 'o'));
                TVectorLog log;
                TCopyOptions options;
                options.FreeSpace = space;
                options.MakeRoom = makeRoom;
                CopyTracks({"1;" + one, "2;" + two}, card, log, options);
                for (const std::string &line : log.Lines)
                    lines += line + "\n";
                lines += std::to_string(ReadWholeFile(card + "001.mp3") == ReadWholeFile(one)) +
                         std::to_string(ReadWholeFile(card + "002.mp3") == ReadWholeFile(two)) + "\n";
                if (ReadWholeFile(card + "001.mp3").size() != 600 * K ||
                    ReadWholeFile(card + "002.mp3").size() != 300 * K)
                    lines += "torn\n";
            }
            WriteFileAtomically(out, lines);
        } catch (const std::exception &error) {
            WriteFileAtomically(out, error.what());
        }
        ::_exit(0); // never back into the test runner
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 3)
        GTEST_SKIP() << "no tmpfs in a private mount namespace here";
    // A card of unknown size loses no track first without the operator's word: the copies fail, the old tracks stay.
    const std::string madeRoom = RemovedFirst(Card("001.mp3")) + "\n" + Copied(one, Card("001.mp3")) + "\n" +
                                 RemovedFirst(Card("002.mp3")) + "\n" + Copied(two, Card("002.mp3")) + "\n11\n";
    const std::string known = "Место на SD-карте: нужно 1,0 МБ, на карте свободно 0,1 МБ, после удаления старых "
                              "записей — 1,0 МБ\n" +
                              madeRoom;
    const std::string unknown = NotCopied(one, Card("001.mp3"), "на диске нет места") + "\n" +
                                NotCopied(two, Card("002.mp3"), "на диске нет места") + "\n" + OldKept(1) + "\n" +
                                OldKept(2) + "\n00\n";
    EXPECT_EQ(ReadWholeFile(out), known + madeRoom + unknown);
}

TEST_F(TrackCopy, ACopyThatReadsBackDifferentlyIsNotCopiedAndTheOldTrackStays)
{
    std::string bytes(3 << 20, 'x');
    const std::string big = Source("big.mp3", bytes), small = Source("small.mp3", "abc");
    WriteFileAtomically(Card("002.mp3"), "old track");
    int reads = 0;
    // The card returns one wrong byte of 002.mp3, past its first megabyte, and only there.
    TCopyOptions options;
    options.Verify.Read = [&](int fd, void *buffer, size_t size, off_t offset) {
        ++reads;
        const ssize_t n = ::pread(fd, buffer, size, offset);
        char link[64] = {};
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        if (::readlink(self.c_str(), link, sizeof link - 1) > 0 &&
            std::string(link).find("/002.mp3") != std::string::npos && offset <= (2 << 20) && offset + n > (2 << 20))
            static_cast<char *>(buffer)[(2 << 20) - offset] ^= 1;
        return n;
    };
    EXPECT_FALSE(CopyTracks({"1;" + small, "2;" + big}, Card(), Log, options).AllCopied());
    EXPECT_THAT(Log.Lines, ElementsAre(Copied(small, Card("001.mp3")),
                                       NotCopied(big, Card("002.mp3"), "не совпадает после записи"), OldKept(2)));
    EXPECT_GT(reads, 0);
    EXPECT_EQ(ReadWholeFile(Card("002.mp3")), "old track");
    EXPECT_THAT(Listing(), ElementsAre("001.mp3", "002.mp3"));

    // Without the check nothing is read back.
    Log.Lines.clear();
    reads = 0;
    options.Verify.Enabled = false;
    EXPECT_TRUE(CopyTracks({"2;" + big}, Card(), Log, options).AllCopied());
    EXPECT_EQ(reads, 0);
}

TEST_F(TrackCopy, AReadBackComparesTheWholeLengthBothWays)
{
    // The card returns the copy cut short (or with bytes added) at different points, chunk edges included.
    constexpr size_t M = 1 << 20;
    const std::string bytes(3 * M, 'x');
    const std::string big = Source("big.mp3", bytes);
    struct TCase
    {
        size_t Length; // what the card gives back of the copy
        bool Longer;   // the card gives back more than was written
    } cases[] = {{0, false}, {1, false}, {M, false}, {2 * M, false}, {3 * M - 1, false}, {3 * M, true}};
    for (const TCase &c : cases) {
        WriteFileAtomically(Card("002.mp3"), "old track");
        Log.Lines.clear();
        TCopyOptions options;
        options.Verify.Read = [&](int fd, void *buffer, size_t size, off_t offset) -> ssize_t {
            if (c.Longer && size_t(offset) >= c.Length) {
                std::memset(buffer, 'x', std::min<size_t>(size, 10));
                return std::min<size_t>(size, 10) * (size_t(offset) < c.Length + 10);
            }
            const size_t end = std::min<size_t>(c.Length, size_t(offset) + size);
            return size_t(offset) >= end ? 0 : ::pread(fd, buffer, end - size_t(offset), offset);
        };
        EXPECT_FALSE(CopyTracks({"2;" + big}, Card(), Log, options).AllCopied()) << c.Length;
        EXPECT_THAT(Log.Lines, ElementsAre(NotCopied(big, Card("002.mp3"), "не совпадает после записи"), OldKept(2)))
            << c.Length;
        EXPECT_EQ(ReadWholeFile(Card("002.mp3")), "old track");
    }
}

TEST_F(TrackCopy, AWriteThatFailsAfterTheRemovalPutsTheOldTrackBack)
{
    constexpr uint64_t K = 1024;
    const std::string big = Source("big.mp3", std::string(500 * K, 'n'));
    WriteFileAtomically(Card("001.mp3"), std::string(300 * K, 'o'));
    WriteFileAtomically(Card("099.mp3"), std::string(400 * K, 'x'));
    TCopyOptions options;
    options.FreeSpace = CardOf(1000 * K);
    options.MakeRoom = true;
    {
        TFileSizeLimit limit(400 * K); // the old track fits, the new copy stops part-way
        EXPECT_FALSE(CopyTracks({"1;" + big}, Card(), Log, options).AllCopied());
    }
    EXPECT_THAT(Log.Lines, ElementsAre(HasSubstr("Место на SD-карте"), RemovedFirst(Card("001.mp3")),
                                       NotCopied(big, Card("001.mp3"),
                                                 "файл слишком велик для этого диска; старая запись трека оставлена "
                                                 "на карте"),
                                       OldKept(1)));
    EXPECT_EQ(ReadWholeFile(Card("001.mp3")), std::string(300 * K, 'o'));
}

TEST_F(TrackCopy, SourcesInTheCardFolderAreHeldUnderAnySpelling)
{
    // A FAT card through FUSE gives 002.MP3 an inode of its own beside 002.mp3: the name decides.
    for (int i = 1; i <= 3; ++i)
        WriteFileAtomically(Card(TrackFileName(i) + ".MP3"), "track " + std::to_string(i));
    const std::vector<std::string> playList{"1;" + Card("002.MP3"), "2;" + Card("003.mp3"), "3;" + Card("001.MP3"),
                                            "4;" + Src("elsewhere")};
    const TCardFolder card(Card());
    const TCardSources sources(playList, Card(), card);
    EXPECT_TRUE(sources.Find(Card("002.MP3")).has_value());
    EXPECT_TRUE(sources.Find(Card("001.MP3")).has_value());
    EXPECT_TRUE(sources.HoldsPath(Card("002.mp3")));
    EXPECT_FALSE(sources.HoldsPath(Card("003.MP3"))); // named, but not there under that spelling
    EXPECT_FALSE(sources.Find(Src("elsewhere")).has_value());
    // What the run will write over is read as it was at the start, even when the card's file is
    // changed in place under it (as FUSE lets a rename under another spelling do).
    {
        std::ofstream(Card("002.MP3"), std::ios::trunc) << "changed in place";
    }
    const int held = *sources.Find(Card("002.MP3"));
    char bytes[32] = {};
    ASSERT_GT(::pread(held, bytes, sizeof bytes - 1, 0), 0);
    EXPECT_STREQ(bytes, "track 2");
}

TEST_F(TrackCopy, ExtraFilesAreTrackNamedFilesThePlayListDoesNotWrite)
{
    for (const char *name : {"001.mp3", "017.mp3", "1000.MP3", "05.mp3", "00-5.mp3", "abc.mp3", "017.txt",
                             "music003.mp3", "001.mp3.tmp", "004.MP3"})
        WriteFileAtomically(Card(name), "x");
    fs::create_directory(Dir / "card" / "099.mp3");
    const std::vector<std::string> playList{"1;/a.mp3", "4;/b.mp3", "17;", "3;/c.mp3"};
    EXPECT_THAT(ExtraCardFiles(playList, Card()), ElementsAre(Card("017.mp3"), Card("1000.MP3")));
    EXPECT_THAT(ExtraCardFiles({}, Card("music")), ElementsAre(Card("music003.mp3")));
    EXPECT_TRUE(ExtraCardFiles(playList, (Dir / "nowhere/").string()).empty());
    EXPECT_EQ(ExtraCardFileLine("/card/017.mp3"), "Файл '/card/017.mp3' — лишний файл на карте");
}

TEST_F(TrackCopy, AnOldTrackGoesOnlyWhenItsCopyFitsAndComesBackVerifiedWhenTheCopyFails)
{
    constexpr uint64_t K = 1024;
    const std::string big = Source("big.mp3", std::string(500 * K, 'n')), small = Source("small.mp3", "s");
    WriteFileAtomically(Card("001.mp3"), std::string(200 * K, 'o'));
    WriteFileAtomically(Card("099.mp3"), std::string(600 * K, 'x')); // not ours to remove
    TCopyOptions options;
    options.FreeSpace = CardOf(1000 * K);
    options.MakeRoom = true;
    // The free figure is the card's own: the old file that would go is not added to it.
    EXPECT_FALSE(CopyTracks({"1;" + big, "2;" + small}, Card(), Log, options).AllCopied());
    EXPECT_THAT(Log.Lines,
                ElementsAre("Место на SD-карте: нужно 0,6 МБ, на карте свободно 0,2 МБ, после удаления старых записей "
                            "— 0,4 МБ",
                            NotCopied(big, Card("001.mp3"), "не помещается на карту (нужно 0,6 МБ, свободно 0,2 МБ)"),
                            Copied(small, Card("002.mp3")), OldKept(1)));
    EXPECT_EQ(ReadWholeFile(Card("001.mp3")), std::string(200 * K, 'o'));

    // Room made, but the new copy reads back wrong: the old track is put back and read back too.
    Log.Lines.clear();
    WriteFileAtomically(Card("001.mp3"), std::string(300 * K, 'o'));
    WriteFileAtomically(Card("099.mp3"), std::string(400 * K, 'x'));
    bool everything = false; // the card alters every file, put-backs included, not only the new copy
    options.Verify.Read = [&](int fd, void *buffer, size_t size, off_t offset) {
        const ssize_t n = ::pread(fd, buffer, size, offset);
        struct stat st = {};
        if (n > 0 && ::fstat(fd, &st) == 0 && (everything || uint64_t(st.st_size) == 500 * K))
            static_cast<char *>(buffer)[0] ^= 1;
        return n;
    };
    EXPECT_FALSE(CopyTracks({"1;" + big}, Card(), Log, options).AllCopied());
    EXPECT_THAT(Log.Lines,
                ElementsAre(HasSubstr("Место на SD-карте"), RemovedFirst(Card("001.mp3")), HasSubstr("карта ненадёжна"),
                            NotCopied(big, Card("001.mp3"),
                                      "не совпадает после записи; старая запись трека оставлена на карте"),
                            OldKept(1)));
    EXPECT_EQ(ReadWholeFile(Card("001.mp3")), std::string(300 * K, 'o'));
    EXPECT_THAT(Listing(), ElementsAre("001.mp3", "002.mp3", "099.mp3"));

    // A card that alters the put-back too: the track is named as absent and its bytes wait in the
    // journal; the next run, on a card that behaves, puts them back before anything else.
    Log.Lines.clear();
    everything = true;
    const TCopyReport report = CopyTracks({"1;" + big}, Card(), Log, options);
    EXPECT_EQ(report.Files[0].OnCard, TCopyResult::Absent);
    EXPECT_THAT(Log.Lines, Contains(HasSubstr("старую запись трека вернуть на карту не удалось")));
    EXPECT_EQ(Log.Lines.back(), AbsentTrackLine(1));
    EXPECT_THAT(Log.Lines, ::testing::Not(Contains(HasSubstr("оставлена"))));
    EXPECT_FALSE(fs::exists(Card("001.mp3")));
    Log.Lines.clear();
    options.Verify.Read = {};
    CopyTracks({}, Card(), Log, options);
    EXPECT_THAT(Log.Lines, ElementsAre("трек 1 восстановлен после прерванного копирования"));
    EXPECT_EQ(ReadWholeFile(Card("001.mp3")), std::string(300 * K, 'o'));
}

TEST_F(TrackCopy, ACardThatLeavesItsFolderEndsTheRunAndNothingMoreIsWritten)
{
    // The card is pulled while the second file copies; the folder's name then leads elsewhere.
    for (const size_t files : {2, 3}) {
        fs::remove_all(Dir / "card");
        fs::remove_all(Dir / "pulled");
        fs::create_directory(Dir / "card");
        Log.Lines.clear();
        WriteFileAtomically(Card("001.mp3"), "old");
        std::vector<std::string> playList, expected;
        for (size_t i = 1; i <= files; ++i) {
            playList.push_back(std::to_string(i) + ";" + Source(std::to_string(i), "new"));
            if (i <= 2)
                expected.push_back(
                    NotCopied(Src(std::to_string(i)), Card("00" + std::to_string(i) + ".mp3"), CardRemovedCause));
        }
        expected.push_back(CardRemovedLine);
        const auto pull = [&](const TCopyProgress &p) {
            if (p.FileIndex == 2 && p.BytesDone == 0) {
                fs::rename(Dir / "card", Dir / "pulled");
                fs::create_directory(Dir / "card");
            }
        };
        TCopyOptions options;
        options.Progress = pull;
        const TCopyReport report = CopyTracks(playList, Card(), Log, options);
        EXPECT_TRUE(report.CardRemoved);
        EXPECT_EQ(Log.Lines, expected) << files;
        EXPECT_THAT(Listing(), ::testing::IsEmpty());
        std::vector<std::string> pulled;
        for (const auto &entry : fs::directory_iterator(Dir / "pulled"))
            pulled.push_back(entry.path().filename().string());
        EXPECT_THAT(pulled, ElementsAre("001.mp3")); // no temporary left, the old track whole
        EXPECT_EQ(ReadWholeFile((Dir / "pulled/001.mp3").string()), "old");
    }
}

TEST_F(TrackCopy, APlayListThatRenumbersTheCardsOwnTracksGetsEachAsItWas)
{
    // Ten tracks turned round by one: the later groups read files the first group replaced.
    std::vector<std::string> playList;
    for (int i = 1; i <= 10; ++i) {
        WriteFileAtomically(Card(TrackFileName(i) + ".mp3"), "track " + std::to_string(i));
        playList.push_back(std::to_string(i) + ";" + Card(TrackFileName(i % 10 + 1) + ".mp3"));
    }
    EXPECT_TRUE(CopyTracks(playList, Card(), Log, TCopyOptions{}).AllCopied());
    for (int i = 1; i <= 10; ++i) {
        EXPECT_EQ(ReadWholeFile(Card(TrackFileName(i) + ".mp3")), "track " + std::to_string(i % 10 + 1)) << i;
        EXPECT_EQ(Log.Lines[size_t(i - 1)],
                  Copied(playList[size_t(i - 1)].substr(playList[size_t(i - 1)].find(';') + 1),
                         Card(TrackFileName(i) + ".mp3")));
    }
}
