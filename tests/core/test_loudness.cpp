#include "audio/loudness.h"
#include "model/error.h"

#include <cmath>
#include <gtest/gtest.h>

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

} // namespace

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
