#include "device/soundfile.h"

#include "audio/mp3encode.h"
#include "model/error.h"
#include "storage/fileio.h"
#include "support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sys/stat.h>

namespace {

std::string ToneMp3()
{
    std::vector<float> tone(44100);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = float(0.5 * std::sin(2 * M_PI * 440 * double(i) / 44100));
    return EncodeMonoMp3(tone, 44100, 128);
}

} // namespace

// A sound goes only into a file named .mp3 that is empty, missing or an MP3 already: whatever else
// stands there (a project above all) is named and kept.
TEST(SoundTarget, OnlyAnMp3NameOverNothingOrAnMp3)
{
    TTempFolder folder;
    const std::string notMp3Name = "звук записывается только в файл с расширением .mp3";
    const std::string onlyOverMp3 = "), а звук записывается только поверх MP3";
    const struct
    {
        const char *Name;
        std::optional<std::string> Bytes; // "": no file; nothing: a folder
        std::string Problem;              // after "Файл <path> не записан: "; "" when allowed
    } cases[] = {
        {"new.mp3", "", ""},
        {"loud.MP3", ToneMp3(), ""},
        {"tone.Mp3", ToneMp3(), ""},
        {"school.vlpj", "[Project]\r\nName=Школа\r\n", notMp3Name},
        {"sound", ToneMp3(), notMp3Name},
        {"sound.mp3.txt", "", notMp3Name},
        {"school.mp3", "[Project]\r\nName=Школа\r\n", "на его месте не MP3 (это файл проекта" + onlyOverMp3},
        {"notes.mp3", "купить мел", "на его месте не MP3 (нет кадров MPEG Layer III" + onlyOverMp3},
        {"folder.mp3", std::nullopt, "на его месте не MP3 (это папка" + onlyOverMp3},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = folder.File(c.Name);
        if (!c.Bytes)
            ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
        else if (!c.Bytes->empty())
            WriteFileAtomically(path, *c.Bytes);
        EXPECT_EQ(SoundTargetProblem(path), c.Problem.empty() ? "" : "Файл " + path + " не записан: " + c.Problem);
    }
    const std::string empty = folder.File("empty.mp3"); // nothing in it to lose
    WriteFileAtomically(empty, "");
    EXPECT_EQ(SoundTargetProblem(empty), "");
}

// The words file goes with its sound: written beside an announcement, removed by a bell made in its
// place; a refused place keeps what it held, and no words are written for it.
TEST(SoundPair, WordsComeAndGoWithTheirSound)
{
    TTempFolder folder;
    const std::string path = folder.File("Трек 3.mp3");
    TSoundRecipe speech;
    speech.Speech = true;
    speech.Announcement = {"Внимание", true, "ru"};
    WriteSoundPair(path, speech);
    EXPECT_EQ(InspectTrack(path).Status, TTrackStatus::Ok);
    EXPECT_EQ(ReadWholeFile(SoundNotePath(path)), FormatSoundNote(speech.Announcement));

    TSoundRecipe bell;
    bell.Seconds = 1;
    WriteSoundPair(path, bell);
    EXPECT_EQ(InspectTrack(path).Status, TTrackStatus::Ok);
    EXPECT_FALSE(FileExists(SoundNotePath(path)));
    EXPECT_EQ(folder.Entries(), 1);

    const std::string project = folder.File("school.mp3"), bytes = "[Project]\r\nName=Школа\r\n";
    WriteFileAtomically(project, bytes);
    EXPECT_THROW(WriteSoundPair(project, speech), TFileError);
    EXPECT_EQ(ReadWholeFile(project), bytes);
    EXPECT_EQ(folder.Entries(), 2);
}
