#include "device/trackcopy.h"

#include "storage/fileio.h"
#include "tests/core/support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using ::testing::ElementsAre;

namespace {

class TrackCopy : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directory(Dir / "src");
        fs::create_directory(Dir / "card");
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
    static std::string NotCopied(const std::string &s, const std::string &t) { return Copied(s, t, "не скопирован"); }
    static std::string Missing(const std::string &source) { return "Файл '" + source + "' отсутствует"; }

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
                            Copied(a, Card("00-2147483648.mp3"))));
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
    EXPECT_TRUE(CopyTracks({"1;" + a}, typed, Log));
    EXPECT_TRUE(FileExists(Card("music001.mp3")));
    EXPECT_FALSE(CopyTracks({"1;" + a, "2;" + a}, nowhere, Log));
    EXPECT_THAT(Log.Lines, ElementsAre(Copied(a, typed + "001.mp3"), NotCopied(a, nowhere + "001.mp3"),
                                       NotCopied(a, nowhere + "002.mp3")));
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
    EXPECT_THAT(Log.Lines, ElementsAre(NotCopied(big, Card("001.mp3")), NotCopied(a, Card("002.mp3"))));
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
    EXPECT_THAT(Log.Lines, ElementsAre(Copied(a, Card("001.mp3")), CopyStoppedLine));
    EXPECT_THAT(Listing(), ElementsAre("001.mp3"));
}

TEST_F(TrackCopy, ACopyThatReadsBackDifferentlyIsNotCopied)
{
    std::string bytes(3 << 20, 'x');
    const std::string big = Source("big.mp3", bytes), small = Source("small.mp3", "abc");
    int reads = 0;
    // The card returns one wrong byte of 002.mp3, past its first megabyte, and only there.
    TCopyVerify verify;
    verify.Read = [&](int fd, void *buffer, size_t size, off_t offset) {
        ++reads;
        const ssize_t n = ::pread(fd, buffer, size, offset);
        char link[64] = {};
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        if (::readlink(self.c_str(), link, sizeof link - 1) > 0 && std::string(link).ends_with("002.mp3") &&
            offset <= (2 << 20) && offset + n > (2 << 20))
            static_cast<char *>(buffer)[(2 << 20) - offset] ^= 1;
        return n;
    };
    EXPECT_FALSE(CopyTracks({"1;" + small, "2;" + big}, Card(), Log, {}, nullptr, verify));
    EXPECT_THAT(Log.Lines,
                ElementsAre(Copied(small, Card("001.mp3")), Copied(big, Card("002.mp3"), "не совпадает после записи")));
    EXPECT_GT(reads, 0);

    // Without the check nothing is read back.
    Log.Lines.clear();
    reads = 0;
    verify.Enabled = false;
    EXPECT_TRUE(CopyTracks({"2;" + big}, Card(), Log, {}, nullptr, verify));
    EXPECT_EQ(reads, 0);
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
