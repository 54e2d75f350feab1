#include "audio/leveltrack.h"

#include "audio/loudness.h"
#include "audio/mp3encode.h"
#include "audio/peaklimit.h"
#include "audio/trackdecoder.h"
#include "model/cause.h"
#include "model/error.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/mman.h>
#include <tuple>
#include <unistd.h>

namespace {

// Every pass streams: a piece of this many frames at a time, whatever the track's length.
constexpr size_t ChunkFrames = 16384;

// The copy is made again while it is further than this from the target (the tolerance keeps a
// margin over it), and aims its true peak this far under the ceiling: other meters oversample
// differently and may read a little higher than ours.
constexpr double RetryLu = 0.3;
constexpr double PeakMarginDb = 0.15;
// Encodes of one track at most before it is called missed; shaping rounds (decode, limiter and
// meter, no encoder) per encode.
constexpr int MaxEncodes = 4;
constexpr int MaxShapes = 8;
// The limiter takes at most this much off the loudest moments: beyond, a track would be a wall of
// sound, and it is called missed instead.
constexpr double MaxLimitDb = 30;
constexpr double QuickRelease = 0.04;

// What the first look at the source found besides its loudness.
struct TSourceFormat
{
    int Kbps = 0;             // the average over the frames looked at
    bool PlainStereo = false; // most frames code the channels apart
};

// Feeds every decoded piece of the file to use(samples, frames); the samples may be changed.
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

// A file for a copy that leaves nothing behind: unnamed from the start where the file system
// allows, else removed as soon as it is made.
int TemporaryFile()
{
    const char *env = std::getenv("TMPDIR");
    const std::string folder = env && *env ? env : "/tmp";
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        std::string path = folder + "/sigcfg-level.XXXXXX";
        fd = ::mkostemp(path.data(), O_CLOEXEC);
        if (fd >= 0)
            ::unlink(path.c_str());
    }
    if (fd < 0)
        throw TFileError("Не удаётся создать временный файл в " + folder + "\n" + CauseText(errno));
    return fd;
}

TLoudness MeasureFile(int fd, const std::string &name)
{
    TTrackDecoder decoder(fd, name, TTrackDecoder::Float);
    TLoudnessMeter meter(decoder.Channels(), decoder.SampleRate());
    Decode(decoder, [&](const float *samples, size_t frames) { meter.Add(samples, frames); });
    return meter.Result();
}

// How the source is to be changed: a gain, and the limiter's sample ceiling when it must act.
struct TShape
{
    double GainDb = 0;
    std::optional<double> CeilingDb;
    double Release = 0.15; // the limiter's, seconds: quicker lets through more loudness between peaks
};

// The source decoded with the shape applied, handed to use piece by piece; returns how deep the
// limiter cut (0 when it did not act) and the rate it worked at.
template <typename TUse> std::pair<double, int> Render(int fd, const std::string &name, const TShape &shape, TUse use)
{
    TTrackDecoder decoder(fd, name, TTrackDecoder::Float);
    const int channels = decoder.Channels();
    const double gain = std::pow(10, shape.GainDb / 20);
    if (!shape.CeilingDb) {
        Decode(decoder, [&](float *samples, size_t frames) {
            for (size_t i = 0; i < frames * channels; ++i)
                samples[i] = static_cast<float>(samples[i] * gain);
            use(samples, frames);
        });
        return {0, 0};
    }
    TPeakLimiter limiter(channels, decoder.SampleRate(), gain, std::pow(10, *shape.CeilingDb / 20), shape.Release);
    std::vector<float> out;
    Decode(decoder, [&](const float *samples, size_t frames) {
        out.clear();
        limiter.Add(samples, frames, out);
        use(out.data(), out.size() / channels);
    });
    out.clear();
    limiter.Finish(out);
    use(out.data(), out.size() / channels);
    return {limiter.DeepestCutDb(), decoder.SampleRate() * limiter.Factor()};
}

// Gain and limiting that bring the source to wantLufs with its true peak under peakLimit, before
// the encoder. The gain alone while the peaks allow; else the limiter, its sample ceiling lowered
// by what the true peak still overshoots (peaks between samples come on top of it), and more gain
// for what the limiting takes off. Each round decodes, limits and measures; none encodes.
TShape ShapeFor(int fd, const std::string &name, int channels, int rate, const TLoudness &before, double wantLufs,
                double peakLimit, const TShape &last)
{
    const double plain = wantLufs - before.Lufs;
    if (before.TruePeakDb + plain <= peakLimit)
        return {plain, std::nullopt};
    TShape shape{last.CeilingDb ? last.GainDb : plain, std::min(last.CeilingDb.value_or(peakLimit), peakLimit),
                 last.Release};
    // Under the limiter a decibel of gain brings less than a decibel of loudness, and past a point
    // hardly any: the search keeps between a gain found too quiet and one too loud once it has both.
    struct TPoint
    {
        double Gain, Lufs;
    };
    std::optional<TPoint> quiet, loud, previous;
    for (int step = 0; step < MaxShapes; ++step) {
        TLoudnessMeter meter(channels, rate);
        Render(fd, name, shape, [&](const float *samples, size_t frames) { meter.Add(samples, frames); });
        const TLoudness shaped = meter.Result();
        if (!shaped.Measured)
            break;
        const double shortfall = wantLufs - shaped.Lufs, overshoot = shaped.TruePeakDb - peakLimit;
        if (overshoot > 0) {
            // A lower ceiling is another curve of loudness over gain: what was learnt of the old one goes.
            *shape.CeilingDb -= overshoot + 0.05;
            quiet = loud = previous = std::nullopt;
            continue;
        }
        if (std::fabs(shortfall) <= 0.1)
            break;
        const TPoint point{shape.GainDb, shaped.Lufs};
        (shortfall > 0 ? quiet : loud) = point;
        if (quiet && loud) {
            const double span = loud->Lufs - quiet->Lufs;
            const double at = span > 0.01 ? (wantLufs - quiet->Lufs) / span : 0.5;
            shape.GainDb = quiet->Gain + std::clamp(at, 0.1, 0.9) * (loud->Gain - quiet->Gain);
        } else {
            double slope = 1;
            if (previous && std::fabs(point.Gain - previous->Gain) > 0.01)
                slope = std::clamp((point.Lufs - previous->Lufs) / (point.Gain - previous->Gain), 0.3, 1.0);
            const double next = std::min(shape.GainDb + shortfall / slope, plain + MaxLimitDb);
            if (next <= shape.GainDb + 0.01 && shortfall > 0) {
                if (shape.Release <= QuickRelease)
                    break; // as loud as the limiter may make it
                // Speech lifted far: its gain must come back within a syllable, not a word.
                shape.Release = QuickRelease;
                quiet = loud = previous = std::nullopt;
                continue;
            }
            shape.GainDb = next;
        }
        previous = point;
    }
    return shape;
}

// What the encoder does to this track's loudness and true peak: its quantiser rounds towards zero
// (up to half a decibel quieter at 128 kbit/s, more below) and its ringing raises peaks. A stretch
// from the middle, encoded as the whole will be, tells; the whole then needs one encode, not two.
struct TDrift
{
    double Lufs = 0;
    double PeakDb = 0.3; // until seen
};

TDrift EncoderDrift(const std::vector<float> &stretch, int channels, int rate, int kbps, TMp3Speed speed, double gainDb)
{
    TDrift drift;
    if (stretch.empty())
        return drift;
    std::vector<float> scaled(stretch);
    const double gain = std::pow(10, gainDb / 20);
    for (float &value : scaled)
        value = static_cast<float>(value * gain);
    TLoudnessMeter before(channels, rate), after(channels, rate);
    before.Add(scaled.data(), scaled.size() / channels);
    TMp3Encoder encoder(channels, rate, kbps, speed);
    encoder.Add(scaled.data(), scaled.size() / channels);
    const std::string mp3 = encoder.Finish();
    const int fd = ::memfd_create("sigcfg-drift", MFD_CLOEXEC);
    if (fd < 0 || ::write(fd, mp3.data(), mp3.size()) != ssize_t(mp3.size())) {
        if (fd >= 0)
            ::close(fd);
        return drift;
    }
    TLoudness encoded;
    try {
        encoded = MeasureFile(fd, "");
    } catch (const TFileError &) {
    }
    ::close(fd);
    const TLoudness plain = before.Result();
    if (plain.Measured && encoded.Measured) {
        drift.Lufs = std::clamp(encoded.Lufs - plain.Lufs, -2.0, 2.0);
        drift.PeakDb = std::clamp(encoded.TruePeakDb - plain.TruePeakDb, 0.0, 3.0) + 0.1;
    }
    return drift;
}

// One copy made and measured as a player will decode it.
struct TCopy
{
    std::shared_ptr<const TOpenFile> File;
    TLoudness After;
    TLoudness Before; // the shaped signal that went into the encoder
    double LimitedDb = 0;
    int LimiterRate = 0;
};

TCopy Encode(int fd, const std::string &name, const TShape &shape, int channels, int rate, int kbps, TMp3Speed speed)
{
    TCopy copy;
    auto file = std::make_shared<TOpenFile>(TemporaryFile());
    TLoudnessMeter meter(channels, rate);
    TMp3Encoder encoder(channels, rate, kbps, speed, file->Fd);
    std::tie(copy.LimitedDb, copy.LimiterRate) = Render(fd, name, shape, [&](const float *samples, size_t frames) {
        meter.Add(samples, frames);
        encoder.Add(samples, frames);
    });
    encoder.Finish();
    copy.Before = meter.Result();
    copy.After = MeasureFile(file->Fd, name);
    copy.File = std::move(file);
    return copy;
}

} // namespace

TLevelledTrack LevelMp3Track(int fd, const std::string &name, double targetLufs)
{
    TLevelledTrack track;
    int channels = 0, rate = 0;
    TSourceFormat format;
    std::vector<float> stretch; // ten seconds from the middle, for the encoder's drift
    {
        TTrackDecoder decoder(fd, name, TTrackDecoder::Float);
        channels = decoder.Channels();
        rate = decoder.SampleRate();
        const int64_t length = decoder.Length(), want = int64_t(rate) * 10;
        // A short track is encoded whole anyway: a second encode costs little.
        const int64_t from = length > 3 * want ? (length - want) / 2 : -1;
        TLoudnessMeter meter(channels, rate);
        int64_t at = 0;
        format = Decode(decoder, [&](const float *samples, size_t frames) {
            meter.Add(samples, frames);
            const int64_t start = std::max(at, from), end = std::min(at + int64_t(frames), from + want);
            if (from >= 0 && start < end)
                stretch.insert(stretch.end(), samples + (start - at) * channels, samples + (end - at) * channels);
            at += int64_t(frames);
        });
        track.Before = meter.Result();
    }
    if (!track.Before.Measured) {
        track.Outcome = TLevelledTrack::Unmeasured;
        return track;
    }
    // Near the target is not enough: the copy's peaks must also keep under the ceiling.
    if (std::fabs(track.Before.Lufs - targetLufs) <= LevelToleranceLu && track.Before.TruePeakDb <= LevelCeilingDb) {
        track.Outcome = TLevelledTrack::AlreadyLevel;
        return track;
    }
    track.Kbps = GaplessBitrateAtLeast(format.Kbps, rate, channels);
    const TMp3Speed speed = format.PlainStereo ? TMp3Speed::FastPlainStereo : TMp3Speed::Fast;
    TDrift drift = EncoderDrift(stretch, channels, rate, track.Kbps, speed, targetLufs - track.Before.Lufs);
    stretch = {};

    TShape shape{targetLufs - track.Before.Lufs - drift.Lufs, std::nullopt};
    std::optional<TCopy> best;
    std::optional<double> peakRise;
    struct TLoudnessPair
    {
        TLoudness Before, After;
    };
    std::optional<TLoudnessPair> last; // the copy made before, going in and coming out
    const auto better = [&](const TCopy &copy) {
        return copy.After.Measured && copy.After.TruePeakDb <= LevelCeilingDb &&
               (!best || std::fabs(copy.After.Lufs - targetLufs) < std::fabs(best->After.Lufs - targetLufs));
    };
    for (int round = 0; round < MaxEncodes; ++round) {
        // What goes into the encoder is aimed where the encoder's drift will take it to the target.
        const TShape next = ShapeFor(fd, name, channels, rate, track.Before, targetLufs - drift.Lufs,
                                     LevelCeilingDb - PeakMarginDb - drift.PeakDb, shape);
        // The same shape would make the same copy again.
        if (round > 0 && std::fabs(next.GainDb - shape.GainDb) < 0.02 && next.CeilingDb == shape.CeilingDb &&
            next.Release == shape.Release)
            break;
        shape = next;
        TCopy copy = Encode(fd, name, shape, channels, rate, track.Kbps, speed);
        ++track.Encodes;
        if (!copy.After.Measured)
            break;
        const bool done = std::fabs(copy.After.Lufs - targetLufs) <= RetryLu && copy.After.TruePeakDb <= LevelCeilingDb;
        // What the encoder did to the whole, for the next round; the highest rise of the peaks seen.
        // Its drift depends on the level (its psychoacoustic model assumes a fixed playback level
        // and drops more of a quieter input), so with two copies made, the next aims between them.
        drift.Lufs = std::clamp(copy.After.Lufs - copy.Before.Lufs, -3.0, 3.0);
        if (last && std::fabs(copy.Before.Lufs - last->Before.Lufs) > 0.05) {
            const double slope =
                std::clamp((copy.After.Lufs - last->After.Lufs) / (copy.Before.Lufs - last->Before.Lufs), 0.5, 2.0);
            const double want = copy.Before.Lufs + (targetLufs - copy.After.Lufs) / slope;
            drift.Lufs = std::clamp(targetLufs - want, -3.0, 3.0);
        }
        last = TLoudnessPair{copy.Before, copy.After};
        peakRise = std::max(peakRise.value_or(0), copy.After.TruePeakDb - copy.Before.TruePeakDb + 0.05);
        drift.PeakDb = *peakRise;
        if (better(copy))
            best = std::move(copy);
        if (done)
            break;
    }
    // Never a copy over the ceiling on the card: when no round kept under it, the gain comes down
    // until the copy does, and the track is called missed if that leaves it too quiet.
    for (int round = 0; !best && round < MaxEncodes; ++round) {
        shape.GainDb -= drift.PeakDb + 0.5 * (round + 1);
        if (shape.CeilingDb)
            *shape.CeilingDb -= drift.PeakDb + 0.5 * (round + 1);
        TCopy copy = Encode(fd, name, shape, channels, rate, track.Kbps, speed);
        ++track.Encodes;
        if (better(copy))
            best = std::move(copy);
    }
    if (!best)
        throw TFileError("Не удалось выровнять " + name + ": пик копии выше " + std::to_string(int(LevelCeilingDb)) +
                         " dBTP");
    track.After = best->After;
    track.LimitedDb = best->LimitedDb;
    track.LimiterRate = best->LimiterRate > rate ? best->LimiterRate : 0;
    track.Mp3 = best->File;
    track.GainDb = track.After.Lufs - track.Before.Lufs;
    track.Outcome = std::fabs(track.After.Lufs - targetLufs) <= LevelToleranceLu ? TLevelledTrack::Levelled
                                                                                 : TLevelledTrack::Missed;
    return track;
}
