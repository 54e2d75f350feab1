#pragma once

#include "device/sounds.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// How loud a track sounds (EBU R128 integrated loudness) and how high its peaks reach between
// samples (true peak), so the operator sees the one bell that deafens or the announcement lost
// in the noise before the card is written.

/// Takes interleaved samples piece by piece and gives the loudness of all of them: the K-weighted
/// energy of 400 ms blocks every 100 ms, gated at -70 LUFS and 10 LU below the mean (ITU-R BS.1770-4,
/// EBU R128), and the true peak of each channel. Mono and stereo, at any rate.
class TLoudnessMeter
{
public:
    TLoudnessMeter(int channels, int sampleRate);
    ~TLoudnessMeter();
    TLoudnessMeter(const TLoudnessMeter &) = delete;
    TLoudnessMeter &operator=(const TLoudnessMeter &) = delete;

    void Add(const int16_t *interleaved, size_t frames);
    void Add(const float *interleaved, size_t frames); // full scale at 1
    TLoudness Result() const;

private:
    struct TState;
    std::unique_ptr<TState> State;
};

/// Decodes the MP3 file at path and measures it; throws TFileError naming the file when it can
/// not be opened or holds no MPEG audio. The programs ask MeasureTrackLoudness, which comes here
/// through the audio module.
TLoudness MeasureMp3Loudness(const std::string &path);
