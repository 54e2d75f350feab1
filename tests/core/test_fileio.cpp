#include "model/error.h"
#include "storage/fileio.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class FileIo : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "sigfileio.XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        Dir = pattern;
    }
    void TearDown() override { fs::remove_all(Dir); }

    size_t EntryCount() const { return static_cast<size_t>(std::distance(fs::directory_iterator(Dir), {})); }

    fs::path Dir;
};

} // namespace

TEST_F(FileIo, WritesAndReadsBackWholeFiles)
{
    const std::string path = (Dir / "a.txt").string();
    const std::string bytes("one\r\ntwo\0three", 14);
    WriteFileAtomically(path, bytes);
    EXPECT_EQ(ReadWholeFile(path), bytes);
    WriteFileAtomically(path, "short");
    EXPECT_EQ(ReadWholeFile(path), "short");
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(FileIo, AFailedWriteLeavesTheOldFileAndNoTemporary)
{
    // A folder standing where the file should go: the rename fails whoever we run as.
    const fs::path target = Dir / "taken";
    fs::create_directory(target);
    std::ofstream(target / "inside") << "keep";
    try {
        WriteFileAtomically(target.string(), "new");
        FAIL() << "writing over a folder must fail";
    } catch (const TFileError &error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + target.string());
    }
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(FileIo, WritingIntoAMissingFolderFailsWithThePath)
{
    const std::string path = (Dir / "missing" / "a.vlpj").string();
    try {
        WriteFileAtomically(path, "x");
        FAIL() << "a missing folder must fail";
    } catch (const TFileError &error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + path);
    }
    EXPECT_EQ(EntryCount(), 0u);
}

TEST_F(FileIo, MissingFilesAreToldApartFromUnreadableOnes)
{
    EXPECT_FALSE(ReadFileIfExists((Dir / "none").string()).has_value());
    EXPECT_THROW(ReadWholeFile((Dir / "none").string()), TFileError);
    EXPECT_THROW(ReadFileIfExists(Dir.string()), TFileError); // a folder is no file
    EXPECT_FALSE(FileExists(Dir.string()));
}
