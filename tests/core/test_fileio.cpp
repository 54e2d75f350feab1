#include "model/error.h"
#include "storage/fileio.h"
#include "tests/core/support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

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

TEST(FileIo, AFailedWriteLeavesTheOldFileAndNoTemporary)
{
    TTempFolder folder;
    // A folder standing where the file should go: the rename fails whoever we run as.
    const std::string taken = folder.File("taken");
    fs::create_directory(taken);
    std::ofstream(fs::path(taken) / "inside") << "keep";
    ExpectError<TFileError>([&] { WriteFileAtomically(taken, "new"); }, "Unable to write to " + taken);
    EXPECT_TRUE(fs::is_directory(taken));

    // A write cut off part-way, as on a full disk.
    const std::string path = folder.File("a.vlpj");
    WriteFileAtomically(path, "old");
    {
        TFileSizeLimit limit(64);
        ExpectError<TFileError>([&] { WriteFileAtomically(path, std::string(1000, 'x')); },
                                "Unable to write to " + path);
    }
    EXPECT_EQ(ReadWholeFile(path), "old");
    EXPECT_EQ(folder.Entries(), 2);

    const std::string missing = folder.File("missing/a.vlpj");
    ExpectError<TFileError>([&] { WriteFileAtomically(missing, "x"); }, "Unable to write to " + missing);
    EXPECT_EQ(folder.Entries(), 2);
}

TEST(FileIo, MissingFilesAreToldApartFromUnreadableOnes)
{
    TTempFolder folder;
    EXPECT_FALSE(ReadFileIfExists(folder.File("none")).has_value());
    ExpectError<TFileError>([&] { ReadWholeFile(folder.File("none")); }, "Unable to read " + folder.File("none"));
    EXPECT_THROW(ReadFileIfExists(folder.Path.string()), TFileError); // a folder is no file
    EXPECT_FALSE(FileExists(folder.Path.string()));
}
