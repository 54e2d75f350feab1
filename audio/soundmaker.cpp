#include "audio/soundmaker.h"

#include "audio/speech.h"
#include "model/error.h"

TLoudness WriteSound(const std::string &path, const TSoundRecipe &recipe)
{
    std::vector<float> samples;
    if (!recipe.Speech) {
        samples = SynthesiseBell(recipe.Bell, recipe.Seconds, SoundSampleRate);
    } else {
        try {
            samples = AnnouncementSamples(recipe.Announcement, SoundSampleRate);
        } catch (const TSigError &e) {
            throw TFileError("Не удалось озвучить объявление для файла " + path + "\n" + e.what());
        }
    }
    return WriteLevelledMp3(path, std::move(samples), SoundSampleRate, SoundTargetLufs);
}
