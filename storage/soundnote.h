#pragma once

#include <optional>
#include <string>
#include <string_view>

// A spoken announcement's words kept beside its MP3 ("TRACK.mp3.txt", UTF-8), so it can be edited
// and made again. Beside the track rather than in the project: the .vlpj file must stay readable by
// installations that know no such keys, and the note travels with the file it describes.

/// What an announcement says and how: the words, the gong before them, the voice.
struct TAnnouncement
{
    std::string Text;
    bool Chime = false;
    std::string Voice = "ru";
};

/// The longest text an announcement speaks, in characters: about a minute and a half of speech.
inline constexpr size_t MaxAnnouncementCharacters = 1000;

/// Why the text can not be spoken: not UTF-8, nothing visible in it ("текст объявления пуст": only
/// blanks, no-break or zero-width spaces and the like), longer than 1000 characters; "" when it can.
std::string AnnouncementTextProblem(std::string_view text);

/// The note's path for the MP3 at mp3Path.
std::string SoundNotePath(const std::string &mp3Path);

/// The note's bytes: "Гонг: да|нет", "Голос: ru", a blank line, then the text.
std::string FormatSoundNote(const TAnnouncement &announcement);
/// The note read back; a file without those lines (written by hand) is all text, without a gong.
TAnnouncement ParseSoundNote(std::string_view bytes);

/// The note beside the MP3, or nothing when there is none; a file that can not be read throws.
std::optional<TAnnouncement> ReadSoundNote(const std::string &mp3Path);
/// Writes the note beside the MP3 through the safe write.
void WriteSoundNote(const std::string &mp3Path, const TAnnouncement &announcement);
