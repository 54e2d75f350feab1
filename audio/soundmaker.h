#pragma once

#include "audio/belltone.h"
#include "audio/loudness.h"
#include "storage/soundnote.h"

#include <string>

// One sound the program makes, as the tool's `sound` command and the window's "Создать звук…" ask
// for it: a bell tone or a spoken announcement, written as a levelled MP3.

struct TSoundRecipe
{
    bool Speech = false;
    TToneKind Bell = TToneKind::School;
    int Seconds = 5; // of a bell, 1 to 60
    TAnnouncement Announcement;
};

/// Every sound is written at this rate (mono) and loudness, like the bells.
inline constexpr int SoundSampleRate = 44100;
inline constexpr double SoundTargetLufs = -16;

/// Makes the sound, writes it to path (a safe, whole-file write) and returns its loudness as the
/// file decodes. A speech failure throws TFileError naming path and saying why.
TLoudness WriteSound(const std::string &path, const TSoundRecipe &recipe);
