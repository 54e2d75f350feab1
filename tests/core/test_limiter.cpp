#include "audio/limiter.h"

#include <cmath>
#include <gtest/gtest.h>

// The ceiling holds for the samples as they leave, after the gain: a signal under the ceiling that
// the gain lifts over it is held, one over it that the gain brings under is left alone, and what
// passes untouched is the input times the gain, sample for sample.
TEST(Limiter, CeilingAppliesToTheGainedSignal)
{
    const int rate = 22050;
    const struct
    {
        double Gain, Ceiling, Level; // Level: the loudest stretch's peak before the gain
    } cases[] = {
        {2.0, 0.5, 0.4},  // under the ceiling, over it once gained
        {0.5, 0.5, 0.9},  // over the ceiling, under it once gained
        {1.0, 0.5, 0.3},  // under either way
        {4.0, 0.9, 0.5},  // far over once gained
        {0.25, 0.1, 1.0}, // over either way
    };
    for (const auto &c : cases) {
        std::vector<float> in;
        for (int i = 0; i < rate; ++i) {
            const double level = i > rate / 3 && i < rate / 2 ? c.Level : c.Level / 4; // a loud stretch
            in.push_back(float(level * std::sin(2 * M_PI * 330 * i / rate)));
            in.push_back(float(0.7 * level * std::cos(2 * M_PI * 330 * i / rate)));
        }
        TLimiter limiter(2, rate, c.Gain, c.Ceiling);
        std::vector<float> out;
        for (size_t at = 0; at < in.size(); at += 2 * 777)
            limiter.Add(in.data() + at, std::min<size_t>(777, (in.size() - at) / 2), out);
        limiter.Finish(out);
        ASSERT_EQ(out.size(), in.size());
        const bool over = c.Level * c.Gain > c.Ceiling;
        const std::string label = std::to_string(c.Gain) + " x " + std::to_string(c.Level);
        float highest = 0;
        size_t changed = 0;
        for (size_t i = 0; i < out.size(); ++i) {
            highest = std::max(highest, std::fabs(out[i]));
            changed += std::fabs(out[i] - float(in[i] * c.Gain)) > 1e-6f;
        }
        EXPECT_LE(highest, c.Ceiling * (1 + 1e-6)) << label;
        EXPECT_EQ(changed > 0, over) << label;
        EXPECT_NEAR(limiter.DeepestCutDb(), std::min(0.0, 20 * std::log10(c.Ceiling / (c.Level * c.Gain))), 0.1)
            << label;
    }
}
