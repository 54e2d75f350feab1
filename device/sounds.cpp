#include "device/sounds.h"

#include "device/audiomodule.h"
#include "model/modulefile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

struct TAudioModule
{
    TInspectTrackEntry InspectTrack = nullptr;
    TMeasureLoudnessEntry MeasureLoudness = nullptr;
    TMakeBellEntry MakeBell = nullptr;
    TMakeSpeechEntry MakeSpeech = nullptr;
    TLevelTrackEntry LevelTrack = nullptr;
};

TAudioModule LoadAudioModule()
{
    const std::vector<void *> entries = LoadModuleEntries(
        AudioModuleFileName, "звука",
        {InspectTrackEntryName, MeasureLoudnessEntryName, MakeBellEntryName, MakeSpeechEntryName, LevelTrackEntryName});
    return {reinterpret_cast<TInspectTrackEntry>(entries[0]), reinterpret_cast<TMeasureLoudnessEntry>(entries[1]),
            reinterpret_cast<TMakeBellEntry>(entries[2]), reinterpret_cast<TMakeSpeechEntry>(entries[3]),
            reinterpret_cast<TLevelTrackEntry>(entries[4])};
}

/// Loads the module once, safely from the tracks window's worker threads too; a missing or
/// broken module throws, naming the file concerned, and the next call tries again.
const TAudioModule &Module()
{
    static const TAudioModule module = LoadAudioModule();
    return module;
}

} // namespace

TTrackInfo InspectTrack(const std::string &path, const TTrackScanLimits &limits)
{
    TTrackInfo info;
    std::string text;
    RaiseModuleOutcome(Module().InspectTrack(path, limits, info, text), text);
    return info;
}

TLoudness MeasureTrackLoudness(const std::string &path)
{
    TLoudness loudness;
    std::string text;
    RaiseModuleOutcome(Module().MeasureLoudness(path, loudness, text), text);
    return loudness;
}

TLoudness MakeBellFile(const std::string &path, TBellTone kind, int seconds, double targetLufs)
{
    TLoudness made;
    std::string text;
    RaiseModuleOutcome(Module().MakeBell(path, kind, seconds, targetLufs, made, text), text);
    return made;
}

TLoudness MakeSpeechFile(const std::string &path, const TAnnouncement &announcement, double targetLufs)
{
    TLoudness made;
    std::string text;
    RaiseModuleOutcome(Module().MakeSpeech(path, announcement, targetLufs, made, text), text);
    return made;
}

TLoudness MakeSoundFile(const std::string &path, const TSoundRecipe &recipe)
{
    return recipe.Speech ? MakeSpeechFile(path, recipe.Announcement, SoundTargetLufs)
                         : MakeBellFile(path, recipe.Bell, recipe.Seconds, SoundTargetLufs);
}

TLevelledTrack LevelTrack(int fd, const std::string &name, double targetLufs)
{
    TLevelledTrack track;
    std::string text;
    RaiseModuleOutcome(Module().LevelTrack(fd, name, targetLufs, track, text), text);
    return track;
}

TOpenFile::~TOpenFile()
{
    if (Fd >= 0)
        ::close(Fd);
}

int TOpenFile::Reopen() const
{
    return ::open(("/proc/self/fd/" + std::to_string(Fd)).c_str(), O_RDONLY | O_CLOEXEC);
}

std::optional<TBellTone> BellKindByName(const std::string &name)
{
    if (name == "school")
        return TBellTone::School;
    if (name == "chime")
        return TBellTone::Chime;
    if (name == "gong")
        return TBellTone::Gong;
    return std::nullopt;
}

int DefaultBellSeconds(TBellTone kind)
{
    return kind == TBellTone::School ? 5 : kind == TBellTone::Chime ? 3 : 4;
}

std::vector<bool> LoudnessOutliers(const std::vector<TLoudness> &tracks, double maxLu)
{
    std::vector<double> levels;
    for (const TLoudness &track : tracks)
        if (track.Measured)
            levels.push_back(track.Lufs);
    std::vector<bool> marked(tracks.size(), false);
    if (levels.empty())
        return marked;
    std::sort(levels.begin(), levels.end());
    const size_t half = levels.size() / 2;
    const double median = levels.size() % 2 ? levels[half] : (levels[half - 1] + levels[half]) / 2;
    for (size_t i = 0; i < tracks.size(); ++i)
        marked[i] = tracks[i].Measured && std::fabs(tracks[i].Lufs - median) > maxLu;
    return marked;
}

std::string LoudnessText(const TLoudness &loudness)
{
    if (!loudness.Measured)
        return "";
    return DecibelText(loudness.Lufs) + " LUFS, пик " + DecibelText(loudness.TruePeakDb) + " dBTP";
}

std::string DecibelText(double value, bool plus)
{
    // Tenths, rounded, and the separator written here: the C library's follows the locale.
    const auto tenths = static_cast<long long>(std::fabs(value) * 10 + 0.5);
    const char *sign = tenths == 0 ? "" : value < 0 ? "\u2212" : plus ? "+" : "";
    return sign + std::to_string(tenths / 10) + "," + std::to_string(tenths % 10);
}
