#pragma once

#include <cstddef>
#include <vector>

// The highest level a channel reaches between its samples once a player rebuilds the wave (true
// peak, ITU-R BS.1770-4 Annex 2): the samples are oversampled and the peak is taken over the result.

/// One channel's true peak, fed piece by piece.
class TTruePeak
{
public:
    explicit TTruePeak(int sampleRate);

    /// count samples of the channel, each stride floats after the one before (full scale at 1).
    void Add(const float *samples, size_t count, size_t stride = 1);
    /// The peak so far as a linear level (1 is full scale); never below the highest sample.
    double Peak() const { return Best; }

private:
    void Oversample(size_t count); // the block in Work after the history

    int Phases = 1;                  // the oversampling factor: 4 below 96 kHz, 2 below 192 kHz, else none
    size_t Taps = 0;                 // per phase
    std::vector<float> Coefficients; // phase by phase, Taps each; phase 0 (the samples themselves) left out
    float Bound = 1;                 // no phase can come out above Bound times the highest sample it reads
    std::vector<float> Work;         // Taps - 1 samples of history, then the block
    std::vector<float> Out;
    float HistoryMax = 0; // the highest of the history samples
    double Best = 0;
};
