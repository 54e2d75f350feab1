// Any bytes through the CSV import, then the export of what was read.
#include "storage/csv.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TProject project;
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    if (ParseCsv(bytes, project) == TImportResult::Imported) {
        const std::string csv = SerializeCsv(project);
        // What the export writes must read back as a 32-zone schedule.
        TProject back;
        if (ParseCsv(csv, back) != TImportResult::Imported || back.DeviceType != 9)
            __builtin_trap();
    }
    return 0;
}
