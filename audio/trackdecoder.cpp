#include "audio/trackdecoder.h"

#include "model/error.h"

#include <mpg123.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TTrackDecoder::TTrackDecoder(const std::string &path, TFormat format)
{
    Open(::open(path.c_str(), O_RDONLY | O_CLOEXEC), path, format);
}

TTrackDecoder::TTrackDecoder(int fd, const std::string &name, TFormat format)
{
    // A descriptor of our own with its own offset: the caller's is left where it was.
    Open(::open(("/proc/self/fd/" + std::to_string(fd)).c_str(), O_RDONLY | O_CLOEXEC), name, format);
}

void TTrackDecoder::Open(int fd, const std::string &path, TFormat format)
{
    static const int initialised = mpg123_init();
    (void)initialised;
    struct stat st = {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0)
            ::close(fd);
        throw TFileError("Не удаётся открыть файл " + path);
    }
    int error = 0;
    Handle = mpg123_new(nullptr, &error);
    if (Handle) {
        mpg123_param(Handle, MPG123_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0);
        // One output encoding at every rate the library offers: plain 16-bit samples for QAudioSink,
        // floats for the loudness meter.
        mpg123_format_none(Handle);
        const long *rates = nullptr;
        size_t count = 0;
        mpg123_rates(&rates, &count);
        for (size_t i = 0; i < count; ++i)
            mpg123_format(Handle, rates[i], MPG123_MONO | MPG123_STEREO,
                          format == Float ? MPG123_ENC_FLOAT_32 : MPG123_ENC_SIGNED_16);
    }
    long rate = 0;
    int channels = 0, encoding = 0;
    // mpg123_open_fd leaves the descriptor to us; closing it right after mpg123_close is ours to do.
    if (!Handle || mpg123_open_fd(Handle, fd) != MPG123_OK ||
        mpg123_getformat(Handle, &rate, &channels, &encoding) != MPG123_OK) {
        if (Handle)
            mpg123_delete(Handle);
        ::close(fd);
        throw TFileError("В файле " + path + " нет звука MPEG");
    }
    Fd = fd;
    Rate = static_cast<int>(rate);
    ChannelCount = channels;
    SampleBytes = format == Float ? 4 : 2;
}

TTrackDecoder::~TTrackDecoder()
{
    mpg123_close(Handle);
    mpg123_delete(Handle);
    ::close(Fd);
}

int TTrackDecoder::FrameKbps() const
{
    mpg123_frameinfo info = {};
    return mpg123_info(Handle, &info) == MPG123_OK ? info.bitrate : 0;
}

bool TTrackDecoder::FramePlainStereo() const
{
    mpg123_frameinfo info = {};
    return mpg123_info(Handle, &info) == MPG123_OK && (info.mode == MPG123_M_STEREO || info.mode == MPG123_M_DUAL);
}

size_t TTrackDecoder::Read(unsigned char *out, size_t bytes)
{
    const size_t frame = SampleBytes * ChannelCount;
    bytes -= bytes % frame;
    size_t total = 0;
    while (!Finished && total < bytes) {
        size_t done = 0;
        const int result = mpg123_read(Handle, out + total, bytes - total, &done);
        total += done;
        if (result == MPG123_DONE || (result != MPG123_OK && result != MPG123_NEW_FORMAT && done == 0))
            Finished = true;
    }
    return total - total % frame;
}
