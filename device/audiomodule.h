#pragma once

#include "device/soundtypes.h"
#include "device/trackinfo.h"
#include "model/moduleentry.h"
#include "storage/soundnote.h"

#include <string>

// The entry points of the audio module, a shared object that holds everything linked with
// libmpg123, libebur128, libmp3lame and libespeak-ng. device/sounds.cpp loads it on first use.

extern "C" {
using TInspectTrackEntry = TModuleOutcome (*)(const std::string &path, const TTrackScanLimits &limits, TTrackInfo &info,
                                              std::string &text);
using TMeasureLoudnessEntry = TModuleOutcome (*)(const std::string &path, TLoudness &loudness, std::string &text);
using TMakeBellEntry = TModuleOutcome (*)(const std::string &path, TBellTone kind, int seconds, double targetLufs,
                                          TLoudness &made, std::string &text);
using TLevelTrackEntry = TModuleOutcome (*)(int fd, const std::string &name, double targetLufs, TLevelledTrack &track,
                                            std::string &text);
using TMakeSpeechEntry = TModuleOutcome (*)(const std::string &path, const TAnnouncement &announcement,
                                            double targetLufs, TLoudness &made, std::string &text);
}

inline constexpr const char *AudioModuleFileName = "libsigcfg-audio.so";
inline constexpr const char *InspectTrackEntryName = "SigAudioInspectTrack";
inline constexpr const char *MeasureLoudnessEntryName = "SigAudioMeasureLoudness";
inline constexpr const char *MakeBellEntryName = "SigAudioMakeBell";
inline constexpr const char *LevelTrackEntryName = "SigAudioLevelTrack";
inline constexpr const char *MakeSpeechEntryName = "SigAudioMakeSpeech";
