#include "audio/loudness.h"
#include "audio/truepeak.h"
#include "loudnessreference.h"
#include "model/error.h"
#include "truepeak_reference.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace {

// Ten seconds of a mono 1 kHz sine at 48 kHz at level dBFS (-inf: silence).
TLoudness MeasureSine(double level)
{
    const int rate = 48000;
    const double amplitude = std::isinf(level) ? 0 : 32767 * std::pow(10, level / 20);
    TLoudnessMeter meter(1, rate);
    std::vector<int16_t> pcm(rate);
    for (int second = 0; second < 10; ++second) {
        for (int i = 0; i < rate; ++i)
            pcm[i] = int16_t(std::lround(amplitude * std::sin(2 * M_PI * 1000 * i / rate)));
        meter.Add(pcm.data(), rate);
    }
    return meter.Result();
}

// Ours over interleaved samples, fed in uneven pieces as a decoder hands them over.
TLoudness Measure(const std::vector<float> &samples, int channels, int rate)
{
    TLoudnessMeter meter(channels, rate);
    for (size_t at = 0, piece = 1000; at < samples.size(); at += piece * channels, piece = piece * 3 % 7919 + 1)
        meter.Add(samples.data() + at, std::min(piece, (samples.size() - at) / channels));
    return meter.Result();
}

double Db(double level)
{
    return 20 * std::log10(level);
}

} // namespace

// Our meter against the references: loudness against libebur128, the peaks between samples
// against the 16x oversampled brute force, at the rates and channel counts of MP3 files, on
// signals whose true peak lies well above their highest sample.
TEST(Loudness, AgreesWithTheReferences)
{
    std::mt19937 random(7);
    std::normal_distribution<float> noise(0, 0.1f);
    const struct
    {
        int Channels, Rate;
        std::function<float(size_t, int)> Sample; // frame, channel
    } cases[] = {
        // a quarter of the rate at 45 degrees: every sample at 0.5, the wave at 0.71
        {1, 22050, [](size_t i, int) { return 0.5f * float(std::sqrt(2) * std::sin(M_PI / 2 * i + M_PI / 4)); }},
        {2, 44100, [&](size_t, int) { return noise(random); }},
        {2, 48000,
         [](size_t i, int c) { // bursts of a high tone, louder in one channel
             return float((i / 4800) % 3 == 0 ? (c ? 0.9 : 0.3) * std::sin(0.49 * M_PI * i + 1)
                                              : 0.01 * std::sin(0.01 * i));
         }},
    };
    for (const auto &c : cases) {
        std::vector<float> samples;
        for (size_t i = 0; i < size_t(c.Rate) * 5; ++i)
            for (int channel = 0; channel < c.Channels; ++channel)
                samples.push_back(c.Sample(i, channel));
        const TLoudness ours = Measure(samples, c.Channels, c.Rate);
        ASSERT_TRUE(ours.Measured) << c.Rate;
        EXPECT_NEAR(ours.Lufs, ReferenceLoudness(samples, c.Channels, c.Rate).Lufs, 0.01) << c.Rate;
        // The brute force is slow: over the first half second, which holds every kind of stretch.
        const size_t head = size_t(c.Rate) / 2;
        TLoudnessMeter meter(c.Channels, c.Rate);
        meter.Add(samples.data(), head);
        EXPECT_NEAR(meter.Result().TruePeakDb, Db(ReferenceTruePeak(samples.data(), head, c.Channels)), 0.05) << c.Rate;
    }
}

// The gates, on the kind of signals the loudness standard tests meters with: a 1 kHz tone in both
// channels, each channel at the level named (so a steady stretch reads that many LUFS), in
// stretches of so many seconds. Only a right gate gives the expected figure: the relative gate
// must drop the -36 stretches beside -23 (-24.2 with the gate 20 LU down), and the absolute gate
// must keep -66 in a quiet programme (-58.0 with it at -60) and drop -72 (-65.3 without it).
TEST(Loudness, GatesAsTheStandardsTestSignals)
{
    const int rate = 24000; // the gates do not care, and the test takes half as long
    const struct
    {
        std::vector<std::pair<double, double>> Stretches; // LUFS, seconds
        double Expected;                                  // NAN: nothing passes the gates
    } cases[] = {
        {{{-36, 10}, {-23, 60}, {-36, 10}}, -23.0},
        {{{-72, 10}, {-36, 10}, {-23, 60}, {-36, 10}, {-72, 10}}, -23.0},
        {{{-26, 20}, {-20, 20.1}, {-26, 20}}, -23.0},
        // 10 s at -58 and 30 s at -66: 10 log10((10 x 10^-5.8 + 30 x 10^-6.6) / 40) = -62.3
        {{{-58, 10}, {-66, 30}}, -62.3},
        {{{-60, 10}, {-72, 30}}, -60.0},
        {{{-75, 20}}, NAN},
    };
    for (const auto &c : cases) {
        std::vector<float> samples;
        size_t n = 0;
        for (const auto &[lufs, seconds] : c.Stretches) {
            const double amplitude = std::pow(10, lufs / 20);
            for (const size_t end = n + size_t(seconds * rate); n < end; ++n) {
                const float value = float(amplitude * std::sin(2 * M_PI * 1000 * double(n) / rate));
                samples.insert(samples.end(), {value, value});
            }
        }
        const TLoudness measured = Measure(samples, 2, rate);
        const std::string label =
            std::to_string(c.Stretches.size()) + " stretches from " + std::to_string(c.Stretches.front().first);
        if (std::isnan(c.Expected)) {
            EXPECT_FALSE(measured.Measured) << label;
            continue;
        }
        ASSERT_TRUE(measured.Measured) << label;
        EXPECT_NEAR(measured.Lufs, c.Expected, 0.1) << label;
        EXPECT_NEAR(measured.Lufs, ReferenceLoudness(samples, 2, rate).Lufs, 0.01) << label;
    }
}

// The true peak within 0.2 dB of the brute force on what makes a meter read low: tones at a
// quarter, a sixth and an eighth of the rate at any phase (every sample short of the crest), and
// dense masters driven 3 to 12 dB into clipping, which spreads their energy up to half the rate.
// A recording has nothing above about 0.45 of its rate, so the masters are made of partials below
// that and then clipped; tones get the tighter 0.05 dB the meter keeps at these frequencies.
TEST(TruePeak, AgreesWithTheOversampledReference)
{
    std::mt19937 random(3);
    std::uniform_real_distribution<double> uniform(0, 1);
    for (const int rate : {8000, 22050, 44100, 48000}) {
        for (const int divisor : {4, 6, 8})
            for (int k = 0; k < 8; ++k) {
                const double phase = 2 * M_PI * (k + uniform(random)) / 8, amplitude = 0.5;
                std::vector<float> x(1024);
                for (size_t i = 0; i < x.size(); ++i) {
                    // faded in and out over 128 samples, so that only the steady crest counts
                    const double fade = std::min(1.0, std::min(double(i), double(x.size() - 1 - i)) / 128);
                    x[i] = float(amplitude * fade * std::sin(2 * M_PI * double(i) / divisor + phase));
                }
                TTruePeak meter(rate);
                meter.Add(x.data(), x.size());
                const double reference = ReferenceTruePeak(x.data(), x.size(), 1);
                EXPECT_NEAR(Db(reference), Db(amplitude), 0.01) << "fs/" << divisor; // the reference itself
                EXPECT_NEAR(Db(meter.Peak()), Db(reference), 0.05) << rate << " fs/" << divisor << " " << phase;
            }
        for (const bool music : {false, true})
            for (const double overDb : {3.0, 6.0, 12.0}) {
                // Noise: 64 partials anywhere below 0.45 of the rate. Music: three chords of harmonics
                // falling as 1/k, a beat, and such noise under them.
                std::vector<double> mix(4096, 0.0);
                const auto partial = [&](double frequency, double amplitude, double beat) {
                    const double phase = 2 * M_PI * uniform(random);
                    for (size_t i = 0; i < mix.size(); ++i)
                        mix[i] += amplitude * (1 - beat + beat * std::exp(-double(i % 2205) / 400)) *
                                  std::sin(2 * M_PI * frequency * double(i) / rate + phase);
                };
                for (int p = 0; p < 64; ++p)
                    partial(rate * 0.45 * uniform(random), (music ? 0.2 : 1) * uniform(random), music ? 0.8 : 0);
                if (music)
                    for (const double root : {110.0, 138.6, 164.8})
                        for (int h = 1; root * h < rate * 0.45; ++h)
                            partial(root * h, 3.0 / h, 0.3);
                double highest = 0;
                for (const double v : mix)
                    highest = std::max(highest, std::fabs(v));
                std::vector<float> x(mix.size());
                const double gain = std::pow(10, overDb / 20) / highest;
                for (size_t i = 0; i < x.size(); ++i)
                    x[i] = float(std::clamp(gain * mix[i], -1.0, 1.0));
                TTruePeak meter(rate);
                meter.Add(x.data(), x.size());
                const double reference = ReferenceTruePeak(x.data(), x.size(), 1);
                EXPECT_GT(reference, 1.02) << "a clipped master's wave goes over full scale";
                EXPECT_NEAR(Db(meter.Peak()), Db(reference), 0.2)
                    << rate << (music ? " music" : " noise") << " clipped by " << overDb << " dB";
            }
    }
}

// The filter reads the samples before a block as well as the block: a short burst whose crest lies
// between the samples reads the same wherever it falls, also at the end of a block followed by
// silence, at the very end of the signal or where the meter's gathered samples run out, in pieces
// of any size and as one channel of two.
TEST(TruePeak, SameWhereverTheBurstFalls)
{
    // Eight samples of a quarter of the rate at 45 degrees: samples at 0.49, the wave near 0.7.
    std::vector<float> burst;
    for (int i = 0; i < 8; ++i)
        burst.push_back(float(0.7 * std::sin(M_PI / 2 * i + M_PI / 4)));
    const double reference = ReferenceTruePeak(burst.data(), burst.size(), 1);
    ASSERT_GT(Db(reference), Db(0.49) + 2);
    std::vector<size_t> offsets;
    for (size_t offset = 0; offset < 160; ++offset) {
        offsets.push_back(offset);
        offsets.push_back(TTruePeak::Capacity - 120 + offset);
    }
    for (const size_t offset : offsets) {
        std::vector<float> x(offset + burst.size() + (offset % 3 ? 100 : 0), 0.0f), stereo(2 * x.size(), 0.0f);
        std::copy(burst.begin(), burst.end(), x.begin() + offset);
        for (size_t i = 0; i < x.size(); ++i)
            stereo[2 * i + 1] = x[i];
        TTruePeak whole(44100), pieces(44100), channel(44100);
        whole.Add(x.data(), x.size());
        for (size_t at = 0, piece = offset % 7 + 1; at < x.size(); at += piece)
            pieces.Add(x.data() + at, std::min(piece, x.size() - at));
        channel.Add(stereo.data() + 1, x.size(), 2);
        EXPECT_NEAR(Db(whole.Peak()), Db(reference), 0.05) << offset;
        EXPECT_EQ(pieces.Peak(), whole.Peak()) << offset;
        EXPECT_EQ(channel.Peak(), whole.Peak()) << offset;
    }
}

// The standard's own check: a 1 kHz sine at -20 dBFS reads -23.0 LUFS.
TEST(Loudness, SineAtKnownLevels)
{
    for (const double level : {-20.0, -6.0, -40.0}) {
        const TLoudness measured = MeasureSine(level);
        ASSERT_TRUE(measured.Measured) << level;
        EXPECT_NEAR(measured.Lufs, level - 3, 0.1) << level;
        EXPECT_NEAR(measured.TruePeakDb, level, 0.2) << level;
    }
    EXPECT_FALSE(MeasureSine(-INFINITY).Measured);
}

TEST(Loudness, OutliersFromTheMedian)
{
    const auto at = [](double lufs) { return TLoudness{true, lufs, -1}; };
    const TLoudness none;
    const struct
    {
        std::vector<TLoudness> Tracks;
        std::vector<bool> Marked;
    } cases[] = {
        {{}, {}},
        {{at(-16), at(-17), at(-30), none}, {false, false, true, false}},
        {{at(-16), at(-24.1), at(-20), at(-14)}, {false, true, false, false}}, // median -18
        {{at(-16), at(-22)}, {false, false}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(LoudnessOutliers(c.Tracks), c.Marked);
}
