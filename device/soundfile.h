#pragma once

#include "device/sounds.h"

#include <string>

// Sound files made to order, as the tool's `sound` command and the window's sound dialog write
// them: only where an MP3 may go, and always together with the words file beside it.

/// Why no sound may be written at path, in Russian and naming the file; "" when one may. The name
/// must end in ".mp3" (any letter case), and a file already there must be an MP3 or empty: a
/// project or any other file is never written over, whatever it is called. Looks into an existing
/// file through the audio module.
std::string SoundTargetProblem(const std::string &path);

/// Makes the sound of the recipe at path and puts it in place together with its words file
/// (SoundNotePath): the announcement's words, or for a bell no words file at all. Both change or
/// neither, also when the process is killed (TFilePairWrite). Throws TFileError naming the file
/// and why: what SoundTargetProblem names, a folder or pipe in the words file's place, a failed
/// synthesis; then nothing is written.
TLoudness WriteSoundPair(const std::string &path, const TSoundRecipe &recipe);
