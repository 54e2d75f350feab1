#include "storage/projectfile.h"

#include "model/codepage.h"
#include "model/error.h"
#include "model/lib.h"
#include "storage/fileio.h"
#include "storage/inifile.h"

#include <cstdio>
#include <limits>

namespace {

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";
// As many lines as the writer writes at most; the playlist has no fixed count, only the file's size.
constexpr int MaxGroupLines = MaxGroups;
constexpr int MaxScenarioLines = MaxGroups * MaxScenarios;
constexpr size_t MaxSkippedEntries = 100;

// A hand-edited file may hold bytes that are not UTF-8; the model promises UTF-8, so each
// malformed sequence becomes U+FFFD (which the writer then refuses by name).
std::string ValidUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        int len = 0;
        if (b0 < 0x80)
            len = 1;
        else if (b0 >= 0xC2 && b0 <= 0xDF)
            len = 2;
        else if (b0 >= 0xE0 && b0 <= 0xEF)
            len = 3;
        else if (b0 >= 0xF0 && b0 <= 0xF4)
            len = 4;
        bool ok = len > 0 && i + len <= text.size();
        for (int k = 1; ok && k < len; ++k)
            ok = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        if (ok && len >= 3) {
            // Reject overlong forms, surrogates and code points above U+10FFFF.
            const auto b1 = static_cast<unsigned char>(text[i + 1]);
            ok = !(b0 == 0xE0 && b1 < 0xA0) && !(b0 == 0xED && b1 > 0x9F) && !(b0 == 0xF0 && b1 < 0x90) &&
                 !(b0 == 0xF4 && b1 > 0x8F);
        }
        if (ok) {
            out.append(text.substr(i, len));
            i += len;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

bool InRange(int32_t value, int32_t low, int32_t high)
{
    return value >= low && value <= high;
}

/// The entries left out: the first ones in full, the rest only counted in one closing entry, so a
/// file of a million bad entries costs no more than one of a hundred.
class TSkipList
{
public:
    explicit TSkipList(std::vector<TSkippedEntry> &list) : List(list) { List.clear(); }
    TSkipList(const TSkipList &) = delete;
    TSkipList &operator=(const TSkipList &) = delete;

    /// Adds the closing entry that counts what was not listed, if anything was not.
    void Close()
    {
        if (More > 0)
            List.push_back({"…", "пропущено записей сверх первых " + std::to_string(MaxSkippedEntries) + ": " +
                                     std::to_string(More)});
    }

    /// reason() gives the text; it is only built for an entry that is kept.
    template <typename TReason> void Add(std::string_view section, int key, const TReason &reason)
    {
        if (List.size() < MaxSkippedEntries)
            List.push_back({std::string(section) + "/" + std::to_string(key), reason()});
        else
            ++More;
    }

private:
    std::vector<TSkippedEntry> &List;
    size_t More = 0;
};

// Calls each(k, line) for the keys "0", "1", ... of a section up to the first empty or absent value.
template <typename TEach> void ForEachLine(const TIniReader &ini, std::string_view section, int limit, TEach each)
{
    for (int k = 0; k < limit; ++k) {
        const std::string_view line = ini.Read(section, std::to_string(k));
        if (line.empty())
            break;
        each(k, line);
    }
}

// The group number that leads a line, or 0 (listed in skipped) when the model has no such group.
int32_t LineGroup(std::string_view line, std::string_view section, int k, TSkipList &skipped)
{
    const int32_t g = LeadingNumber(line);
    if (InRange(g, 1, MaxGroups))
        return g;
    skipped.Add(section, k, [g] { return "group number " + std::to_string(g) + " is outside 1 to 32; line left out"; });
    return 0;
}

void ReadGroups(const TIniReader &ini, TProject &project, TSkipList &skipped)
{
    ForEachLine(ini, "Groups", MaxGroupLines, [&](int k, std::string_view line) {
        const int32_t g = LineGroup(line, "Groups", k, skipped);
        if (g == 0)
            return;
        TGroup &group = project.Groups[g];
        std::string_view rest = TextAfter(line, ";");
        group.Name = FirstField(rest);
        group.Used = true;
        for (rest = TextAfter(rest, ";"); !rest.empty(); rest = TextAfter(rest, ";")) {
            const int32_t z = LeadingNumber(rest);
            if (InRange(z, 1, MaxZones))
                group.Zones[z] = true;
            else
                skipped.Add("Groups", k,
                            [z] { return "zone " + std::to_string(z) + " is outside 1 to 32; zone left out"; });
        }
    });
}

void ReadScenarios(const TIniReader &ini, TProject &project, TSkipList &skipped)
{
    std::array<int32_t, MaxGroups + 1> counters{};
    ForEachLine(ini, "Scenarios", MaxScenarioLines, [&](int k, std::string_view line) {
        const int32_t g = LineGroup(line, "Scenarios", k, skipped);
        if (g == 0)
            return;
        if (counters[g] == MaxScenarios) {
            skipped.Add("Scenarios", k,
                        [g] { return "group " + std::to_string(g) + " already has 32 scenarios; line left out"; });
            return;
        }
        // The slot is the line's place among its group's lines, not a number from the file.
        TScenario &scenario = project.Groups[g].Scenarios[++counters[g]];
        std::string_view rest = TextAfter(line, ";");
        scenario.Name = FirstField(rest);
        scenario.Used = true;
        for (int32_t *field : {&scenario.Hour, &scenario.Minute, &scenario.Volume, &scenario.Track}) {
            rest = TextAfter(rest, ";");
            *field = LeadingNumber(rest);
        }
        for (rest = TextAfter(rest, ";"); !rest.empty(); rest = TextAfter(rest, ";")) {
            const int32_t d = LeadingNumber(rest);
            if (InRange(d, 0, 6))
                scenario.Days[d] = true;
            else
                skipped.Add("Scenarios", k,
                            [d] { return "day " + std::to_string(d) + " is outside 0 to 6; day left out"; });
        }
    });
}

std::string CodePoint(char32_t cp)
{
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(cp));
    return text;
}

std::string CharacterText(char32_t cp)
{
    std::string utf8;
    if (cp < 0x80) {
        utf8 += static_cast<char>(cp);
    } else if (cp < 0x800) {
        utf8 += static_cast<char>(0xC0 | (cp >> 6));
        utf8 += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        utf8 += static_cast<char>(0xE0 | (cp >> 12));
        utf8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        utf8 += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        utf8 += static_cast<char>(0xF0 | (cp >> 18));
        utf8 += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        utf8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        utf8 += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return "\"" + utf8 + "\" (" + CodePoint(cp) + ")";
}

// Refuses, by name, a text that would not come back from the file as it was written.
// failure: "Невозможно сохранить проект ...: "; what: "название проекта", "название группы 3" ...;
// fieldText: the text is one ";" field. what() names the text for the message; it is only built
// when the text is refused, since a save checks every name of the project.
template <typename TWhat>
void CheckText(std::string_view text, const std::string &failure, const TWhat &what, bool fieldText)
{
    if (text.find_first_of("\r\n") != std::string_view::npos)
        throw TFormatError(failure + what() + " содержит перевод строки, который не может храниться в файле проекта");
    if (fieldText && text.find(';') != std::string_view::npos)
        throw TFormatError(failure + what() + " содержит знак \";\", которым в файле проекта разделяются поля");
    if (const std::optional<char32_t> cp = FirstUnencodable(text))
        throw TFormatError(failure + what() + " содержит символ " + CharacterText(*cp) +
                           ", которого нет в кодовой странице Windows-1251 файлов проекта");
}

} // namespace

void ParseProjectFile(std::string_view bytes, TProject &project, std::vector<std::string> &playList,
                      std::vector<TSkippedEntry> &skipped)
{
    TSkipList skips(skipped);
    const bool utf8 = bytes.substr(0, Utf8Bom.size()) == Utf8Bom;
    const TIniReader ini(utf8 ? ValidUtf8(bytes.substr(Utf8Bom.size())) : Cp1251ToUtf8(bytes),
                         {"Project", "Groups", "Scenarios", "Playlist"});

    project.Name = ini.Read("Project", "Name");
    project.DeviceType = DeviceTypeIndex(ini.Read("Project", "Device"));
    ReadGroups(ini, project, skips);
    ReadScenarios(ini, project, skips);

    playList.clear();
    playList.reserve(ini.KeyCount("Playlist")); // grown in steps, a long list would take half as much again
    ForEachLine(ini, "Playlist", std::numeric_limits<int>::max(),
                [&](int, std::string_view line) { playList.emplace_back(line); });
    skips.Close();
}

void CheckProjectBytes(std::string_view bytes, const std::string &path)
{
    // A picture or a UTF-16 text holds NUL bytes; no project file does.
    const std::string failure = "Файл '" + path + "' не является проектом: ";
    if (bytes.find('\0') != std::string_view::npos)
        throw TFormatError(failure + "в нём есть нулевые байты");
    if (bytes.substr(0, Utf8Bom.size()) == Utf8Bom)
        bytes.remove_prefix(Utf8Bom.size());
    if (bytes.find_first_not_of(" \t\r\n") != std::string_view::npos && !HasSectionLine(bytes))
        throw TFormatError(failure + "в нём нет ни одной строки раздела «[…]»");
}

std::string SerializeProjectFile(const TProject &project, const std::vector<std::string> &playList)
{
    const std::string failure = project.FileName.empty()
                                    ? std::string("Невозможно сохранить проект: ")
                                    : "Невозможно сохранить проект в файл '" + project.FileName + "': ";
    TIniWriter ini;
    CheckText(
        project.Name, failure, [] { return std::string("название проекта"); }, false);
    ini.Write("Project", "Name", project.Name);
    const bool knownType = InRange(project.DeviceType, 0, DeviceTypeCount - 1);
    ini.Write("Project", "Device", knownType ? DeviceTypeNames[project.DeviceType] : "");

    // Groups and zones beyond the device's zone count have no place on the device.
    const int32_t n = ZoneCount(project);
    int groupKey = 0;
    int scenarioKey = 0;
    for (int32_t g = 1; g <= n; ++g) {
        const TGroup &group = project.Groups[g];
        if (!group.Used)
            continue;
        CheckText(
            group.Name, failure, [g] { return "название группы " + std::to_string(g); }, true);
        std::string line = std::to_string(g) + ";" + group.Name + ";";
        for (int32_t z = 1; z <= n; ++z) {
            if (group.Zones[z])
                line += std::to_string(z) + ";";
        }
        ini.Write("Groups", std::to_string(groupKey++), line);

        for (int s = 1; s <= MaxScenarios; ++s) {
            const TScenario &scenario = group.Scenarios[s];
            if (!scenario.Used)
                continue;
            CheckText(
                scenario.Name, failure,
                [g, s] { return "название сценария " + std::to_string(s) + " группы " + std::to_string(g); }, true);
            line = std::to_string(g) + ";" + scenario.Name + ";" + std::to_string(scenario.Hour) + ";" +
                   std::to_string(scenario.Minute) + ";" + std::to_string(scenario.Volume) + ";" +
                   std::to_string(scenario.Track) + ";";
            for (int d = 0; d < 7; ++d) {
                if (scenario.Days[d])
                    line += std::to_string(d) + ";";
            }
            ini.Write("Scenarios", std::to_string(scenarioKey++), line);
        }
    }

    // An empty line would end the playlist on reading and lose every line after it, so empty
    // lines are left out and the keys run on without a gap.
    int playlistKey = 0;
    for (size_t i = 0; i < playList.size(); ++i) {
        const std::string &line = playList[i];
        CheckText(
            line, failure, [i] { return "строка " + std::to_string(i + 1) + " плейлиста"; }, false);
        if (line.find_first_not_of(" \t") == std::string::npos)
            continue;
        ini.Write("Playlist", std::to_string(playlistKey++), line);
    }

    std::optional<std::string> bytes = Utf8ToCp1251(ini.Text());
    if (!bytes) // every value was checked above, so only the fixed texts could fail here
        throw TFormatError(failure + "проект содержит текст, которого нет в кодовой странице Windows-1251");
    return std::move(*bytes);
}

void LoadProjectFile(const std::string &path, TProject &project, std::vector<std::string> &playList,
                     std::vector<TSkippedEntry> &skipped)
{
    // Read and check before clearing anything, so a file that can not be read, or is no project,
    // leaves the open project as it was (and a later save does not write over that file).
    const std::optional<std::string> bytes = ReadFileIfExists(path);
    if (bytes)
        CheckProjectBytes(*bytes, path);
    ResetProject(project);
    project.FileName = path;
    playList.clear();
    skipped.clear();
    if (bytes)
        ParseProjectFile(*bytes, project, playList, skipped);
}

void SaveProjectFile(const TProject &project, const std::vector<std::string> &playList)
{
    WriteFileAtomically(project.FileName, SerializeProjectFile(project, playList));
}
