// Any bytes as the note beside an announcement, then the note written back from what was read.
#include "storage/soundnote.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const TAnnouncement note = ParseSoundNote(std::string_view(reinterpret_cast<const char *>(data), size));
    // What the writer writes must read back the same.
    const TAnnouncement back = ParseSoundNote(FormatSoundNote(note));
    if (back.Text != note.Text || back.Chime != note.Chime || back.Voice != note.Voice)
        __builtin_trap();
    return 0;
}
