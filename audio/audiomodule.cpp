#include "device/audiomodule.h"

#include "audio/belltone.h"
#include "audio/leveltrack.h"
#include "audio/loudness.h"
#include "audio/speech.h"
#include "audio/trackscan.h"

#define SIG_AUDIO_ENTRY extern "C" __attribute__((visibility("default"))) TModuleOutcome

SIG_AUDIO_ENTRY SigAudioInspectTrack(const std::string &path, const TTrackScanLimits &limits, TTrackInfo &info,
                                     std::string &text)
{
    return GuardedEntry(path, text, [&] {
        info = ScanTrackFile(path, limits);
        return TModuleOutcome::Done;
    });
}

SIG_AUDIO_ENTRY SigAudioMeasureLoudness(const std::string &path, TLoudness &loudness, std::string &text)
{
    return GuardedEntry(path, text, [&] {
        loudness = MeasureMp3Loudness(path);
        return TModuleOutcome::Done;
    });
}

SIG_AUDIO_ENTRY SigAudioMakeBell(const std::string &path, TBellTone kind, int seconds, double targetLufs,
                                 TLoudness &made, std::string &text)
{
    return GuardedEntry(path, text, [&] {
        const int rate = 44100;
        made = WriteLevelledMp3(path, SynthesiseBell(kind, seconds, rate), rate, targetLufs);
        return TModuleOutcome::Done;
    });
}

SIG_AUDIO_ENTRY SigAudioMakeSpeech(const std::string &path, const TAnnouncement &announcement, double targetLufs,
                                   TLoudness &made, std::string &text)
{
    return GuardedEntry(path, text, [&] {
        made = WriteSpeechMp3(path, announcement, targetLufs);
        return TModuleOutcome::Done;
    });
}

SIG_AUDIO_ENTRY SigAudioLevelTrack(int fd, const std::string &name, double targetLufs, TLevelledTrack &track,
                                   std::string &text)
{
    return GuardedEntry(name, text, [&] {
        track = LevelMp3Track(fd, name, targetLufs);
        return TModuleOutcome::Done;
    });
}
