#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Little-endian numbers inside binary containers (ZIP, OLE2, BIFF). Callers check the bounds.

inline uint32_t Le16(std::string_view bytes, size_t pos)
{
    return uint32_t(uint8_t(bytes[pos])) | uint32_t(uint8_t(bytes[pos + 1])) << 8;
}

inline uint32_t Le32(std::string_view bytes, size_t pos)
{
    return Le16(bytes, pos) | Le16(bytes, pos + 2) << 16;
}
