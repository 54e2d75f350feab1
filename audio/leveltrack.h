#pragma once

#include "audio/loudness.h"
#include "device/trackcopy.h"

#include <mutex>
#include <string>
#include <vector>

// A track brought to one loudness for the card: the source decoded, its gain changed, its peaks
// held under the ceiling by a limiter, and encoded again as MP3 in the source's format.

/// The true peak a levelled track keeps under, in dBTP.
inline constexpr double LevelCeilingDb = -1.0;
/// The levels a card copy may be brought to, in LUFS.
inline constexpr double MinLevelLufs = -40;
inline constexpr double MaxLevelLufs = -5;
/// A track this close to the target is left as it is: re-encoding costs more than it brings.
inline constexpr double LevelToleranceLu = 0.5;

struct TLevelledTrack
{
    enum TOutcome {
        Levelled,
        AlreadyLevel, // within LevelToleranceLu of the target
        Unmeasured,   // silent or too short: no loudness to go by
    };
    TOutcome Outcome = Unmeasured;
    TLoudness Before;
    TLoudness After;      // of the MP3 made, as it decodes; when Levelled
    double GainDb = 0;    // the change of loudness made
    double LimitedDb = 0; // how deep the limiter cut at most (0 or below)
    int Kbps = 0;
    std::string Mp3; // when Levelled
};

/// Levels the MP3 file open as fd (read from its start, left as it was; name for the errors) to
/// targetLufs: same sample rate and channels, a constant bitrate at the next standard one at or
/// above the source's, true peak at or under LevelCeilingDb as measured on the result. Throws
/// TFileError when the source does not decode.
TLevelledTrack LevelTrack(int fd, const std::string &name, double targetLufs);

/// "выровнен −7,2 дБ", "уже −16,1 LUFS: как есть", "тишина: как есть" for the log.
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
