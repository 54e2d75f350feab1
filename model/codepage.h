#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

// The program's one UTF-8 codec (encoder, decoder, validator) and Windows-1251 <-> UTF-8, lossless
// for all 256 bytes: 0x80 to 0xFF each stand for one code point, and 0x98, which the code page
// leaves unassigned, stands for U+0098, so a file read and written back keeps its bytes.
// The per-character steps are inline: the readers and writers call them once per character, and an
// out-of-line call there costs a tenth of a whole save.

namespace CodePageTables {

/// The UTF-8 of every byte: the one to three bytes of its character, first byte lowest, and
/// their count in the top byte (so on a little-endian machine the word's bytes are the text).
extern const std::array<uint32_t, 256> Utf8OfByte;
/// Code points below this may have a byte; none above.
inline constexpr char32_t CodePointLimit = 0x2200;
/// The byte of each code point from 0x80 up to CodePointLimit, 0 where the code page has none.
extern const std::array<uint8_t, CodePointLimit> ByteOfCodePoint;

} // namespace CodePageTables

static_assert(std::endian::native == std::endian::little, "DecodeCp1251 stores the table's words as bytes");

/// The characters of a UTF-8 text: the bytes that start one.
inline size_t Utf8Characters(std::string_view text)
{
    size_t n = 0;
    for (const char c : text)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

/// Appends a code point as UTF-8 (one to four bytes).
inline void AppendUtf8(std::string &out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        const char bytes[] = {static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F))};
        out.append(bytes, 2);
    } else if (cp < 0x10000) {
        const char bytes[] = {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                              static_cast<char>(0x80 | (cp & 0x3F))};
        out.append(bytes, 3);
    } else {
        const char bytes[] = {static_cast<char>(0xF0 | (cp >> 18)), static_cast<char>(0x80 | ((cp >> 12) & 0x3F)),
                              static_cast<char>(0x80 | ((cp >> 6) & 0x3F)), static_cast<char>(0x80 | (cp & 0x3F))};
        out.append(bytes, 4);
    }
}

/// The UTF-8 character at i, moving i past it; a malformed byte (a stray or cut-short sequence, an
/// overlong form, a surrogate, a value above U+10FFFF) gives U+FFFD and moves one byte.
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

/// The Windows-1251 byte of a code point, or -1 when the code page lacks it.
inline int Cp1251Byte(char32_t cp)
{
    if (cp < 0x80)
        return static_cast<int>(cp);
    if (cp >= CodePageTables::CodePointLimit)
        return -1;
    const uint8_t b = CodePageTables::ByteOfCodePoint[cp];
    return b != 0 ? b : -1;
}

/// Writes the Windows-1251 bytes of a UTF-8 text at out, which has room for utf8.size() bytes
/// (never more are needed), and returns the end. Returns nullptr at the first character the code
/// page lacks (malformed UTF-8 among them) and at the first byte below 64 whose bit is set in stops.
inline char *EncodeCp1251(std::string_view utf8, char *out, uint64_t stops = 0)
{
    const char *p = utf8.data();
    const char *const end = p + utf8.size();
    while (p < end) {
        const auto b = static_cast<unsigned char>(*p);
        if (b < 0x80) {
            if (b < 64 && ((stops >> b) & 1) != 0)
                return nullptr;
            *out++ = static_cast<char>(b);
            ++p;
            continue;
        }
        char32_t cp;
        if (b >= 0xC2 && b < 0xE0 && end - p >= 2 && (static_cast<unsigned char>(p[1]) & 0xC0) == 0x80) {
            cp = char32_t(b & 0x1F) << 6 | (static_cast<unsigned char>(p[1]) & 0x3F); // Cyrillic: the usual case
            p += 2;
        } else {
            size_t i = static_cast<size_t>(p - utf8.data());
            cp = DecodeUtf8(utf8, i);
            p = utf8.data() + i;
        }
        const int byte = Cp1251Byte(cp);
        if (byte < 0)
            return nullptr;
        *out++ = static_cast<char>(byte);
    }
    return out;
}

/// How many bytes DecodeCp1251 writes for these bytes.
inline size_t Cp1251Utf8Size(std::string_view bytes)
{
    size_t size = 0;
    for (char c : bytes)
        size += CodePageTables::Utf8OfByte[static_cast<unsigned char>(c)] >> 24;
    return size;
}

/// Writes the UTF-8 of Windows-1251 bytes at out and returns the end. out has room for
/// Cp1251Utf8Size(bytes) bytes and three more, which it may overwrite: each character is written
/// as four bytes without a branch on its length, since Cyrillic and Latin alternate unforeseeably.
inline char *DecodeCp1251(std::string_view bytes, char *out)
{
    for (char c : bytes) {
        const uint32_t utf8 = CodePageTables::Utf8OfByte[static_cast<unsigned char>(c)];
        std::memcpy(out, &utf8, 4); // the count lands past the character, where the next one goes
        out += utf8 >> 24;
    }
    return out;
}

/// Every byte becomes one character; never fails.
std::string Cp1251ToUtf8(std::string_view bytes);

/// The Windows-1251 bytes of a UTF-8 text, or nothing when the text holds a character the
/// code page lacks (or is not valid UTF-8).
std::optional<std::string> Utf8ToCp1251(std::string_view utf8);

/// True when Utf8ToCp1251 would succeed.
bool FitsCp1251(std::string_view utf8);

/// The first character of a UTF-8 text that the code page lacks, as a code point;
/// nothing when the whole text fits. Invalid UTF-8 yields U+FFFD.
std::optional<char32_t> FirstUnencodable(std::string_view utf8);

/// True when the bytes hold a multi-byte character and are valid UTF-8 throughout (a spelled-out
/// U+FFFD counts as malformed): how a file without a byte-order mark shows that it is UTF-8.
/// Windows-1251 Cyrillic practically never is (a capital letter would have to be followed by a
/// byte of 0x80 to 0xBF, mostly punctuation and rare letters).
bool LooksLikeUtf8(std::string_view bytes);

/// The text with each malformed byte (as DecodeUtf8 finds them) replaced by U+FFFD; well-formed
/// UTF-8 comes back as it was.
std::string ValidUtf8(std::string_view text);
