#include "audio/belltone.h"
#include "audio/loudness.h"
#include "audio/trackdecoder.h"
#include "device/trackinfo.h"
#include "support.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

// How far under the loudest sample the last 50 ms of the sound stay at most, in dB: a bell that
// is cut while it still rings ends a few dB under, one that rings out 40 or more.
double EndBelowPeakDb(const std::vector<float> &samples, int rate)
{
    const size_t tail = std::min(samples.size(), size_t(rate) / 20);
    float peak = 0, end = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        peak = std::max(peak, std::fabs(samples[i]));
        if (i + tail >= samples.size())
            end = std::max(end, std::fabs(samples[i]));
    }
    return 20 * std::log10(peak / end);
}

std::vector<float> DecodeMono(const std::string &path)
{
    TTrackDecoder decoder(path, TTrackDecoder::Float);
    std::vector<float> samples(size_t(decoder.SampleRate()) * 2);
    size_t filled = 0;
    while (const size_t bytes = decoder.Read(reinterpret_cast<unsigned char *>(samples.data() + filled),
                                             (samples.size() - filled) * 4)) {
        filled += bytes / 4;
        if (filled == samples.size())
            samples.resize(samples.size() * 2);
    }
    samples.resize(filled);
    return samples;
}

} // namespace

// Every kind, made, levelled and written as `sound bell` does, decodes to its exact length at
// -16 LUFS with its true peak below -1 dBTP.
TEST(BellTone, EveryKindLevelledAndEncoded)
{
    TTempFolder folder;
    const int rate = 44100;
    for (const char *name : {"school", "chime", "gong"}) {
        const auto kind = BellKindByName(name);
        ASSERT_TRUE(kind) << name;
        for (const int seconds : {DefaultBellSeconds(*kind), 1}) {
            const std::string path = (folder.Path / (std::string(name) + ".mp3")).string();
            const TLoudness reported = WriteLevelledMp3(path, SynthesiseBell(*kind, seconds, rate), rate, -16);

            const TTrackInfo info = InspectTrack(path);
            EXPECT_EQ(info.Status, TTrackStatus::Ok) << name;
            EXPECT_EQ(info.Samples, int64_t(seconds) * rate) << name << " " << seconds;
            const TLoudness loudness = MeasureTrackLoudness(path);
            ASSERT_TRUE(loudness.Measured) << name;
            EXPECT_NEAR(loudness.Lufs, -16, 0.2) << name << " " << seconds;
            EXPECT_DOUBLE_EQ(reported.Lufs, loudness.Lufs) << name;
            EXPECT_LE(loudness.TruePeakDb, -1) << name << " " << seconds;
            EXPECT_GE(EndBelowPeakDb(DecodeMono(path), rate), 40) << name << " " << seconds << " s: cut, not rung out";
        }
    }
    EXPECT_FALSE(BellKindByName("siren"));
}

// Every kind at every length rings out before its end, 40 dB or more under its loudest.
TEST(BellTone, EveryKindRingsOut)
{
    const int rate = 22050;
    for (const char *name : {"school", "chime", "gong"}) {
        const auto kind = BellKindByName(name);
        ASSERT_TRUE(kind) << name;
        for (const double seconds : {1.0, 2.5, double(DefaultBellSeconds(*kind)), 10.0})
            EXPECT_GE(EndBelowPeakDb(SynthesiseBell(*kind, seconds, rate), rate), 40) << name << " " << seconds;
    }
}
