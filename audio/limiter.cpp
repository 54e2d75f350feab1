#include "audio/limiter.h"

#include "audio/loudness.h"

#include <algorithm>
#include <cmath>
#include <deque>

namespace {

/// The least value within radius of each position (a sliding minimum, linear time).
std::vector<float> SlidingMinimum(const std::vector<float> &values, size_t radius)
{
    std::vector<float> out(values.size());
    std::deque<size_t> window; // positions whose values rise from front to back
    size_t next = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        for (; next < values.size() && next <= i + radius; ++next) {
            while (!window.empty() && values[window.back()] >= values[next])
                window.pop_back();
            window.push_back(next);
        }
        while (window.front() + radius < i)
            window.pop_front();
        out[i] = values[window.front()];
    }
    return out;
}

} // namespace

void LimitPeaks(std::vector<float> &samples, int sampleRate, double ceilingDb)
{
    const float ceiling = static_cast<float>(std::pow(10, ceilingDb / 20));
    std::vector<float> needed(samples.size());
    for (size_t i = 0; i < samples.size(); ++i)
        needed[i] = std::min(1.0f, ceiling / std::max(std::fabs(samples[i]), 1e-9f));
    // Each gain is the mean of minima whose windows all hold this sample: never above what it needs.
    const size_t radius = static_cast<size_t>(0.0025 * sampleRate) + 1;
    const std::vector<float> minimum = SlidingMinimum(needed, radius);
    const double recovery = 1 / (0.06 * sampleRate);
    double sum = 0, gain = 1;
    size_t first = 0, last = 0; // the mean's window [first, last)
    for (size_t i = 0; i < samples.size(); ++i) {
        for (; last < samples.size() && last <= i + radius; ++last)
            sum += minimum[last];
        for (; first + radius < i; ++first)
            sum -= minimum[first];
        gain = std::min(sum / double(last - first), gain + (1 - gain) * recovery);
        samples[i] = static_cast<float>(samples[i] * std::min(gain, double(needed[i])));
    }
}

void LevelWithLimiter(std::vector<float> &samples, int sampleRate, double targetLufs, double ceilingDb)
{
    for (int round = 0; round < 4; ++round) {
        TLoudnessMeter meter(1, sampleRate);
        meter.Add(samples.data(), samples.size());
        const TLoudness measured = meter.Result();
        if (!measured.Measured || std::fabs(measured.Lufs - targetLufs) < 0.1)
            return;
        const float gain = static_cast<float>(std::pow(10, (targetLufs - measured.Lufs) / 20));
        for (float &value : samples)
            value *= gain;
        LimitPeaks(samples, sampleRate, ceilingDb);
    }
}
