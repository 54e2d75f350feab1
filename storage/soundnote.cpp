#include "storage/soundnote.h"

#include "model/codepage.h"
#include "storage/fileio.h"

namespace {

constexpr std::string_view ChimeKey = "Гонг: ";
constexpr std::string_view VoiceKey = "Голос: ";

} // namespace

std::string AnnouncementTextProblem(std::string_view text)
{
    if (text.find_first_not_of(" \t\r\n") == std::string_view::npos)
        return "текст объявления пуст";
    if (Utf8Characters(text) > MaxAnnouncementCharacters)
        return "текст объявления длиннее " + std::to_string(MaxAnnouncementCharacters) + " знаков";
    return {};
}

std::string SoundNotePath(const std::string &mp3Path)
{
    return mp3Path + ".txt";
}

std::string FormatSoundNote(const TAnnouncement &announcement)
{
    return std::string(ChimeKey) + (announcement.Chime ? "да" : "нет") + "\n" + std::string(VoiceKey) +
           announcement.Voice + "\n\n" + announcement.Text;
}

TAnnouncement ParseSoundNote(std::string_view bytes)
{
    TAnnouncement note;
    std::string_view rest = bytes;
    bool headed = false;
    while (true) {
        const size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        while (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.empty() && headed) {
            note.Text = std::string(end == std::string_view::npos ? std::string_view() : rest.substr(end + 1));
            return note;
        }
        if (line.starts_with(ChimeKey))
            note.Chime = line.substr(ChimeKey.size()) == "да";
        else if (line.starts_with(VoiceKey) && line.size() > VoiceKey.size())
            note.Voice = std::string(line.substr(VoiceKey.size()));
        else
            break;
        headed = true;
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    return TAnnouncement{std::string(bytes)}; // not our lines: all of it is what is said
}

std::optional<TAnnouncement> ReadSoundNote(const std::string &mp3Path)
{
    const std::optional<std::string> bytes = ReadFileIfExists(SoundNotePath(mp3Path));
    if (!bytes)
        return std::nullopt;
    return ParseSoundNote(*bytes);
}

void WriteSoundNote(const std::string &mp3Path, const TAnnouncement &announcement)
{
    WriteFileAtomically(SoundNotePath(mp3Path), FormatSoundNote(announcement));
}
