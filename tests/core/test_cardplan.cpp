#include "device/cardplan.h"

#include "device/cardreport.h"
#include "device/cardsummary.h"
#include "device/trackcopy.h"
#include "storage/fileio.h"
#include "tests/core/support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>
#include <utility>

namespace fs = std::filesystem;
using ::testing::ElementsAre;

namespace {

std::string FileName(const std::string &path)
{
    return path.substr(path.find_last_of('/') + 1);
}

} // namespace

TEST(CardPlan, SpaceIsReadTruthfullyAndTheOldFilesAreNotCountedAsFree)
{
    TTempFolder folder;
    const std::string card = folder.File("card") + "/", src = folder.File("src") + "/";
    fs::create_directories(card);
    fs::create_directories(src);
    constexpr uint64_t K = 1024;
    WriteFileAtomically(card + "001.MP3", std::string(200 * K, 'o')); // another program's spelling
    WriteFileAtomically(card + "002.mp3", std::string(100 * K, 'o'));
    WriteFileAtomically(src + "a", std::string(300 * K, 'n'));
    const std::vector<std::string> playList{"1;" + src + "a", "2;" + card + "002.mp3", "3;" + src + "gone"};
    struct TCase
    {
        std::optional<uint64_t> Free;
        std::vector<TPlanItem::TRoom> Rooms;
        const char *Line;
    } cases[] = {
        {1000 * K,
         {TPlanItem::Beside, TPlanItem::Beside},
         "нужно 0,5 МБ, на карте свободно 1,0 МБ, после удаления старых записей — 1,2 МБ"},
        {300 * K,
         {TPlanItem::AfterOld, TPlanItem::Beside},
         "нужно 0,5 МБ, на карте свободно 0,3 МБ, после удаления старых записей — 0,5 МБ"},
        {50 * K,
         {TPlanItem::NoRoom, TPlanItem::NoRoom},
         "нужно 0,5 МБ, на карте свободно 0,0 МБ, после удаления старых записей — 0,2 МБ"},
        {std::nullopt, {TPlanItem::Unknown, TPlanItem::Unknown}, "нужно 0,5 МБ, свободное место на карте неизвестно"},
    };
    for (const TCase &c : cases) {
        // 002.mp3 is a source of the run: removing it frees nothing.
        const TCardPlan plan = PlanCardCopy(
            playList, card, [&](const std::string &) { return c.Free; },
            [&](const std::string &path) { return FileName(path) == "002.mp3"; });
        ASSERT_EQ(plan.Items.size(), 3u);
        EXPECT_EQ(plan.Items[0].OldName, "001.MP3");
        EXPECT_EQ(plan.Items[0].OldSize, 200 * K);
        EXPECT_EQ(plan.Items[1].OldSize, 0u);
        EXPECT_TRUE(plan.Items[2].SourceMissing);
        EXPECT_EQ(plan.Items[0].Room, c.Rooms[0]);
        EXPECT_EQ(plan.Items[1].Room, c.Rooms[1]);
        EXPECT_EQ(plan.SpaceLine(), c.Line);
    }
}

TEST(CardReport, TheSummaryIsWhatTheCardHoldsAtTheEndNotWhatTheCopyMeant)
{
    TTempFolder folder;
    ::setenv("XDG_STATE_HOME", folder.File("state").c_str(), 1);
    const std::string card = folder.File("card") + "/";
    fs::create_directories(card);
    std::vector<std::string> playList;
    for (int i = 1; i <= 3; ++i) {
        WriteFileAtomically(folder.File(std::to_string(i)), "new " + std::to_string(i));
        playList.push_back(std::to_string(i) + ";" + folder.File(std::to_string(i)));
    }
    // Tracks 1 and 2 are renamed into place; while track 3 is read back, something else writes over
    // track 1's verified copy and takes track 2's away.
    TCopyOptions options;
    bool once = true;
    options.Verify.Read = [&](int fd, void *buffer, size_t size, off_t offset) {
        char link[512] = {};
        if (::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), link, sizeof link - 1) > 0 &&
            std::string(link).find("/003.mp3.") != std::string::npos && std::exchange(once, false)) {
            WriteFileAtomically(card + "001.mp3", "someone else's");
            fs::remove(card + "002.mp3");
        }
        return ::pread(fd, buffer, size, offset);
    };
    TVectorLog log;
    const TCopyReport report = CopyTracks(playList, card, log, options);
    EXPECT_FALSE(report.AllCopied());
    const TCopySummary summary = SummarizeCopy(report, {});
    EXPECT_EQ(summary.Copied, 1u);
    EXPECT_THAT(summary.NotCopied, ElementsAre(1, 2));
    EXPECT_THAT(summary.Absent, ElementsAre(2));
    EXPECT_THAT(
        std::vector<std::string>(log.Lines.end() - 2, log.Lines.end()),
        ElementsAre("трек 1: файл '" + card +
                        "001.mp3' на карте не совпадает ни с новой, ни со старой записью — прозвучит не тот звонок",
                    AbsentTrackLine(2)));
}
