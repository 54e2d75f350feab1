#pragma once

#include <vector>

// Speech has peaks far above its loudness: lifted to -16 LUFS by gain alone, its consonants would
// clip. The limiter turns down only the moments around such peaks.

/// Keeps every sample of the mono signal at or below ceilingDb (dBFS): the gain falls smoothly over
/// about 5 ms before a peak and recovers over about 60 ms after it.
void LimitPeaks(std::vector<float> &samples, int sampleRate, double ceilingDb);

/// Brings mono samples to the target integrated loudness with their sample peaks limited to
/// ceilingDb; a few rounds, since limiting takes a little loudness off each time.
void LevelWithLimiter(std::vector<float> &samples, int sampleRate, double targetLufs, double ceilingDb);
