#include "audio/leveltrack.h"

#include "audio/limiter.h"
#include "audio/mp3encode.h"
#include "device/trackdecoder.h"
#include "model/error.h"

#include <cmath>
#include <cstdio>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr size_t ChunkFrames = 32768;

// Feeds every decoded frame of the file to use(samples, frames); returns the average bitrate.
template <typename TUse>
int Decode(TTrackDecoder &decoder, TUse use)
{
    std::vector<float> buffer(ChunkFrames * decoder.Channels());
    double kbps = 0;
    size_t reads = 0;
    while (const size_t bytes = decoder.Read(reinterpret_cast<unsigned char *>(buffer.data()), buffer.size() * 4)) {
        use(buffer.data(), bytes / 4 / decoder.Channels());
        kbps += decoder.FrameKbps();
        ++reads;
    }
    return reads > 0 ? int(std::lround(kbps / double(reads))) : 0;
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

std::string Decibels(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", std::fabs(value));
    std::string number(text);
    if (const size_t dot = number.find('.'); dot != std::string::npos)
        number[dot] = ',';
    return (value < -0.05 ? "\u2212" : value > 0.05 ? "+" : "") + number;
}

} // namespace

TLevelledTrack LevelTrack(int fd, const std::string &name, double targetLufs)
{
    TLevelledTrack track;
    int channels = 0, rate = 0;
    {
        TTrackDecoder decoder(fd, name, TTrackDecoder::Float);
        channels = decoder.Channels();
        rate = decoder.SampleRate();
        TLoudnessMeter meter(channels, rate);
        track.Kbps = Decode(decoder, [&](const float *samples, size_t frames) { meter.Add(samples, frames); });
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
    track.Kbps = StandardBitrateAtLeast(track.Kbps, rate);
    double gainDb = targetLufs - track.Before.Lufs;
    // The limiter holds samples; the peaks between them and the encoder's ringing come on top, about
    // a decibel at most in the tracks we tried. The result is measured, and a pass that still
    // overshoots is made again with a lower ceiling.
    double ceilingDb = LevelCeilingDb - 1.0;
    for (int pass = 0; pass < 3; ++pass) {
        TTrackDecoder decoder(fd, name, TTrackDecoder::Float);
        TMp3Encoder encoder(channels, rate, track.Kbps, true);
        const double gain = std::pow(10, gainDb / 20);
        track.LimitedDb = 0;
        if (track.Before.TruePeakDb + gainDb <= ceilingDb) {
            std::vector<float> scaled;
            Decode(decoder, [&](const float *samples, size_t frames) {
                scaled.assign(samples, samples + frames * channels);
                for (float &value : scaled)
                    value = static_cast<float>(value * gain);
                encoder.Add(scaled.data(), frames);
            });
        } else {
            TLimiter limiter(channels, rate, gain, std::pow(10, ceilingDb / 20));
            std::vector<float> out;
            Decode(decoder, [&](const float *samples, size_t frames) {
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
        std::fprintf(stderr, "pass %d gain %.2f ceil %.2f -> %.2f %.2f\n", pass, gainDb, ceilingDb, track.After.Lufs, track.After.TruePeakDb);
        track.GainDb = gainDb;
        const double overshoot = track.After.TruePeakDb - LevelCeilingDb;
        const double shortfall = targetLufs - track.After.Lufs;
        if (!track.After.Measured || (overshoot <= 0 && std::fabs(shortfall) <= LevelToleranceLu / 2))
            break;
        // Too high a peak: the ceiling comes down by as much; too quiet after limiting: more gain
        // and the limiter takes the peaks.
        if (overshoot > 0)
            ceilingDb -= overshoot + 0.2;
        if (std::fabs(shortfall) > LevelToleranceLu / 2)
            gainDb += shortfall;
    }
    track.GainDb = track.After.Measured ? track.After.Lufs - track.Before.Lufs : gainDb;
    return track;
}

std::string LevelledText(const TLevelledTrack &track)
{
    switch (track.Outcome) {
    case TLevelledTrack::Levelled:
        return "выровнен " + Decibels(track.GainDb) + " дБ";
    case TLevelledTrack::AlreadyLevel:
        return "уже " + Decibels(track.Before.Lufs) + " LUFS: как есть";
    case TLevelledTrack::Unmeasured:
        break;
    }
    return "громкость не измерить (тишина): как есть";
}
