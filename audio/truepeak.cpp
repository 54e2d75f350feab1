#include "audio/truepeak.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// The interpolation filter of libebur128, so that our figures and the reference library's agree:
// a 49-tap sinc with a Hann window, split into the oversampling factor's phases. BS.1770-4's
// example is a 48-tap filter of the same kind; the standard lets any such filter through.
constexpr int FilterTaps = 49;

// Samples per block: the block is skipped when no phase can beat the peak found so far, so most of
// a track costs one comparison per sample.
constexpr size_t BlockSize = 64;

// The highest magnitude of count floats. Compared as the bits of their magnitudes, which order as
// the values do, so that the compiler can use vector code (a float maximum it may not reorder).
float HighestMagnitude(const float *values, size_t count)
{
    uint32_t highest = 0;
    for (size_t i = 0; i < count; ++i) {
        uint32_t bits;
        std::memcpy(&bits, values + i, sizeof bits);
        highest = std::max(highest, bits & 0x7fffffffu);
    }
    float result;
    std::memcpy(&result, &highest, sizeof result);
    return result;
}

} // namespace

TTruePeak::TTruePeak(int sampleRate)
{
    Phases = sampleRate < 96000 ? 4 : sampleRate < 192000 ? 2 : 1;
    Taps = (FilterTaps + Phases - 1) / Phases;
    Coefficients.assign(size_t(Phases) * Taps, 0.0f);
    for (int j = 0; j < FilterTaps; ++j) {
        const double m = j - (FilterTaps - 1) / 2.0;
        const double x = m * M_PI / Phases;
        const double window = 0.5 * (1 - std::cos(2 * M_PI * j / (FilterTaps - 1)));
        Coefficients[size_t(j % Phases) * Taps + size_t(j / Phases)] =
            static_cast<float>((std::fabs(x) < 1e-9 ? 1.0 : std::sin(x) / x) * window);
    }
    Bound = 0;
    for (int phase = 1; phase < Phases; ++phase) {
        float sum = 0;
        for (size_t t = 0; t < Taps; ++t)
            sum += std::fabs(Coefficients[phase * Taps + t]);
        Bound = std::max(Bound, sum * 1.0001f); // a hair over, for the rounding of the sums
    }
    Work.assign(Taps - 1 + BlockSize, 0.0f);
    Out.assign(BlockSize, 0.0f);
}

// With AVX2 where the processor has it: eight samples to a vector instead of four. Defined before
// its first call, as clang wants for a function with several versions.
__attribute__((target_clones("avx2", "default"))) void TTruePeak::Oversample(size_t count)
{
    const size_t history = Taps - 1;
    float peak = 0;
    for (int phase = 1; phase < Phases; ++phase) {
        const float *h = Coefficients.data() + size_t(phase) * Taps;
        std::fill(Out.begin(), Out.begin() + count, 0.0f);
        // Tap by tap over the whole block: a plain multiply-add over consecutive samples, which the
        // compiler turns into vector code.
        for (size_t t = 0; t < Taps; ++t) {
            const float c = h[t];
            const float *x = Work.data() + history - t;
            for (size_t i = 0; i < count; ++i)
                Out[i] += c * x[i];
        }
        peak = std::max(peak, HighestMagnitude(Out.data(), count));
    }
    Best = std::max(Best, double(peak));
}

void TTruePeak::Add(const float *samples, size_t count, size_t stride)
{
    const size_t history = Taps - 1;
    while (count > 0) {
        const size_t n = std::min(count, BlockSize);
        for (size_t i = 0; i < n; ++i)
            Work[history + i] = samples[i * stride];
        const float blockMax = HighestMagnitude(Work.data() + history, n);
        Best = std::max(Best, double(blockMax));
        // Every value between these samples is a weighted sum of them and the history, at most
        // Bound times the largest: below the peak so far, it can not change it.
        if (Phases > 1 && std::max(blockMax, HistoryMax) * Bound > Best)
            Oversample(n);
        std::copy(Work.begin() + n, Work.begin() + n + history, Work.begin());
        HistoryMax = HighestMagnitude(Work.data(), history);
        samples += n * stride;
        count -= n;
    }
}
