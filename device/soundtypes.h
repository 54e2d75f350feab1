#pragma once

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

/// A track brought to one loudness, or why it was left as it was.
struct TLevelledTrack
{
    enum TOutcome {
        Levelled,
        AlreadyLevel, // within LevelToleranceLu of the target
        Unmeasured,   // silent or too short: no loudness to go by
    };
    TOutcome Outcome = Unmeasured;
    TLoudness Before;
    TLoudness After;      // of the MP3 made, as it decodes; when Levelled
    double GainDb = 0;    // the change of loudness made
    double LimitedDb = 0; // how deep the limiter cut at most (0 or below)
    int Kbps = 0;
    std::string Mp3; // when Levelled
};
