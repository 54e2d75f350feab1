#include "model/codepage.h"

#include <array>

namespace {

// Code points of bytes 0x80..0xFF.
constexpr std::array<char16_t, 128> HighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410,
    0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D,
    0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A,
    0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444,
    0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

} // namespace

namespace CodePageTables {

// Every code point of the high half is below U+0800 (two UTF-8 bytes) or below CodePointLimit (three).
extern constexpr std::array<uint32_t, 256> Utf8OfByte = [] {
    std::array<uint32_t, 256> table{};
    for (uint32_t b = 0; b < 256; ++b) {
        const uint32_t cp = b < 0x80 ? b : HighHalf[b - 0x80];
        if (cp < 0x80)
            table[b] = cp | 1u << 24;
        else if (cp < 0x800)
            table[b] = (0xC0 | (cp >> 6)) | (0x80 | (cp & 0x3F)) << 8 | 2u << 24;
        else
            table[b] = (0xE0 | (cp >> 12)) | (0x80 | ((cp >> 6) & 0x3F)) << 8 | (0x80 | (cp & 0x3F)) << 16 | 3u << 24;
    }
    return table;
}();

extern constexpr std::array<uint8_t, CodePointLimit> ByteOfCodePoint = [] {
    std::array<uint8_t, CodePointLimit> table{};
    for (size_t b = 0; b < 128; ++b)
        table[HighHalf[b]] = static_cast<uint8_t>(0x80 + b);
    return table;
}();

} // namespace CodePageTables

std::string Cp1251ToUtf8(std::string_view bytes)
{
    const size_t size = Cp1251Utf8Size(bytes);
    std::string out(size + 3, '\0');
    DecodeCp1251(bytes, out.data());
    out.resize(size);
    return out;
}

std::optional<std::string> Utf8ToCp1251(std::string_view utf8)
{
    std::string out(utf8.size(), '\0');
    const char *end = EncodeCp1251(utf8, out.data());
    if (end == nullptr)
        return std::nullopt;
    out.resize(static_cast<size_t>(end - out.data()));
    return out;
}

std::optional<char32_t> FirstUnencodable(std::string_view utf8)
{
    for (size_t i = 0; i < utf8.size();) {
        const char32_t cp = DecodeUtf8(utf8, i);
        if (Cp1251Byte(cp) < 0)
            return cp;
    }
    return std::nullopt;
}

bool FitsCp1251(std::string_view utf8)
{
    return !FirstUnencodable(utf8).has_value();
}

bool LooksLikeUtf8(std::string_view bytes)
{
    bool multiByte = false;
    for (size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        if (DecodeUtf8(bytes, i) == 0xFFFD)
            return false;
        multiByte = true;
    }
    return multiByte;
}

std::string ValidUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    size_t start = 0; // of the well-formed run not yet copied
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        if (b >= 0xC2 && b < 0xE0 && i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
            i += 2; // Cyrillic: the usual case
            continue;
        }
        const size_t at = i;
        if (DecodeUtf8(text, i) == 0xFFFD && i == at + 1) { // malformed; a real U+FFFD takes three bytes
            out.append(text.substr(start, at - start));
            out += "\xEF\xBF\xBD";
            start = i;
        }
    }
    out.append(text.substr(start));
    return out;
}
