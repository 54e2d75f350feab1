#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct mpg123_handle_struct;

/// An MP3 file decoded to interleaved samples, piece by piece: 16-bit for listening to a track,
/// float (full scale at 1, peaks above it kept) for measuring and levelling it.
class TTrackDecoder
{
public:
    enum TFormat { Int16, Float };

    /// Opens the file; throws TFileError naming it when it can not be opened or holds no MPEG audio.
    explicit TTrackDecoder(const std::string &path, TFormat format = Int16);
    /// Decodes the open file fd from its start (fd stays the caller's); name is for the errors.
    TTrackDecoder(int fd, const std::string &name, TFormat format);
    ~TTrackDecoder();
    TTrackDecoder(const TTrackDecoder &) = delete;
    TTrackDecoder &operator=(const TTrackDecoder &) = delete;

    int SampleRate() const { return Rate; }
    int Channels() const { return ChannelCount; }
    /// Decodes up to bytes bytes into out (whole frames); 0 at the end of the track.
    size_t Read(unsigned char *out, size_t bytes);
    /// Decodes the next MPEG frame in the library's own buffer and points data at its samples,
    /// which stay valid until the next call; the number of bytes, 0 at the end of the track. Spares
    /// a copy where the caller only reads the samples.
    size_t ReadFrame(const unsigned char *&data);
    /// Frames (samples per channel) the track will give, as far as its header or size tells before
    /// decoding; 0 when unknown.
    int64_t Length();
    /// The bitrate of the MPEG frame last decoded, in kbit/s.
    int FrameKbps() const;
    /// The frame last decoded codes two channels apart (plain stereo or dual channel).
    bool FramePlainStereo() const;

private:
    void Open(int fd, const std::string &name, TFormat format); // takes fd over

    struct TReader;
    std::unique_ptr<TReader> Reader;
    mpg123_handle_struct *Handle = nullptr;
    int Fd = -1;
    int Rate = 0;
    int ChannelCount = 0;
    size_t SampleBytes = 2;
    bool Finished = false;
};
