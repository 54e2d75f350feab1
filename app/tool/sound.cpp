#include "app/tool/commands.h"
#include "app/tool/options.h"
#include "app/tool/stdstreams.h"
#include "app/tool/usage.h"
#include "device/soundfile.h"
#include "device/trackinfo.h"

namespace {

// sound bell OUT.mp3 --kind school|chime|gong [--seconds N]: a bell tone made here, so a school
// with no sound files still has its bells.
int RunBell(const std::vector<std::string> &args)
{
    TFileOptions options;
    if (!options.Read(args, {"--kind", "--seconds"}, "sound bell"))
        return 2;
    const auto kind = BellKindByName(options.Has("--kind") ? options.Values.at("--kind") : "");
    if (!kind)
        return UsageError("--kind: school, chime или gong", "sound bell");
    int seconds = 0;
    if (!options.Number("--seconds", DefaultBellSeconds(*kind), seconds))
        return 2;
    if (seconds < 1 || seconds > 60)
        return UsageError("--seconds: от 1 до 60", "sound bell");

    TSoundRecipe recipe;
    recipe.Bell = *kind;
    recipe.Seconds = seconds;
    // A bell has no words: a words file left by an announcement that stood here goes with it.
    const TLoudness made = WriteSoundPair(options.File, recipe);
    ToolOut() << options.File << ": " << seconds << " с, " << LoudnessText(made) << '\n';
    return 0;
}

// sound speech "ТЕКСТ" OUT.mp3 [--chime] [--voice ru]: an announcement spoken by eSpeak NG.
int RunSpeech(const std::vector<std::string> &args)
{
    TAnnouncement announcement;
    std::vector<std::string> words;
    bool voiceGiven = false;
    for (size_t k = 0; k < args.size(); ++k) {
        if (args[k] == "--chime" && !announcement.Chime) {
            announcement.Chime = true;
        } else if (args[k] == "--voice" && !voiceGiven) {
            if (k + 1 >= args.size())
                return UsageError("у параметра --voice нет значения", "sound speech");
            announcement.Voice = args[++k];
            voiceGiven = true;
        } else if (args[k].starts_with("--")) {
            return UsageError("неизвестный или повторённый параметр «" + args[k] + "»", "sound speech");
        } else {
            words.push_back(args[k]);
        }
    }
    if (words.size() != 2)
        return UsageError(words.size() < 2 ? "нужны ТЕКСТ и файл MP3" : "лишний аргумент «" + words[2] + "»",
                          "sound speech");
    announcement.Text = words[0];
    if (const std::string problem = AnnouncementTextProblem(announcement.Text); !problem.empty())
        return UsageError(problem, "sound speech");

    // The words go beside the MP3, as the window keeps them, so "Изменить звук…" can make it again.
    const TLoudness made = WriteSoundPair(words[1], TSoundRecipe{true, TBellTone::School, 0, announcement});
    // A word or two is too short to measure: then there is no loudness to print.
    const std::string loudness = LoudnessText(made);
    ToolOut() << words[1] << ": " << DurationText(InspectTrack(words[1]).Seconds) << (loudness.empty() ? "" : ", ")
              << loudness << '\n';
    return 0;
}

} // namespace

int RunSound(const std::vector<std::string> &args)
{
    const std::vector<std::string> rest(args.empty() ? args.end() : args.begin() + 1, args.end());
    if (!args.empty() && args.front() == "bell")
        return RunBell(rest);
    if (!args.empty() && args.front() == "speech")
        return RunSpeech(rest);
    return UsageError(args.empty() ? "не указано, какой звук создать" : "неизвестный звук «" + args.front() + "»",
                      "sound");
}
