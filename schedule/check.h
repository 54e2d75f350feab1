#pragma once

#include "device/log.h"
#include "model/type.h"

#include <cstdint>
#include <vector>

/// Logs one line per clash of scenario (group, scenario) with every other used scenario of
/// every used group, per common day; returns the number of lines written. Does not clear the log.
int CheckScenarioClashes(const TProject &project, int group, int scenario, TLogSink &log);

/// Clears the log, then writes the heading, every clash (both sides of each pair) and the total.
/// Returns the total.
int CheckProject(const TProject &project, TLogSink &log);

/// Two used scenarios that fire at the same hour and minute on at least one common day.
struct TClashPair
{
    int Group1, Slot1; // the first in group/slot order
    int Group2, Slot2;
    uint8_t Days; // the common days, bit 0 Monday
};

/// Every clash of the whole check as a pair, each pair once, ordered by the first side's group and
/// slot, then the second's. All 32 group slots take part, whatever the device type.
std::vector<TClashPair> FindClashPairs(const TProject &project);
