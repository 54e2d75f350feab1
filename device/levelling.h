#pragma once

#include "device/sounds.h"
#include "device/trackcopy.h"

#include <mutex>
#include <string>
#include <vector>

// The card copy's levelling: each track made over at one loudness on its way to the card, and
// what became of each for the log.

/// "выровнен −7,2 дБ", "уже −16,1 LUFS: как есть", "громкость не измерить (тишина): как есть".
std::string LevelledText(const TLevelledTrack &track);

/// What levelling made of each track of a card copy, "трек 3: выровнен −7,2 дБ", in copy order.
struct TLevelLog
{
    std::mutex Lock; // the copy may run in a thread of its own
    std::vector<std::string> Tracks;
    /// "Громкость до −16,0 LUFS: трек 3: выровнен −7,2 дБ; трек 4: …"; "" when nothing was levelled.
    std::string Summary(double targetLufs);
};

/// The card copy's remake that levels each track to targetLufs and notes it in log.
TTrackRemakeFn LevellingRemake(double targetLufs, TLevelLog &log);
