#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// How loud a track sounds (EBU R128 integrated loudness) and how high its peaks reach between
// samples (true peak), so the operator sees the one bell that deafens or the announcement lost
// in the noise before the card is written.

/// One measurement. A silent or too short track has no loudness: Measured is false.
struct TLoudness
{
    bool Measured = false;
    double Lufs = 0;
    double TruePeakDb = 0; // dBTP, the highest channel
};

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
/// not be opened or holds no MPEG audio.
TLoudness MeasureTrackLoudness(const std::string &path);

/// "−18.2 LUFS, пик −1.3 dBTP" for the operator; "" when nothing was measured.
std::string LoudnessText(const TLoudness &loudness);

/// Which of the measured tracks lie more than maxLu from the median of all measured ones; tracks
/// without a measurement are never marked.
std::vector<bool> LoudnessOutliers(const std::vector<TLoudness> &tracks, double maxLu = 6);

/// The operator's note on a track that LoudnessOutliers marks.
inline constexpr const char *LoudnessOutlierText = "громкость сильно отличается от остальных";
