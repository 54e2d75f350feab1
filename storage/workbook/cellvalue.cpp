#include "storage/workbook/cellvalue.h"

#include <charconv>
#include <cmath>

namespace {

/// Reads exactly count digits at pos; nothing when any is missing.
std::optional<int> Digits(std::string_view text, size_t &pos, size_t count)
{
    if (pos + count > text.size())
        return std::nullopt;
    int value = 0;
    for (size_t i = 0; i < count; ++i) {
        const char c = text[pos + i];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    pos += count;
    return value;
}

bool Expect(std::string_view text, size_t &pos, char c)
{
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

/// "HH:MM[:SS[.fff]]" from pos as a fraction of a day; nothing when malformed.
std::optional<double> DayFraction(std::string_view text, size_t &pos)
{
    const auto hour = Digits(text, pos, 2);
    if (!hour || !Expect(text, pos, ':'))
        return std::nullopt;
    const auto minute = Digits(text, pos, 2);
    if (!minute)
        return std::nullopt;
    double seconds = 0;
    if (Expect(text, pos, ':')) {
        const size_t start = pos;
        const auto whole = Digits(text, pos, 2);
        if (!whole)
            return std::nullopt;
        if (Expect(text, pos, '.')) {
            while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9')
                ++pos;
        }
        std::from_chars(text.data() + start, text.data() + pos, seconds);
    }
    if (*hour > 24 || *minute > 59 || seconds >= 61)
        return std::nullopt;
    return (*hour * 3600.0 + *minute * 60.0 + seconds) / 86400.0;
}

} // namespace

std::string NumberText(double value)
{
    if (value == 0)
        return "0"; // -0 as well: no application shows a sign on zero
    char buffer[400];
    // Integral values in plain digits: an application hands 1234567890123 over whole, not as 1.23e+12.
    const auto format =
        std::isfinite(value) && std::trunc(value) == value ? std::chars_format::fixed : std::chars_format{};
    const auto result = format == std::chars_format::fixed
                            ? std::to_chars(buffer, buffer + sizeof buffer, value, format)
                            : std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day)
{
    // The usual era-based count, exact for every proleptic Gregorian date.
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yoe = year - era * 400;
    const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::optional<double> SerialFromIsoDateTime(std::string_view text, int64_t nullDate)
{
    size_t pos = 0;
    if (text.size() >= 3 && text[2] == ':') {
        const auto fraction = DayFraction(text, pos);
        if (!fraction || pos != text.size())
            return std::nullopt;
        return fraction;
    }
    const auto year = Digits(text, pos, 4);
    if (!year || !Expect(text, pos, '-'))
        return std::nullopt;
    const auto month = Digits(text, pos, 2);
    if (!month || !Expect(text, pos, '-'))
        return std::nullopt;
    const auto day = Digits(text, pos, 2);
    if (!day || *month < 1 || *month > 12 || *day < 1 || *day > 31)
        return std::nullopt;
    double serial = static_cast<double>(DaysFromCivil(*year, unsigned(*month), unsigned(*day)) - nullDate);
    if (pos < text.size() && (text[pos] == 'T' || text[pos] == ' ')) {
        ++pos;
        const auto fraction = DayFraction(text, pos);
        if (!fraction)
            return std::nullopt;
        serial += *fraction;
    }
    Expect(text, pos, 'Z');
    if (pos != text.size())
        return std::nullopt;
    return serial;
}

std::optional<double> ExcelSerialFromIsoDateTime(std::string_view text, bool date1904)
{
    const int64_t nullDate = date1904 ? DaysFromCivil(1904, 1, 1) : DaysFromCivil(1899, 12, 30);
    std::optional<double> serial = SerialFromIsoDateTime(text, nullDate);
    // The 1900 system counts a 29 February 1900 that never was: days before March are one less.
    const bool hasDate = text.size() < 3 || text[2] != ':';
    if (serial && !date1904 && hasDate && *serial < 61)
        *serial -= 1;
    return serial;
}
