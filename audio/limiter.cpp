#include "audio/limiter.h"

#include "audio/loudness.h"

#include <algorithm>
#include <cmath>

TLimiter::TLimiter(int channels, int sampleRate, double gain, double ceiling, double release)
    : Channels(channels), Ahead(std::max<size_t>(1, size_t(sampleRate) * 5 / 1000)), Gain(gain), Ceiling(ceiling),
      Release(1 - std::exp(-1.0 / (release * sampleRate))), Delay((Ahead + 1) * channels, 0.0f), Window(Ahead, 1.0)
{
    WindowSum = double(Ahead);
}

// Frame n comes in; frame n - Ahead goes out. The needed gain of a frame is what brings its
// highest sample to the ceiling. Its minimum over the next Ahead frames, released slowly, then
// averaged over Ahead frames, never exceeds the needed gain of any frame it is applied to: every
// minimum in the average covers that frame.
void TLimiter::Push(const float *frame, bool real, std::vector<float> &out)
{
    double need = 1;
    if (real) {
        float peak = 0;
        for (int c = 0; c < Channels; ++c)
            peak = std::max(peak, std::fabs(frame[c]));
        if (peak * Gain > Ceiling)
            need = Ceiling / (peak * Gain);
    }
    const size_t slot = Count % (Ahead + 1);
    for (int c = 0; c < Channels; ++c)
        Delay[slot * Channels + c] = real ? frame[c] : 0.0f;
    while (!Minima.empty() && Minima.back().second >= need)
        Minima.pop_back();
    Minima.emplace_back(Count, need);
    ++Count;
    if (Count <= Ahead)
        return;
    const size_t outFrame = Count - 1 - Ahead;
    while (Minima.front().first < outFrame)
        Minima.pop_front();
    // The minimum over [outFrame, outFrame + Ahead]; the release lifts it back gradually.
    Held = std::min(Minima.front().second, Held + (1 - Held) * Release);
    if (outFrame == 0) {
        // The frames before the start would have looked ahead at this same stretch.
        std::fill(Window.begin(), Window.end(), Held);
        WindowSum = Held * double(Ahead);
    }
    WindowSum += Held - Window[outFrame % Ahead];
    Window[outFrame % Ahead] = Held;
    const double gain = std::min(1.0, WindowSum / double(Ahead));
    Deepest = std::min(Deepest, gain);
    const size_t from = (outFrame % (Ahead + 1)) * Channels;
    for (int c = 0; c < Channels; ++c)
        out.push_back(static_cast<float>(Delay[from + c] * Gain * gain));
}

void TLimiter::Add(const float *interleaved, size_t frames, std::vector<float> &out)
{
    for (size_t i = 0; i < frames; ++i)
        Push(interleaved + i * Channels, true, out);
}

void TLimiter::Finish(std::vector<float> &out)
{
    const size_t real = Count;
    while (Count < real + Ahead)
        Push(nullptr, false, out);
}

double TLimiter::DeepestCutDb() const
{
    return 20 * std::log10(Deepest);
}

void LimitPeaks(std::vector<float> &samples, int sampleRate, double ceilingDb)
{
    // A quicker release than music gets: the gaps between words are short.
    TLimiter limiter(1, sampleRate, 1, std::pow(10, ceilingDb / 20), 0.06);
    std::vector<float> out;
    out.reserve(samples.size());
    limiter.Add(samples.data(), samples.size(), out);
    limiter.Finish(out);
    samples = std::move(out);
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
