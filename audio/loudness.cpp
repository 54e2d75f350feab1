#include "audio/loudness.h"

#include "audio/trackdecoder.h"
#include "audio/truepeak.h"

#include <algorithm>
#include <cmath>

namespace {

struct TBiquad
{
    double B0, B1, B2, A1, A2;
};

// The K-weighting's two stages for a sample rate, from the analogue prototypes libebur128 uses, so
// that our figures agree with the reference library's at every rate, not only at 48 kHz.
TBiquad Shelf(int rate)
{
    const double f0 = 1681.974450955533, gain = 3.999843853973347, q = 0.7071752369554196;
    const double k = std::tan(M_PI * f0 / rate), vh = std::pow(10.0, gain / 20), vb = std::pow(vh, 0.4996667741545416);
    const double a0 = 1 + k / q + k * k;
    return {(vh + vb * k / q + k * k) / a0, 2 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0, 2 * (k * k - 1) / a0,
            (1 - k / q + k * k) / a0};
}

TBiquad HighPass(int rate)
{
    const double f0 = 38.13547087602444, q = 0.5003270373238773;
    const double k = std::tan(M_PI * f0 / rate), a0 = 1 + k / q + k * k;
    return {1, -2, 1, 2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0};
}

// Two doubles in one vector register (GCC and Clang vector extensions).
using TPair = double __attribute__((vector_size(16)));

// One channel's filter memory (stereo: both channels, one in each lane): the last two inputs and
// outputs of each stage.
struct TChannelState
{
    TPair X1{}, X2{}, Y1{}, Y2{}, K1{}, K2{};
};

// Both stages in direct form I over frames of one channel (T double) or of a stereo pair (T the
// pair, C 2); returns the sum of the squared outputs. The chain from one sample to the next is one
// multiply-add per stage, the rest of the arithmetic overlaps it.
template <typename T, int C>
[[gnu::always_inline]] inline double FilterBody(const TBiquad &s, const TBiquad &h, TChannelState &z, const float *in,
                                                size_t frames, int channels)
{
    const auto load = [&](size_t i) {
        if constexpr (C == 2)
            return T{in[2 * i], in[2 * i + 1]};
        else
            return T(in[i * size_t(channels)]);
    };
    const auto get = [](const TPair &v) -> T {
        if constexpr (C == 2)
            return v;
        else
            return v[0];
    };
    const auto put = [](const T &v) -> TPair {
        if constexpr (C == 2)
            return v;
        else
            return TPair{v, 0};
    };
    const auto splat = [](double v) -> T {
        if constexpr (C == 2)
            return T{v, v};
        else
            return v;
    };
    const T b0 = splat(s.B0), b1 = splat(s.B1), b2 = splat(s.B2), sa1 = splat(-s.A1), sa2 = splat(-s.A2);
    const T ha1 = splat(-h.A1), ha2 = splat(-h.A2), minus2 = splat(-2);
    T x1 = get(z.X1), x2 = get(z.X2), y1 = get(z.Y1), y2 = get(z.Y2), k1 = get(z.K1), k2 = get(z.K2), sum{};
    for (size_t i = 0; i < frames; ++i) {
        const T x = load(i);
        const T y = sa1 * y1 + (sa2 * y2 + (b2 * x2 + (b1 * x1 + b0 * x)));
        const T k = ha1 * k1 + (ha2 * k2 + (minus2 * y1 + (y + y2)));
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        k2 = k1;
        k1 = k;
        sum = k * k + sum;
    }
    z = {put(x1), put(x2), put(y1), put(y2), put(k1), put(k2)};
    if constexpr (C == 2)
        return sum[0] + sum[1];
    else
        return sum;
}

// Where the processor has fused multiply-add, the filter's products and sums go in one rounding
// each (the build lets the compiler fuse them in this file): half the instructions on the chain
// from one sample to the next.
#define FUSED __attribute__((target("avx2,fma")))

using TFilterFunction = double (*)(const TBiquad &, const TBiquad &, TChannelState &, const float *, size_t, int);

FUSED double FilterMonoFma(const TBiquad &s, const TBiquad &h, TChannelState &z, const float *in, size_t frames,
                           int channels)
{
    return FilterBody<double, 1>(s, h, z, in, frames, channels);
}

FUSED double FilterStereoFma(const TBiquad &s, const TBiquad &h, TChannelState &z, const float *in, size_t frames,
                             int channels)
{
    return FilterBody<TPair, 2>(s, h, z, in, frames, channels);
}

double FilterMono(const TBiquad &s, const TBiquad &h, TChannelState &z, const float *in, size_t frames, int channels)
{
    return FilterBody<double, 1>(s, h, z, in, frames, channels);
}

double FilterStereo(const TBiquad &s, const TBiquad &h, TChannelState &z, const float *in, size_t frames, int channels)
{
    return FilterBody<TPair, 2>(s, h, z, in, frames, channels);
}

double EnergyToLufs(double energy)
{
    return 10 * std::log10(energy) - 0.691;
}

} // namespace

struct TLoudnessMeter::TState
{
    int Channels = 0;
    size_t PieceFrames = 0; // 100 ms
    TBiquad S{}, H{};
    // Per channel (one for stereo, in two lanes).
    std::vector<TChannelState> Z;
    std::vector<TTruePeak> Peaks;
    double Sum = 0;             // K-weighted squares of the piece so far, all channels
    size_t Filled = 0;          // frames of the piece so far
    std::vector<double> Pieces; // the mean squares of the 100 ms pieces: 18 000 for half an hour
    std::vector<float> Scratch;
    TFilterFunction Filter = nullptr;

    void Add(const float *in, size_t frames)
    {
        for (int c = 0; c < Channels; ++c)
            Peaks[c].Add(in + c, frames, size_t(Channels));
        while (frames > 0) {
            const size_t n = std::min(frames, PieceFrames - Filled);
            if (Channels == 2)
                Sum += Filter(S, H, Z[0], in, n, 2);
            else
                for (int c = 0; c < Channels; ++c)
                    Sum += Filter(S, H, Z[size_t(c)], in + c, n, Channels);
            in += n * Channels;
            frames -= n;
            Filled += n;
            if (Filled == PieceFrames) {
                Pieces.push_back(Sum / double(PieceFrames));
                Sum = 0;
                Filled = 0;
                // States that fade out in silence would turn subnormal and slow every sample down.
                for (TChannelState &z : Z)
                    for (TPair *v : {&z.X1, &z.X2, &z.Y1, &z.Y2, &z.K1, &z.K2})
                        for (int lane = 0; lane < 2; ++lane)
                            if (std::fabs((*v)[lane]) < 1e-30)
                                (*v)[lane] = 0;
            }
        }
    }
};

TLoudnessMeter::TLoudnessMeter(int channels, int sampleRate) : State(std::make_unique<TState>())
{
    State->Channels = channels;
    State->PieceFrames = static_cast<size_t>(std::max(1, (sampleRate + 5) / 10));
    State->S = Shelf(sampleRate);
    State->H = HighPass(sampleRate);
    const bool fused = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    if (channels == 2)
        State->Filter = fused ? FilterStereoFma : FilterStereo;
    else
        State->Filter = fused ? FilterMonoFma : FilterMono;
    State->Z.assign(size_t(channels), {});
    State->Peaks.assign(size_t(channels), TTruePeak(sampleRate));
}

TLoudnessMeter::~TLoudnessMeter() = default;

void TLoudnessMeter::Add(const int16_t *interleaved, size_t frames)
{
    constexpr size_t Chunk = 4096;
    State->Scratch.resize(Chunk * State->Channels);
    while (frames > 0) {
        const size_t n = std::min(frames, Chunk), count = n * State->Channels;
        for (size_t i = 0; i < count; ++i)
            State->Scratch[i] = static_cast<float>(interleaved[i] / 32768.0);
        State->Add(State->Scratch.data(), n);
        interleaved += count;
        frames -= n;
    }
}

void TLoudnessMeter::Add(const float *interleaved, size_t frames)
{
    State->Add(interleaved, frames);
}

TLoudness TLoudnessMeter::Result() const
{
    // 400 ms blocks, each four pieces; the absolute gate, then the relative gate 10 LU under the
    // mean of what passed the first.
    const std::vector<double> &pieces = State->Pieces;
    std::vector<double> blocks;
    for (size_t i = 3; i < pieces.size(); ++i) {
        const double energy = (pieces[i - 3] + pieces[i - 2] + pieces[i - 1] + pieces[i]) / 4;
        if (energy > 0 && EnergyToLufs(energy) >= -70)
            blocks.push_back(energy);
    }
    TLoudness result;
    if (blocks.empty())
        return result;
    double sum = 0;
    for (const double energy : blocks)
        sum += energy;
    const double relative = sum / double(blocks.size()) * std::pow(10, -10.0 / 10);
    double gated = 0;
    size_t count = 0;
    for (const double energy : blocks)
        if (energy >= relative) {
            gated += energy;
            ++count;
        }
    double peak = 0;
    for (const TTruePeak &channel : State->Peaks)
        peak = std::max(peak, channel.Peak());
    result.Measured = true;
    result.Lufs = EnergyToLufs(gated / double(count));
    result.TruePeakDb = peak > 0 ? 20 * std::log10(peak) : -HUGE_VAL;
    return result;
}

TLoudness MeasureMp3Loudness(const std::string &path)
{
    TTrackDecoder decoder(path, TTrackDecoder::Float);
    TLoudnessMeter meter(decoder.Channels(), decoder.SampleRate());
    const unsigned char *frame = nullptr;
    while (const size_t bytes = decoder.ReadFrame(frame))
        meter.Add(reinterpret_cast<const float *>(frame), bytes / 4 / size_t(decoder.Channels()));
    return meter.Result();
}
