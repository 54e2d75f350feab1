#include "device/trackcopy.h"

#include "device/sdcard.h"
#include "storage/fileio.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class TrackCopy : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "trackcopy.XXXXXX").string();
        Dir = ::mkdtemp(pattern.data());
        fs::create_directory(Dir / "src");
        fs::create_directory(Dir / "card");
    }
    void TearDown() override { fs::remove_all(Dir); }

    std::string Source(const std::string &name, const std::string &bytes)
    {
        const std::string path = (Dir / "src" / name).string();
        WriteFileAtomically(path, bytes);
        return path;
    }
    std::string Card() const { return (Dir / "card").string() + "/"; }
    std::string CardFile(const std::string &name) const { return Card() + name; }

    std::vector<std::string> Listing(const fs::path &folder) const
    {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    static std::string Copied(const std::string &src, const std::string &dst)
    {
        return "Файл '" + src + "' скопирован в '" + dst + "'";
    }
    static std::string NotCopied(const std::string &src, const std::string &dst)
    {
        return "Файл '" + src + "' не скопирован в '" + dst + "'";
    }

    fs::path Dir;
    TVectorLog Log;
};

// Files grow past this soft limit only with EFBIG: a write that fails halfway, on demand.
class TFileSizeLimit
{
public:
    explicit TFileSizeLimit(rlim_t bytes)
    {
        OldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &Old);
        rlimit limit = Old;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &Old);
        std::signal(SIGXFSZ, OldHandler);
    }

private:
    rlimit Old{};
    void (*OldHandler)(int) = nullptr;
};

} // namespace

TEST_F(TrackCopy, CopiesEachFileUnderItsTrackName)
{
    const std::string a = Source("a.mp3", "first"), b = Source("b b.mp3", "second");
    EXPECT_TRUE(CopyTracks({"7;" + a, "42;" + b}, Card(), Log));
    EXPECT_THAT(Log.Lines, ElementsAre(Copied(a, CardFile("007.mp3")), Copied(b, CardFile("042.mp3"))));
    EXPECT_EQ(ReadWholeFile(CardFile("007.mp3")), "first");
    EXPECT_EQ(ReadWholeFile(CardFile("042.mp3")), "second");
    EXPECT_THAT(Listing(Dir / "card"), ElementsAre("007.mp3", "042.mp3"));
}

TEST_F(TrackCopy, KeepsPlayListOrderInTheLogOverManyFiles)
{
    std::vector<std::string> playList, expected;
    for (int i = 1; i <= 75; ++i) {
        const std::string name = "t" + std::to_string(i) + ".mp3";
        if (i % 10 == 0) {
            const std::string missing = (Dir / "src" / name).string();
            playList.push_back(std::to_string(i) + ";" + missing);
            expected.push_back("Файл '" + missing + "' отсутствует");
            continue;
        }
        const std::string src = Source(name, std::to_string(i));
        playList.push_back(std::to_string(i) + ";" + src);
        expected.push_back(Copied(src, CardFile(TrackFileName(i) + ".mp3")));
    }
    EXPECT_FALSE(CopyTracks(playList, Card(), Log));
    EXPECT_EQ(Log.Lines, expected);
    EXPECT_EQ(ReadWholeFile(CardFile("075.mp3")), "75");
    EXPECT_EQ(Listing(Dir / "card").size(), 68u);
}

TEST_F(TrackCopy, NamesFilesByPaddedNumbers)
{
    const std::string a = Source("a.mp3", "x");
    EXPECT_TRUE(CopyTracks({"123;" + a, "1000;" + a, "-5;" + a, " +8 ;" + a}, Card(), Log));
    EXPECT_THAT(Listing(Dir / "card"), ElementsAre("00-5.mp3", "008.mp3", "1000.mp3", "123.mp3"));
}

TEST_F(TrackCopy, SkipsLinesWithoutAPathSilently)
{
    const std::string a = Source("a.mp3", "x");
    EXPECT_TRUE(CopyTracks({"5;", "no separator", "", "1;" + a}, Card(), Log));
    EXPECT_THAT(Log.Lines, ElementsAre(Copied(a, CardFile("001.mp3"))));
}

TEST_F(TrackCopy, ReportsAMissingSourceAndGoesOn)
{
    const std::string missing = (Dir / "src" / "gone.mp3").string();
    const std::string a = Source("a.mp3", "x");
    EXPECT_FALSE(CopyTracks({"1;" + missing, "2;" + (Dir / "src").string(), "3;" + a}, Card(), Log));
    EXPECT_THAT(Log.Lines,
                ElementsAre("Файл '" + missing + "' отсутствует", "Файл '" + (Dir / "src").string() + "' отсутствует",
                            Copied(a, CardFile("003.mp3"))));
}

TEST_F(TrackCopy, DuplicateNumbersAreBothCopiedTheLaterWins)
{
    const std::string a = Source("a.mp3", "earlier"), b = Source("b.mp3", "later");
    EXPECT_TRUE(CopyTracks({"4;" + a, "4;" + b}, Card(), Log));
    EXPECT_THAT(Log.Lines, ElementsAre(Copied(a, CardFile("004.mp3")), Copied(b, CardFile("004.mp3"))));
    EXPECT_EQ(ReadWholeFile(CardFile("004.mp3")), "later");
}

TEST_F(TrackCopy, TargetIsAPlainPrefix)
{
    const std::string a = Source("a.mp3", "x");
    const std::string typed = (Dir / "card" / "music").string();
    EXPECT_TRUE(CopyTracks({"1;" + a}, typed, Log));
    EXPECT_THAT(Log.Lines, ElementsAre(Copied(a, typed + "001.mp3")));
    EXPECT_TRUE(FileExists((Dir / "card" / "music001.mp3").string()));
}

TEST_F(TrackCopy, AMissingTargetFolderFailsThatFileOnly)
{
    const std::string a = Source("a.mp3", "x");
    const std::string target = (Dir / "nowhere").string() + "/";
    EXPECT_FALSE(CopyTracks({"1;" + a, "2;" + a}, target, Log));
    EXPECT_THAT(Log.Lines, ElementsAre(NotCopied(a, target + "001.mp3"), NotCopied(a, target + "002.mp3")));
    EXPECT_FALSE(fs::exists(Dir / "nowhere"));
}

TEST_F(TrackCopy, AWriteFailingHalfwayKeepsTheOldTrackAndLeavesNoTemporary)
{
    const std::string big = Source("big.mp3", std::string(1 << 20, 'n'));
    WriteFileAtomically(CardFile("001.mp3"), "old track");
    {
        TFileSizeLimit limit(64 << 10);
        EXPECT_FALSE(CopyTracks({"1;" + big}, Card(), Log));
    }
    EXPECT_THAT(Log.Lines, ElementsAre(NotCopied(big, CardFile("001.mp3"))));
    EXPECT_EQ(ReadWholeFile(CardFile("001.mp3")), "old track");
    EXPECT_THAT(Listing(Dir / "card"), ElementsAre("001.mp3"));
}

TEST_F(TrackCopy, ATargetThatIsAFolderIsNotReplaced)
{
    const std::string a = Source("a.mp3", "x");
    fs::create_directory(Dir / "card" / "001.mp3");
    EXPECT_FALSE(CopyTracks({"1;" + a}, Card(), Log));
    EXPECT_THAT(Log.Lines, ElementsAre(NotCopied(a, CardFile("001.mp3"))));
    EXPECT_TRUE(fs::is_directory(Dir / "card" / "001.mp3"));
    EXPECT_THAT(Listing(Dir / "card"), ElementsAre("001.mp3"));
}

TEST_F(TrackCopy, CopiesLargeFilesWhole)
{
    std::string bytes(9 << 20, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 2654435761u >> 24);
    const std::string a = Source("long.mp3", bytes);
    std::vector<TCopyProgress> reports;
    EXPECT_TRUE(CopyTracks({"3;" + a}, Card(), Log, [&](const TCopyProgress &p) { reports.push_back(p); }));
    EXPECT_TRUE(ReadWholeFile(CardFile("003.mp3")) == bytes);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().BytesDone, bytes.size());
    EXPECT_EQ(reports.back().BytesTotal, bytes.size());
    EXPECT_EQ(reports.back().Target, CardFile("003.mp3"));
}

TEST_F(TrackCopy, CopiesFilesThatTheKernelCanNotCopyItself)
{
    // Files of /proc report no size; the copy must read them to their end all the same.
    EXPECT_TRUE(CopyTracks({"9;/proc/self/cmdline"}, Card(), Log));
    EXPECT_EQ(ReadWholeFile(CardFile("009.mp3")), ReadWholeFile("/proc/self/cmdline"));
}

TEST_F(TrackCopy, CountsFilesForProgress)
{
    const std::string a = Source("a.mp3", "abc");
    std::vector<std::pair<size_t, size_t>> files;
    CopyTracks({"1;" + a, "2;", "3;" + a}, Card(), Log, [&](const TCopyProgress &p) {
        if (p.BytesDone == p.BytesTotal)
            files.emplace_back(p.FileIndex, p.FileCount);
    });
    EXPECT_THAT(files, ElementsAre(std::pair<size_t, size_t>(1, 2), std::pair<size_t, size_t>(2, 2)));
}

TEST_F(TrackCopy, AStopEndsTheRunBeforeTheNextFile)
{
    const std::string a = Source("a.mp3", "abc"), b = Source("b.mp3", "def");
    std::atomic<bool> stop = false;
    const bool all = CopyTracks(
        {"1;" + a, "2;" + b}, Card(), Log, [&](const TCopyProgress &) { stop = true; }, &stop);
    EXPECT_FALSE(all);
    EXPECT_THAT(Log.Lines, ElementsAre(Copied(a, CardFile("001.mp3")), CopyStoppedLine));
    EXPECT_THAT(Listing(Dir / "card"), ElementsAre("001.mp3"));
}
