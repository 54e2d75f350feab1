#pragma once

#include "model/type.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Sound overlaps: a scenario's track still playing when a later scenario starts on the same day
// in one of the same zones. The later start cuts the track off, or the two play over each other.

/// One scenario of an overlap, as the report names it.
struct TOverlapScenario
{
    int Group = 0;
    int Slot = 0;
    std::string Name;
    int32_t Hour = 0;
    int32_t Minute = 0;
};

/// The earlier scenario's track is still playing when the later one starts.
struct TOverlap
{
    TOverlapScenario First;  // the one whose track plays on
    TOverlapScenario Second; // the one that starts meanwhile
    int32_t Track = 0;       // the first one's
    double TrackSeconds = 0;
    double OverlapSeconds = 0;  // how much of the track is left when the second starts
    std::array<bool, 7> Days{}; // the days both run on, Monday first
};

/// Every pair of used scenarios (all 32 groups, zones 1..32) where the later one starts on a
/// common day, in a common zone, after the earlier one but before its track ends. A start exactly
/// at the track's end is no overlap; equal start times are the clash check's concern, not this one's.
/// durations: the length of each track in seconds; tracks not in it play no part.
/// Ordered by the first one's start time, group and slot, then the second one's start.
std::vector<TOverlap> FindOverlaps(const TProject &project, const std::map<int32_t, double> &durations);

/// The report line of an overlap, in Russian.
std::string OverlapText(const TOverlap &overlap);
