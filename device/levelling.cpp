#include "device/levelling.h"

std::string LevelledText(const TLevelledTrack &track)
{
    switch (track.Outcome) {
    case TLevelledTrack::Levelled:
        return "выровнен " + DecibelText(track.GainDb, true) + " дБ";
    case TLevelledTrack::AlreadyLevel:
        return "уже " + DecibelText(track.Before.Lufs) + " LUFS: как есть";
    case TLevelledTrack::Unmeasured:
        break;
    }
    return "громкость не измерить (тишина): как есть";
}

std::string TLevelLog::Summary(double targetLufs)
{
    const std::lock_guard lock(Lock);
    std::string text;
    for (const std::string &track : Tracks)
        text += (text.empty() ? "Громкость до " + DecibelText(targetLufs) + " LUFS: " : "; ") + track;
    return text;
}

TTrackRemakeFn LevellingRemake(double targetLufs, TLevelLog &log)
{
    return [targetLufs, &log](const std::string &source, int32_t track, int fd) {
        TTrackRemake remake;
        try {
            TLevelledTrack levelled = LevelTrack(fd, source, targetLufs);
            remake.Note = LevelledText(levelled);
            remake.Remade = levelled.Outcome == TLevelledTrack::Levelled;
            remake.Bytes = std::move(levelled.Mp3);
        } catch (const std::exception &error) {
            // A file that does not decode still goes to the card, as it would without levelling.
            remake.Note = "не выровнен: " + std::string(error.what());
        }
        const std::lock_guard lock(log.Lock);
        log.Tracks.push_back("трек " + std::to_string(track) + ": " + remake.Note);
        return remake;
    };
}
