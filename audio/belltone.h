#pragma once

#include "audio/loudness.h"

#include <string>
#include <vector>

// Bell tones made from sine partials, with no sample files: the school's electric bell, a two-tone
// chime and a three-tone announcement gong.

/// Mono samples of the tone, seconds long at sampleRate, at an arbitrary level.
std::vector<float> SynthesiseBell(TBellTone kind, double seconds, int sampleRate);

/// Scales mono samples to the target integrated loudness, or less when the sample peak would pass
/// -1.5 dBFS (leaving room for peaks between samples).
void LevelMono(std::vector<float> &samples, int sampleRate, double targetLufs);

/// Levels the samples, encodes them to an MP3 at path (a safe, whole-file write) and measures the
/// file as it decodes; the encoder moves the loudness a little, so a second pass takes that off.
/// Returns the file's loudness.
TLoudness WriteLevelledMp3(const std::string &path, std::vector<float> samples, int sampleRate, double targetLufs);
