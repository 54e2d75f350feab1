#include "audio/belltone.h"
#include "audio/loudness.h"
#include "device/trackinfo.h"
#include "support.h"

#include <gtest/gtest.h>

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
        }
    }
    EXPECT_FALSE(BellKindByName("siren"));
}
