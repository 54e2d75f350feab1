#pragma once

// The true peak by brute force, for checking the meter: 16 points to a sample from a sinc under a
// Kaiser window (beta 10, images 100 dB down) reaching 128 samples either side, four times the
// meter's reach, with the signal silent before and after. Slow (4096 multiplications a sample):
// for test signals and the bench's accuracy table only.

#include <cmath>
#include <cstddef>
#include <vector>

inline double ReferenceTruePeak(const float *interleaved, size_t frames, int channels)
{
    constexpr int Over = 16, Half = 128, Taps = 2 * Half;
    static const std::vector<double> kernel = [] {
        const auto bessel = [](double x) {
            double sum = 1, term = 1;
            for (int k = 1; k < 80; ++k)
                sum += term *= x * x / (4.0 * k * k);
            return sum;
        };
        std::vector<double> k(size_t(Over) * Taps);
        for (int p = 0; p < Over; ++p)
            for (int j = 0; j < Taps; ++j) {
                // Tap j weighs the sample j - Half + 1 from the point's sample; the point lies p / Over after it.
                const double d = j - (Half - 1) - double(p) / Over, r = d / Half;
                const double sinc = d == 0 ? 1 : std::sin(M_PI * d) / (M_PI * d);
                k[size_t(p) * Taps + j] = std::fabs(r) >= 1 ? 0 : sinc * bessel(10 * std::sqrt(1 - r * r)) / bessel(10);
            }
        return k;
    }();
    double peak = 0;
    for (int c = 0; c < channels; ++c) {
        std::vector<double> x(frames + 2 * Taps, 0.0);
        for (size_t i = 0; i < frames; ++i)
            x[Taps + i] = interleaved[i * channels + c];
        for (size_t n = Taps - Half; n < frames + Taps + Half; ++n)
            for (int p = 0; p < Over; ++p) {
                const double *h = kernel.data() + size_t(p) * Taps, *s = x.data() + n - (Half - 1);
                double sum[4] = {};
                for (int j = 0; j < Taps; j += 4)
                    for (int l = 0; l < 4; ++l)
                        sum[l] += h[j + l] * s[j + l];
                peak = std::max(peak, std::fabs(sum[0] + sum[1] + sum[2] + sum[3]));
            }
    }
    return peak;
}
