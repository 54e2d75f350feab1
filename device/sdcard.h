#pragma once

#include "model/type.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The card writer's pure parts: which tracks the project needs, where the playlist keeps
// their files, how the card names them and how the playlist editor shows them.

/// The distinct non-zero tracks of every used scenario of every used group (all 32 group
/// slots, whatever the device type), in ascending order. Nothing is dropped, however many.
std::vector<int32_t> CollectTracks(const TProject &project);

/// The path after the first ";" of the first playlist line whose text before that ";" reads
/// as the track (whole-text integer rule); "" when no line matches.
std::string TrackPath(const std::vector<std::string> &playList, int32_t track);

/// The card's file-name stem of a track: 7 -> "007", 42 -> "042", 123 -> "123", -5 -> "00-5".
std::string TrackFileName(int32_t number);

/// The card file of a playlist line's track: target, then the track's file name, then ".mp3".
/// The target is a plain prefix: no separator is inserted.
std::string CardFilePath(const std::string &target, int32_t number);

/// The labels of the playlist editor's lines, "Трек:<track> Путь:<path>".
inline constexpr std::string_view PlayListTrackTag = "Трек:";
inline constexpr std::string_view PlayListPathTag = "Путь:";

/// One line of the playlist editor: "Трек:<track> Путь:<path>".
std::string PlayListDialogLine(int32_t track, std::string_view path);

/// A line of the playlist editor as the card writer fills it, and the playlist line it gives back
/// while the operator leaves it as it is: taken whole, not parsed out of the shown text again (a
/// path may itself hold "Трек:" or " Путь:").
struct TReviewLine
{
    std::string Shown; // "Трек:<track> Путь:<path>"
    std::string Back;  // "<track>;<path>"
};

/// What the card writer puts into the playlist editor: a line for each used track, ascending, with
/// the path of its first playlist line (TrackPath), given back in the form "<track>;<path>"; then
/// every other playlist line (tracks that no scenario uses, a track's later lines, lines without a
/// number), given back byte for byte, which the editor shows after them, apart, so that OK loses none.
struct TPlayListReview
{
    std::vector<TReviewLine> Used;
    std::vector<TReviewLine> Others; // in playlist order
};
TPlayListReview ReviewPlayList(const TProject &project, const std::vector<std::string> &playList);

/// An editor line turned back into a playlist line: every "Трек:" removed, every " Путь:"
/// replaced by ";" (both ignoring letter case, Cyrillic included), then trimmed of codes 0..32.
std::string PlayListLineFromDialog(std::string_view line);

/// text with every occurrence of pattern replaced, left to right, comparing letters without
/// regard to case (Latin and Cyrillic, Ё/ё included). Invalid UTF-8 bytes compare as themselves.
std::string ReplaceIgnoringCase(std::string_view text, std::string_view pattern, std::string_view replacement);
