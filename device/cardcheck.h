#pragma once

#include <optional>
#include <string>
#include <vector>

// The card check: does the card hold exactly what the playlist would put there? An installer
// runs it before the card goes into the device.

/// What the check found.
struct TCardCheck
{
    std::vector<std::string> Differences; // one line each, in playlist order, then the card's extras
    size_t Tracks = 0;                    // the card files the playlist names
    size_t Levelled = 0;                  // of those, copies levelled from their source
    bool Clean() const { return Differences.empty(); }
    /// "Карта совпадает с плейлистом: треков 12" (and "; выровненных копий: 10"), or "Отличий карты
    /// от плейлиста: 3".
    std::string Summary() const;
};

/// Compares the card files target + TrackFileName + ".mp3" with the playlist's files byte for
/// byte (read from the card, not its cache): each track's file missing ("трек 5: на карте нет
/// файла — звонок не прозвучит"), different from its source, or whose source is gone; then the
/// track-named files no line writes (extra) and the temporaries of an interrupted copy (torn).
/// Reads only; a track named on two lines is judged by the later one. With levelLufs, the card was
/// written with its tracks levelled to that loudness: a card file that differs from its source is
/// right when it is an MP3 of the source's length, format and sample count, within the levelling's
/// tolerance of the target and under its ceiling (decoded and measured through the audio module).
TCardCheck CheckCard(const std::vector<std::string> &playList, const std::string &target,
                     std::optional<double> levelLufs = std::nullopt);
