#include "audio/loudness.h"

#include "device/trackdecoder.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

namespace {

ebur128_state *Meter(void *state)
{
    return static_cast<ebur128_state *>(state);
}

// A level with one decimal and a true minus sign, as the operator reads it.
std::string LevelText(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", std::fabs(value));
    return (value < -0.05 ? "\u2212" : "") + std::string(text);
}

} // namespace

TLoudnessMeter::TLoudnessMeter(int channels, int sampleRate) : Channels(channels)
{
    State = ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(sampleRate),
                         EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    if (!State)
        throw std::bad_alloc();
}

TLoudnessMeter::~TLoudnessMeter()
{
    auto *state = Meter(State);
    ebur128_destroy(&state);
}

void TLoudnessMeter::Add(const int16_t *interleaved, size_t frames)
{
    if (frames > 0)
        ebur128_add_frames_short(Meter(State), interleaved, frames);
}

void TLoudnessMeter::Add(const float *interleaved, size_t frames)
{
    if (frames > 0)
        ebur128_add_frames_float(Meter(State), interleaved, frames);
}

TLoudness TLoudnessMeter::Result() const
{
    TLoudness result;
    double lufs = -HUGE_VAL;
    // The gate leaves nothing of silence or of less than 400 ms: the library answers -inf then.
    if (ebur128_loudness_global(Meter(State), &lufs) != EBUR128_SUCCESS || !std::isfinite(lufs))
        return result;
    double peak = 0;
    for (int channel = 0; channel < Channels; ++channel) {
        double value = 0;
        if (ebur128_true_peak(Meter(State), static_cast<unsigned>(channel), &value) == EBUR128_SUCCESS)
            peak = std::max(peak, value);
    }
    result.Measured = true;
    result.Lufs = lufs;
    result.TruePeakDb = peak > 0 ? 20 * std::log10(peak) : -HUGE_VAL;
    return result;
}

TLoudness MeasureTrackLoudness(const std::string &path)
{
    TTrackDecoder decoder(path);
    TLoudnessMeter meter(decoder.Channels(), decoder.SampleRate());
    std::vector<int16_t> buffer(size_t(16384) * decoder.Channels());
    while (const size_t bytes = decoder.Read(reinterpret_cast<unsigned char *>(buffer.data()), buffer.size() * 2))
        meter.Add(buffer.data(), bytes / 2 / decoder.Channels());
    return meter.Result();
}

std::vector<bool> LoudnessOutliers(const std::vector<TLoudness> &tracks, double maxLu)
{
    std::vector<double> levels;
    for (const TLoudness &track : tracks)
        if (track.Measured)
            levels.push_back(track.Lufs);
    std::vector<bool> marked(tracks.size(), false);
    if (levels.empty())
        return marked;
    std::sort(levels.begin(), levels.end());
    const size_t half = levels.size() / 2;
    const double median = levels.size() % 2 ? levels[half] : (levels[half - 1] + levels[half]) / 2;
    for (size_t i = 0; i < tracks.size(); ++i)
        marked[i] = tracks[i].Measured && std::fabs(tracks[i].Lufs - median) > maxLu;
    return marked;
}

std::string LoudnessText(const TLoudness &loudness)
{
    if (!loudness.Measured)
        return "";
    return LevelText(loudness.Lufs) + " LUFS, пик " + LevelText(loudness.TruePeakDb) + " dBTP";
}
