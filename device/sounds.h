#pragma once

#include "device/trackinfo.h"
#include "storage/soundnote.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

// What the programs ask of sounds: how loud a track is, and a bell tone or a spoken announcement
// made to order. The work is
// done by the audio module, loaded on first use, so that only the commands and windows that
// measure or make sounds load the decoder, the loudness meter and the encoder. A missing module
// throws TFileError naming where it was looked for.

/// One measurement. A silent or too short track has no loudness: Measured is false.
struct TLoudness
{
    bool Measured = false;
    double Lufs = 0;
    double TruePeakDb = 0; // dBTP, the highest channel
};

/// Decodes the MP3 file at path and measures it; throws TFileError naming the file when it can
/// not be opened or holds no MPEG audio.
TLoudness MeasureTrackLoudness(const std::string &path);

/// A level or a change of level as the operator reads it: one decimal after a comma and a true
/// minus sign ("−16,3"); with plus, a rise gets its "+" too.
std::string DecibelText(double value, bool plus = false);

/// "−18,2 LUFS, пик −1,3 dBTP" for the operator; "" when nothing was measured.
std::string LoudnessText(const TLoudness &loudness);

/// Which of the measured tracks lie more than maxLu from the median of all measured ones; tracks
/// without a measurement are never marked.
std::vector<bool> LoudnessOutliers(const std::vector<TLoudness> &tracks, double maxLu = 6);

/// The operator's note on a track that LoudnessOutliers marks.
inline constexpr const char *LoudnessOutlierText = "громкость сильно отличается от остальных";

/// The bell tones the program makes: the school's electric bell, a two-tone chime and a
/// three-tone announcement gong. (Not TBellKind: that is a lesson bell's place in the schedule, and
/// the window includes both.)
enum class TBellTone {
    School,
    Chime,
    Gong,
};

/// The kind named on the command line (school, chime, gong); nothing for another word.
std::optional<TBellTone> BellKindByName(const std::string &name);
/// How long a kind sounds unless told otherwise, in seconds.
int DefaultBellSeconds(TBellTone kind);

/// Makes the bell tone, levels it to targetLufs and writes it as an MP3 at path (a safe,
/// whole-file write); returns the written file's loudness.
TLoudness MakeBellFile(const std::string &path, TBellTone kind, int seconds, double targetLufs);

/// Speaks the announcement with eSpeak NG (after the gong when asked), levels it to targetLufs with
/// a peak limiter and writes it as an MP3 at path; returns the written file's loudness. Throws
/// TFileError naming path and saying why (no voice data installed: which package).
TLoudness MakeSpeechFile(const std::string &path, const TAnnouncement &announcement, double targetLufs);

/// One sound as the tool's `sound` command and the window's "Создать звук…" ask for it.
struct TSoundRecipe
{
    bool Speech = false;
    TBellTone Bell = TBellTone::School;
    int Seconds = 5; // of a bell, 1 to 60
    TAnnouncement Announcement;
};

/// Every sound the program makes is levelled to this, as the bells are.
inline constexpr double SoundTargetLufs = -16;

/// The bell or the announcement of the recipe at SoundTargetLufs, written to path.
TLoudness MakeSoundFile(const std::string &path, const TSoundRecipe &recipe);

/// The true peak a levelled track keeps under, in dBTP.
inline constexpr double LevelCeilingDb = -1.0;
/// The levels a card copy may be brought to, in LUFS.
inline constexpr double MinLevelLufs = -40;
inline constexpr double MaxLevelLufs = -5;
/// A track this close to the target is left as it is: re-encoding costs more than it brings.
inline constexpr double LevelToleranceLu = 0.5;

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

/// Levels the MP3 file open as fd (read from its start, left as it was; name for the errors) to
/// targetLufs: decoded, its gain changed, its peaks held by a look-ahead limiter, encoded again
/// with the same sample rate and channels at a constant bitrate no lower than the source's, true
/// peak at or under LevelCeilingDb as measured on the result; encoded, decoded and measured again
/// until the copy is within the tolerance, else Missed. Throws TFileError naming the file when it
/// does not decode.
TLevelledTrack LevelTrack(int fd, const std::string &name, double targetLufs);
