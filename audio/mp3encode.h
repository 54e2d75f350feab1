#pragma once

#include <string>
#include <vector>

/// Encodes mono samples (-1 to 1) to a constant-bitrate MP3 with libmp3lame, with the LAME tag
/// that lets a decoder take the encoder's delay and padding off, so the length stays exact.
std::string EncodeMonoMp3(const std::vector<float> &samples, int sampleRate, int kbps);
