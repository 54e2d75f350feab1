#pragma once

#include "audio/limiter.h"

#include <cstddef>
#include <vector>

/// The look-ahead limiter made to see the peaks between samples at low sample rates: the samples
/// are oversampled to 32 kHz or more, the limiter works there (where the wave's peaks lie on
/// samples), and its gain is applied to the original samples. The output has the input's rate and
/// length; above 32 kHz it is the plain limiter.
class TPeakLimiter
{
public:
    TPeakLimiter(int channels, int sampleRate, double gain, double ceiling, double release = 0.15);

    /// Appends to out what comes out for these frames (they lag, by the look-ahead and the filter).
    void Add(const float *interleaved, size_t frames, std::vector<float> &out);
    /// Appends the rest: as many frames out as went in.
    void Finish(std::vector<float> &out);
    /// How far the limiter went below the plain gain at most, in dB (0 when it never acted).
    double DeepestCutDb() const { return Limiter.DeepestCutDb(); }
    /// The rate the limiter works at: the input's times the factor.
    int Factor() const { return Ratio; }

private:
    void Take(std::vector<float> &out); // the limited frames at the original rate

    int Channels;
    int Ratio;
    TLimiter Limiter;
    std::vector<float> Filter;  // Ratio * HalfTaps * 2 + 1 coefficients, phase 0 a plain delay
    std::vector<float> History; // the last 2 * HalfTaps input frames
    std::vector<float> High, Limited;
    size_t HighDone = 0; // high-rate frames out of the limiter so far
    size_t Skip = 0;     // original-rate frames of filter delay still to drop
};
