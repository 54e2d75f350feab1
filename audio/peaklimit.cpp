#include "audio/peaklimit.h"

#include <cmath>

namespace {

constexpr int HalfTaps = 8;    // input samples each side of an interpolated one
constexpr int MinRate = 32000; // oversampled to at least this

int RatioFor(int rate)
{
    return rate >= MinRate ? 1 : (MinRate + rate - 1) / rate;
}

// Bessel I0, for the Kaiser window.
double BesselI0(double x)
{
    double sum = 1, term = 1;
    for (int k = 1; k < 30; ++k) {
        term *= (x / (2 * k)) * (x / (2 * k));
        sum += term;
    }
    return sum;
}

} // namespace

TPeakLimiter::TPeakLimiter(int channels, int sampleRate, double gain, double ceiling, double release)
    : Channels(channels), Ratio(RatioFor(sampleRate)), Limiter(channels, sampleRate * Ratio, gain, ceiling, release)
{
    if (Ratio == 1)
        return;
    // A windowed sinc cut off at the original Nyquist: zero at every multiple of Ratio but the
    // centre, so the original samples come through untouched and the others are interpolated.
    const int centre = Ratio * HalfTaps, length = 2 * centre + 1;
    Filter.resize(length);
    const double beta = 7, norm = BesselI0(beta);
    for (int j = 0; j < length; ++j) {
        const double x = double(j - centre) / Ratio, r = double(j - centre) / centre;
        const double sinc = x == 0 ? 1 : std::sin(M_PI * x) / (M_PI * x);
        Filter[j] = float(sinc * BesselI0(beta * std::sqrt(std::max(0.0, 1 - r * r))) / norm);
    }
    History.assign(size_t(2 * HalfTaps) * channels, 0.0f);
    Skip = HalfTaps;
}

void TPeakLimiter::Add(const float *interleaved, size_t frames, std::vector<float> &out)
{
    if (Ratio == 1) {
        Limiter.Add(interleaved, frames, out);
        return;
    }
    const size_t taps = 2 * HalfTaps;
    High.resize(frames * Ratio * Channels);
    for (size_t i = 0; i < frames; ++i) {
        // The window of input around the new frame: history first, then this frame.
        History.insert(History.end(), interleaved + i * Channels, interleaved + (i + 1) * Channels);
        const float *window = History.data() + (History.size() - (taps + 1) * Channels);
        for (int p = 0; p < Ratio; ++p)
            for (int c = 0; c < Channels; ++c) {
                // High frame (n - HalfTaps) * Ratio + p, from inputs n - 2 HalfTaps .. n.
                double sum = 0;
                for (size_t k = 0; k <= taps; ++k) {
                    const int j = int(taps - k) * Ratio + p;
                    if (j < int(Filter.size()))
                        sum += double(window[k * Channels + c]) * Filter[j];
                }
                High[(i * Ratio + p) * Channels + c] = float(sum);
            }
        if (History.size() > (taps + 1) * Channels * 64)
            History.erase(History.begin(), History.end() - taps * Channels);
    }
    Limited.clear();
    Limiter.Add(High.data(), frames * Ratio, Limited);
    Take(out);
}

void TPeakLimiter::Finish(std::vector<float> &out)
{
    if (Ratio == 1) {
        Limiter.Finish(out);
        return;
    }
    // The filter's delay: silence after the end brings out the last frames.
    const std::vector<float> silence(size_t(HalfTaps) * Channels, 0.0f);
    Add(silence.data(), HalfTaps, out);
    Limited.clear();
    Limiter.Finish(Limited);
    Take(out);
}

void TPeakLimiter::Take(std::vector<float> &out)
{
    const size_t frames = Limited.size() / Channels;
    for (size_t i = 0; i < frames; ++i, ++HighDone) {
        if (HighDone % Ratio != 0)
            continue;
        if (Skip > 0) {
            --Skip;
            continue;
        }
        out.insert(out.end(), Limited.begin() + i * Channels, Limited.begin() + (i + 1) * Channels);
    }
}
