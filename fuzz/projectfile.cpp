// Any bytes through the project file reader, then the writer on what was read.
#include "storage/projectfile.h"
#include "model/error.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

std::string Written(std::string_view bytes)
{
    TProject project;
    std::vector<std::string> playList;
    std::vector<TSkippedEntry> skipped;
    ParseProjectFile(bytes, project, playList, skipped);
    return SerializeProjectFile(project, playList);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    std::string first;
    try {
        first = Written(bytes);
    } catch (const TFormatError &) {
        return 0; // a text the code page can not hold: refused, as it must be
    }
    // What the writer wrote must read back to the very same file.
    if (Written(first) != first)
        __builtin_trap();
    return 0;
}
