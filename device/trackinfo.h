#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <string>
#include <utility>
#include <vector>

// What is inside a track file: an MP3 or not, how long it plays, in what format, and whether
// its frames follow each other without damage. One pass over every frame header with libmpg123
// (no samples are decoded), so the length is exact, not guessed from the first frame.

enum class TTrackStatus {
    Ok,
    Missing,
    NotMp3,
    Damaged,
};

/// The result of one look at a track file.
struct TTrackInfo
{
    TTrackStatus Status = TTrackStatus::Missing;
    std::string Reason;  // Russian, why a track is missing or not an MP3; "" otherwise
    int64_t Samples = 0; // per channel, after the encoder's delay and padding are taken off
    double Seconds = 0;
    int MpegVersion = 0; // 1, 2, or 25 for MPEG 2.5
    int SampleRate = 0;
    int Channels = 0;
    int Kbps = 0;     // the average over the whole file
    bool Vbr = false; // frames of more than one bitrate
    int64_t Frames = 0;
    int Errors = 0;         // resyncs over junk between frames, frames of another format, a cut-off end
    uint64_t BytesRead = 0; // of the file, by the scan
    bool Partial = false;   // the scan stopped at its byte or time limit; the figures cover what it read
    bool TimedOut = false;  // ... and it was the time limit

    /// Field by field: equal results can be shared (a million playlist lines often name few files).
    auto operator<=>(const TTrackInfo &) const = default;
};

/// What one scan may cost: a device named .mp3 or a file of many gigabytes stops here.
struct TTrackScanLimits
{
    uint64_t MaxBytes = uint64_t(512) << 20;
    double MaxSeconds = 10;
};

/// Looks at the file at path (regular files only; anything else is not an MP3).
TTrackInfo InspectTrack(const std::string &path, const TTrackScanLimits &limits = {});

/// The stable word of a status for scripts: ok, missing, not-mp3, damaged.
const char *TrackStatusWord(TTrackStatus status);
/// The status for the operator, in Russian, with its reason or error count and any scan limit hit.
std::string TrackStatusText(const TTrackInfo &info);
/// "MPEG-1 Layer III, 44100 Гц, стерео, 128 кбит/с" (and ", VBR"); "" when nothing was found.
std::string TrackFormatText(const TTrackInfo &info);
/// A length as the operator reads it: "3:05.2", "1:02:03.0".
std::string DurationText(double seconds);

/// Looks at each file once while it stays the same: the results are kept by the file's device and
/// inode (one file under many spellings or links is one entry), size and modification time, so an
/// unchanged playlist costs one stat per file on a second look. Missing files take no entry.
class TTrackCache
{
public:
    explicit TTrackCache(TTrackScanLimits limits = {}) : Limits(limits) {}
    /// The reference holds until the next call.
    const TTrackInfo &Inspect(const std::string &path);
    /// Files actually scanned (not answered from the cache) since the cache was made.
    int Scans() const { return ScanCount; }

private:
    struct TEntry
    {
        int64_t Size = -1;
        timespec Modified{};
        TTrackInfo Info;
    };
    TTrackScanLimits Limits;
    std::map<std::pair<uint64_t, uint64_t>, TEntry> Entries; // by device and inode
    TTrackInfo Uncached;
    int ScanCount = 0;
};
