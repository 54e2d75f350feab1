#pragma once

#include <cstddef>
#include <vector>

// The highest level a channel reaches between its samples once a player rebuilds the wave (true
// peak): the wave is rebuilt from the samples by a windowed-sinc filter reaching 32 samples either
// side, read at four points per sample, and around every point that could hold the peak at 32
// points per sample. Within 0.2 dB of a 16x oversampled reference with a far longer filter, also on
// clipped, dense masters.

/// One channel's true peak, fed piece by piece.
class TTruePeak
{
public:
    /// The filter works in fractions of the sample period, so one meter suits every sample rate.
    explicit TTruePeak(int sampleRate);

    /// count samples of the channel, each stride floats after the one before (full scale at 1).
    void Add(const float *samples, size_t count, size_t stride = 1);
    /// The peak of everything added, the ring after the last sample included, as a linear level (1
    /// is full scale); never below the highest sample.
    double Peak() const;

    /// Samples gathered before their blocks are read: whole blocks, one pass over them at a time.
    static constexpr size_t Capacity = 4096;

private:
    void Blocks();                       // every full block in Work after the history
    void Oversample(const float *block); // a block's points between samples, once it can hold a new peak

    std::vector<float> Work; // the block before the first (the history the filter reads), then the samples
    size_t Filled = 0;       // samples after the history so far
    float HistoryMax = 0;    // the previous block's highest magnitude
    float HistoryCurve = 0;  // and its highest second difference
    double Best = 0;
};
