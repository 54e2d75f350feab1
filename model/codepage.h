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
char32_t DecodeUtf8(std::string_view text, size_t &i);

/// The first character of a UTF-8 text that the code page lacks, as a code point;
/// nothing when the whole text fits. Invalid UTF-8 yields U+FFFD.
std::optional<char32_t> FirstUnencodable(std::string_view utf8);
