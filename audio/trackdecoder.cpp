#include "audio/trackdecoder.h"

#include "model/error.h"

#include <mpg123.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

// The library reads each frame's four header bytes and then its body: two system calls a frame,
// a tenth of a half-hour track's measuring. Read ahead in large pieces instead.
struct TTrackDecoder::TReader
{
    int Fd = -1;
    std::vector<char> Buffer = std::vector<char>(size_t(256) << 10);
    size_t At = 0, End = 0; // Buffer[At, End) is still to be read; the file stands at End

    static mpg123_ssize_t Read(void *handle, void *out, size_t size)
    {
        TReader &r = *static_cast<TReader *>(handle);
        if (r.At == r.End) {
            ssize_t n;
            do
                n = ::read(r.Fd, r.Buffer.data(), r.Buffer.size());
            while (n < 0 && errno == EINTR);
            if (n <= 0)
                return n;
            r.At = 0;
            r.End = size_t(n);
        }
        const size_t count = std::min(size, r.End - r.At);
        std::memcpy(out, r.Buffer.data() + r.At, count);
        r.At += count;
        return mpg123_ssize_t(count);
    }

    static off_t Seek(void *handle, off_t offset, int whence)
    {
        TReader &r = *static_cast<TReader *>(handle);
        const off_t file = ::lseek(r.Fd, 0, SEEK_CUR);
        if (file < 0)
            return -1;
        const off_t start = file - off_t(r.End); // where Buffer[0] came from
        if (whence != SEEK_END) {
            const off_t target = whence == SEEK_SET ? offset : start + off_t(r.At) + offset;
            if (target >= start && target <= file) { // within what was read: no system call
                r.At = size_t(target - start);
                return target;
            }
            offset = target;
            whence = SEEK_SET;
        }
        r.At = r.End = 0;
        return ::lseek(r.Fd, offset, whence);
    }
};

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
    Reader = std::make_unique<TReader>();
    Reader->Fd = fd;
    Handle = mpg123_new(nullptr, &error);
    if (Handle && mpg123_replace_reader_handle(Handle, TReader::Read, TReader::Seek, nullptr) != MPG123_OK) {
        mpg123_delete(Handle);
        Handle = nullptr;
    }
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
    // The library leaves the descriptor to us; closing it right after mpg123_close is ours to do.
    if (!Handle || mpg123_open_handle(Handle, Reader.get()) != MPG123_OK ||
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

int64_t TTrackDecoder::Length()
{
    const off_t length = mpg123_length(Handle);
    return length > 0 ? int64_t(length) : 0;
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

size_t TTrackDecoder::ReadFrame(const unsigned char *&data)
{
    while (!Finished) {
        off_t number = 0;
        unsigned char *audio = nullptr;
        size_t bytes = 0;
        const int result = mpg123_decode_frame(Handle, &number, &audio, &bytes);
        if (result == MPG123_DONE || (result != MPG123_OK && result != MPG123_NEW_FORMAT && bytes == 0))
            Finished = true;
        else if (bytes > 0) { // a frame the encoder's delay or padding took whole gives none
            data = audio;
            return bytes - bytes % (SampleBytes * ChannelCount);
        }
    }
    return 0;
}
