#pragma once

#include "device/sounds.h"
#include "storage/soundnote.h"

#include <string>
#include <vector>

// Spoken announcements made here with eSpeak NG, so that a school without a recording studio still
// has its "Внимание! Пожарная тревога" at the same loudness as its bells.

/// The package whose voice data the speech needs, named in the error when it is missing.
inline constexpr const char *SpeechDataPackage = "espeak-ng-data";

/// The words spoken by voice ("ru"), mono at sampleRate, at an arbitrary level. Throws TSigError
/// saying why (no voice data installed, naming its package; an unknown voice) without a file name.
std::vector<float> SynthesiseSpeech(const std::string &text, const std::string &voice, int sampleRate);

/// Speech whose samples all stay under this (-60 dBFS) is silence.
inline constexpr float SilentSpeechPeak = 0.001f;

/// The announcement as it sounds: the three-tone gong and a short pause when asked, then the words;
/// mono at sampleRate, brought to targetLufs with its sample peaks limited. Throws as SynthesiseSpeech,
/// and when the words come out silent.
std::vector<float> AnnouncementSamples(const TAnnouncement &announcement, int sampleRate, double targetLufs);

/// Mono samples from one rate to another (windowed sinc): eSpeak speaks at 22050 Hz, a track
/// plays at 44100.
std::vector<float> Resample(const std::vector<float> &samples, int fromRate, int toRate);

/// The announcement at 44.1 kHz, levelled to targetLufs, written as an MP3 at path; its loudness as
/// the file decodes. Throws TFileError naming path and saying why it could not be spoken.
TLoudness WriteSpeechMp3(const std::string &path, const TAnnouncement &announcement, double targetLufs);
