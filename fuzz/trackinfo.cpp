// Any bytes as a track file: the inspection must end, within its limits, with figures that agree.
#include "audio/trackscan.h"
#include "audio/trackdecoder.h"
#include "model/error.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const int fd = ::memfd_create("track.mp3", 0);
    if (fd < 0 || ::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != ssize_t(size))
        return 0;
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    const TTrackInfo info = ScanTrackFile(path, {uint64_t(4) << 20, 2});
    const bool sound = info.Status == TTrackStatus::Ok || info.Status == TTrackStatus::Damaged;
    if (sound && (info.SampleRate <= 0 || info.Frames <= 0 || !std::isfinite(info.Seconds) || info.Seconds < 0))
        __builtin_trap();
    if (info.Status == TTrackStatus::Damaged && info.Errors <= 0)
        __builtin_trap();
    if (info.BytesRead > 2 * uint64_t(size) + 65536)
        __builtin_trap(); // the walk and the length scan read the file once each, and no further
    if (!sound)
        return 0;
    try {
        TTrackDecoder decoder(path);
        unsigned char buffer[8192];
        for (int i = 0; i < 64 && decoder.Read(buffer, sizeof buffer) > 0; ++i) {
        }
    } catch (const TSigError &) {
    }
    return 0;
}
