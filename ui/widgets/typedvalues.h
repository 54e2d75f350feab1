#pragma once

#include <QString>

#include <cstdint>
#include <optional>

/// A time typed into the scenario page.
struct TTypedTime
{
    int32_t Hour = 0;
    int32_t Minute = 0;
};

/// A typed time as H:MM, HH:MM, HMM, HHMM, H.MM or HH.MM within a day; nothing for any other text.
std::optional<TTypedTime> ReadTypedTime(const QString &text);
/// A typed whole number in min..max (decimal digits, a leading minus); nothing otherwise.
std::optional<int32_t> ReadTypedNumber(const QString &text, int32_t min, int32_t max);

/// Why a typed value was not taken, for the status bar.
QString TimeRefusal();
QString TrackRefusal();
QString VolumeRefusal();
