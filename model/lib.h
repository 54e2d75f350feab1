#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Helpers with which every reader and writer cuts and prints ";"-separated lines.

/// The text behind the first occurrence of sep; "" when sep does not occur (or is empty).
std::string_view TextAfter(std::string_view text, std::string_view sep);

/// value taken as unsigned 32-bit, printed with at least two digits: 7 -> "07", -1 -> "4294967295".
std::string TwoDigits(int64_t value);

/// "HH:MM" from TwoDigits of each part: 8, 5 -> "08:05".
std::string TimeText(int32_t hour, int32_t minute);

/// The leading number as the C library's atol reads it: white space skipped, optional sign,
/// decimal digits up to the first other byte; 0 without digits. Clamped to 32 bits.
int32_t LeadingNumber(std::string_view text);

/// The same reading without the 32-bit clamp, for callers that must tell a huge value from a small one.
int64_t LeadingNumber64(std::string_view text);

/// Removes every byte of code 0 to 32 at both ends.
std::string_view TrimControl(std::string_view text);

/// The bytes before the first sep, trimmed of codes 0..32; "" when sep does not occur.
std::string_view FirstField(std::string_view text, std::string_view sep = ";");

/// Whole-text integer of the editor: leading blanks, optional sign, decimal digits or "$"/"0x" hex.
/// Anything else (trailing blanks included), an empty text or a value outside 32 bits gives 0.
int32_t WholeTextInteger(std::string_view text);

/// The program's own file version (major, minor, release, build), taken from the build.
/// The path is accepted for the sake of the callers; the running program knows its own version.
bool GetFileVersion(const std::string &path, uint16_t &major, uint16_t &minor, uint16_t &release, uint16_t &build);

/// "major.minor.release.build" of the running program.
std::string VersionText();
