#pragma once

#include "device/sounds.h"

#include <string>

// A track brought to one loudness for the card: the source decoded, its gain changed, its peaks
// held under the ceiling by a limiter, and encoded again as MP3 in the source's format.

/// Levels the MP3 file open as fd (read from its start, left as it was; name for the errors) to
/// targetLufs: same sample rate and channels, a constant bitrate at the next standard one at or
/// above the source's, true peak at or under LevelCeilingDb as measured on the result. Throws
/// TFileError when the source does not decode. The programs ask LevelTrack, which comes here
/// through the audio module.
TLevelledTrack LevelMp3Track(int fd, const std::string &name, double targetLufs);
