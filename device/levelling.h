#pragma once

#include "device/sounds.h"
#include "device/trackcopy.h"

#include <mutex>
#include <string>
#include <vector>

// The card copy's levelling: each track made over at one loudness on its way to the card, and
// what became of each for the log.

/// "выровнен −7,2 дБ", "не выровнен: получилось −17,3 LUFS", "уже −16,1 LUFS: как есть",
/// "громкость не измерить (тишина): как есть".
std::string LevelledText(const TLevelledTrack &track);

/// The start of the copy's note on a track that is not at the target on the card: a card summary
/// counts such a track as a problem.
inline constexpr const char *NotLevelledNote = "не выровнен";

/// What levelling made of each track of a card copy, "трек 3: выровнен −7,2 дБ", in copy order.
struct TLevelLog
{
    std::mutex Lock; // the copy may run in a thread of its own
    std::vector<std::string> Tracks;
    /// "Громкость до −16,0 LUFS: трек 3: выровнен −7,2 дБ; трек 4: …"; "" when nothing was levelled.
    std::string Summary(double targetLufs);
};

/// The card copy's remake that levels each track to targetLufs and notes it in log. The files of
/// playList are levelled ahead of the copy on worker threads, one per core, a few files ahead of
/// it, and each distinct file (device, inode, size, time) once however many lines name it; the
/// copy still takes them one by one in playlist order.
TTrackRemakeFn LevellingRemake(double targetLufs, TLevelLog &log, const std::vector<std::string> &playList = {});
