#include "app/tool/commands.h"
#include "app/tool/options.h"
#include "app/tool/stdstreams.h"
#include "app/tool/usage.h"
#include "device/sounds.h"

// sigcfg-tool sound bell OUT.mp3 --kind school|chime|gong [--seconds N]: a bell tone made here,
// levelled to -16 LUFS, so a school with no sound files still has its bells.
int RunSound(const std::vector<std::string> &args)
{
    if (args.empty() || args.front() != "bell")
        return UsageError(args.empty() ? "не указано, какой звук создать" : "неизвестный звук «" + args.front() + "»",
                          "sound");
    TFileOptions options;
    if (!options.Read({args.begin() + 1, args.end()}, {"--kind", "--seconds"}, "sound"))
        return 2;
    const auto kind = BellKindByName(options.Has("--kind") ? options.Values.at("--kind") : "");
    if (!kind)
        return UsageError("--kind: school, chime или gong", "sound");
    int seconds = 0;
    if (!options.Number("--seconds", DefaultBellSeconds(*kind), seconds))
        return 2;
    if (seconds < 1 || seconds > 60)
        return UsageError("--seconds: от 1 до 60", "sound");

    const double targetLufs = -16;
    const TLoudness made = MakeBellFile(options.File, *kind, seconds, targetLufs);
    ToolOut() << options.File << ": " << seconds << " с, " << LoudnessText(made) << '\n';
    return 0;
}
