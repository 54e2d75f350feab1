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

/// The editor's lines for a project: one per collected track, ascending, with its path.
std::vector<std::string> PlayListDialogLines(const TProject &project, const std::vector<std::string> &playList);

/// An editor line turned back into a playlist line: every "Трек:" removed, every " Путь:"
/// replaced by ";" (both ignoring letter case, Cyrillic included), then trimmed of codes 0..32.
std::string PlayListLineFromDialog(std::string_view line);

/// The playlist rebuilt from all editor lines, top to bottom.
std::vector<std::string> PlayListFromDialog(const std::vector<std::string> &lines);

/// text with every occurrence of pattern replaced, left to right, comparing letters without
/// regard to case (Latin and Cyrillic, Ё/ё included). Invalid UTF-8 bytes compare as themselves.
std::string ReplaceIgnoringCase(std::string_view text, std::string_view pattern, std::string_view replacement);
