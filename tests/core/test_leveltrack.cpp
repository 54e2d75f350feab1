#include "audio/leveltrack.h"
#include "audio/limiter.h"
#include "audio/mp3encode.h"
#include "audio/trackdecoder.h"
#include "device/levelling.h"
#include "storage/fileio.h"
#include "support.h"

#include <cmath>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Seconds of a tone at amplitude, in every channel, with a click-like peak (peak > 0) every
// second that pushes its true peak up without moving its loudness much.
std::string ToneMp3(int channels, int rate, int kbps, double amplitude, double peak = 0)
{
    std::vector<float> samples;
    for (int i = 0; i < rate * 6; ++i)
        for (int c = 0; c < channels; ++c) {
            double value = amplitude * std::sin(2 * M_PI * (440 + 110 * c) * i / rate);
            if (peak > 0 && i % rate < rate / 200)
                value += peak * std::sin(2 * M_PI * 3000 * i / rate);
            samples.push_back(static_cast<float>(value));
        }
    TMp3Encoder encoder(channels, rate, kbps);
    encoder.Add(samples.data(), samples.size() / channels);
    return encoder.Finish();
}

TLevelledTrack Level(const std::string &path, double target)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    TLevelledTrack track = LevelMp3Track(fd, path, target);
    ::close(fd);
    return track;
}

} // namespace

// Tones too quiet, too loud and too peaky reach the target within the tolerance, true peak under
// the ceiling, as the card's copy measures when decoded on its own; same rate and channels, a
// bitrate no lower than the source's.
TEST(LevelTrack, ReachesTheTargetUnderTheCeiling)
{
    TTempFolder folder;
    const struct
    {
        int Channels, Rate, Kbps;
        double Amplitude, Peak, Target;
        bool Limited;
    } cases[] = {
        {1, 44100, 64, 0.03, 0, -16, false},    // quiet: up by about 12 dB
        {2, 48000, 128, 0.7, 0.25, -23, false}, // loud: down
        {2, 44100, 112, 0.25, 0.7, -12, true},  // peaky: the limiter holds the clicks
        {1, 22050, 48, 0.3, 0, -16, false},
    };
    for (const auto &c : cases) {
        const std::string path = folder.File("source.mp3");
        WriteFileAtomically(path, ToneMp3(c.Channels, c.Rate, c.Kbps, c.Amplitude, c.Peak));
        const std::string before = ReadWholeFile(path, 1 << 26);
        const TLevelledTrack track = Level(path, c.Target);
        const std::string label = std::to_string(c.Rate) + " " + std::to_string(c.Target);
        ASSERT_EQ(track.Outcome, TLevelledTrack::Levelled) << label;
        EXPECT_EQ(ReadWholeFile(path, 1 << 26), before) << label;

        WriteFileAtomically(folder.File("levelled.mp3"), track.Mp3);
        const TLoudness after = MeasureTrackLoudness(folder.File("levelled.mp3"));
        EXPECT_NEAR(after.Lufs, c.Target, LevelToleranceLu) << label;
        EXPECT_LE(after.TruePeakDb, LevelCeilingDb) << label;
        EXPECT_EQ(track.LimitedDb < -0.5, c.Limited) << label << " " << track.LimitedDb;
        const TTrackDecoder decoder(folder.File("levelled.mp3"));
        EXPECT_EQ(decoder.SampleRate(), c.Rate) << label;
        EXPECT_EQ(decoder.Channels(), c.Channels) << label;
        EXPECT_EQ(track.Kbps, c.Kbps) << label; // each a standard rate: kept as it is
    }
    EXPECT_EQ(StandardBitrateAtLeast(100, 44100), 112);
    EXPECT_EQ(StandardBitrateAtLeast(100, 22050), 112);
    EXPECT_EQ(StandardBitrateAtLeast(400, 48000), 320);
}

// The limiter's output stays under its ceiling, keeps every frame, and its gain moves smoothly:
// no step from one frame to the next that would click.
TEST(LevelTrack, LimiterHoldsPeaksWithoutSteps)
{
    const int rate = 44100;
    std::vector<float> in;
    for (int i = 0; i < rate; ++i) {
        const double burst = i > rate / 3 && i < rate / 2 ? 1.0 : 0.2; // a sudden loud stretch
        in.push_back(float(burst * std::sin(2 * M_PI * 220 * i / rate)));
        in.push_back(float(burst * std::cos(2 * M_PI * 220 * i / rate)));
    }
    TLimiter limiter(2, rate, 2.0, 0.5);
    std::vector<float> out;
    for (size_t at = 0; at < in.size(); at += 2 * 999)
        limiter.Add(in.data() + at, std::min<size_t>(999, (in.size() - at) / 2), out);
    limiter.Finish(out);
    ASSERT_EQ(out.size(), in.size());
    double previous = 1, steepest = 0;
    for (size_t i = 0; i < out.size(); i += 2) {
        EXPECT_LE(std::max(std::fabs(out[i]), std::fabs(out[i + 1])), 0.5f + 1e-6f) << i;
        const double level = std::hypot(in[i], in[i + 1]);
        const double gain = std::hypot(out[i], out[i + 1]) / (2 * level); // both channels under one gain
        steepest = std::max(steepest, std::fabs(gain - previous));
        previous = gain;
    }
    EXPECT_LT(steepest, 0.01); // the gain falls over 5 ms, not at once
    EXPECT_NEAR(limiter.DeepestCutDb(), 20 * std::log10(0.5 / 2), 0.1);
}

// The card copy with levelling: a track at the target is copied byte for byte, a loud one
// re-encoded, a silent one copied as it is and said so; the sources stay as they were.
TEST(LevelTrack, CardCopyLevelsOnlyWhatNeedsIt)
{
    TTempFolder folder;
    std::filesystem::create_directory(folder.Path / "card");
    const std::string loud = folder.File("loud.mp3"), even = folder.File("even.mp3"),
                      silent = folder.File("silent.mp3");
    WriteFileAtomically(loud, ToneMp3(1, 44100, 96, 0.8));
    WriteFileAtomically(silent, ToneMp3(1, 44100, 96, 0));
    // A tone of -16 LUFS to start with: one measured, then scaled.
    WriteFileAtomically(even, ToneMp3(1, 44100, 96, 0.3));
    WriteFileAtomically(even, ToneMp3(1, 44100, 96, 0.3 * std::pow(10, (-16 - MeasureTrackLoudness(even).Lufs) / 20)));
    ASSERT_NEAR(MeasureTrackLoudness(even).Lufs, -16, 0.1);
    const std::string loudBytes = ReadWholeFile(loud, 1 << 26);

    TVectorLog log;
    TLevelLog levels;
    TCopyOptions options;
    options.Remake = LevellingRemake(-16, levels);
    const std::string card = folder.File("card") + "/";
    EXPECT_TRUE(CopyTracks({"1;" + loud, "2;" + even, "3;" + silent}, card, log, options).AllCopied());

    EXPECT_EQ(ReadWholeFile(loud, 1 << 26), loudBytes);
    EXPECT_NE(ReadWholeFile(card + "001.mp3", 1 << 26), loudBytes);
    EXPECT_NEAR(MeasureTrackLoudness(card + "001.mp3").Lufs, -16, LevelToleranceLu);
    EXPECT_EQ(ReadWholeFile(card + "002.mp3", 1 << 26), ReadWholeFile(even, 1 << 26));
    EXPECT_EQ(ReadWholeFile(card + "003.mp3", 1 << 26), ReadWholeFile(silent, 1 << 26));
    ASSERT_EQ(log.Lines.size(), 3u);
    EXPECT_TRUE(log.Lines[0].starts_with(CopiedLine(loud, card + "001.mp3") + ", выровнен \u2212")) << log.Lines[0];
    EXPECT_EQ(log.Lines[2], CopiedLine(silent, card + "003.mp3") + ", громкость не измерить (тишина): как есть");
    const std::string summary = levels.Summary(-16);
    EXPECT_TRUE(summary.starts_with("Громкость до \u221216,0 LUFS: трек 1: выровнен \u2212")) << summary;
    EXPECT_NE(summary.find("; трек 2: уже "), std::string::npos) << summary;
}
