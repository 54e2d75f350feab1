#pragma once

// What libebur128, the reference our meter is checked against, makes of interleaved samples.

#include "device/sounds.h"

#include <algorithm>
#include <cmath>
#include <ebur128.h>
#include <vector>

inline TLoudness ReferenceLoudness(const std::vector<float> &samples, int channels, int rate)
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
