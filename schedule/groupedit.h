#pragma once

#include "model/type.h"

#include <array>
#include <string>

// Edits that act on every scenario of one group at once. Each returns "" when done, or the
// reason it was refused (Russian, for the operator) with the project left exactly as it was.

/// Why group g can not take group-wide edits or new bells: it does not exist, or the device type
/// does not show it. "" when it can.
std::string GroupRefusal(const TProject &project, int g);

/// Moves every used scenario of group g by minutes (negative: earlier). Refused when any scenario
/// would fall before 00:00 or after 23:59, or when the group has no scenario.
std::string ShiftGroup(TProject &project, int g, int minutes);

/// Sets the days of every used scenario of group g; at least one day must be ticked.
std::string SetGroupDays(TProject &project, int g, const std::array<bool, 7> &days);

/// Sets the volume of every used scenario of group g.
std::string SetGroupVolume(TProject &project, int g, int volume);

/// "HH:MM" of a minute of the day, with a minus sign before one that lies before 00:00.
std::string ClockText(long long minuteOfDay);

constexpr int MinutesPerDay = 24 * 60;
constexpr int MaxVolume = 100;
