#pragma once

#include "model/type.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Sound overlaps: a scenario's track still playing when a later scenario starts on the same day,
// or after midnight on the next day. The device has one player for all its zones, so the later
// start cuts the track off wherever either of them sounds: zones play no part, as in the clash check.

/// The earlier scenario's track is still playing when the later one starts. The two are named by
/// their numbers only: a project of long names can have half a million overlaps.
struct TOverlap
{
    uint8_t FirstGroup = 0, FirstSlot = 0;   // the one whose track plays on
    uint8_t SecondGroup = 0, SecondSlot = 0; // the one that starts meanwhile
    bool NextDay = false;                    // the second starts after midnight, on the day after the first
    std::array<bool, 7> Days{};              // the first one's days with an overlap, Monday first
    int32_t Track = 0;                       // the first one's
    double TrackSeconds = 0;
    double OverlapSeconds = 0; // how much of the track is left when the second starts
};

/// The overlaps found: the first ones in full, and how many there are in all.
struct TOverlaps
{
    std::vector<TOverlap> Listed;
    int64_t Total = 0;
};

/// Overlaps listed in full at most; the rest are only counted.
inline constexpr size_t MaxListedOverlaps = 1000;

/// Every pair of used scenarios (all 32 groups, whatever their zones) where the later one starts
/// on a common day after the earlier one but before its track ends; a track that
/// plays past midnight meets the next day's starts (Sunday's meets Monday's). A start exactly at
/// the track's end is no overlap; equal start times are the clash check's concern, not this one's.
/// durations: the length of each track in seconds; tracks not in it play no part.
/// Ordered by the first one's start time, group and slot, then the second one's start.
TOverlaps FindOverlaps(const TProject &project, const std::map<int32_t, double> &durations,
                       size_t listed = MaxListedOverlaps);

/// The report line of an overlap of the project, in Russian.
std::string OverlapText(const TProject &project, const TOverlap &overlap);

/// "… и ещё N наложений звука" when some were not listed; "" otherwise.
std::string MoreOverlapsText(const TOverlaps &overlaps);
