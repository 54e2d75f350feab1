#include "storage/projectfile.h"

#include "model/codepage.h"
#include "model/error.h"
#include "storage/fileio.h"
#include "storage/projectlines.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>

// The writing half of the project file: straight from the model to Windows-1251 bytes.

namespace {

std::string CodePoint(char32_t cp)
{
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(cp));
    return text;
}

std::string CharacterText(char32_t cp)
{
    std::string text = "\"";
    AppendUtf8(text, cp);
    return text + "\" (" + CodePoint(cp) + ")";
}

// Refuses, by name, a text that would not come back from the file as it was written.
// failure: "Невозможно сохранить проект ...: "; what: "название проекта", "название группы 3" ...;
// fieldText: the text is one ";" field. what() names the text for the message; it is only built
// when the text is refused, since a save checks every name of the project.
template <typename TWhat>
void CheckText(std::string_view text, const std::string &failure, const TWhat &what, bool fieldText)
{
    if (text.find('\r') != std::string_view::npos || text.find('\n') != std::string_view::npos)
        throw TFormatError(failure + what() + " содержит перевод строки, который не может храниться в файле проекта");
    if (fieldText && text.find(';') != std::string_view::npos)
        throw TFormatError(failure + what() + " содержит знак \";\", которым в файле проекта разделяются поля");
    if (const std::optional<char32_t> cp = FirstUnencodable(text))
        throw TFormatError(failure + what() + " содержит символ " + CharacterText(*cp) +
                           ", которого нет в кодовой странице Windows-1251 файлов проекта");
}

std::string FailureText(const TProject &project)
{
    return project.FileName.empty() ? std::string("Невозможно сохранить проект: ")
                                    : "Невозможно сохранить проект в файл '" + project.FileName + "': ";
}

// Throws for the first text, in the order the writer takes them, that the file can not hold. The
// writer comes here once it has met one, so a file with several is refused for the same one always.
[[noreturn]] void RefuseText(const TProject &project, const std::vector<std::string> &playList)
{
    const std::string failure = FailureText(project);
    CheckText(
        project.Name, failure, [] { return std::string("название проекта"); }, false);
    const int32_t n = ZoneCount(project);
    for (int32_t g = 1; g <= n; ++g) {
        const TGroup &group = project.Groups[g];
        if (!group.Used)
            continue;
        CheckText(
            group.Name, failure, [g] { return "название группы " + std::to_string(g); }, true);
        for (int s = 1; s <= MaxScenarios; ++s) {
            if (group.Scenarios[s].Used)
                CheckText(
                    group.Scenarios[s].Name, failure,
                    [g, s] { return "название сценария " + std::to_string(s) + " группы " + std::to_string(g); }, true);
        }
    }
    for (size_t i = 0; i < playList.size(); ++i)
        CheckText(
            playList[i], failure, [i] { return "строка " + std::to_string(i + 1) + " плейлиста"; }, false);
    // Every text of the project passed, so only the fixed texts could be the cause.
    throw TFormatError(failure + "проект содержит текст, которого нет в кодовой странице Windows-1251");
}

/// Bytes at most this many beyond its texts make up each line the writer writes: a key, numbers of
/// up to 11 characters, separators, 32 zones of up to 3 and the line end.
constexpr size_t LineRoom = 128;

size_t Room(const TProject &project, const std::vector<std::string> &playList, int32_t n)
{
    // The project section with its device name, three section lines and each written line's texts:
    // Windows-1251 never takes more bytes than the UTF-8 it comes from.
    size_t room = 4 * LineRoom + project.Name.size();
    for (int32_t g = 1; g <= n; ++g) {
        const TGroup &group = project.Groups[g];
        if (!group.Used)
            continue;
        room += LineRoom + group.Name.size();
        for (int s = 1; s <= MaxScenarios; ++s)
            room += group.Scenarios[s].Used ? LineRoom + group.Scenarios[s].Name.size() : 0;
    }
    for (const std::string &line : playList)
        room += LineRoom + line.size();
    return room;
}

/// The file's bytes, written into room reserved beforehand. The room is left as the allocator
/// gives it: it is about three times what a project of UTF-8 names writes, and clearing it cost
/// the largest project 4 % of a conversion's instructions and a tenth of its page faults.
class TProjectBytes
{
public:
    explicit TProjectBytes(size_t room) : Bytes(new char[room]), Out(Bytes.get()) {}

    void Raw(std::string_view text)
    {
        std::memcpy(Out, text.data(), text.size());
        Out += text.size();
    }
    void Number(int32_t value)
    {
        // Keys, group, zone and day numbers, times: nearly all below 100.
        if (uint32_t(value) < 10) {
            *Out++ = char('0' + value);
        } else if (uint32_t(value) < 100) {
            Out[0] = char('0' + value / 10);
            Out[1] = char('0' + value % 10);
            Out += 2;
        } else {
            Out = std::to_chars(Out, Out + 16, value).ptr;
        }
    }
    /// Writes the text in Windows-1251; false (nothing more may be written) when it holds a byte named
    /// in stops or a character the code page lacks.
    bool Text(std::string_view utf8, uint64_t stops)
    {
        char *const end = EncodeCp1251(utf8, Out, stops);
        if (end == nullptr)
            return false;
        Out = end;
        return true;
    }
    std::string Take() && { return std::string(Bytes.get(), size_t(Out - Bytes.get())); }

private:
    std::unique_ptr<char[]> Bytes;
    char *Out;
};

} // namespace

std::string SerializeProjectFile(const TProject &project, const std::vector<std::string> &playList)
{
    // Groups and zones beyond the device's zone count have no place on the device.
    const int32_t n = ZoneCount(project);
    TProjectBytes out(Room(project, playList, n));
    const auto text = [&](std::string_view utf8, uint64_t stops) {
        if (!out.Text(utf8, stops))
            RefuseText(project, playList);
    };
    out.Raw("[Project]\r\nName=");
    text(project.Name, LineBreaks);
    out.Raw("\r\nDevice=");
    text(DeviceText(project.DeviceType), LineBreaks);
    out.Raw("\r\n");

    int groupKey = 0;
    for (int32_t g = 1; g <= n; ++g) {
        const TGroup &group = project.Groups[g];
        if (!group.Used)
            continue;
        if (groupKey == 0)
            out.Raw("[Groups]\r\n");
        out.Number(groupKey++);
        out.Raw("=");
        if (!WriteGroupLine(out, g, group, n))
            RefuseText(project, playList);
        out.Raw("\r\n");
    }

    int scenarioKey = 0;
    for (int32_t g = 1; g <= n; ++g) {
        if (!project.Groups[g].Used)
            continue;
        for (int s = 1; s <= MaxScenarios; ++s) {
            const TScenario &scenario = project.Groups[g].Scenarios[s];
            if (!scenario.Used)
                continue;
            if (scenarioKey == 0)
                out.Raw("[Scenarios]\r\n");
            out.Number(scenarioKey++);
            out.Raw("=");
            if (!WriteScenarioLine(out, g, scenario))
                RefuseText(project, playList);
            out.Raw("\r\n");
        }
    }

    // An empty line would end the playlist on reading and lose every line after it, so empty
    // lines are left out and the keys run on without a gap.
    int playlistKey = 0;
    for (const std::string &line : playList) {
        if (!IsPlaylistLineWritten(line))
            continue;
        if (playlistKey == 0)
            out.Raw("[Playlist]\r\n");
        out.Number(playlistKey++);
        out.Raw("=");
        text(line, LineBreaks);
        out.Raw("\r\n");
    }
    // CR LF for every line end and the fields the writer always writes can make a file that was
    // read within the limit larger than it: what we write must read back, so such a file is refused.
    std::string bytes = std::move(out).Take();
    // Texts whose Windows-1251 bytes happen to form UTF-8 would be read back as UTF-8: such a file
    // is written as UTF-8 after a byte-order mark, which reads back as it was.
    if (LooksLikeUtf8(bytes))
        bytes = "\xEF\xBB\xBF" + Cp1251ToUtf8(bytes);
    if (bytes.size() > MaxReadBytes)
        throw TFormatError(FailureText(project) + "файл проекта занял бы " + std::to_string(bytes.size()) +
                           " байт, а файлы проекта больше " + std::to_string(MaxReadBytes >> 20) + " МБ не читаются");
    return bytes;
}
