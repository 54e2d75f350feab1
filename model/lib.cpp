#include "model/lib.h"

#include "version.h"

#include <limits>

std::string_view TextAfter(std::string_view text, std::string_view sep)
{
    if (sep.empty() || text.empty())
        return {};
    const size_t p = text.find(sep);
    if (p == std::string_view::npos)
        return {};
    return text.substr(p + sep.size());
}

std::string TwoDigits(int64_t value)
{
    const auto u = static_cast<uint32_t>(value);
    std::string digits = std::to_string(u);
    if (u < 10)
        digits.insert(digits.begin(), '0');
    return digits;
}

std::string TimeText(int32_t hour, int32_t minute)
{
    return TwoDigits(hour) + ":" + TwoDigits(minute);
}

static bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int64_t LeadingNumber64(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Saturate well above the 32-bit range so very long digit runs can not overflow.
    constexpr int64_t cap = int64_t(1) << 40;
    int64_t value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + (text[i] - '0');
        if (value > cap)
            value = cap;
        ++i;
    }
    return negative ? -value : value;
}

int32_t LeadingNumber(std::string_view text)
{
    const int64_t v = LeadingNumber64(text);
    if (v > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

std::string_view TrimControl(std::string_view text)
{
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= 32)
        ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= 32)
        --e;
    return text.substr(b, e - b);
}

std::string_view FirstField(std::string_view text, std::string_view sep)
{
    if (sep.empty())
        return {};
    const size_t p = text.find(sep);
    if (p == std::string_view::npos)
        return {};
    return TrimControl(text.substr(0, p));
}

int32_t WholeTextInteger(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size())
        return 0;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return 0;
        value = value * base + digit;
        if (value > int64_t(std::numeric_limits<uint32_t>::max()))
            return 0;
    }
    if (base == 16) {
        // Hexadecimal texts name a 32-bit pattern: $FFFFFFFF is -1.
        auto pattern = static_cast<int32_t>(static_cast<uint32_t>(value));
        return negative ? static_cast<int32_t>(0u - static_cast<uint32_t>(pattern)) : pattern;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int32_t>::max() || value < std::numeric_limits<int32_t>::min())
        return 0;
    return static_cast<int32_t>(value);
}

bool GetFileVersion(const std::string &, uint16_t &major, uint16_t &minor, uint16_t &release, uint16_t &build)
{
    major = SIG_VERSION_MAJOR;
    minor = SIG_VERSION_MINOR;
    release = SIG_VERSION_PATCH;
    build = SIG_VERSION_TWEAK;
    return true;
}

std::string VersionText()
{
    return SIG_VERSION_TEXT;
}
