#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Windows-1251 <-> UTF-8, lossless for all 256 bytes: 0x98, which the code page leaves
// unassigned, stands for U+0098 so a file read and written back keeps its bytes.

/// Every byte becomes one character; never fails.
std::string Cp1251ToUtf8(std::string_view bytes);

/// The Windows-1251 bytes of a UTF-8 text, or nothing when the text holds a character the
/// code page lacks (or is not valid UTF-8).
std::optional<std::string> Utf8ToCp1251(std::string_view utf8);

/// True when Utf8ToCp1251 would succeed.
bool FitsCp1251(std::string_view utf8);

/// The UTF-8 character at i, moving i past it; a malformed byte gives U+FFFD and moves one byte.
/// Inline: the converters call it once per character.
inline char32_t DecodeUtf8(std::string_view s, size_t &i)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int len;
    char32_t cp;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        cp = b0 & 0x07;
    } else {
        ++i;
        return 0xFFFD;
    }
    if (i + len > s.size()) {
        ++i;
        return 0xFFFD;
    }
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < minimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return 0xFFFD;
    }
    i += len;
    return cp;
}

/// The first character of a UTF-8 text that the code page lacks, as a code point;
/// nothing when the whole text fits. Invalid UTF-8 yields U+FFFD.
std::optional<char32_t> FirstUnencodable(std::string_view utf8);
