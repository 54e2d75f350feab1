#include "storage/projectfile.h"

#include "model/codepage.h"
#include "model/error.h"
#include "model/lib.h"
#include "storage/fileio.h"
#include "storage/inifile.h"

#include <algorithm>
#include <climits>
#include <optional>

namespace {

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";
// As many lines as the writer writes at most; the playlist has no fixed count, only the file's size.
constexpr int MaxGroupLines = MaxGroups;
constexpr int MaxScenarioLines = MaxGroups * MaxScenarios;
constexpr size_t MaxSkippedEntries = 100;

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
            List.push_back({"[" + std::string(section) + "] " + std::to_string(key), reason()});
        else
            ++More;
    }

private:
    std::vector<TSkippedEntry> &List;
    size_t More = 0;
};

/// The values of one section's keys "0", "1", "2" ... as the reader takes them: the first line of
/// each key, looked up in key order.
class TNumberedValues
{
public:
    /// Keys from limit on are never looked up, so they are not kept.
    explicit TNumberedValues(size_t limit) : Limit(std::min<size_t>(limit, UINT32_MAX)) {}

    /// Takes a key line of the section. Only a plain decimal number names a key that is looked up
    /// ("00" or "+1" never match "0" or "1").
    void Add(std::string_view key, std::string_view value)
    {
        if (key.size() > 10 || (key.size() > 1 && key[0] == '0'))
            return;
        uint64_t k = 0;
        for (char c : key) {
            if (c < '0' || c > '9')
                return;
            k = k * 10 + uint64_t(c - '0');
        }
        if (k >= Limit)
            return;
        if (InOrder) {
            if (k < Entries.size())
                return; // a repeated key: its first line wins
            InOrder = k == Entries.size();
        }
        Entries.push_back({uint32_t(k), uint32_t(value.size()), value.data()});
    }

    /// How many values the section gives: keys 0, 1, ... up to the first absent or empty value.
    size_t Count()
    {
        if (!InOrder) { // keys out of order or repeated after a gap: the first line of each key wins
            std::stable_sort(Entries.begin(), Entries.end(),
                             [](const TEntry &a, const TEntry &b) { return a.Key < b.Key; });
            Entries.erase(std::unique(Entries.begin(), Entries.end(),
                                      [](const TEntry &a, const TEntry &b) { return a.Key == b.Key; }),
                          Entries.end());
            InOrder = true;
        }
        size_t k = 0;
        while (k < Entries.size() && Entries[k].Key == k && Entries[k].Length > 0)
            ++k;
        return k;
    }

    /// Calls each(k, value) for those values in key order.
    template <typename TEach> void ForEach(TEach each)
    {
        const size_t count = Count();
        for (size_t k = 0; k < count; ++k)
            each(int(k), std::string_view(Entries[k].Data, Entries[k].Length));
    }

private:
    struct TEntry
    {
        uint32_t Key, Length;
        const char *Data;
    };
    std::vector<TEntry> Entries;
    bool InOrder = true; // Entries[k].Key == k, as the writer writes them
    size_t Limit;
};

/// The sections of a project file as one pass over its bytes finds them: the first section of each
/// name, the first "Name" and "Device" of the project, the numbered lines of the others. The values
/// are still bytes of the file; ASCII is the same in either encoding, so numbers and separators are
/// read from them directly, and only the texts that the model keeps are decoded.
struct TProjectSections
{
    explicit TProjectSections(std::string_view text);

    std::optional<std::string_view> Name, Device;
    TNumberedValues Groups{MaxGroupLines};
    TNumberedValues Scenarios{MaxScenarioLines};
    TNumberedValues Playlist;
};

TProjectSections::TProjectSections(std::string_view text) : Playlist(std::min<size_t>(text.size(), INT_MAX))
{
    enum { InProject, InGroups, InScenarios, InPlaylist, Elsewhere };
    static constexpr std::string_view names[] = {"Project", "Groups", "Scenarios", "Playlist"};
    bool seen[std::size(names)] = {};
    int current = Elsewhere;
    TIniScanner scanner(text);
    TIniLine line;
    while (scanner.Next(line)) {
        if (line.Kind == TIniLine::TKind::Section) {
            // Only the first section of a name is searched; a later one is dead text.
            current = Elsewhere;
            for (int id = 0; id < int(std::size(names)); ++id) {
                if (IniNamesEqual(names[id], line.Name)) {
                    if (!seen[id])
                        current = id;
                    seen[id] = true;
                    break;
                }
            }
            continue;
        }
        if (line.Kind != TIniLine::TKind::Key)
            continue;
        switch (current) {
        case InProject:
            if (!Name && IniNamesEqual(line.Name, "Name"))
                Name = line.Value;
            else if (!Device && IniNamesEqual(line.Name, "Device"))
                Device = line.Value;
            break;
        case InGroups:
            Groups.Add(line.Name, line.Value);
            break;
        case InScenarios:
            Scenarios.Add(line.Name, line.Value);
            break;
        case InPlaylist:
            Playlist.Add(line.Name, line.Value);
            break;
        default:
            break;
        }
    }
}

/// A text of the file as the model holds it: UTF-8 as it is (each malformed byte made U+FFFD,
/// which the writer then refuses by name), or Windows-1251 through the code page table.
class TFileText
{
public:
    explicit TFileText(bool utf8) : Utf8(utf8) {}
    std::string operator()(std::string_view bytes)
    {
        if (Utf8)
            return ValidUtf8(bytes);
        // Decoded at once into room for the longest outcome, then copied: cheaper than a first
        // pass that counts, and the model's strings get no room they do not use.
        if (Scratch.size() < 3 * bytes.size() + 3)
            Scratch.resize(3 * bytes.size() + 3);
        const char *const end = DecodeCp1251(bytes, Scratch.data());
        return std::string(Scratch.data(), size_t(end - Scratch.data()));
    }

private:
    bool Utf8;
    std::string Scratch;
};

// TextAfter(text, ";") and FirstField(text) of the text helpers, for the one separator and inline: a
// load cuts some twenty thousand fields of a few bytes, and the general forms call a search and a
// compare for each.
size_t SeparatorAt(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && text[i] != ';')
        ++i;
    return i;
}

std::string_view AfterSeparator(std::string_view text)
{
    const size_t at = SeparatorAt(text);
    return at < text.size() ? text.substr(at + 1) : std::string_view();
}

std::string_view NameField(std::string_view text)
{
    const size_t at = SeparatorAt(text);
    return at < text.size() ? TrimControl(text.substr(0, at)) : std::string_view();
}

// The group number that leads a line, or 0 (listed in skipped) when the model has no such group.
int32_t LineGroup(std::string_view line, std::string_view section, int k, TSkipList &skipped)
{
    const int32_t g = LeadingNumber(line);
    if (InRange(g, 1, MaxGroups))
        return g;
    skipped.Add(section, k, [g] { return "номер группы " + std::to_string(g) + " вне 1–32; строка пропущена"; });
    return 0;
}

void ReadGroups(TNumberedValues &lines, TFileText &text, TProject &project, TSkipList &skipped)
{
    lines.ForEach([&](int k, std::string_view line) {
        const int32_t g = LineGroup(line, "Groups", k, skipped);
        if (g == 0)
            return;
        TGroup &group = project.Groups[g];
        std::string_view rest = AfterSeparator(line);
        group.Name = text(NameField(rest));
        group.Used = true;
        for (rest = AfterSeparator(rest); !rest.empty(); rest = AfterSeparator(rest)) {
            const int32_t z = LeadingNumber(rest);
            if (InRange(z, 1, MaxZones))
                group.Zones[z] = true;
            else
                skipped.Add("Groups", k, [z] { return "зона " + std::to_string(z) + " вне 1–32; зона пропущена"; });
        }
    });
}

void ReadScenarios(TNumberedValues &lines, TFileText &text, TProject &project, TSkipList &skipped)
{
    std::array<int32_t, MaxGroups + 1> counters{};
    lines.ForEach([&](int k, std::string_view line) {
        const int32_t g = LineGroup(line, "Scenarios", k, skipped);
        if (g == 0)
            return;
        if (counters[g] == MaxScenarios) {
            skipped.Add("Scenarios", k,
                        [g] { return "в группе " + std::to_string(g) + " уже 32 сценария; строка пропущена"; });
            return;
        }
        // The slot is the line's place among its group's lines, not a number from the file.
        TScenario &scenario = project.Groups[g].Scenarios[++counters[g]];
        std::string_view rest = AfterSeparator(line);
        scenario.Name = text(NameField(rest));
        scenario.Used = true;
        for (int32_t *field : {&scenario.Hour, &scenario.Minute, &scenario.Volume, &scenario.Track}) {
            rest = AfterSeparator(rest);
            *field = LeadingNumber(rest);
        }
        for (rest = AfterSeparator(rest); !rest.empty(); rest = AfterSeparator(rest)) {
            const int32_t d = LeadingNumber(rest);
            if (InRange(d, 0, 6))
                scenario.Days[d] = true;
            else
                skipped.Add("Scenarios", k, [d] { return "день " + std::to_string(d) + " вне 0–6; день пропущен"; });
        }
    });
}

} // namespace

void ParseProjectFile(std::string_view bytes, TProject &project, std::vector<std::string> &playList,
                      std::vector<TSkippedEntry> &skipped)
{
    TSkipList skips(skipped);
    const bool utf8 = bytes.starts_with(Utf8Bom);
    TFileText text(utf8);
    TProjectSections sections(utf8 ? bytes.substr(Utf8Bom.size()) : bytes);

    project.Name = text(sections.Name.value_or(""));
    project.DeviceType = DeviceTypeIndex(text(sections.Device.value_or("")));
    ReadGroups(sections.Groups, text, project, skips);
    ReadScenarios(sections.Scenarios, text, project, skips);

    playList.clear();
    playList.reserve(sections.Playlist.Count());
    sections.Playlist.ForEach([&](int, std::string_view line) { playList.push_back(text(line)); });
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

bool IsProjectText(std::string_view bytes)
{
    if (bytes.find('\0') != std::string_view::npos)
        return false;
    if (bytes.starts_with(Utf8Bom))
        bytes.remove_prefix(Utf8Bom.size());
    TIniScanner scanner(bytes);
    TIniLine line;
    while (scanner.Next(line)) {
        if (line.Kind == TIniLine::TKind::Section)
            return IniNamesEqual(line.Name, "Project");
    }
    return false;
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
