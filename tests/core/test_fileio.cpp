#include "model/cause.h"
#include "model/error.h"
#include "storage/fileio.h"
#include "tests/core/support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Unwritable(const std::string &path, const std::string &cause)
{
    return "Unable to write to " + path + "\n" + cause;
}

std::string Unreadable(const std::string &path, const std::string &cause)
{
    return "Не удалось прочитать файл " + path + "\n" + cause;
}

mode_t Mode(const std::string &path)
{
    struct stat st = {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

} // namespace

TEST(FileIo, WritesAndReadsBackWholeFiles)
{
    TTempFolder folder;
    const std::string path = folder.File("a.txt");
    const std::string bytes("one\r\ntwo\0three", 14);
    WriteFileAtomically(path, bytes);
    EXPECT_EQ(ReadWholeFile(path), bytes);
    WriteFileAtomically(path, "short");
    EXPECT_EQ(ReadWholeFile(path), "short");
    EXPECT_EQ(folder.Entries(), 1);
}

TEST(FileIo, AFailedWriteSaysWhyAndLeavesTheOldFileAndNoTemporary)
{
    TTempFolder folder;
    const std::string old = folder.File("old.vlpj");
    WriteFileAtomically(old, "old");
    fs::create_directory(folder.File("taken"));
    std::ofstream(folder.File("taken/inside")) << "keep";
    fs::create_directory(folder.File("locked"));
    ::mkfifo(folder.File("fifo").c_str(), 0600);
    struct TCase
    {
        std::string Path, Cause;
        bool NeedsNonRoot = false;
    } cases[] = {
        {folder.File("missing/a.vlpj"), "папка не существует"},
        {folder.File("old.vlpj/a.vlpj"), "в пути вместо папки стоит файл"},
        {folder.File("locked/a.vlpj"), "нет прав доступа", true},
        {folder.File("taken"), "это папка, а не файл"},
        {folder.File("fifo"), "это не обычный файл (канал, устройство или сокет)"},
        {folder.File("taken/"), "не указано имя файла"},
        {"", "не указано имя файла"},
    };
    fs::permissions(folder.File("locked"), fs::perms::owner_read | fs::perms::owner_exec);
    for (const TCase &c : cases) {
        if (c.NeedsNonRoot && ::geteuid() == 0)
            continue; // root writes into a read-only folder all the same
        ExpectError<TFileError>([&] { WriteFileAtomically(c.Path, "new"); }, Unwritable(c.Path, c.Cause));
    }
    EXPECT_EQ(folder.Entries(), 4);
    EXPECT_TRUE(fs::is_empty(folder.File("locked")));

    // A write cut off part-way, as on a full disk.
    {
        TFileSizeLimit limit(64);
        ExpectError<TFileError>([&] { WriteFileAtomically(old, std::string(1000, 'x')); },
                                Unwritable(old, "файл слишком велик для этого диска"));
    }
    EXPECT_EQ(ReadWholeFile(old), "old");
    EXPECT_EQ(folder.Entries(), 4);

    // A flush that fails (a card pulled out, a disk's cache that could not be written): the whole-file
    // write and the grouped commit of the card both fail with the cause and keep the old file.
    const auto failing = [](int) {
        errno = EIO;
        return -1;
    };
    const auto ok = [](int) { return 0; };
    const TFlushFunctions failures[] = {{failing, ok}, {ok, failing}};
    for (const TFlushFunctions &flush : failures) {
        const TFlushFunctions before = SetFlushFunctions(flush);
        if (flush.File == failing)
            ExpectError<TFileError>([&] { WriteFileAtomically(old, "new"); }, Unwritable(old, CauseText(EIO)));
        TSafeWrite write;
        ASSERT_TRUE(write.Open(old) && write.Write("new"));
        TSafeWrite::CommitAll({&write});
        SetFlushFunctions(before);
        EXPECT_EQ(write.Error(), EIO);
        EXPECT_EQ(ReadWholeFile(old), "old");
        EXPECT_EQ(folder.Entries(), 4);
    }
}

TEST(FileIo, ASaveKeepsLinksAndPermissions)
{
    TTempFolder folder;
    const std::string real = folder.File("real.vlpj"), link = folder.File("link.vlpj");
    WriteFileAtomically(real, "old");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_directory(folder.File("sub"));
    fs::create_symlink("../real.vlpj", folder.File("sub/relative.vlpj"));
    fs::create_symlink(folder.File("sub/relative.vlpj"), link); // a link to a link

    WriteFileAtomically(link, "new");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(fs::is_symlink(folder.File("sub/relative.vlpj")));
    EXPECT_EQ(ReadWholeFile(real), "new");
    EXPECT_EQ(Mode(real), 0600u);
    EXPECT_EQ(folder.Entries(), 3);

    // A link that leads nowhere yet makes the file it names; a new file gets the usual mode.
    fs::create_symlink("made.vlpj", folder.File("dangling.vlpj"));
    const mode_t mask = ::umask(027);
    WriteFileAtomically(folder.File("dangling.vlpj"), "made");
    ::umask(mask);
    EXPECT_EQ(ReadWholeFile(folder.File("made.vlpj")), "made");
    EXPECT_EQ(Mode(folder.File("made.vlpj")), 0640u);

    fs::create_symlink("loop.vlpj", folder.File("loop.vlpj"));
    ExpectError<TFileError>([&] { WriteFileAtomically(folder.File("loop.vlpj"), "x"); },
                            Unwritable(folder.File("loop.vlpj"), "символические ссылки в пути образуют петлю"));
}

TEST(FileIo, ReadsOnlyRegularFilesWithinTheLimit)
{
    TTempFolder folder;
    const std::string fifo = folder.File("fifo"), big = folder.File("big"), none = folder.File("none");
    ::mkfifo(fifo.c_str(), 0600); // no writer: a blocking open would wait for ever
    std::ofstream(big) << std::string(100, 'b');
    const std::string sparse = folder.File("sparse");
    std::ofstream(sparse).close();
    fs::resize_file(sparse, MaxReadBytes + 1);
    struct TCase
    {
        std::string Path;
        uint64_t Limit;
        std::string Cause;
    } cases[] = {
        {none, MaxReadBytes, "файл не найден"},
        {folder.Path.string(), MaxReadBytes, "это папка, а не файл"},
        {fifo, MaxReadBytes, "это не обычный файл (канал, устройство или сокет)"},
        {"/dev/zero", MaxReadBytes, "это не обычный файл (канал, устройство или сокет)"},
        {big, 99, "файл слишком велик (больше 99 байт)"},
        {sparse, MaxReadBytes, "файл слишком велик (больше 16 МБ)"},
        // Reports no size: the read itself has to stop past the limit.
        {"/proc/self/cmdline", 3, "файл слишком велик (больше 3 байт)"},
    };
    for (const TCase &c : cases)
        ExpectError<TFileError>([&] { ReadWholeFile(c.Path, c.Limit); }, Unreadable(c.Path, c.Cause));
    EXPECT_EQ(ReadWholeFile(big, 100), std::string(100, 'b'));
    EXPECT_FALSE(ReadFileIfExists(none).has_value());
    EXPECT_FALSE(ReadFileIfExists(big + "/none").has_value());
    EXPECT_THROW(ReadFileIfExists(fifo), TFileError);
    EXPECT_FALSE(FileExists(folder.Path.string()));
}

TEST(FileIo, UnexpectedFailuresNameTheFileLastOpened)
{
    TTempFolder folder;
    ClearFileInUse();
    EXPECT_EQ(FailureText(std::bad_alloc()), "Недостаточно памяти: команда прервана");
    const std::string path = folder.File("plan.csv");
    WriteFileAtomically(path, "1");
    ReadWholeFile(path);
    EXPECT_EQ(FailureText(std::bad_alloc()), "Недостаточно памяти при работе с файлом " + path + ": команда прервана");
    EXPECT_EQ(FailureText(std::length_error("basic_string")),
              "Непредвиденная ошибка при работе с файлом " + path + ":\nbasic_string");
    EXPECT_EQ(FailureText(TFileError("Unable to write to x\nнет прав доступа")),
              "Unable to write to x\nнет прав доступа");
}

TEST(FileIo, RefusesToReplaceAProtectedFileOrTheInputItself)
{
    TTempFolder folder;
    const std::string locked = folder.File("locked.vlpj"), plain = folder.File("plain.vlpj");
    const std::string link = folder.File("link.csv");
    WriteFileAtomically(locked, "old");
    WriteFileAtomically(plain, "plain");
    fs::create_symlink("plain.vlpj", link);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ExpectError<TFileError>([&] { WriteFileAtomically(locked, "new"); }, Unwritable(locked, "файл защищён от записи"));
    EXPECT_EQ(ReadWholeFile(locked), "old");

    const struct
    {
        std::string In, Out;
        bool Same;
    } cases[] = {{plain, link, true}, {plain, plain, true}, {plain, locked, false}, {plain, folder.File("new"), false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Out);
        if (c.Same)
            ExpectError<TFileError>([&] { RefuseSameFile(c.In, c.Out); }, Unwritable(c.Out, "это сам исходный файл"));
        else
            EXPECT_NO_THROW(RefuseSameFile(c.In, c.Out));
    }
    EXPECT_EQ(CauseText(ENOTSOCK), "системная ошибка " + std::to_string(ENOTSOCK));
}

TEST(FileIo, AWriteCutOffLeavesNoTemporaryAndEditsTakeTurns)
{
    TTempFolder folder;
    const std::string path = folder.File("school.vlpj");
    WriteFileAtomically(path, "old");
    {
        // A process killed here leaves nothing behind: the temporary has no name yet.
        TSafeWrite write;
        ASSERT_TRUE(write.Open(path, TSafeWrite::TTemporary::Nameless));
        ASSERT_TRUE(write.Write("half"));
        EXPECT_EQ(folder.Entries(), 1);
    }

    auto first = std::make_unique<TEditLock>(path);
    ExpectError<TFileError>([&] { TEditLock second(path, std::chrono::milliseconds(100)); },
                            "Файл " + path + " сейчас изменяет другая команда; попробуйте позже, файл не изменён");
    WriteFileAtomically(path, "new"); // the holder writes a new file in place and lets go
    first.reset();
    EXPECT_NO_THROW(TEditLock second(path, std::chrono::milliseconds(0)));
}
