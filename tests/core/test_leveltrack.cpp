#include "audio/leveltrack.h"
#include "audio/limiter.h"
#include "audio/loudness.h"
#include "audio/mp3encode.h"
#include "audio/trackdecoder.h"
#include "device/levelling.h"
#include "device/loudnessbatch.h"
#include "loudnessreference.h"
#include "storage/fileio.h"
#include "support.h"
#include "truepeak_reference.h"

#include <cmath>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <random>
#include <sys/mman.h>
#include <sys/stat.h>
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

// The kinds of track a school plays, made here: announcements, noise, music, a master clipped hard
// on its way to loud, and one that is at the target already but clips between its samples.
enum class TKind { Speech, Noise, Music, Clipped, NearHot };

std::vector<float> MakeSignal(TKind kind, int channels, int rate, double seconds, unsigned seed)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> gauss(0, 1);
    const size_t frames = size_t(seconds * rate);
    std::vector<float> out(frames * channels);
    double low = 0;
    for (size_t i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        const double n = gauss(random);
        low = 0.97 * low + 0.03 * n; // a darker noise under the music
        for (int c = 0; c < channels; ++c) {
            double v = 0;
            switch (kind) {
            case TKind::Speech: { // a voice's harmonics under syllables, with pauses between words
                const double f0 = 140 + 30 * std::sin(2 * M_PI * 0.7 * t);
                const double syllable =
                    std::pow(std::fabs(std::sin(2 * M_PI * 2.5 * t)), 2) * (std::fmod(t, 1.2) < 0.9);
                for (int h = 1; h <= 12; ++h)
                    v += std::sin(2 * M_PI * f0 * h * t + h) / h;
                v *= 0.02 * syllable;
                break;
            }
            case TKind::Noise:
                v = 0.05 * n;
                break;
            case TKind::Music:
            case TKind::Clipped:
            case TKind::NearHot: { // the music under NearHotMp3's bursts
                for (const double f : {220.0, 277.2, 329.6, 440.0 * (1 + c * 0.01)})
                    v += 0.1 * std::sin(2 * M_PI * f * t);
                const double beat = std::fmod(t, 0.5);
                v += 0.4 * low + (beat < 0.03 ? 0.5 * n * (1 - beat / 0.03) : 0);
                v *= kind == TKind::Clipped ? 4 : 0.05;
                if (kind == TKind::Clipped)
                    v = std::clamp(v, -1.0, 1.0); // the clip a loud master was made with
                break;
            }
            }
            out[i * channels + c] = float(v);
        }
    }
    return out;
}

std::string Mp3Of(const std::vector<float> &signal, int channels, int rate, int kbps)
{
    TMp3Encoder encoder(channels, rate, kbps, TMp3Speed::Fast);
    encoder.Add(signal.data(), signal.size() / channels);
    return encoder.Finish();
}

TLoudness LoudnessOfMp3(const std::string &mp3);

// Music at -16.1 LUFS as it decodes, with a burst over full scale every second: at the target, but
// its true peak over the ceiling.
std::string NearHotMp3(int channels, int rate, int kbps)
{
    const std::vector<float> music = MakeSignal(TKind::NearHot, channels, rate, 2, 99);
    // The music alone first: bursts over a quiet bed would be all the gate lets through.
    double gain = std::pow(10, (-16.1 - LoudnessOfMp3(Mp3Of(music, channels, rate, kbps)).Lufs) / 20);
    std::string mp3;
    for (int round = 0; round < 4; ++round) {
        std::vector<float> signal(music);
        for (size_t i = 0; i < signal.size(); ++i) {
            const size_t frame = i / channels;
            signal[i] *= float(gain);
            if (frame % rate < size_t(rate) / 1000 + 2)
                signal[i] += float(1.2 * std::sin(2 * M_PI * 3000.0 * double(frame % rate) / rate));
        }
        mp3 = Mp3Of(signal, channels, rate, kbps);
        gain *= std::pow(10, (-16.1 - LoudnessOfMp3(mp3).Lufs) / 20);
    }
    return mp3;
}

// Decodes a whole MP3 file: its samples, rate and channels.
struct TDecoded
{
    std::vector<float> Samples;
    int Rate = 0, Channels = 0;
};

TDecoded DecodeFile(int fd)
{
    TTrackDecoder decoder(fd, "copy", TTrackDecoder::Float);
    TDecoded decoded{{}, decoder.SampleRate(), decoder.Channels()};
    std::vector<float> buffer(8192);
    while (const size_t bytes = decoder.Read(reinterpret_cast<unsigned char *>(buffer.data()), buffer.size() * 4))
        decoded.Samples.insert(decoded.Samples.end(), buffer.begin(), buffer.begin() + bytes / 4);
    return decoded;
}

double ExactPeakDb(const TDecoded &decoded)
{
    return 20 * std::log10(ReferenceTruePeak(decoded.Samples.data(), decoded.Samples.size() / decoded.Channels,
                                             decoded.Channels));
}

TLoudness LoudnessOfMp3(const std::string &mp3)
{
    const int fd = ::memfd_create("test", MFD_CLOEXEC);
    if (::write(fd, mp3.data(), mp3.size()) != ssize_t(mp3.size()))
        return {};
    const TDecoded decoded = DecodeFile(fd);
    ::close(fd);
    TLoudnessMeter meter(decoded.Channels, decoded.Rate);
    meter.Add(decoded.Samples.data(), decoded.Samples.size() / decoded.Channels);
    return meter.Result();
}

TLevelledTrack Level(const std::string &path, double target)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    TLevelledTrack track = LevelMp3Track(fd, path, target);
    ::close(fd);
    return track;
}

std::string CopyBytes(const TLevelledTrack &track)
{
    std::string bytes;
    char buffer[65536];
    const int fd = track.Mp3->Reopen();
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, size_t(n));
    ::close(fd);
    return bytes;
}

} // namespace

// Every kind of track at every rate the encoder takes, levelled quieter and louder: each copy is
// within the tolerance of the target and under the ceiling by our meter and by libebur128, or is
// called missed (and then still under the ceiling); and each decodes to the source's length.
TEST(LevelTrack, GeneratedSetReachesTheTargetOrSaysSo)
{
    TTempFolder folder;
    const struct
    {
        TKind Kind;
        int Channels, Rate, Kbps;
    } cases[] = {
        {TKind::Speech, 1, 8000, 16},   {TKind::Speech, 1, 16000, 32}, {TKind::Speech, 1, 22050, 48},
        {TKind::Speech, 2, 44100, 96},  {TKind::Noise, 1, 8000, 24},   {TKind::Noise, 2, 48000, 192},
        {TKind::Noise, 1, 22050, 40},   {TKind::Music, 1, 16000, 32},  {TKind::Music, 2, 22050, 64},
        {TKind::Music, 2, 44100, 128},  {TKind::Music, 2, 48000, 160}, {TKind::Clipped, 2, 44100, 192},
        {TKind::Clipped, 1, 22050, 64}, {TKind::Clipped, 1, 8000, 16}, {TKind::NearHot, 2, 44100, 128},
        {TKind::NearHot, 1, 16000, 32},
    };
    int missed = 0;
    unsigned seed = 1;
    for (const auto &c : cases) {
        const std::string path = folder.File("source.mp3");
        const std::string mp3 = c.Kind == TKind::NearHot ? NearHotMp3(c.Channels, c.Rate, c.Kbps)
                                                         : Mp3Of(MakeSignal(c.Kind, c.Channels, c.Rate, 2, seed++),
                                                                 c.Channels, c.Rate, c.Kbps);
        if (c.Kind == TKind::NearHot) {
            const TLoudness source = LoudnessOfMp3(mp3);
            ASSERT_NEAR(source.Lufs, -16, LevelToleranceLu);
            ASSERT_GT(source.TruePeakDb, LevelCeilingDb);
        }
        WriteFileAtomically(path, mp3);
        const int sourceFd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        const size_t sourceSamples = DecodeFile(sourceFd).Samples.size();
        ::close(sourceFd);
        std::vector<double> targets = {-16.0, -10.0};
        if (c.Kind == TKind::Speech && c.Rate == 8000)
            targets.push_back(MaxLevelLufs); // mono speech this loud is past what 30 dB of limiting gives
        for (const double target : targets) {
            const std::string label = "kind " + std::to_string(int(c.Kind)) + " at " + std::to_string(c.Rate) +
                                      " Hz to " + std::to_string(int(target));
            const TLevelledTrack track = Level(path, target);
            if (c.Kind == TKind::NearHot && target == -16) {
                EXPECT_NE(track.Outcome, TLevelledTrack::AlreadyLevel) << label << ": its peaks are over the ceiling";
            }
            if (track.Outcome == TLevelledTrack::AlreadyLevel) {
                EXPECT_NEAR(track.Before.Lufs, target, LevelToleranceLu) << label;
                EXPECT_LE(track.Before.TruePeakDb, LevelCeilingDb) << label;
                continue;
            }
            ASSERT_TRUE(track.Mp3) << label;
            const int fd = track.Mp3->Reopen();
            const TDecoded copy = DecodeFile(fd);
            ::close(fd);
            TLoudnessMeter meter(copy.Channels, copy.Rate);
            meter.Add(copy.Samples.data(), copy.Samples.size() / copy.Channels);
            const TLoudness ours = meter.Result(),
                            reference = ReferenceLoudness(copy.Samples, copy.Channels, copy.Rate);
            EXPECT_EQ(copy.Rate, c.Rate) << label;
            EXPECT_EQ(copy.Samples.size(), sourceSamples) << label << ": the copy is not gapless";
            EXPECT_NEAR(ours.Lufs, track.After.Lufs, 0.01) << label << ": After is the copy's loudness";
            EXPECT_LE(ours.TruePeakDb, LevelCeilingDb) << label;
            EXPECT_LE(reference.TruePeakDb, LevelCeilingDb) << label;
            // Our meter is held within 0.2 dB of the 16x reference elsewhere: only copies it reads
            // near the ceiling, and the dense, clipped ones limited hard, are worth the reference's time.
            if (ours.TruePeakDb > LevelCeilingDb - 0.5 ||
                ((c.Kind == TKind::Clipped || c.Kind == TKind::NearHot) && target == -10)) {
                EXPECT_LE(ExactPeakDb(copy), LevelCeilingDb) << label << ": by the 16x reference";
            }
            if (target == MaxLevelLufs) {
                EXPECT_EQ(track.Outcome, TLevelledTrack::Missed) << label;
            }
            if (track.Outcome == TLevelledTrack::Missed) {
                ++missed;
                EXPECT_GT(std::fabs(ours.Lufs - target), LevelToleranceLu) << label << ": missed but at the target";
                EXPECT_TRUE(
                    LevelledText(track).starts_with("не выровнен: получилось " + DecibelText(ours.Lufs) + " LUFS"))
                    << LevelledText(track);
                continue;
            }
            EXPECT_EQ(track.Outcome, TLevelledTrack::Levelled) << label;
            EXPECT_NEAR(ours.Lufs, target, LevelToleranceLu) << label;
            EXPECT_NEAR(reference.Lufs, target, LevelToleranceLu) << label;
        }
    }
    // The speech to -5 LUFS; one or two more is giving up too early.
    EXPECT_LE(missed, 1) << "levelling gives up too often";
}

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

        WriteFileAtomically(folder.File("levelled.mp3"), CopyBytes(track));
        const TLoudness after = MeasureTrackLoudness(folder.File("levelled.mp3"));
        EXPECT_NEAR(after.Lufs, c.Target, LevelToleranceLu) << label;
        EXPECT_LE(after.TruePeakDb, LevelCeilingDb) << label;
        EXPECT_EQ(track.LimitedDb < -0.5, c.Limited) << label << " " << track.LimitedDb;
        const TTrackDecoder decoder(folder.File("levelled.mp3"));
        EXPECT_EQ(decoder.SampleRate(), c.Rate) << label;
        EXPECT_EQ(decoder.Channels(), c.Channels) << label;
        EXPECT_EQ(track.Kbps, GaplessBitrateAtLeast(c.Kbps, c.Rate, c.Channels)) << label;
    }
    // A standard rate is kept unless its frames are too small for the tag that keeps the length exact.
    EXPECT_EQ(GaplessBitrateAtLeast(16, 8000, 1), 24);
    EXPECT_EQ(GaplessBitrateAtLeast(32, 16000, 1), 40);
    EXPECT_EQ(GaplessBitrateAtLeast(48, 22050, 1), 56);
    EXPECT_EQ(GaplessBitrateAtLeast(32, 44100, 2), 64);
    EXPECT_EQ(GaplessBitrateAtLeast(128, 44100, 2), 128);
    EXPECT_EQ(GaplessBitrateAtLeast(24, 8000, 1), 24);
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
// re-encoded, a silent one copied as it is and said so; the sources stay as they were. One at the
// target whose clicks peak between the ceiling and full scale is levelled too. A file on several
// lines is levelled once: every line gets the same copy.
TEST(LevelTrack, CardCopyLevelsOnlyWhatNeedsIt)
{
    TTempFolder folder;
    std::filesystem::create_directory(folder.Path / "card");
    const std::string loud = folder.File("loud.mp3"), even = folder.File("even.mp3"),
                      silent = folder.File("silent.mp3"), warm = folder.File("warm.mp3");
    WriteFileAtomically(loud, ToneMp3(1, 44100, 96, 0.8));
    WriteFileAtomically(silent, ToneMp3(1, 44100, 96, 0));
    // A tone of -16 LUFS to start with: one measured, then scaled.
    WriteFileAtomically(even, ToneMp3(1, 44100, 96, 0.3));
    const double amplitude = 0.3 * std::pow(10, (-16 - MeasureTrackLoudness(even).Lufs) / 20);
    WriteFileAtomically(even, ToneMp3(1, 44100, 96, amplitude));
    ASSERT_NEAR(MeasureTrackLoudness(even).Lufs, -16, 0.1);
    WriteFileAtomically(warm, ToneMp3(1, 44100, 96, 0.96 * amplitude, 0.7));
    const TLoudness warmBefore = MeasureTrackLoudness(warm);
    ASSERT_NEAR(warmBefore.Lufs, -16, 0.3);
    ASSERT_GT(warmBefore.TruePeakDb, LevelCeilingDb);
    ASSERT_LT(warmBefore.TruePeakDb, 0);
    const std::string loudBytes = ReadWholeFile(loud, 1 << 26);

    TVectorLog log;
    TLevelLog levels;
    TCopyOptions options;
    const std::vector<std::string> playList = {"1;" + loud, "2;" + even, "3;" + silent,
                                               "4;" + loud, "5;" + loud, "6;" + warm};
    std::vector<ino_t> copies; // the levelled file each remade line got
    const TTrackRemakeFn remake = LevellingRemake(-16, levels, playList);
    options.Remake = [&](const std::string &source, int32_t track, int fd) {
        TTrackRemake made = remake(source, track, fd);
        struct stat st = {};
        if (made.Fd >= 0 && ::fstat(made.Fd, &st) == 0)
            copies.push_back(st.st_ino);
        return made;
    };
    const std::string card = folder.File("card") + "/";
    EXPECT_TRUE(CopyTracks(playList, card, log, options).AllCopied());

    EXPECT_EQ(ReadWholeFile(loud, 1 << 26), loudBytes);
    EXPECT_NE(ReadWholeFile(card + "001.mp3", 1 << 26), loudBytes);
    EXPECT_NEAR(MeasureTrackLoudness(card + "001.mp3").Lufs, -16, LevelToleranceLu);
    EXPECT_EQ(ReadWholeFile(card + "002.mp3", 1 << 26), ReadWholeFile(even, 1 << 26));
    EXPECT_EQ(ReadWholeFile(card + "003.mp3", 1 << 26), ReadWholeFile(silent, 1 << 26));
    EXPECT_EQ(ReadWholeFile(card + "005.mp3", 1 << 26), ReadWholeFile(card + "001.mp3", 1 << 26));
    EXPECT_TRUE(ReadWholeFile(card + "006.mp3", 1 << 26) != ReadWholeFile(warm, 1 << 26))
        << "peaks over the ceiling kept";
    EXPECT_NEAR(MeasureTrackLoudness(card + "006.mp3").Lufs, -16, LevelToleranceLu);
    const int warmFd = ::open((card + "006.mp3").c_str(), O_RDONLY | O_CLOEXEC);
    EXPECT_LE(ExactPeakDb(DecodeFile(warmFd)), LevelCeilingDb) << "the warm copy by the 16x reference";
    ::close(warmFd);
    ASSERT_EQ(copies.size(), 4u);
    EXPECT_EQ(copies[1], copies[0]) << "a file on two lines was levelled twice";
    EXPECT_EQ(copies[2], copies[0]);
    ASSERT_EQ(log.Lines.size(), 6u);
    EXPECT_TRUE(log.Lines[0].starts_with(CopiedLine(loud, card + "001.mp3") + ", выровнен \u2212")) << log.Lines[0];
    EXPECT_EQ(log.Lines[2], CopiedLine(silent, card + "003.mp3") + ", громкость не измерить (тишина): как есть");
    EXPECT_TRUE(log.Lines[5].starts_with(CopiedLine(warm, card + "006.mp3") + ", выровнен ")) << log.Lines[5];
    const std::string summary = levels.Summary(-16);
    EXPECT_TRUE(summary.starts_with("Громкость до \u221216,0 LUFS: трек 1: выровнен \u2212")) << summary;
    EXPECT_NE(summary.find("; трек 2: уже "), std::string::npos) << summary;
}

// The batch measure answers every path, the same for two names of one file, nothing for a file
// that is not there.
TEST(LevelTrack, BatchMeasureAnswersEveryPath)
{
    TTempFolder folder;
    const std::string a = folder.File("a.mp3"), b = folder.File("b.mp3");
    WriteFileAtomically(a, ToneMp3(1, 22050, 32, 0.1));
    WriteFileAtomically(b, ToneMp3(2, 44100, 128, 0.5));
    std::filesystem::create_hard_link(a, folder.File("a-link.mp3"));
    const std::vector<std::string> paths = {a, b, folder.File("a-link.mp3"), folder.File("none.mp3"), a};
    std::mutex lock;
    std::vector<int> heard(paths.size(), 0);
    const std::vector<TLoudness> found = MeasureLoudnessOnCores(paths, [&](size_t index, const TLoudness &) {
        const std::lock_guard guard(lock);
        ++heard[index];
    });
    ASSERT_EQ(found.size(), paths.size());
    EXPECT_EQ(heard, std::vector<int>(paths.size(), 1));
    for (const size_t i : {0, 1, 2, 4})
        EXPECT_NEAR(found[i].Lufs, MeasureTrackLoudness(paths[i]).Lufs, 1e-9) << paths[i];
    EXPECT_FALSE(found[3].Measured);
    EXPECT_LT(found[0].Lufs, found[1].Lufs - 10);
}
