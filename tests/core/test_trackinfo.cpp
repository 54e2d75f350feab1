#include "audio/trackdecoder.h"
#include "device/trackinfo.h"
#include "model/error.h"
#include "storage/fileio.h"
#include "support.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// A 16-bit mono WAV of a 440 Hz tone.
std::string ToneWav(double seconds, int rate)
{
    const auto samples = static_cast<uint32_t>(seconds * rate);
    std::string wav;
    const auto put = [&wav](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            wav.push_back(char((value >> (8 * i)) & 0xff));
    };
    wav += "RIFF";
    put(36 + samples * 2, 4);
    wav += "WAVEfmt ";
    put(16, 4), put(1, 2), put(1, 2), put(rate, 4), put(rate * 2, 4), put(2, 2), put(16, 2);
    wav += "data";
    put(samples * 2, 4);
    for (uint32_t i = 0; i < samples; ++i)
        put(uint16_t(int16_t(8000 * std::sin(2 * M_PI * 440 * i / rate))), 2);
    return wav;
}

// The test files, made once: MP3s by lame, an encoder none of us wrote.
class TrackInspection : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        Folder = new TTempFolder;
        WriteFileAtomically(File("tone.wav"), ToneWav(3.0, 44100));
        const std::string lame = "lame --quiet -b 128 '" + File("tone.wav") + "' '" + File("tone.mp3") + "'";
        ASSERT_EQ(std::system(lame.c_str()), 0) << "lame is needed for these tests (scripts/install-deps)";
        Tone = ReadWholeFile(File("tone.mp3"));
    }
    static void TearDownTestSuite() { delete Folder; }
    static std::string File(const std::string &name) { return Folder->File(name); }

    static TTempFolder *Folder;
    static std::string Tone;
};

TTempFolder *TrackInspection::Folder = nullptr;
std::string TrackInspection::Tone;

} // namespace

TEST_F(TrackInspection, GoodToneIsOkWithItsExactLengthAndFormat)
{
    const TTrackInfo info = InspectTrack(File("tone.mp3"));
    EXPECT_EQ(info.Status, TTrackStatus::Ok) << TrackStatusText(info);
    EXPECT_NEAR(info.Seconds, 3.0, 0.05);
    EXPECT_EQ(info.SampleRate, 44100);
    EXPECT_EQ(info.Channels, 1);
    EXPECT_EQ(info.Kbps, 128);
    EXPECT_FALSE(info.Vbr);
    EXPECT_EQ(info.Errors, 0);
    EXPECT_EQ(TrackFormatText(info), "MPEG-1 Layer III, 44100 Гц, моно, 128 кбит/с");
}

TEST_F(TrackInspection, BadFilesGetTheirStatus)
{
    std::string middle = Tone;
    uint32_t seed = 12345;
    for (size_t i = middle.size() / 2; i < middle.size() / 2 + 4000; ++i)
        middle[i] = char((seed = seed * 1103515245 + 12345) >> 16);
    WriteFileAtomically(File("middle.mp3"), middle);
    WriteFileAtomically(File("cut.mp3"), Tone.substr(0, Tone.size() - 200));
    WriteFileAtomically(File("wav.mp3"), ReadWholeFile(File("tone.wav")));
    WriteFileAtomically(File("empty.mp3"), "");
    WriteFileAtomically(File("noise.mp3"), std::string(300000, '\xff'));

    const struct
    {
        const char *Name;
        TTrackStatus Status;
        const char *Text; // the start of the operator's text
    } cases[] = {
        {"middle.mp3", TTrackStatus::Damaged, "повреждён ("},
        {"cut.mp3", TTrackStatus::Damaged, "повреждён (1 ошибка)"},
        {"wav.mp3", TTrackStatus::NotMp3, "не MP3: это файл WAV"},
        {"empty.mp3", TTrackStatus::NotMp3, "не MP3: пустой файл"},
        {"noise.mp3", TTrackStatus::NotMp3, "не MP3: нет кадров"},
        {"absent.mp3", TTrackStatus::Missing, "файл отсутствует"},
        {"", TTrackStatus::NotMp3, "не MP3: это папка"}, // the folder itself
    };
    for (const auto &c : cases) {
        const TTrackInfo info = InspectTrack(File(c.Name));
        EXPECT_EQ(info.Status, c.Status) << c.Name << ": " << TrackStatusText(info);
        EXPECT_EQ(TrackStatusText(info).rfind(c.Text, 0), 0u) << c.Name << ": " << TrackStatusText(info);
    }
    // Damage costs the frames it hit (4000 bytes at 16000 a second), not the length of the rest.
    const TTrackInfo middleInfo = InspectTrack(File("middle.mp3"));
    EXPECT_GE(middleInfo.Errors, 1);
    EXPECT_NEAR(middleInfo.Seconds, 3.0 - 0.25, 0.1);
}

// An ID3v2.3 tag of that many bytes after its header, holding a picture frame of made-up bytes.
std::string Id3Tag(uint32_t body)
{
    std::string tag = "ID3\x03";
    tag += std::string(2, '\0');
    for (int shift : {21, 14, 7, 0})
        tag.push_back(char((body >> shift) & 0x7f));
    std::string frame = "APIC" + std::string(6, '\0') + "\0image/jpeg\0\x03\0\xff\xd8";
    for (size_t i = frame.size(); i < body; ++i)
        frame.push_back(char(i * 7));
    return tag + frame.substr(0, body);
}

TEST_F(TrackInspection, TagsAndPaddingAroundTheFramesStillMakeAnMp3)
{
    // Each outweighs the 3 s of audio (48 KB).
    const struct
    {
        const char *Name;
        std::string Bytes;
    } cases[] = {
        {"cover.mp3", Id3Tag(150000) + Tone},
        {"two-tags.mp3", Id3Tag(3000) + Id3Tag(80000) + Tone},
        {"padding.mp3", Tone + std::string(100000, '\0')},
    };
    for (const auto &c : cases) {
        WriteFileAtomically(File(c.Name), c.Bytes);
        const TTrackInfo info = InspectTrack(File(c.Name));
        EXPECT_EQ(info.Status, TTrackStatus::Ok) << c.Name << ": " << TrackStatusText(info);
        EXPECT_NEAR(info.Seconds, 3.0, 0.05) << c.Name;
    }
}

TEST_F(TrackInspection, DevicesAreNotReadAndTheByteLimitIsSaid)
{
    EXPECT_EQ(InspectTrack("/dev/zero").Status, TTrackStatus::NotMp3);
    const TTrackInfo part = InspectTrack(File("tone.mp3"), {20000, 10});
    EXPECT_EQ(part.Status, TTrackStatus::Ok);
    EXPECT_TRUE(part.Partial);
    EXPECT_LT(part.Seconds, 2.0);
    EXPECT_NE(TrackStatusText(part).find("проверены первые"), std::string::npos);
}

TEST_F(TrackInspection, CacheScansAFileAgainOnlyWhenItChanged)
{
    WriteFileAtomically(File("cached.mp3"), Tone);
    TTrackCache cache;
    ASSERT_EQ(::symlink(File("cached.mp3").c_str(), File("link.mp3").c_str()), 0);
    // One file under three spellings is looked at once.
    for (const std::string &spelling : {File("cached.mp3"), File("./cached.mp3"), File("link.mp3")})
        EXPECT_EQ(cache.Inspect(spelling).Status, TTrackStatus::Ok) << spelling;
    EXPECT_EQ(cache.Scans(), 1);
    WriteFileAtomically(File("cached.mp3"), Tone.substr(0, Tone.size() / 2)); // another size
    EXPECT_EQ(cache.Inspect(File("cached.mp3")).Status, TTrackStatus::Damaged);
    EXPECT_EQ(cache.Scans(), 2);
}

TEST(TrackTexts, WordsCountsAndLengths)
{
    EXPECT_STREQ(TrackStatusWord(TTrackStatus::Ok), "ok");
    EXPECT_STREQ(TrackStatusWord(TTrackStatus::Missing), "missing");
    EXPECT_STREQ(TrackStatusWord(TTrackStatus::NotMp3), "not-mp3");
    EXPECT_STREQ(TrackStatusWord(TTrackStatus::Damaged), "damaged");
    const struct
    {
        int Errors;
        const char *Text;
    } counts[] = {{1, "повреждён (1 ошибка)"},
                  {3, "повреждён (3 ошибки)"},
                  {11, "повреждён (11 ошибок)"},
                  {21, "повреждён (21 ошибка)"},
                  {112, "повреждён (112 ошибок)"}};
    for (const auto &c : counts) {
        TTrackInfo info;
        info.Status = TTrackStatus::Damaged;
        info.Errors = c.Errors;
        EXPECT_EQ(TrackStatusText(info), c.Text);
    }
    EXPECT_EQ(DurationText(185.25), "3:05.3");
    EXPECT_EQ(DurationText(59.96), "1:00.0");
    EXPECT_EQ(DurationText(3723), "1:02:03.0");
}

TEST_F(TrackInspection, DecoderGivesEveryRealSampleOnce)
{
    TTrackDecoder decoder(File("tone.mp3"));
    EXPECT_EQ(decoder.SampleRate(), 44100);
    EXPECT_EQ(decoder.Channels(), 1);
    unsigned char buffer[10000];
    size_t bytes = 0, n;
    while ((n = decoder.Read(buffer, sizeof buffer)) > 0)
        bytes += n;
    EXPECT_NEAR(double(bytes / 2) / 44100, 3.0, 0.05);
    ExpectError<TFileError>([&] { TTrackDecoder wav(File("tone.wav")); },
                            "В файле " + File("tone.wav") + " нет звука MPEG");
}
