#include "storage/workbook/biffstring.h"

#include "model/codepage.h"
#include "storage/workbook/cellgrid.h"
#include "storage/workbook/littleendian.h"

#include <algorithm>

namespace {

void AppendBounded(std::string &out, char32_t c)
{
    if (out.size() < TCellGrid::MaxCellBytes)
        AppendUtf8(out, c);
}

} // namespace

bool TContinuedReader::Advance()
{
    while (Pos == Segments[Segment].size()) {
        if (Segment + 1 >= Segments.size())
            return false;
        ++Segment;
        Pos = 0;
    }
    return true;
}

bool TContinuedReader::Byte(uint8_t &value)
{
    if (!Advance())
        return false;
    value = uint8_t(Segments[Segment][Pos++]);
    return true;
}

bool TContinuedReader::U16(uint32_t &value)
{
    uint8_t low, high;
    if (!Byte(low) || !Byte(high))
        return false;
    value = low | uint32_t(high) << 8;
    return true;
}

bool TContinuedReader::U32(uint32_t &value)
{
    uint32_t low, high;
    if (!U16(low) || !U16(high))
        return false;
    value = low | high << 16;
    return true;
}

bool TContinuedReader::Skip(uint64_t count)
{
    while (count > 0) {
        if (!Advance())
            return false;
        const size_t n = size_t(std::min<uint64_t>(count, Segments[Segment].size() - Pos));
        Pos += n;
        count -= n;
    }
    return true;
}

bool TContinuedReader::Characters(uint32_t count, bool wide, std::string &out)
{
    uint32_t pendingHigh = 0; // the first half of a surrogate pair
    while (count > 0) {
        if (Pos == Segments[Segment].size()) {
            if (Segment + 1 >= Segments.size())
                return false;
            ++Segment;
            Pos = 0;
            uint8_t options;
            if (!Byte(options))
                return false;
            wide = options & 1;
            continue;
        }
        const std::string_view data = Segments[Segment];
        if (wide) {
            if (Pos + 2 > data.size())
                return false;
            const uint32_t unit = Le16(data, Pos);
            Pos += 2;
            if (unit >= 0xD800 && unit < 0xDC00) {
                if (pendingHigh != 0)
                    AppendBounded(out, 0xFFFD);
                pendingHigh = unit;
            } else {
                char32_t c = unit;
                if (unit >= 0xDC00 && unit < 0xE000)
                    c = pendingHigh != 0 ? 0x10000 + ((pendingHigh - 0xD800) << 10) + (unit - 0xDC00) : 0xFFFD;
                else if (pendingHigh != 0)
                    AppendBounded(out, 0xFFFD);
                pendingHigh = 0;
                AppendBounded(out, c);
            }
        } else {
            AppendBounded(out, uint8_t(data[Pos++])); // the low bytes of UTF-16: Latin-1
        }
        --count;
    }
    if (pendingHigh != 0)
        AppendBounded(out, 0xFFFD);
    return true;
}

bool UnicodeString(TContinuedReader &reader, std::string &out)
{
    uint32_t length;
    uint8_t options;
    if (!reader.U16(length) || !reader.Byte(options))
        return false;
    uint32_t runs = 0, extension = 0;
    if ((options & 0x08) && !reader.U16(runs))
        return false;
    if ((options & 0x04) && !reader.U32(extension))
        return false;
    return reader.Characters(length, options & 1, out) && reader.Skip(uint64_t(runs) * 4 + extension);
}
