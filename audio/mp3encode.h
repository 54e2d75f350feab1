#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

enum class TMp3Speed {
    Best,            // the encoder's thorough search, for sounds made here
    Fast,            // its quick one, for re-encoding whole tracks
    FastPlainStereo, // ... with the channels coded apart, as the source had them
};

/// An MP3 made piece by piece with libmp3lame at a constant bitrate, mono or stereo, ending with
/// the LAME tag that lets a decoder take the encoder's delay and padding off, so the length stays exact.
class TMp3Encoder
{
public:
    TMp3Encoder(int channels, int sampleRate, int kbps, TMp3Speed speed = TMp3Speed::Best);
    ~TMp3Encoder();
    TMp3Encoder(const TMp3Encoder &) = delete;
    TMp3Encoder &operator=(const TMp3Encoder &) = delete;

    /// Interleaved samples, -1 to 1.
    void Add(const float *interleaved, size_t frames);
    /// The whole file; the encoder is done with.
    std::string Finish();

private:
    struct TState;
    std::unique_ptr<TState> State;
};

/// Encodes mono samples (-1 to 1) to a whole MP3 file.
std::string EncodeMonoMp3(const std::vector<float> &samples, int sampleRate, int kbps);

/// The standard MPEG bitrate at the sample rate that is at least kbps (the highest when none is).
int StandardBitrateAtLeast(int kbps, int sampleRate);
