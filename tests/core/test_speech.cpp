#include "audio/limiter.h"
#include "audio/speech.h"
#include "device/sounds.h"
#include "device/trackinfo.h"
#include "model/error.h"
#include "storage/fileio.h"
#include "storage/soundnote.h"
#include "support.h"

#include <gtest/gtest.h>

#include <cmath>

// Announcements written as `sound speech` writes them decode as sound MP3s at -16 LUFS, last about
// as long as their words take to say, and the gong adds its own length in front.
TEST(Speech, AnnouncementsDecodeLevelledWithLengthOfTheirWords)
{
    TTempFolder folder;
    const std::string sentence = "Внимание! Через пять минут начнётся второй урок. Просим всех пройти в классы.";
    double plainSeconds = 0;
    for (const bool chime : {false, true}) {
        for (const std::string &text : {std::string("Внимание"), sentence}) {
            TSoundRecipe recipe;
            recipe.Speech = true;
            recipe.Announcement = {text, chime, "ru"};
            const std::string path = folder.File("speech.mp3");
            MakeSoundFile(path, recipe);

            const TTrackInfo info = InspectTrack(path);
            ASSERT_EQ(info.Status, TTrackStatus::Ok) << text;
            EXPECT_EQ(info.SampleRate, 44100);
            EXPECT_EQ(info.Channels, 1);
            const TLoudness loudness = MeasureTrackLoudness(path);
            EXPECT_NEAR(loudness.Lufs, -16, 0.5) << text << (chime ? " with the gong" : "");
            EXPECT_LE(loudness.TruePeakDb, -1) << text;
            const double characters = static_cast<double>(text.size()) / 2; // Cyrillic: two bytes each
            if (text == sentence && !chime) {
                // Spoken at about 10 to 20 characters a second.
                EXPECT_GT(info.Seconds, characters / 20) << text;
                EXPECT_LT(info.Seconds, characters / 10) << text;
                plainSeconds = info.Seconds;
            }
            if (text == sentence && chime) { // the 3 s gong and its 0.4 s pause
                EXPECT_NEAR(info.Seconds - plainSeconds, 3.4, 0.05);
            }
        }
    }
}

TEST(Speech, RefusalsSayWhy)
{
    TTempFolder folder;
    TSoundRecipe recipe;
    recipe.Speech = true;
    recipe.Announcement = {"Проверка", false, "xx-nonexistent"};
    const std::string path = folder.File("x.mp3");
    ExpectError<TFileError>([&] { MakeSoundFile(path, recipe); },
                            "Не удалось озвучить объявление для файла " + path +
                                "\nголоса «xx-nonexistent» нет в данных eSpeak NG (пакет espeak-ng-data)");
    EXPECT_FALSE(FileExists(path));

    // Text that passes the check but that the voice says nothing for makes no file of silence.
    recipe.Announcement = {"... !?", false, "ru"};
    ExpectError<TFileError>([&] { MakeSoundFile(path, recipe); },
                            "Не удалось озвучить объявление для файла " + path +
                                "\neSpeak NG не произнёс ни звука: в тексте объявления нечего произносить");
    EXPECT_FALSE(FileExists(path));

    const std::string empty = "текст объявления пуст";
    const std::pair<std::string, std::string> texts[] = {
        {" \n", empty},
        {"\u200B", empty},                     // zero-width space
        {"\u00A0\u2007\u202F\u3000\t", empty}, // no-break and other spaces
        {"\uFEFF\u200D\u2060\u00AD\uFE0F", empty},
        {"\xC2\xE5\xF0\xED\xEE", "текст объявления не в кодировке UTF-8 (возможно, в Windows-1251)"}, // Верно
        {"\u200BА", ""},
        {"1", ""},
        {std::string(MaxAnnouncementCharacters, 'a'), ""},
        {std::string(MaxAnnouncementCharacters + 1, 'a'), "текст объявления длиннее 1000 знаков"},
    };
    for (const auto &[text, problem] : texts)
        EXPECT_EQ(AnnouncementTextProblem(text), problem) << text;
}

// The note beside the track gives back what was said and how; a note written by hand is all text.
TEST(SoundNote, ReadsBackWhatItWroteAndTakesPlainText)
{
    const TAnnouncement said{"Внимание!\n\nВторая строка", true, "ru"};
    const TAnnouncement read = ParseSoundNote(FormatSoundNote(said));
    EXPECT_EQ(read.Text, said.Text);
    EXPECT_TRUE(read.Chime);
    EXPECT_EQ(read.Voice, "ru");
    for (const std::string plain : {"Гонг: да\nпросто текст", "Урок окончен", "Гонг: да"}) {
        const TAnnouncement note = ParseSoundNote(plain);
        EXPECT_EQ(note.Text, plain);
        EXPECT_FALSE(note.Chime) << plain;
    }
    EXPECT_EQ(SoundNotePath("/a/Трек 3.mp3"), "/a/Трек 3.mp3.txt");
}

// The resampler keeps a tone's shape; the limiter holds every peak under its ceiling and leaves the
// signal away from the peaks as it was.
TEST(Speech, ResamplerKeepsATonesShapeAndLimiterOnlyTouchesPeaks)
{
    const auto tone = [](int rate, double amplitude) {
        std::vector<float> samples(static_cast<size_t>(rate));
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<float>(amplitude * std::sin(2 * M_PI * 1000 * double(i) / rate));
        return samples;
    };
    const std::vector<float> up = Resample(tone(22050, 0.5), 22050, 44100);
    ASSERT_EQ(up.size(), 44100u);
    const std::vector<float> expected = tone(44100, 0.5);
    for (size_t i = 1000; i < 43000; i += 97) // away from the ends, where the filter runs out of input
        ASSERT_NEAR(up[i], expected[i], 0.01) << i;

    const int rate = 44100;
    std::vector<float> samples = tone(rate, 0.2);
    for (const size_t spike : {10000, 10003, 30000})
        samples[spike] = 1.0f;
    const std::vector<float> before = samples;
    LimitPeaks(samples, rate, -2);
    const float ceiling = static_cast<float>(std::pow(10, -2.0 / 20));
    for (size_t i = 0; i < samples.size(); ++i) {
        ASSERT_LE(std::fabs(samples[i]), ceiling + 1e-6f) << i;
        if (i < 9700 || (i > 20000 && i < 29700)) { // before each spike's look-ahead, after the first's recovery
            ASSERT_NEAR(samples[i], before[i], 0.002) << i;
        }
    }
}
