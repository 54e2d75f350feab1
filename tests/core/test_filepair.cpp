#include "storage/filepair.h"

#include "model/error.h"
#include "storage/fileio.h"
#include "tests/core/support.h"

#include <gtest/gtest.h>

#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A process that dies at its n-th flush: every step of a pair write ends in one (a file's data, a
// rename made durable), so counting them reaches every moment between two steps.
int FlushesLeft = -1;
int DieAtFlush(int fd)
{
    if (FlushesLeft >= 0 && FlushesLeft-- == 0)
        ::_exit(9);
    return ::fsync(fd);
}
int DieAtFileSystemFlush(int fd)
{
    return DieAtFlush(fd) == 0 ? ::syncfs(fd) : -1;
}

struct TPair
{
    std::optional<std::string> Main, Companion;
    bool operator==(const TPair &) const = default;
};

std::string Show(const std::optional<std::string> &file)
{
    return file ? "«" + *file + "»" : "нет";
}

// Writes the pair in a child that dies at flush `at` (-1: never); true when the child finished.
bool WriteInChild(const TTempFolder &folder, int at, const std::optional<std::string> &companion)
{
    const pid_t child = ::fork();
    if (child == 0) {
        FlushesLeft = at;
        SetFlushFunctions({DieAtFlush, DieAtFileSystemFlush});
        try {
            TFilePairWrite pair(folder.File("a.mp3"), folder.File("a.mp3.txt"));
            WriteFileAtomically(pair.MainScratch(), "new sound");
            pair.Commit(companion);
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 1) << "the write itself failed";
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

// Killed at every step of the write, over every kind of old pair and with or without new words:
// what a reader sees is the old pair, the new pair, or (only while the staged main file says the
// write is mid-commit) the new words beside the old sound; the next run makes it old or new, and
// leaves nothing else in the folder.
TEST(FilePairWrite, KilledAtAnyStepTheNextRunLeavesTheOldPairOrTheNew)
{
    const TPair olds[] = {{}, {"old sound", "old words"}, {"old sound", std::nullopt}};
    const std::optional<std::string> newWords[] = {"new words", std::nullopt};
    for (const TPair &old : olds)
        for (const std::optional<std::string> &words : newWords) {
            const TPair fresh{"new sound", words};
            bool finished = false;
            for (int at = 0; !finished && at < 40; ++at) {
                SCOPED_TRACE("old " + Show(old.Main) + "/" + Show(old.Companion) + ", new words " + Show(words) +
                             ", killed at flush " + std::to_string(at));
                TTempFolder folder;
                const std::string main = folder.File("a.mp3"), companion = folder.File("a.mp3.txt");
                if (old.Main)
                    WriteFileAtomically(main, *old.Main);
                if (old.Companion)
                    WriteFileAtomically(companion, *old.Companion);
                finished = WriteInChild(folder, at, words);

                const TPair seen{ReadFileIfExists(main), ReadFileIfExists(companion)};
                const bool midCommit = FileExists(TFilePairWrite::NamesOf(main, companion).MainStaged);
                EXPECT_TRUE(seen == old || seen == fresh || (midCommit && seen == TPair{old.Main, words}))
                    << "seen " << Show(seen.Main) << "/" << Show(seen.Companion);
                FinishFilePair(main, companion);
                const TPair after{ReadFileIfExists(main), ReadFileIfExists(companion)};
                EXPECT_TRUE(after == old || after == fresh)
                    << "after " << Show(after.Main) << "/" << Show(after.Companion);
                if (finished || midCommit) {
                    EXPECT_TRUE(after == fresh);
                }
                EXPECT_EQ(folder.Entries(), (after.Main ? 1 : 0) + (after.Companion ? 1 : 0));
            }
            EXPECT_TRUE(finished);
        }
}

// A place that no file can take is named before anything is written; so is a missing folder.
TEST(FilePairWrite, RefusesAFolderOrPipeInEitherPlaceAndWritesNothing)
{
    struct
    {
        const char *Blocked;
        bool Pipe;
        const char *Why;
    } const cases[] = {
        {"a.mp3.txt", false, "это папка, а не файл"},
        {"a.mp3.txt", true, "это не обычный файл (канал, устройство или сокет)"},
        {"a.mp3", false, "это папка, а не файл"},
        {"a.mp3", true, "это не обычный файл (канал, устройство или сокет)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.Blocked) + (c.Pipe ? " (pipe)" : " (folder)"));
        TTempFolder folder;
        const std::string blocked = folder.File(c.Blocked);
        ASSERT_EQ(c.Pipe ? ::mkfifo(blocked.c_str(), 0600) : ::mkdir(blocked.c_str(), 0700), 0);
        ExpectError<TFileError>([&] { TFilePairWrite pair(folder.File("a.mp3"), folder.File("a.mp3.txt")); },
                                "Не удалось записать файл " + blocked + "\n" + c.Why);
        EXPECT_EQ(folder.Entries(), 1);
    }
    TTempFolder folder;
    ExpectError<TFileError>([&] { TFilePairWrite pair(folder.File("no/a.mp3"), folder.File("no/a.mp3.txt")); },
                            "Не удалось записать файл " + folder.File("no/a.mp3") + "\nпапка не существует");
}

// A write that ends before its commit (the sound could not be made) leaves the old pair alone and
// takes its own files away.
TEST(FilePairWrite, AnAbandonedWriteLeavesTheOldPairAndNoScratch)
{
    TTempFolder folder;
    const std::string main = folder.File("a.mp3"), companion = folder.File("a.mp3.txt");
    WriteFileAtomically(main, "old sound");
    WriteFileAtomically(companion, "old words");
    {
        TFilePairWrite pair(main, companion);
        WriteFileAtomically(pair.MainScratch(), "half a sound");
    }
    EXPECT_EQ(ReadWholeFile(main), "old sound");
    EXPECT_EQ(ReadWholeFile(companion), "old words");
    EXPECT_EQ(folder.Entries(), 2);
}
