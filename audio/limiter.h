#pragma once

#include <cstddef>
#include <deque>
#include <utility>
#include <vector>

/// A look-ahead peak limiter for interleaved samples, both channels under one gain so the stereo
/// image stays put. The gain falls in a straight line over the look-ahead before a peak, so it is
/// already down when the peak comes, and comes back smoothly afterwards: no clicks, no distortion
/// of the wave's shape beyond a slow change of level. Output lags input by the look-ahead.
class TLimiter
{
public:
    /// gain: applied to everything first; ceiling: the highest sample level let through (linear);
    /// release: how fast the gain comes back after a peak (the time constant, in seconds).
    TLimiter(int channels, int sampleRate, double gain, double ceiling, double release = 0.15);

    /// Appends to out what comes out for these frames (frames behind them, by the look-ahead).
    void Add(const float *interleaved, size_t frames, std::vector<float> &out);
    /// Appends the rest: as many frames out as went in.
    void Finish(std::vector<float> &out);
    /// How far the limiter went below the plain gain at most, in dB (0 when it never acted).
    double DeepestCutDb() const;

private:
    void Push(const float *frame, bool real, std::vector<float> &out);

    int Channels;
    size_t Ahead; // frames of look-ahead
    double Gain, Ceiling;
    double Release;                               // per frame, how much of the way back to full gain
    std::vector<float> Delay;                     // the last Ahead + 1 frames, a ring
    size_t Count = 0;                             // frames pushed
    std::deque<std::pair<size_t, double>> Minima; // the falling minima of the needed gain ahead
    std::vector<double> Window;                   // the last Ahead smoothed minima, a ring, for the moving average
    double WindowSum = 0;
    double Held = 1; // the minimum after the release
    double Deepest = 1;
};

// Speech has peaks far above its loudness: lifted to -16 LUFS by gain alone, its consonants would
// clip. The limiter turns down only the moments around such peaks.

/// Keeps every sample of the mono signal at or below ceilingDb (dBFS): the gain falls smoothly over
/// 5 ms before a peak and recovers over about 60 ms after it.
void LimitPeaks(std::vector<float> &samples, int sampleRate, double ceilingDb);

/// Brings mono samples to the target integrated loudness with their sample peaks limited to
/// ceilingDb; a few rounds, since limiting takes a little loudness off each time.
void LevelWithLimiter(std::vector<float> &samples, int sampleRate, double targetLufs, double ceilingDb);
