#include "audio/leveltrack.h"

#include "audio/limiter.h"
#include "audio/loudness.h"
#include "audio/mp3encode.h"
#include "audio/trackdecoder.h"
#include "model/error.h"

#include <algorithm>
#include <cmath>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr size_t ChunkFrames = 32768;

// A levelled result further than this from the target is made again.
constexpr double LevelRetryLu = 0.4;

// The decoded source is kept for the encoding pass up to this many samples (64 MB, six minutes of
// stereo at 44.1 kHz): decoding it once more would cost a tenth of the whole levelling.
constexpr size_t MaxKeptSamples = size_t(16) << 20;

// What the first look at the source found besides its loudness.
struct TSourceFormat
{
    int Kbps = 0;             // the average over the frames looked at
    bool PlainStereo = false; // most frames code the channels apart
};

// Feeds every decoded frame of the file to use(samples, frames).
template <typename TUse> TSourceFormat Decode(TTrackDecoder &decoder, TUse use)
{
    std::vector<float> buffer(ChunkFrames * decoder.Channels());
    double kbps = 0;
    size_t reads = 0, plain = 0;
    while (const size_t bytes = decoder.Read(reinterpret_cast<unsigned char *>(buffer.data()), buffer.size() * 4)) {
        use(buffer.data(), bytes / 4 / decoder.Channels());
        kbps += decoder.FrameKbps();
        plain += decoder.FramePlainStereo();
        ++reads;
    }
    return {reads > 0 ? int(std::lround(kbps / double(reads))) : 0, plain * 2 > reads};
}

// The MP3 made, measured as a player will decode it: from a file in memory.
TLoudness MeasureMp3(const std::string &mp3, const std::string &name)
{
    const int fd = ::memfd_create("sigcfg-level", MFD_CLOEXEC);
    if (fd < 0 || ::write(fd, mp3.data(), mp3.size()) != ssize_t(mp3.size())) {
        if (fd >= 0)
            ::close(fd);
        throw TFileError("Не удаётся проверить выровненную копию " + name);
    }
    TLoudness result;
    try {
        TTrackDecoder decoder(fd, name, TTrackDecoder::Float);
        TLoudnessMeter meter(decoder.Channels(), decoder.SampleRate());
        Decode(decoder, [&](const float *samples, size_t frames) { meter.Add(samples, frames); });
        result = meter.Result();
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    return result;
}

// How much quieter the encoder makes this track: its quantiser rounds towards zero, which takes up to
// half a decibel off at 128 kbit/s and more below (none at 320). A stretch from the middle of the
// track, encoded as the whole will be, tells; taking it off beforehand saves a second pass.
double EncoderDriftDb(const std::vector<std::vector<float>> &pieces, int channels, int rate, int kbps, TMp3Speed speed,
                      const std::string &name)
{
    constexpr size_t StretchSeconds = 10;
    size_t frames = 0;
    for (const std::vector<float> &piece : pieces)
        frames += piece.size() / channels;
    const size_t want = StretchSeconds * rate, from = frames > want ? (frames - want) / 2 : 0;
    TLoudnessMeter meter(channels, rate);
    TMp3Encoder encoder(channels, rate, kbps, speed);
    size_t at = 0;
    for (const std::vector<float> &piece : pieces) {
        const size_t count = piece.size() / channels;
        const size_t start = std::max(at, from), end = std::min(at + count, from + want);
        if (start < end) {
            meter.Add(piece.data() + (start - at) * channels, end - start);
            encoder.Add(piece.data() + (start - at) * channels, end - start);
        }
        at += count;
    }
    const TLoudness before = meter.Result(), after = MeasureMp3(encoder.Finish(), name);
    return before.Measured && after.Measured ? std::clamp(after.Lufs - before.Lufs, -2.0, 2.0) : 0;
}

} // namespace

TLevelledTrack LevelMp3Track(int fd, const std::string &name, double targetLufs)
{
    TLevelledTrack track;
    int channels = 0, rate = 0;
    TSourceFormat format;
    std::vector<std::vector<float>> kept; // the decoder's pieces as they came: no copying as it grows
    size_t keptSamples = 0;
    bool keptWhole = true;
    {
        TTrackDecoder decoder(fd, name, TTrackDecoder::Float);
        channels = decoder.Channels();
        rate = decoder.SampleRate();
        TLoudnessMeter meter(channels, rate);
        format = Decode(decoder, [&](const float *samples, size_t frames) {
            meter.Add(samples, frames);
            keptSamples += frames * channels;
            if (keptSamples > MaxKeptSamples)
                keptWhole = false, kept.clear();
            else
                kept.emplace_back(samples, samples + frames * channels);
        });
        track.Before = meter.Result();
    }
    if (!track.Before.Measured) {
        track.Outcome = TLevelledTrack::Unmeasured;
        return track;
    }
    if (std::fabs(track.Before.Lufs - targetLufs) <= LevelToleranceLu) {
        track.Outcome = TLevelledTrack::AlreadyLevel;
        return track;
    }
    track.Outcome = TLevelledTrack::Levelled;
    track.Kbps = StandardBitrateAtLeast(format.Kbps, rate);
    const TMp3Speed speed = format.PlainStereo ? TMp3Speed::FastPlainStereo : TMp3Speed::Fast;
    // The source as decoded, from memory when it was kept.
    const auto source = [&](const auto &use) {
        if (keptWhole) {
            for (const std::vector<float> &piece : kept)
                use(piece.data(), piece.size() / channels);
        } else {
            TTrackDecoder decoder(fd, name, TTrackDecoder::Float);
            Decode(decoder, use);
        }
    };
    double gainDb = targetLufs - track.Before.Lufs;
    if (keptWhole)
        gainDb -= EncoderDriftDb(kept, channels, rate, track.Kbps, speed, name);
    // The limiter holds samples; the peaks between them and the encoder's ringing come on top, about
    // a decibel at most in the tracks we tried. The result is measured, and a pass that still
    // overshoots is made again with a lower ceiling.
    double ceilingDb = LevelCeilingDb - 1.0;
    for (int pass = 0; pass < 3; ++pass) {
        TMp3Encoder encoder(channels, rate, track.Kbps, speed);
        const double gain = std::pow(10, gainDb / 20);
        track.LimitedDb = 0;
        if (track.Before.TruePeakDb + gainDb <= ceilingDb) {
            std::vector<float> scaled;
            source([&](const float *samples, size_t frames) {
                scaled.assign(samples, samples + frames * channels);
                for (float &value : scaled)
                    value = static_cast<float>(value * gain);
                encoder.Add(scaled.data(), frames);
            });
        } else {
            TLimiter limiter(channels, rate, gain, std::pow(10, ceilingDb / 20));
            std::vector<float> out;
            source([&](const float *samples, size_t frames) {
                out.clear();
                limiter.Add(samples, frames, out);
                encoder.Add(out.data(), out.size() / channels);
            });
            out.clear();
            limiter.Finish(out);
            encoder.Add(out.data(), out.size() / channels);
            track.LimitedDb = limiter.DeepestCutDb();
        }
        track.Mp3 = encoder.Finish();
        track.After = MeasureMp3(track.Mp3, name);
        // What the drift estimate missed, or the limiter took, and peaks the encoder raised: a
        // result near the edge of the tolerance or over the ceiling is made again.
        const double overshoot = track.After.TruePeakDb - LevelCeilingDb;
        const double shortfall = targetLufs - track.After.Lufs;
        if (!track.After.Measured || (overshoot <= 0 && std::fabs(shortfall) <= LevelRetryLu))
            break;
        // Too high a peak: the ceiling comes down by as much; too quiet after limiting: more gain
        // and the limiter takes the peaks.
        if (overshoot > 0)
            ceilingDb -= overshoot + 0.2;
        if (std::fabs(shortfall) > LevelRetryLu)
            gainDb += shortfall;
    }
    // What would break the promise does not go to the card: the caller copies the source instead.
    if (!track.After.Measured || track.After.TruePeakDb > LevelCeilingDb)
        throw TFileError("Не удалось выровнять " + name + ": пик копии выше " + std::to_string(int(LevelCeilingDb)) +
                         " dBTP");
    track.GainDb = track.After.Lufs - track.Before.Lufs;
    return track;
}
