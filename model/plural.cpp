#include "model/plural.h"

std::string CountText(int64_t count, const char *one, const char *few, const char *many)
{
    // The form follows the last two digits of the magnitude: 21 место, 22 места, 25 мест, 11 мест.
    const uint64_t magnitude = count < 0 ? 0 - static_cast<uint64_t>(count) : static_cast<uint64_t>(count);
    const uint64_t lastTwo = magnitude % 100;
    const uint64_t last = magnitude % 10;
    const char *noun = many;
    if (lastTwo < 11 || lastTwo > 14) {
        if (last == 1)
            noun = one;
        else if (last >= 2 && last <= 4)
            noun = few;
    }
    return std::to_string(count) + " " + noun;
}
