#pragma once

#include "device/log.h"
#include "model/type.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What the card writer checks around the copy: the folder it writes into, the tracks that will
// have no file, and the summary of what reached the card.

/// The folder the copy writes into, from the text the operator typed or chose.
struct TCardTarget
{
    std::string Folder; // ends with "/": the card files go inside it
    std::string Error;  // why nothing may be copied there; "" when Folder is good
};

/// Blanks at the ends dropped; an empty text, a relative path, or one that is not an existing
/// folder gives an Error. A folder named without the final "/" still means inside it.
TCardTarget CheckCardTarget(std::string_view typed);

/// The log line of a used track that will have no file on the card: "Трек 5: нет файла".
std::string NoFileLine(int32_t track);

/// The tracks the scenarios use (ascending) that no playlist line gives an existing file under
/// the number the copy names it by.
std::vector<int32_t> TracksWithoutFile(const TProject &project, const std::vector<std::string> &playList);

/// Logs NoFileLine for each of TracksWithoutFile and returns them.
std::vector<int32_t> LogTracksWithoutFile(const TProject &project, const std::vector<std::string> &playList,
                                          TLogSink &log);

/// The playlist numbers that do not name a card file of their own, one line each: first each line
/// whose number is not a whole number ("строка 4: номер трека «abc» — не целое число") or lies
/// outside 1..999 ("строка 4: номер трека 1000 — вне диапазона 1–999"), then each number given on
/// more than one line ("трек 3 указан дважды: строки 4 и 9"). Lines are counted from 1; lines
/// without a path are not copied and not looked at.
std::vector<std::string> PlayListNumberProblems(const std::vector<std::string> &playList);

/// After a copy: the card's track-named files in folder that do not hold what the project plays.
/// The old file of a track whose file is missing ("Файл '<path>' — на карте осталась старая
/// запись трека 15"), then the files no playlist line writes (ExtraCardFileLine).
std::vector<std::string> CardMismatchLines(const TProject &project, const std::vector<std::string> &playList,
                                           const std::string &folder);

/// The outcome of one copy run, from what the card holds at its end.
struct TCopySummary
{
    size_t Copied = 0;
    size_t Total = 0;               // playlist lines that name a file
    std::vector<int32_t> NotCopied; // their tracks, once each, in playlist order
    std::vector<int32_t> NoFile;    // used tracks without a file
    std::vector<int32_t> Absent;    // tracks of the playlist that have no file on the card
    /// True when everything reached the card and every used track had a file.
    bool Clean() const { return NotCopied.empty() && NoFile.empty() && Absent.empty(); }
    /// "Скопировано 2 из 3; не скопированы треки: 7; нет файла у треков: 5; на карте нет файла у
    /// треков: 7" (long lists cut short).
    std::string Text() const;
};

struct TCopyReport;

/// The run as the card holds it at its end: a line counts as copied only when the card, read
/// back, holds its copy; noFile from LogTracksWithoutFile.
TCopySummary SummarizeCopy(const TCopyReport &report, std::vector<int32_t> noFile);
