#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Cell values as a spreadsheet application hands them over as text: numbers and dates.

/// A number as a spreadsheet hands it over as text: integral values in plain digits ("1", never
/// "1e+12"), others the shortest text that reads back the same, "." as the decimal separator.
std::string NumberText(double value);

/// The serial day number of an ISO date and time ("2024-01-15", "2024-01-15T08:30:00", "08:30:00")
/// counted from nullDate (days from 1970-01-01); nothing when the text is no such date.
std::optional<double> SerialFromIsoDateTime(std::string_view text, int64_t nullDate);

/// An ISO date and time as Excel numbers it: the 1900 system with its fictitious 1900-02-29, or
/// the 1904 system.
std::optional<double> ExcelSerialFromIsoDateTime(std::string_view text, bool date1904);

/// Days from 1970-01-01 to the given day of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day);
