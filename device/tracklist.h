#pragma once

#include "device/trackinfo.h"
#include "model/type.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The tracks of a project side by side with its playlist: every playlist line and every track
// that scenarios use, each with what its file holds.

/// One line of the track list.
struct TTrackRow
{
    int32_t Track = 0;
    std::string Path;
    int PlayListLine = -1; // 0-based index in the playlist; -1 for a used track the playlist lacks
    bool Used = false;     // some used scenario plays this track
    /// What the file holds; rows with equal results share one (never null in rows InspectPlayList makes).
    std::shared_ptr<const TTrackInfo> Info;
};

/// One row per playlist line, in playlist order, then one per used track that no playlist line
/// names. A line without a path, and a used track without a line, are missing files. Rows hold
/// their result shared, not copied: a row costs its path and a few numbers.
std::vector<TTrackRow> InspectPlayList(const TProject &project, const std::vector<std::string> &playList,
                                       TTrackCache &cache);

/// Problems (anything but ok) first, each part in the order it had.
void ProblemsFirst(std::vector<TTrackRow> &rows);

/// The length of each track whose file could be read, for the overlap report. Where several
/// playlist lines carry one number, the last one whose file exists counts: its copy is the one left on the card.
std::map<int32_t, double> TrackDurations(const std::vector<TTrackRow> &rows);

/// The playlist lines the card writer would copy whose file is not a sound MP3, one log line each:
/// "Трек 5: файл '<path>' — не MP3: это файл WAV".
std::vector<std::string> CopyProblemLines(const std::vector<std::string> &playList, TTrackCache &cache);

/// The smallest track number (1 to 999, as the card names its copies) that no playlist line
/// carries; 0 when all are taken.
int32_t FirstFreeTrack(const std::vector<std::string> &playList);
