#include "audio/loudness.h"

#include "audio/trackdecoder.h"

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

TLoudness MeasureMp3Loudness(const std::string &path)
{
    TTrackDecoder decoder(path);
    TLoudnessMeter meter(decoder.Channels(), decoder.SampleRate());
    std::vector<int16_t> buffer(size_t(16384) * decoder.Channels());
    while (const size_t bytes = decoder.Read(reinterpret_cast<unsigned char *>(buffer.data()), buffer.size() * 2))
        meter.Add(buffer.data(), bytes / 2 / decoder.Channels());
    return meter.Result();
}
