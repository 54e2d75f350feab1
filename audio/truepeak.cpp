#include "audio/truepeak.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// The rebuilding filter: a sinc cut at half the sample rate under a Kaiser window (beta 6: images
// 63 dB down) reaching 32 samples either side, so that it passes the wave flat to 0.46 of the
// sample rate. Clipping spreads a master's energy up to half the rate, and a shorter filter, which
// rolls off earlier, reads such masters low: libebur128's 49-tap filter by up to 0.85 dB.
constexpr int Taps = 64;
constexpr double KaiserBeta = 6;
// Positions between two samples that the filter can give: 32 to a sample.
constexpr int Fine = 32;
// Of those, every block not skipped is read at 4 (the samples themselves and three between).
constexpr int Grid = 4;
constexpr int GridStep = Fine / Grid;
// A point of the four-to-a-sample grid is within an eighth of a sample of any peak. A wave limited
// to 0.55 of the rate (the filter's passband and most of its transition) falls at most
// pi^2 0.55^2 / 32 = 9.3 % from its peak in an eighth of a sample (its second derivative is at most
// (2 pi 0.55)^2 times its peak), so a grid point that could stand next to a new peak is at least
// 0.907 of the peak so far. 0.88 leaves room for the window's leakage.
constexpr double Margin = 0.88;
// A parabola through a grid point and its neighbours tells how high the wave goes between them to
// within 1.2 % for a wave up to 0.55 of the rate; 3 % leaves room for the shape of a dense mix.
constexpr double Vertex = 0.97;

constexpr size_t BlockSize = 64;
static_assert(TTruePeak::Capacity % BlockSize == 0, "the work holds whole blocks");
// Output i of a block is the wave at the block's sample i - Delay plus a fraction q / Fine; the
// filter reads the Taps samples up to sample i, the previous output (for fractions just before a
// sample) one more: the whole previous block.
constexpr size_t History = BlockSize;
constexpr int Delay = Taps / 2;
static_assert(History >= Taps, "the refinement reads one sample before the filter's first");

using V4 = float __attribute__((vector_size(16)));
using V8 = float __attribute__((vector_size(32)));

struct TFilter
{
    // Phase[q][j] weighs sample j of the Taps an output reads; the output stands q / Fine after
    // sample Taps - 1 - Delay of them.
    alignas(32) float Phase[Fine][Taps];
    // The bound of the skip: no output of any phase exceeds Linear times the highest magnitude of the
    // samples it reads plus Curve times the highest second difference among them.
    double Linear = 1, Curve = 0;
    void (*GridPhases)(const float *w, const TFilter &filter, float (*out)[BlockSize]) = nullptr;
};

double BesselI0(double x)
{
    double sum = 1, term = 1;
    for (int k = 1; k < 60; ++k) {
        term *= x * x / (4.0 * k * k);
        sum += term;
    }
    return sum;
}

// The three phases between the samples for the 64 outputs of a block: out[p][i] is the sum over
// the taps j of Phase[(p + 1) GridStep][j] w[i + j]. Tap by tap, twelve accumulators in registers
// (three phases, four vectors of outputs), one load of samples serving all three.
template <typename V>
[[gnu::always_inline]] inline void GridBody(const float *w, const TFilter &f, float (*out)[BlockSize])
{
    constexpr size_t Lanes = sizeof(V) / sizeof(float), Chunks = 4;
    const float *h1 = f.Phase[GridStep], *h2 = f.Phase[2 * GridStep], *h3 = f.Phase[3 * GridStep];
    for (size_t i0 = 0; i0 < BlockSize; i0 += Lanes * Chunks) {
        V a1[Chunks] = {}, a2[Chunks] = {}, a3[Chunks] = {};
        for (size_t j = 0; j < size_t(Taps); ++j) {
            const V c1 = V{} + h1[j], c2 = V{} + h2[j], c3 = V{} + h3[j];
            for (size_t k = 0; k < Chunks; ++k) {
                V x;
                std::memcpy(&x, w + i0 + k * Lanes + j, sizeof x);
                a1[k] += c1 * x;
                a2[k] += c2 * x;
                a3[k] += c3 * x;
            }
        }
        for (size_t k = 0; k < Chunks; ++k) {
            std::memcpy(out[0] + i0 + k * Lanes, &a1[k], sizeof(V));
            std::memcpy(out[1] + i0 + k * Lanes, &a2[k], sizeof(V));
            std::memcpy(out[2] + i0 + k * Lanes, &a3[k], sizeof(V));
        }
    }
}

__attribute__((target("avx2,fma"))) void GridAvx2(const float *w, const TFilter &f, float (*out)[BlockSize])
{
    GridBody<V8>(w, f, out);
}

void GridPlain(const float *w, const TFilter &f, float (*out)[BlockSize])
{
    GridBody<V4>(w, f, out);
}

TFilter MakeFilter()
{
    TFilter f{};
    for (int q = 0; q < Fine; ++q) {
        double sum = 0;
        double taps[Taps];
        for (int j = 0; j < Taps; ++j) {
            const double d = j - (Taps - 1 - Delay) - double(q) / Fine, r = d / Delay;
            const double sinc = d == 0 ? 1 : std::sin(M_PI * d) / (M_PI * d);
            taps[j] = std::fabs(r) >= 1 ? 0 : sinc * BesselI0(KaiserBeta * std::sqrt(1 - r * r)) / BesselI0(KaiserBeta);
            sum += taps[j];
        }
        // Each phase passes a steady level as it is.
        for (int j = 0; j < Taps; ++j)
            f.Phase[q][j] = static_cast<float>(taps[j] / sum);
        // Take the straight line between the two samples around the output off the filter; what is
        // left, g, passes neither a steady level nor a ramp, so summing by parts twice turns it into
        // weights G2 on the second differences of the samples and two small end terms.
        const int left = Taps - 1 - Delay;
        double g1 = 0, g2 = 0, curve = 0, lastG2 = 0;
        for (int j = 0; j < Taps; ++j) {
            double g = f.Phase[q][j];
            if (j == left)
                g -= 1 - double(q) / Fine;
            if (j == left + 1)
                g -= double(q) / Fine;
            g1 += g;
            g2 += g1;
            if (j <= Taps - 3)
                curve += std::fabs(g2);
            if (j == Taps - 2)
                lastG2 = g2;
        }
        // |y| <= |line| + |g1| |x last| + |G2 last| |x last - x before| + sum |G2| |second differences|
        f.Linear = std::max(f.Linear, 1 + std::fabs(g1) + 2 * std::fabs(lastG2));
        f.Curve = std::max(f.Curve, curve);
    }
    // For the rounding of the float sums: 64 products, off by at most 64 x 2^-24 times the sum of
    // their magnitudes, which is under 3 parts in 100 000 of the highest sample read.
    f.Linear *= 1.0001;
    f.Curve *= 1.0001;
    f.GridPhases = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") ? GridAvx2 : GridPlain;
    return f;
}

const TFilter &Filter()
{
    static const TFilter filter = MakeFilter();
    return filter;
}

// One output: the taps of phase q over the Taps samples from w.
float Dot(const float *w, const float *h)
{
    V4 sum{};
    for (size_t j = 0; j < size_t(Taps); j += 4) {
        V4 x, c;
        std::memcpy(&x, w + j, sizeof x);
        std::memcpy(&c, h + j, sizeof c);
        sum += x * c;
    }
    return sum[0] + sum[1] + sum[2] + sum[3];
}

// The magnitude of a float as bits, which order as the values do, so that the compiler can use
// vector code for a maximum (a float maximum it may not reorder).
uint32_t MagnitudeBits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits & 0x7fffffffu;
}

float FromBits(uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// For each of count blocks of BlockSize floats from x: the highest magnitude of its samples and
// the two before it, and the highest magnitude of the second differences x[i - 1] - 2 x[i] + x[i + 1]
// centred on those two and all but its last sample. With AVX2 where the processor has it (an
// integer maximum in vector code); defined before its first call, as clang wants for a function
// with several versions.
__attribute__((target_clones("avx2", "default"))) void BlockLevels(const float *x, size_t count, float *level,
                                                                   float *curve)
{
    for (size_t b = 0; b < count; ++b, x += BlockSize) {
        uint32_t highest = std::max(MagnitudeBits(x[-2]), MagnitudeBits(x[BlockSize - 1])), bend = 0;
        for (size_t i = 0; i < BlockSize; ++i) {
            highest = std::max(highest, MagnitudeBits(x[i - 1]));
            bend = std::max(bend, MagnitudeBits(x[i - 2] - 2 * x[i - 1] + x[i]));
        }
        level[b] = FromBits(highest);
        curve[b] = FromBits(bend);
    }
}

// For each of the BlockSize outputs, the highest magnitude of its four grid points (as bits).
__attribute__((target_clones("avx2", "default"))) void GridLevels(const float *samples, const float (*out)[BlockSize],
                                                                  uint32_t *level)
{
    for (size_t i = 0; i < BlockSize; ++i)
        level[i] = std::max(std::max(MagnitudeBits(samples[i]), MagnitudeBits(out[0][i])),
                            std::max(MagnitudeBits(out[1][i]), MagnitudeBits(out[2][i])));
}

} // namespace

TTruePeak::TTruePeak(int) : Work(History + Capacity, 0.0f)
{
    Filter();
}

void TTruePeak::Add(const float *samples, size_t count, size_t stride)
{
    while (count > 0) {
        const size_t n = std::min(count, Capacity - Filled);
        float *to = Work.data() + History + Filled;
        if (stride == 1)
            std::copy(samples, samples + n, to);
        else if (stride == 2) // a stereo channel: four at a time out of two vectors
            for (size_t i = 0; i < n; i += 4) {
                // The second vector's last float is the other channel's after this channel's last
                // sample: past the end unless one more frame follows.
                if (i + 5 > n) {
                    for (; i < n; ++i)
                        to[i] = samples[2 * i];
                    break;
                }
                V4 a, b;
                std::memcpy(&a, samples + 2 * i, sizeof a);
                std::memcpy(&b, samples + 2 * i + 4, sizeof b);
                const V4 even = __builtin_shufflevector(a, b, 0, 2, 4, 6);
                std::memcpy(to + i, &even, sizeof even);
            }
        else
            for (size_t i = 0; i < n; ++i)
                to[i] = samples[i * stride];
        Filled += n;
        samples += n * stride;
        count -= n;
        if (Filled == Capacity)
            Blocks();
    }
}

void TTruePeak::Blocks()
{
    const TFilter &filter = Filter();
    const size_t count = Filled / BlockSize;
    float level[Capacity / BlockSize], curve[Capacity / BlockSize];
    BlockLevels(Work.data() + History, count, level, curve);
    for (size_t b = 0; b < count; ++b) {
        Best = std::max(Best, double(level[b]));
        // Every output of a block reads only the block and the one before: if the bound over both
        // can not beat the peak so far, neither can any output, and the block costs one pass.
        const double bound =
            filter.Linear * std::max(level[b], HistoryMax) + filter.Curve * std::max(curve[b], HistoryCurve);
        if (bound > Best)
            Oversample(Work.data() + History + b * BlockSize);
        HistoryMax = level[b];
        HistoryCurve = curve[b];
    }
    // The last block becomes the history, the samples after it the start of the next block.
    const size_t done = count * BlockSize;
    std::copy(Work.begin() + long(done), Work.begin() + long(History + Filled), Work.begin());
    Filled -= done;
}

void TTruePeak::Oversample(const float *block)
{
    const TFilter &filter = Filter();
    const float *w = block - (Taps - 1); // output i reads w[i .. i + Taps)
    alignas(32) float out[Grid - 1][BlockSize];
    filter.GridPhases(w, filter, out);
    const float *samples = w + (Taps - 1 - Delay); // output i's sample
    uint32_t level[BlockSize];
    GridLevels(samples, out, level);
    Best = std::max(Best, double(FromBits(*std::max_element(level, level + BlockSize))));
    // Around a point of the grid that is a local peak and could stand next to a higher one, the
    // peak between the grid points: a parabola through the point and its neighbours says where, the
    // filter's own phases nearest to that place say how high.
    const uint32_t threshold = MagnitudeBits(static_cast<float>(Margin * Best));
    constexpr int Points = int(BlockSize) * Grid;
    // The grid in order of position: the sample, then the three points after it.
    const auto at = [&](int m) -> float {
        const int i = m / Grid, p = m % Grid;
        return std::fabs(p == 0 ? samples[i] : out[p - 1][i]);
    };
    for (size_t i = 0; i < BlockSize; ++i) {
        if (level[i] < threshold)
            continue;
        for (int m = int(i) * Grid; m < int(i + 1) * Grid; ++m) {
            const float v = at(m);
            if (MagnitudeBits(v) < threshold)
                continue;
            const float before = m > 0 ? at(m - 1) : 0, after = m + 1 < Points ? at(m + 1) : 0;
            if (before > v || after > v)
                continue;
            // Where the parabola peaks and how high (below it by 1.2 % at most for a wave of 0.55
            // times the rate): a point whose parabola stays under the peak so far, as on the flat
            // tops of a clipped master, needs no closer look.
            const float bend = before - 2 * v + after;
            if (bend < 0 && v - (after - before) * (after - before) / (8 * bend) < Vertex * Best)
                continue;
            const int centre = bend < 0 ? int(std::lround(GridStep * 0.5 * (before - after) / bend)) : 0;
            const int base = (m % Grid) * GridStep;
            for (int r = std::max(centre - 1, -GridStep / 2); r <= std::min(centre + 1, GridStep / 2); ++r) {
                if (r == 0)
                    continue;
                const int q = base + r;
                // A fraction before the sample is the previous output's, one sample further back.
                const float y = q < 0 ? Dot(w + i - 1, filter.Phase[q + Fine]) : Dot(w + i, filter.Phase[q]);
                Best = std::max(Best, double(std::fabs(y)));
            }
        }
    }
}

double TTruePeak::Peak() const
{
    // The filter's outputs lag the samples by Delay: the last samples, and the ring after them,
    // come out of the two blocks of silence that would follow.
    TTruePeak rest = *this;
    rest.Blocks(); // what is left is less than a block, so the silence fits
    const size_t tail = (BlockSize - rest.Filled) % BlockSize + BlockSize;
    std::fill_n(rest.Work.begin() + long(History + rest.Filled), tail, 0.0f);
    rest.Filled += tail;
    rest.Blocks();
    return rest.Best;
}
