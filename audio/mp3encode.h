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
    /// outFd: the file the MP3 goes to as it is made (empty, at its start; it stays the caller's);
    /// -1 keeps it in memory for Finish to return.
    TMp3Encoder(int channels, int sampleRate, int kbps, TMp3Speed speed = TMp3Speed::Best, int outFd = -1);
    ~TMp3Encoder();
    TMp3Encoder(const TMp3Encoder &) = delete;
    TMp3Encoder &operator=(const TMp3Encoder &) = delete;

    /// Interleaved samples, -1 to 1.
    void Add(const float *interleaved, size_t frames);
    /// The whole file ("" when it went to outFd); the encoder is done with. Throws when outFd can
    /// not take it.
    std::string Finish();

private:
    struct TState;
    std::unique_ptr<TState> State;
};

/// Encodes mono samples (-1 to 1) to a whole MP3 file.
std::string EncodeMonoMp3(const std::vector<float> &samples, int sampleRate, int kbps);

/// The standard MPEG bitrate at the sample rate that is at least kbps (the highest when none is).
int StandardBitrateAtLeast(int kbps, int sampleRate);

/// The same, raised where needed so that a constant-bitrate frame holds the LAME tag: without it
/// players keep the encoder's delay and padding, and a copy comes out longer than its source.
int GaplessBitrateAtLeast(int kbps, int sampleRate, int channels);
