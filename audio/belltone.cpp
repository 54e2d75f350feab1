#include "audio/belltone.h"

#include "audio/mp3encode.h"
#include "storage/fileio.h"

#include <algorithm>
#include <cmath>

namespace {

struct TPartial
{
    double Ratio;
    double Amplitude;
};

// A struck bar or plate rings at these inharmonic partials; a chime bar at near-harmonic ones.
constexpr TPartial PlatePartials[] = {{1, 1}, {2.32, 0.6}, {4.25, 0.35}, {6.63, 0.2}};
constexpr TPartial BarPartials[] = {{1, 1}, {2, 0.35}, {3, 0.15}, {4.2, 0.08}};

// One struck note from time start: each partial decays, the higher ones faster.
void AddNote(std::vector<float> &out, int rate, double start, double frequency, double decay)
{
    const size_t from = static_cast<size_t>(start * rate);
    for (size_t i = from; i < out.size(); ++i) {
        const double t = double(i - from) / rate;
        const double attack = std::min(1.0, t / 0.004); // 4 ms: a strike, not a click
        double value = 0;
        for (const TPartial &partial : BarPartials)
            value += partial.Amplitude * std::exp(-t * partial.Ratio / decay) *
                     std::sin(2 * M_PI * frequency * partial.Ratio * t);
        out[i] += static_cast<float>(attack * value);
    }
}

// The electric bell: a hammer hits the plate about 22 times a second, so the ring never dies down
// and each hit adds a short bright burst. When the hammer rests (at stop), the plate rings on and
// fades in a fifth of a second.
void SchoolBell(std::vector<float> &out, int rate, double stop)
{
    const double frequency = 1250, hits = 22;
    const double lastHit = std::floor(stop * hits) / hits;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / rate;
        const double sinceHit = t < lastHit ? std::fmod(t, 1 / hits) : t - lastHit;
        const double strike = (0.55 + 0.45 * std::exp(-sinceHit / 0.012)) * std::exp(-std::max(0.0, t - stop) / 0.2);
        double value = 0;
        for (const TPartial &partial : PlatePartials)
            value += partial.Amplitude * std::sin(2 * M_PI * frequency * partial.Ratio * t);
        out[i] = static_cast<float>(strike * std::min(1.0, t / 0.005) * value);
    }
}

} // namespace

std::vector<float> SynthesiseBell(TBellTone kind, double seconds, int sampleRate)
{
    std::vector<float> out(static_cast<size_t>(std::llround(seconds * sampleRate)), 0.0f);
    // A bell that stops rings out: over its last second (the last half of a shorter sound) the ring
    // is damped smoothly to nothing, so that it ends more than 40 dB under its loudest and is never
    // cut while it still sounds.
    const double release = std::min(1.0, seconds / 2);
    switch (kind) {
    case TBellTone::School:
        SchoolBell(out, sampleRate, seconds - release);
        break;
    case TBellTone::Chime: // ding (E5) - dong (C5)
        AddNote(out, sampleRate, 0, 659.25, 0.9);
        AddNote(out, sampleRate, 0.7, 523.25, 1.1);
        break;
    case TBellTone::Gong: // rising G4 - C5 - E5, as stations announce
        AddNote(out, sampleRate, 0, 392.0, 1.0);
        AddNote(out, sampleRate, 0.45, 523.25, 1.0);
        AddNote(out, sampleRate, 0.9, 659.25, 1.2);
        break;
    }
    // The square of a half cosine: 12 dB down halfway, over 60 dB down in the last tenth.
    const size_t from = out.size() - std::min(out.size(), static_cast<size_t>(release * sampleRate));
    for (size_t i = from; i < out.size(); ++i) {
        const double damp = 0.5 * (1 + std::cos(M_PI * double(i - from + 1) / double(out.size() - from)));
        out[i] *= static_cast<float>(damp * damp);
    }
    return out;
}

void LevelMono(std::vector<float> &samples, int sampleRate, double targetLufs)
{
    TLoudnessMeter meter(1, sampleRate);
    meter.Add(samples.data(), samples.size());
    const TLoudness measured = meter.Result();
    float peak = 0;
    for (const float value : samples)
        peak = std::max(peak, std::fabs(value));
    if (!measured.Measured || peak <= 0)
        return;
    const double gain = std::min(std::pow(10, (targetLufs - measured.Lufs) / 20), std::pow(10, -1.5 / 20) / peak);
    for (float &value : samples)
        value = static_cast<float>(value * gain);
}

TLoudness WriteLevelledMp3(const std::string &path, std::vector<float> samples, int sampleRate, double targetLufs)
{
    LevelMono(samples, sampleRate, targetLufs);
    TLoudness measured;
    for (int pass = 0; pass < 2; ++pass) {
        WriteFileAtomically(path, EncodeMonoMp3(samples, sampleRate, 128));
        measured = MeasureMp3Loudness(path);
        if (!measured.Measured || std::fabs(measured.Lufs - targetLufs) <= 0.1)
            break;
        // Never past the peak limit LevelMono keeps.
        const double gain =
            std::min(std::pow(10, (targetLufs - measured.Lufs) / 20), std::pow(10, (-1.5 - measured.TruePeakDb) / 20));
        for (float &value : samples)
            value = static_cast<float>(value * gain);
    }
    return measured;
}
