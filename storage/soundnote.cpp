#include "storage/soundnote.h"

#include "model/codepage.h"
#include "storage/fileio.h"

namespace {

constexpr std::string_view ChimeKey = "Гонг: ";
constexpr std::string_view VoiceKey = "Голос: ";

// Characters that show nothing and say nothing: blanks and line ends, no-break and other spaces,
// zero-width and direction marks, the soft hyphen, variation selectors, the byte-order mark.
bool Invisible(char32_t c)
{
    return c <= 0x20 || (c >= 0x7F && c <= 0xA0) || c == 0xAD || c == 0x34F || c == 0x61C || c == 0x115F ||
           c == 0x1160 || c == 0x1680 || c == 0x180E || (c >= 0x2000 && c <= 0x200F) || (c >= 0x2028 && c <= 0x202F) ||
           (c >= 0x205F && c <= 0x206F) || c == 0x2800 || c == 0x3000 || c == 0x3164 || (c >= 0xFE00 && c <= 0xFE0F) ||
           c == 0xFEFF || c == 0xFFA0 || (c >= 0xFFF9 && c <= 0xFFFB) || (c >= 0xE0000 && c <= 0xE01EF);
}

} // namespace

std::string AnnouncementTextProblem(std::string_view text)
{
    // Bytes of another code page (a Windows-1251 terminal or file) would be spoken as noise or not at all.
    if (ValidUtf8(text) != text)
        return "текст объявления не в кодировке UTF-8 (возможно, в Windows-1251)";
    bool visible = false;
    for (size_t i = 0; i < text.size() && !visible;)
        visible = !Invisible(DecodeUtf8(text, i));
    if (!visible)
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
