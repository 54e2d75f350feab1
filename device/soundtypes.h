#pragma once

#include <memory>
#include <string>

// The values that pass between the programs and the audio module: a loudness, a bell tone, a
// levelled track. Their own home, so that the module's entry points (device/audiomodule.h) and the
// calls that wrap them (device/sounds.h) both build on them without including each other.

/// One measurement. A silent or too short track has no loudness: Measured is false.
struct TLoudness
{
    bool Measured = false;
    double Lufs = 0;
    double TruePeakDb = 0; // dBTP, the highest channel
};

/// The bell tones the program makes: the school's electric bell, a two-tone chime and a
/// three-tone announcement gong. (Not TBellKind: that is a lesson bell's place in the schedule, and
/// the window includes both.)
enum class TBellTone {
    School,
    Chime,
    Gong,
};

/// A file of our own open for reading, closed with its last holder: a levelled copy made in a
/// temporary file that has no name on the disk, so it goes when it is closed.
class TOpenFile
{
public:
    explicit TOpenFile(int fd) : Fd(fd) {}
    ~TOpenFile();
    TOpenFile(const TOpenFile &) = delete;
    TOpenFile &operator=(const TOpenFile &) = delete;

    const int Fd;
    /// A descriptor of the same file with an offset of its own, at the start (the caller closes it);
    /// -1 with errno set when none can be had.
    int Reopen() const;
};

/// A track brought to one loudness, or why it was left as it was.
struct TLevelledTrack
{
    enum TOutcome {
        Levelled,
        Missed,       // a copy was made, under the ceiling, but further than LevelToleranceLu from the target
        AlreadyLevel, // within LevelToleranceLu of the target and under the ceiling
        Unmeasured,   // silent or too short: no loudness to go by
    };
    TOutcome Outcome = Unmeasured;
    TLoudness Before;
    TLoudness After;      // of the MP3 made, as it decodes; when Levelled or Missed
    double GainDb = 0;    // the change of loudness made
    double LimitedDb = 0; // how deep the limiter cut at most (0 or below)
    int LimiterRate = 0;  // when the limiter worked oversampled to see peaks between samples: its rate, Hz
    int Kbps = 0;
    int Encodes = 0;                      // how many times the track was encoded to get there
    std::shared_ptr<const TOpenFile> Mp3; // the copy made, when Levelled or Missed
};
