#include "audio/loudness.h"
#include "model/error.h"

#include <cmath>
#include <ebur128.h>
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

// What libebur128, the reference, makes of interleaved samples.
TLoudness Reference(const std::vector<float> &samples, int channels, int rate)
{
    ebur128_state *state = ebur128_init(unsigned(channels), unsigned(rate), EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    ebur128_add_frames_float(state, samples.data(), samples.size() / channels);
    TLoudness result{true, 0, 0};
    ebur128_loudness_global(state, &result.Lufs);
    double peak = 0;
    for (int c = 0; c < channels; ++c) {
        double value = 0;
        ebur128_true_peak(state, unsigned(c), &value);
        peak = std::max(peak, value);
    }
    result.TruePeakDb = 20 * std::log10(peak);
    ebur128_destroy(&state);
    return result;
}

} // namespace

// Our meter against the reference library: loudness and the peaks between samples, at the rates and
// channel counts of MP3 files, on signals whose true peak lies well above their highest sample.
TEST(Loudness, AgreesWithTheReference)
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
        TLoudnessMeter meter(c.Channels, c.Rate);
        // In uneven pieces, as a decoder hands them over.
        for (size_t at = 0, piece = 1000; at < samples.size(); at += piece * c.Channels, piece = piece * 3 % 7919 + 1)
            meter.Add(samples.data() + at, std::min(piece, (samples.size() - at) / c.Channels));
        const TLoudness ours = meter.Result(), reference = Reference(samples, c.Channels, c.Rate);
        ASSERT_TRUE(ours.Measured) << c.Rate;
        EXPECT_NEAR(ours.Lufs, reference.Lufs, 0.01) << c.Rate;
        EXPECT_NEAR(ours.TruePeakDb, reference.TruePeakDb, 0.05) << c.Rate;
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
