// The true-peak meter over ten seconds of mono 44.1 kHz audio of four kinds: a music-like mix
// under full scale, the same mix driven 12 dB into clipping (a dense, loud master), speech-like
// bursts with pauses, and white noise; then the whole loudness meter (K-weighting, gating and the
// true peak of both channels) over the same kinds in stereo. The meters run over every sample of
// every track the programs measure, so their cost per sample is what matters; "items" below are
// samples, and frames for the stereo meter.

#include "audio/truepeak.h"
#include "audio/loudness.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr int Rate = 44100;

std::vector<float> Signal(int kind)
{
    std::mt19937 random(11);
    std::normal_distribution<float> noise(0, 1);
    std::vector<float> out(size_t(Rate) * 10);
    float smooth = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / Rate;
        smooth = 0.7f * smooth + 0.3f * noise(random); // noise with its top end rolled off
        const double beat = std::exp(-std::fmod(t, 0.5) / 0.08);
        const double music = 0.35 * std::sin(2 * M_PI * 110 * t) * (0.6 + 0.4 * beat) +
                             0.2 * std::sin(2 * M_PI * 330.5 * t) + 0.12 * std::sin(2 * M_PI * 1760 * t + 1) +
                             0.15 * beat * smooth;
        switch (kind) {
        case 0:
            out[i] = float(music);
            break;
        case 1:
            out[i] = std::clamp(float(4 * music), -1.0f, 1.0f);
            break;
        case 2: // syllables of a 140 Hz buzz, pauses between words
            out[i] = float((0.5 * std::sin(2 * M_PI * 140 * t) + 0.3 * std::sin(2 * M_PI * 420 * t) +
                            0.2 * std::sin(2 * M_PI * 980 * t)) *
                           (std::fmod(t, 3) < 2.4 ? std::fabs(std::sin(2 * M_PI * 2 * t)) : 0.0));
            break;
        default:
            out[i] = 0.1f * noise(random);
        }
    }
    return out;
}

void BM_TruePeak(benchmark::State &state)
{
    const std::vector<float> samples = Signal(int(state.range(0)));
    for (auto _ : state) {
        TTruePeak meter(Rate);
        for (size_t at = 0; at < samples.size(); at += 4096)
            meter.Add(samples.data() + at, std::min<size_t>(4096, samples.size() - at));
        benchmark::DoNotOptimize(meter.Peak());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(samples.size()));
}
BENCHMARK(BM_TruePeak)->ArgName("music|clipped|speech|noise")->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

void BM_LoudnessStereo(benchmark::State &state)
{
    const std::vector<float> mono = Signal(int(state.range(0)));
    std::vector<float> stereo(2 * mono.size());
    for (size_t i = 0; i < mono.size(); ++i) { // the right channel a little later and quieter
        stereo[2 * i] = mono[i];
        stereo[2 * i + 1] = 0.8f * mono[(i + mono.size() - 7) % mono.size()];
    }
    for (auto _ : state) {
        TLoudnessMeter meter(2, Rate);
        for (size_t at = 0; at < mono.size(); at += 1152) // an MP3 frame at a time, as tracks are fed
            meter.Add(stereo.data() + 2 * at, std::min<size_t>(1152, mono.size() - at));
        benchmark::DoNotOptimize(meter.Result());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(mono.size()));
}
BENCHMARK(BM_LoudnessStereo)->ArgName("music|clipped|speech|noise")->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
