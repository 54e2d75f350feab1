#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct mpg123_handle_struct;

/// An MP3 file decoded to interleaved 16-bit samples, piece by piece, for listening to a track.
class TTrackDecoder
{
public:
    /// Opens the file; throws TFileError naming it when it can not be opened or holds no MPEG audio.
    explicit TTrackDecoder(const std::string &path);
    ~TTrackDecoder();
    TTrackDecoder(const TTrackDecoder &) = delete;
    TTrackDecoder &operator=(const TTrackDecoder &) = delete;

    int SampleRate() const { return Rate; }
    int Channels() const { return ChannelCount; }
    /// Decodes up to bytes bytes into out (whole samples); 0 at the end of the track.
    size_t Read(unsigned char *out, size_t bytes);

private:
    mpg123_handle_struct *Handle = nullptr;
    int Fd = -1;
    int Rate = 0;
    int ChannelCount = 0;
    bool Finished = false;
};
