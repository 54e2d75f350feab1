#include "audio/trackscan.h"

#include "model/cause.h"

#include <mpg123.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using TClock = std::chrono::steady_clock;

// Before the first frame, this much junk (past any ID3v2 tag) means the file is something else;
// libmpg123 would otherwise hunt through all of a large WAV byte by byte.
constexpr uint64_t LeadingJunkLimit = uint64_t(1) << 20;
constexpr size_t ReadChunk = size_t(256) << 10;
constexpr uint64_t TailPeek = 4096;

void InitLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

// libmpg123 reads through this: a buffer over pread, so its byte-wise resync after damage costs
// no system call per byte, and the place where the scan's byte and time limits are kept.
struct TScanReader
{
    int Fd = -1;
    uint64_t Base = 0;      // where the audio starts: ID3v2 tags before it are cut off, libmpg123 never sees them
    uint64_t Size = 0;      // the audio part only: tags at the end are cut off too
    uint64_t Limit = 0;     // no read beyond this offset
    uint64_t ByteLimit = 0; // ... once the first frame is found
    TClock::time_point Deadline;
    std::unique_ptr<char[]> Buffer{new char[ReadChunk]};
    uint64_t BufferStart = 0;
    size_t BufferLength = 0;
    uint64_t Pos = 0;
    uint64_t BytesRead = 0;
    bool HitLimit = false;
    bool TimedOut = false;
    bool Failed = false;

    bool Refill()
    {
        if (TClock::now() > Deadline) {
            TimedOut = HitLimit = true;
            return false;
        }
        ssize_t n;
        do
            n = ::pread(Fd, Buffer.get(), ReadChunk, static_cast<off_t>(Pos));
        while (n < 0 && errno == EINTR);
        if (n <= 0) {
            Failed = n < 0;
            return false;
        }
        BufferStart = Pos;
        BufferLength = static_cast<size_t>(n);
        BytesRead += BufferLength;
        return true;
    }

    static mpg123_ssize_t Read(void *handle, void *out, size_t count)
    {
        auto &r = *static_cast<TScanReader *>(handle);
        size_t done = 0;
        while (done < count) {
            // libmpg123 looks at the end for a tag when it opens the file: that is no search through junk.
            const bool tail = r.Pos + TailPeek >= r.Size;
            if (r.Pos >= (tail ? r.Size : r.Limit)) {
                r.HitLimit = r.HitLimit || r.Pos < r.Size;
                break;
            }
            if (r.Pos < r.BufferStart || r.Pos >= r.BufferStart + r.BufferLength) {
                if (!r.Refill())
                    break;
            }
            const uint64_t available =
                std::min<uint64_t>(r.BufferStart + r.BufferLength, tail ? r.Size : r.Limit) - r.Pos;
            const size_t n = static_cast<size_t>(std::min<uint64_t>(available, count - done));
            std::memcpy(static_cast<char *>(out) + done, r.Buffer.get() + (r.Pos - r.BufferStart), n);
            done += n;
            r.Pos += n;
        }
        return static_cast<mpg123_ssize_t>(done);
    }

    static off_t Seek(void *handle, off_t offset, int whence)
    {
        auto &r = *static_cast<TScanReader *>(handle);
        const int64_t from = whence == SEEK_SET   ? int64_t(r.Base)
                             : whence == SEEK_CUR ? int64_t(r.Pos)
                                                  : int64_t(r.Size);
        const int64_t pos = from + offset;
        if (pos < int64_t(r.Base))
            return -1;
        r.Pos = static_cast<uint64_t>(pos);
        return static_cast<off_t>(pos - int64_t(r.Base));
    }
};

bool ReadAt(int fd, uint64_t offset, void *out, size_t count)
{
    return ::pread(fd, out, count, static_cast<off_t>(offset)) == static_cast<ssize_t>(count);
}

uint32_t LittleEndian32(const unsigned char *p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
}

// The name of a container the first bytes give away; "" when they might start an MP3.
const char *ForeignFormat(const unsigned char *head, size_t size)
{
    if (size >= 4 && std::memcmp(head, "RIFF", 4) == 0)
        return "WAV";
    if (size >= 4 && std::memcmp(head, "fLaC", 4) == 0)
        return "FLAC";
    if (size >= 4 && std::memcmp(head, "OggS", 4) == 0)
        return "Ogg";
    if (size >= 4 && std::memcmp(head, "FORM", 4) == 0)
        return "AIFF";
    if (size >= 8 && std::memcmp(head + 4, "ftyp", 4) == 0)
        return "MP4/M4A";
    return "";
}

// Where the audio starts: after the ID3v2 tags, however many, each sized by its header. Taggers
// that add a tag in front of an old one leave two; cover art can make them far larger than the audio.
uint64_t AudioStart(int fd, uint64_t size)
{
    uint64_t start = 0;
    unsigned char head[10];
    while (start + 10 <= size && ReadAt(fd, start, head, 10) && std::memcmp(head, "ID3", 3) == 0) {
        const uint64_t body =
            (uint64_t(head[6] & 0x7f) << 21) | ((head[7] & 0x7f) << 14) | ((head[8] & 0x7f) << 7) | (head[9] & 0x7f);
        start += 10 + body + ((head[5] & 0x10) ? 10 : 0);
    }
    return std::min(start, size);
}

// True when the file holds nothing but zero bytes from offset to end: the padding some encoders
// and editors leave after the last frame, no cut-off frame.
bool ZerosOnly(int fd, uint64_t offset, uint64_t end)
{
    char buffer[8192];
    for (uint64_t pos = offset; pos < end;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(sizeof buffer, end - pos));
        if (!ReadAt(fd, pos, buffer, n))
            return false;
        for (size_t i = 0; i < n; ++i)
            if (buffer[i] != 0)
                return false;
        pos += n;
    }
    return true;
}

// Where the audio ends: before an ID3v1 tag and an APEv2 tag at the end of the file.
uint64_t AudioEnd(int fd, uint64_t size)
{
    uint64_t end = size;
    char tag[3];
    if (end >= 128 && ReadAt(fd, end - 128, tag, 3) && std::memcmp(tag, "TAG", 3) == 0)
        end -= 128;
    unsigned char footer[32];
    if (end >= 32 && ReadAt(fd, end - 32, footer, 32) && std::memcmp(footer, "APETAGEX", 8) == 0) {
        const uint64_t tagSize = LittleEndian32(footer + 12) + ((footer[23] & 0x80) ? 32 : 0);
        end = tagSize <= end ? end - tagSize : end;
    }
    return end;
}

class THandle
{
public:
    THandle()
    {
        InitLibrary();
        int error = 0;
        Handle = mpg123_new(nullptr, &error);
    }
    ~THandle()
    {
        if (Handle) {
            mpg123_close(Handle);
            mpg123_delete(Handle);
        }
    }
    THandle(const THandle &) = delete;
    THandle &operator=(const THandle &) = delete;
    mpg123_handle *Get() const { return Handle; }

private:
    mpg123_handle *Handle = nullptr;
};

class TFdCloser
{
public:
    explicit TFdCloser(int fd) : Fd(fd) {}
    ~TFdCloser()
    {
        if (Fd >= 0)
            ::close(Fd);
    }
    TFdCloser(const TFdCloser &) = delete;
    TFdCloser &operator=(const TFdCloser &) = delete;

private:
    int Fd;
};

TTrackInfo NotMp3(std::string reason)
{
    TTrackInfo info;
    info.Status = TTrackStatus::NotMp3;
    info.Reason = std::move(reason);
    return info;
}

// The frame walk: every frame header in turn, each checked to start where the one before ended.
// Returns the layer of the first frames when none was of layer III.
int ScanFrames(mpg123_handle *mh, TScanReader &reader, TTrackInfo &info)
{
    int64_t rawSamples = 0;
    uint64_t frameBytes = 0, expected = 0, firstPos = 0; // offsets in the audio part, as libmpg123 counts them
    int firstBitrate = -1, otherLayer = 0, otherFrames = 0, run = 0, longestRun = 0;
    bool haveFrame = false;
    for (;;) {
        const int result = mpg123_framebyframe_next(mh);
        if (result == MPG123_DONE)
            break;
        if (result != MPG123_OK && result != MPG123_NEW_FORMAT) {
            if (reader.Pos < reader.Size && !reader.HitLimit)
                ++info.Errors; // gave up in the middle of the file; a cut-off end is counted below
            break;
        }
        unsigned long header = 0;
        unsigned char *body = nullptr;
        size_t bodyBytes = 0;
        mpg123_frameinfo2 frame{};
        if (mpg123_framedata(mh, &header, &body, &bodyBytes) != MPG123_OK || mpg123_info2(mh, &frame) != MPG123_OK)
            continue;
        const auto pos = static_cast<uint64_t>(mpg123_framepos(mh));
        if (!haveFrame) {
            if (frame.layer != 3) {
                otherLayer = frame.layer;
                if (++otherFrames >= 8)
                    break; // a whole stream of another layer: no use reading on
                continue;
            }
            haveFrame = true;
            firstPos = pos;
            info.MpegVersion = frame.version == MPG123_1_0 ? 1 : frame.version == MPG123_2_0 ? 2 : 25;
            info.SampleRate = static_cast<int>(frame.rate);
            info.Channels = frame.mode == MPG123_M_MONO ? 1 : 2;
            firstBitrate = frame.bitrate;
            reader.Limit = reader.ByteLimit; // past the leading junk now
            reader.HitLimit = false;
        } else {
            if (pos != expected)
                ++info.Errors; // junk between two frames: damage the decoder must resync over
            const int version = frame.version == MPG123_1_0 ? 1 : frame.version == MPG123_2_0 ? 2 : 25;
            if (frame.layer != 3 || frame.rate != info.SampleRate || version != info.MpegVersion) {
                ++info.Errors;
                expected = pos + 4 + bodyBytes;
                continue;
            }
        }
        // Frames found by a resync may be stray sync words in the damage: they say nothing of the bitrate.
        info.Vbr = info.Vbr || (pos == expected && frame.bitrate != firstBitrate);
        run = pos == expected || info.Frames == 0 ? run + 1 : 1;
        longestRun = std::max(longestRun, run);
        expected = pos + 4 + bodyBytes;
        ++info.Frames;
        rawSamples += mpg123_spf(mh);
        frameBytes += 4 + bodyBytes;
    }
    if (!haveFrame)
        return otherLayer;
    // A few stray sync words inside another kind of file are not an MP3 with damage: frames must
    // fill most of the stretch they span, and follow each other in a run or fill most of the audio.
    // What lies around them (cover art, a second tag, padding) does not count against them.
    const uint64_t audio = reader.Size - reader.Base;
    if (frameBytes * 2 < expected - firstPos || (longestRun < 3 && frameBytes * 2 < audio)) {
        info.Frames = 0;
        return 0;
    }
    // A cut-off download ends inside a frame; a file that ends exactly after its last frame or
    // tag, or in zero bytes only, is whole.
    if (!reader.HitLimit && expected != audio &&
        !(expected < audio && ZerosOnly(reader.Fd, reader.Base + expected, reader.Size)))
        ++info.Errors;
    // The walk misses the frame right after an MPEG-2 Info frame, so the length comes from libmpg123's
    // own scan: every frame its decoder plays, less the encoder's delay and padding. Its count from the
    // walk is the fallback when the scan can not finish in time.
    const bool timedOut = reader.TimedOut;
    long delay = -1, padding = -1;
    double unused = 0;
    mpg123_getstate(mh, MPG123_ENC_DELAY, &delay, &unused);
    mpg123_getstate(mh, MPG123_ENC_PADDING, &padding, &unused);
    info.Samples = std::max<int64_t>(0, rawSamples - std::max(0L, delay) - std::max(0L, padding));
    const int scanned = mpg123_scan(mh);
    if (scanned == MPG123_OK && reader.TimedOut == timedOut) {
        const off_t length = mpg123_length(mh);
        if (length > 0)
            info.Samples = length;
    }
    info.Seconds = double(info.Samples) / info.SampleRate;
    const double rawSeconds = double(rawSamples) / info.SampleRate;
    info.Kbps = rawSeconds > 0 ? static_cast<int>(std::lround(frameBytes * 8 / rawSeconds / 1000)) : 0;
    return 0;
}

} // namespace

TTrackInfo ScanTrackFile(const std::string &path, const TTrackScanLimits &limits)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        TTrackInfo info;
        info.Status = TTrackStatus::Missing;
        info.Reason = errno == ENOENT || errno == ENOTDIR ? "файл отсутствует"
                      : errno == EACCES                   ? "нет доступа к файлу"
                                                          : "файл не читается: " + CauseText(errno);
        return info;
    }
    TFdCloser closer(fd);
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return NotMp3(S_ISDIR(st.st_mode) ? "это папка" : "не обычный файл");
    if (st.st_size == 0)
        return NotMp3("пустой файл");
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);

    unsigned char head[12] = {};
    const ssize_t headSize = ::pread(fd, head, sizeof head, 0);
    const char *foreign = ForeignFormat(head, headSize > 0 ? size_t(headSize) : 0);
    if (*foreign)
        return NotMp3(std::string("это файл ") + foreign);

    TScanReader reader;
    reader.Fd = fd;
    reader.Size = AudioEnd(fd, static_cast<uint64_t>(st.st_size));
    reader.Base = AudioStart(fd, reader.Size);
    reader.Pos = reader.BufferStart = reader.Base;
    reader.Deadline =
        TClock::now() + std::chrono::duration_cast<TClock::duration>(std::chrono::duration<double>(limits.MaxSeconds));
    reader.ByteLimit = std::min(reader.Size, reader.Base + limits.MaxBytes);
    reader.Limit = std::min(reader.ByteLimit, reader.Base + LeadingJunkLimit);

    THandle handle;
    mpg123_handle *mh = handle.Get();
    if (!mh)
        throw std::bad_alloc();
    mpg123_param(mh, MPG123_FLAGS, MPG123_QUIET | MPG123_GAPLESS | MPG123_SKIP_ID3V2, 0);
    mpg123_param(mh, MPG123_RESYNC_LIMIT, -1, 0); // through damage of any length, within the limits
    TTrackInfo info;
    if (mpg123_replace_reader_handle(mh, &TScanReader::Read, &TScanReader::Seek, nullptr) != MPG123_OK ||
        mpg123_open_handle(mh, &reader) != MPG123_OK)
        return NotMp3("не открывается как MPEG");
    const int otherLayer = ScanFrames(mh, reader, info);
    info.BytesRead = reader.BytesRead;
    info.Partial = reader.HitLimit && info.Frames > 0;
    info.TimedOut = reader.TimedOut;
    if (reader.Failed)
        return NotMp3("ошибка чтения файла");
    if (info.Frames == 0) {
        if (otherLayer != 0)
            return NotMp3("MPEG Layer " + std::string(otherLayer == 1 ? "I" : "II") + ", а не Layer III");
        if (reader.TimedOut)
            return NotMp3("за " + std::to_string(int(limits.MaxSeconds)) + " с не найдено кадров MPEG");
        return NotMp3("нет кадров MPEG Layer III");
    }
    info.Status = info.Errors > 0 ? TTrackStatus::Damaged : TTrackStatus::Ok;
    return info;
}
