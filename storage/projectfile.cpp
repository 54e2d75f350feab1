#include "storage/projectfile.h"

#include "model/codepage.h"
#include "model/error.h"
#include "model/lib.h"
#include "storage/fileio.h"
#include "storage/inifile.h"
#include "storage/projectlines.h"
#include "storage/skiplist.h"

#include <algorithm>
#include <climits>
#include <optional>

namespace {

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";
// As many lines as the writer writes at most; the playlist has no fixed count, only the file's size.
constexpr int MaxGroupLines = MaxGroups;
constexpr int MaxScenarioLines = MaxGroups * MaxScenarios;
// Bytes of a line or key quoted in a skipped entry.
constexpr size_t ExcerptBytes = 40;

bool InRange(int32_t value, int32_t low, int32_t high)
{
    return value >= low && value <= high;
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

    /// The start of a text for a message, cut at a character.
    std::string Excerpt(std::string_view bytes)
    {
        if (bytes.size() <= ExcerptBytes)
            return (*this)(bytes);
        size_t cut = ExcerptBytes;
        while (Utf8 && cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80)
            --cut;
        return (*this)(bytes.substr(0, cut)) + "…";
    }
    std::string Quoted(std::string_view bytes) { return "«" + Excerpt(bytes) + "»"; }

private:
    bool Utf8;
    std::string Scratch;
};

/// The values of one section's keys "0", "1", "2" ... as the reader takes them: the first line of
/// each key, looked up in key order, up to the first absent or empty value. Every other key line
/// of the section is listed in skipped.
class TNumberedValues
{
public:
    /// Keys from limit on are never looked up, so they are not kept.
    /// tooLarge: why a key from limit on is not read.
    TNumberedValues(std::string_view section, size_t limit, const char *tooLarge)
        : Section(section), Limit(std::min<size_t>(limit, UINT32_MAX)), TooLarge(tooLarge)
    {}

    /// Takes a key line of the section. Only a plain decimal number names a key that is looked up
    /// ("00" or "+1" never match "0" or "1").
    void Add(std::string_view key, std::string_view value, TFileText &text, TSkipList &skipped)
    {
        uint64_t k = 0;
        bool plain = !key.empty() && key.size() <= 10 && (key.size() == 1 || key[0] != '0');
        for (size_t i = 0; plain && i < key.size(); ++i) {
            plain = key[i] >= '0' && key[i] <= '9';
            k = k * 10 + uint64_t(key[i] - '0');
        }
        const auto skip = [&](const char *reason) {
            skipped.AddEntry([&] { return "[" + std::string(Section) + "] " + text.Excerpt(key); },
                             [reason] { return std::string(reason); });
        };
        if (!plain)
            return skip("ключ не номер строки (0, 1, 2 … без знака и ведущих нулей); строка пропущена");
        if (k >= Limit)
            return skip(TooLarge);
        if (InOrder) {
            if (k < Entries.size())
                return skip("повторный ключ: читается первая строка с ним, эта пропущена");
            InOrder = k == Entries.size();
        }
        Entries.push_back({uint32_t(k), uint32_t(value.size()), value.data()});
    }

    /// Lists the key lines that are not read (repeated keys, keys after a missing one or after an
    /// empty value) and returns how many values the section gives.
    size_t Settle(TSkipList &skipped)
    {
        if (!InOrder) { // keys out of order or repeated after a gap: the first line of each key wins
            std::stable_sort(Entries.begin(), Entries.end(),
                             [](const TEntry &a, const TEntry &b) { return a.Key < b.Key; });
            const auto repeated = [&](const TEntry &a, const TEntry &b) {
                if (a.Key == b.Key)
                    skipped.Add(Section, int(b.Key), [] {
                        return std::string("повторный ключ: читается первая строка с ним, эта пропущена");
                    });
                return a.Key == b.Key;
            };
            Entries.erase(std::unique(Entries.begin(), Entries.end(), repeated), Entries.end());
            InOrder = true;
        }
        Count = 0;
        while (Count < Entries.size() && Entries[Count].Key == Count && Entries[Count].Length > 0)
            ++Count;
        const bool emptyValue = Count < Entries.size() && Entries[Count].Key == Count;
        for (size_t k = Count + (emptyValue ? 1 : 0); k < Entries.size(); ++k)
            skipped.Add(Section, int(Entries[k].Key), [&] {
                return (emptyValue ? "после пустого значения ключа " : "после отсутствующего ключа ") +
                       std::to_string(Count) + " строки раздела не читаются; строка пропущена";
            });
        return Count;
    }

    /// True when the section has no key line that is read.
    bool Empty() const { return Entries.empty(); }

    /// Calls each(k, value) for the values Settle counted, in key order.
    template <typename TEach> void ForEach(TEach each) const
    {
        for (size_t k = 0; k < Count; ++k)
            each(int(k), std::string_view(Entries[k].Data, Entries[k].Length));
    }

private:
    struct TEntry
    {
        uint32_t Key, Length;
        const char *Data;
    };
    std::string_view Section;
    std::vector<TEntry> Entries;
    bool InOrder = true; // Entries[k].Key == k, as the writer writes them
    size_t Limit;
    const char *TooLarge;
    size_t Count = 0;
};

/// The sections of a project file as one pass over its bytes finds them: the first section of each
/// name, the first "Name" and "Device" of the project, the numbered lines of the others. The values
/// are still bytes of the file; ASCII is the same in either encoding, so numbers and separators are
/// read from them directly, and only the texts that the model keeps are decoded. Every other line
/// that holds something is listed in skipped.
struct TProjectSections
{
    TProjectSections(std::string_view bytes, TFileText &text, TSkipList &skipped);

    std::optional<std::string_view> Name, Device;
    TNumberedValues Groups{"Groups", MaxGroupLines,
                           "номер ключа больше 31: групп не бывает больше 32; строка пропущена"};
    TNumberedValues Scenarios{"Scenarios", MaxScenarioLines,
                              "номер ключа больше 1023: сценариев не бывает больше 1024; строка пропущена"};
    TNumberedValues Playlist;
};

TProjectSections::TProjectSections(std::string_view bytes, TFileText &text, TSkipList &skipped)
    : Playlist("Playlist", std::min<size_t>(bytes.size(), INT_MAX),
               "номер ключа больше числа строк файла; строка пропущена")
{
    enum { InProject, InGroups, InScenarios, InPlaylist, BeforeAny, Dropped };
    static constexpr std::string_view names[] = {"Project", "Groups", "Scenarios", "Playlist"};
    bool seen[std::size(names)] = {};
    int current = BeforeAny;
    TIniScanner scanner(bytes);
    TIniLine line;
    const auto skipLine = [&](const char *what) {
        skipped.AddLine(scanner.LineNumber(), [&] { return what + text.Quoted(line.Text) + "; пропущена"; });
    };
    while (scanner.Next(line)) {
        if (line.Kind == TIniLine::TKind::Section) {
            // Only the first section of a name is searched; a later one is dead text.
            int id = 0;
            while (id < int(std::size(names)) && !IniNamesEqual(names[id], line.Name))
                ++id;
            current = id < int(std::size(names)) && !seen[id] ? id : Dropped;
            if (current == Dropped)
                skipped.AddLine(scanner.LineNumber(), [&] {
                    return (id < int(std::size(names)) ? "повторный раздел " : "неизвестный раздел ") +
                           text.Quoted(line.Text) + " пропущен со всеми своими строками";
                });
            else if (!line.Rest.empty())
                skipped.AddLine(scanner.LineNumber(),
                                [&] { return "после «]» стоит " + text.Quoted(line.Rest) + "; пропущено"; });
            if (id < int(std::size(names)))
                seen[id] = true;
            continue;
        }
        if (current == Dropped || line.Text.empty())
            continue;
        if (line.Kind != TIniLine::TKind::Key) {
            skipLine("строка без «ключ=значение» (комментарий?) ");
            continue;
        }
        switch (current) {
        case BeforeAny:
            skipLine("строка до первого раздела ");
            break;
        case InProject:
            if (IniNamesEqual(line.Name, "Name") || IniNamesEqual(line.Name, "Device")) {
                std::optional<std::string_view> &value = IniNamesEqual(line.Name, "Name") ? Name : Device;
                if (value)
                    skipLine("повторный ключ раздела [Project]: читается первый, строка ");
                else
                    value = line.Value;
            } else {
                skipLine("неизвестный ключ раздела [Project]: строка ");
            }
            break;
        case InGroups:
            Groups.Add(line.Name, line.Value, text, skipped);
            break;
        case InScenarios:
            Scenarios.Add(line.Name, line.Value, text, skipped);
            break;
        case InPlaylist:
            Playlist.Add(line.Name, line.Value, text, skipped);
            break;
        default:
            break;
        }
    }
}

// TextAfter(text, ";") and FirstField(text) of the text helpers, for the one separator and inline: a
// load cuts some twenty thousand fields of a few bytes, and the general forms call a search and a
// compare for each.
size_t SeparatorAt(std::string_view text)
{
    const size_t at = text.find(';');
    return at != std::string_view::npos ? at : text.size();
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

// NumberField's way for any field but the writer's own form.
[[gnu::noinline]] int32_t AnyNumberField(std::string_view &fields)
{
    const int32_t number = LeadingNumber(fields);
    fields = AfterSeparator(fields);
    return number;
}

// LeadingNumber(fields) and then fields = AfterSeparator(fields), inline and in one step for the
// writer's own form of nearly every number: one or two digits and ";".
int32_t NumberField(std::string_view &fields)
{
    const auto digit = [&](size_t i) { return uint8_t(fields[i] - '0') < 10; };
    if (fields.size() >= 2 && digit(0)) {
        if (fields[1] == ';') {
            const int32_t number = fields[0] - '0';
            fields.remove_prefix(2);
            return number;
        }
        if (fields.size() >= 3 && digit(1) && fields[2] == ';') {
            const int32_t number = (fields[0] - '0') * 10 + (fields[1] - '0');
            fields.remove_prefix(3);
            return number;
        }
    }
    return AnyNumberField(fields);
}

// The group number that leads a line, or 0 (listed in skipped) when the model has no such group.
// fields: the line, then what follows the number's field.
int32_t LineGroup(std::string_view &fields, std::string_view section, int k, TSkipList &skipped)
{
    const int32_t g = NumberField(fields);
    if (InRange(g, 1, MaxGroups))
        return g;
    skipped.Add(section, k, [g] { return "номер группы " + std::to_string(g) + " вне 1–32; строка пропущена"; });
    return 0;
}

std::string AboveZoneCount(const char *what, int32_t number, int32_t zoneCount)
{
    return what + std::to_string(number) + " выше числа зон устройства (" + std::to_string(zoneCount) + ")";
}

/// Where each read line of a section went: the group, and for a scenario its slot; 0 for none.
struct TLinePlace
{
    int8_t G = 0, S = 0;
};

void ReadGroups(const TNumberedValues &lines, TFileText &text, TProject &project, TSkipList &skipped,
                std::vector<TLinePlace> &places)
{
    const int32_t n = ZoneCount(project); // 0 for no device type: that loss is listed once
    std::array<int, MaxGroups + 1> keyOf{};
    lines.ForEach([&](int k, std::string_view rest) {
        const int32_t g = LineGroup(rest, "Groups", k, skipped);
        places.push_back({int8_t(g), 0});
        if (g == 0)
            return;
        TGroup &group = project.Groups[g];
        if (group.Used)
            skipped.Add("Groups", k, [&] {
                return "группа " + std::to_string(g) + " уже задана ключом " + std::to_string(keyOf[g]) +
                       ": её название «" + group.Name + "» заменено названием из этой строки, зоны объединены";
            });
        group.Name = text(NameField(rest));
        group.Used = true;
        keyOf[g] = k;
        if (n > 0 && g > n)
            skipped.Add(
                "Groups", k,
                [&] {
                    return AboveZoneCount("номер группы ", g, n) + ": группа не будет записана вместе со сценариями";
                },
                true);
        for (rest = AfterSeparator(rest); !rest.empty();) {
            const int32_t z = NumberField(rest);
            if (!InRange(z, 1, MaxZones)) {
                skipped.Add("Groups", k, [z] { return "зона " + std::to_string(z) + " вне 1–32; зона пропущена"; });
                continue;
            }
            if (n > 0 && g <= n && z > n)
                skipped.Add(
                    "Groups", k, [&] { return AboveZoneCount("зона ", z, n) + ": не будет записана"; }, true);
            group.Zones[z] = true;
        }
    });
}

void ReadScenarios(const TNumberedValues &lines, TFileText &text, TProject &project, TSkipList &skipped,
                   std::vector<TLinePlace> &places)
{
    const int32_t n = ZoneCount(project);
    std::array<int32_t, MaxGroups + 1> counters{};
    lines.ForEach([&](int k, std::string_view rest) {
        places.emplace_back();
        const int32_t g = LineGroup(rest, "Scenarios", k, skipped);
        if (g == 0)
            return;
        if (counters[g] == MaxScenarios) {
            skipped.Add("Scenarios", k,
                        [g] { return "в группе " + std::to_string(g) + " уже 32 сценария; строка пропущена"; });
            return;
        }
        // Kept where the format puts it, but no group shows or writes it.
        if (!project.Groups[g].Used)
            skipped.Add("Scenarios", k, [g] {
                return "группы " + std::to_string(g) + " нет в разделе [Groups]: сценарий не будет записан";
            });
        else if (n > 0 && g > n)
            skipped.Add(
                "Scenarios", k, [&] { return AboveZoneCount("номер группы ", g, n) + ": сценарий не будет записан"; },
                true);
        // The slot is the line's place among its group's lines, not a number from the file.
        places.back() = {int8_t(g), int8_t(counters[g] + 1)};
        TScenario &scenario = project.Groups[g].Scenarios[++counters[g]];
        scenario.Name = text(NameField(rest));
        scenario.Used = true;
        rest = AfterSeparator(rest);
        for (int32_t *field : {&scenario.Hour, &scenario.Minute, &scenario.Volume, &scenario.Track})
            *field = NumberField(rest);
        while (!rest.empty()) {
            const int32_t d = NumberField(rest);
            if (InRange(d, 0, 6))
                scenario.Days[d] = true;
            else
                skipped.Add("Scenarios", k, [d] { return "день " + std::to_string(d) + " вне 0–6; день пропущен"; });
        }
    });
}

// The device type; a name that is not in the table, or none beside groups, loses every group.
// True when that loss was listed.
bool ReadDevice(std::optional<std::string_view> device, TFileText &text, bool groups, TProject &project,
                TSkipList &skipped)
{
    const std::string name = text(device.value_or(""));
    project.DeviceType = DeviceTypeIndex(name);
    if (project.DeviceType != 0 || (name.empty() && !groups))
        return false;
    skipped.AddEntry([] { return std::string("[Project] Device"); },
                     [&] {
                         return (name.empty() ? std::string("тип устройства не указан")
                                              : "неизвестный тип устройства «" + name + "»") +
                                ": это потеря всех групп — ни одна группа, ни один сценарий не будут записаны";
                     });
    return true;
}

// Bytes of a line quoted in a "будет записано как" entry: enough for a whole line of the usual kind.
constexpr size_t ShownLineBytes = 160;

/// A UTF-8 text cut at a character for a message.
std::string Shown(const std::string &utf8)
{
    if (utf8.size() <= ShownLineBytes)
        return "«" + utf8 + "»";
    size_t cut = ShownLineBytes;
    while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80)
        --cut;
    return "«" + utf8.substr(0, cut) + "…»";
}

/// Lists the key when the line the writer writes for it is not the file's text. written: the
/// writer's line (UTF-8), or nothing when the writer writes none, which the reading has listed.
void HoldAgainstWritten(std::string_view section, int k, std::string_view value, const std::string *written,
                        TFileText &text, TSkipList &skipped)
{
    if (written == nullptr)
        return;
    std::string own = text(value);
    if (own != *written)
        skipped.Add(section, k, [&] { return Shown(own) + " будет записано как " + Shown(*written); });
}

void HoldGroupsAgainstWritten(const TNumberedValues &lines, const std::vector<TLinePlace> &places,
                              const TProject &project, TFileText &text, TSkipList &skipped)
{
    const int32_t n = ZoneCount(project);
    lines.ForEach([&](int k, std::string_view value) {
        const int32_t g = places[size_t(k)].G;
        TUtf8Line line;
        const bool written = g != 0 && g <= n && WriteGroupLine(line, g, project.Groups[g], n);
        HoldAgainstWritten("Groups", k, value, written ? &line.Str() : nullptr, text, skipped);
    });
}

void HoldScenariosAgainstWritten(const TNumberedValues &lines, const std::vector<TLinePlace> &places,
                                 const TProject &project, TFileText &text, TSkipList &skipped)
{
    const int32_t n = ZoneCount(project);
    lines.ForEach([&](int k, std::string_view value) {
        const auto [g, s] = places[size_t(k)];
        TUtf8Line line;
        const bool written =
            s != 0 && g <= n && project.Groups[g].Used && WriteScenarioLine(line, g, project.Groups[g].Scenarios[s]);
        HoldAgainstWritten("Scenarios", k, value, written ? &line.Str() : nullptr, text, skipped);
    });
}

} // namespace

TProjectEncoding ParseProjectFile(std::string_view bytes, TProject &project, std::vector<std::string> &playList,
                                  std::vector<TSkippedEntry> &skipped)
{
    TSkipList skips(skipped);
    const TProjectEncoding encoding = bytes.starts_with(Utf8Bom) ? TProjectEncoding::Utf8Marked
                                      : LooksLikeUtf8(bytes)     ? TProjectEncoding::Utf8Unmarked
                                                                 : TProjectEncoding::Cp1251;
    TFileText text(encoding != TProjectEncoding::Cp1251);
    TProjectSections sections(encoding == TProjectEncoding::Utf8Marked ? bytes.substr(Utf8Bom.size()) : bytes, text,
                              skips);
    project.Name = text(sections.Name.value_or(""));
    // The name is written as it was read; the device as its name in the table, which a known one is.
    if (!ReadDevice(sections.Device, text, !sections.Groups.Empty(), project, skips) &&
        text(sections.Device.value_or("")) != DeviceText(project.DeviceType))
        skips.Add("[Project] Device",
                  [&] { return "будет записано как " + Shown(std::string(DeviceText(project.DeviceType))); });

    std::vector<TLinePlace> places;
    places.reserve(sections.Groups.Settle(skips));
    ReadGroups(sections.Groups, text, project, skips, places);
    HoldGroupsAgainstWritten(sections.Groups, places, project, text, skips);
    places.clear();
    places.reserve(sections.Scenarios.Settle(skips));
    ReadScenarios(sections.Scenarios, text, project, skips, places);
    HoldScenariosAgainstWritten(sections.Scenarios, places, project, text, skips);

    playList.clear();
    playList.reserve(sections.Playlist.Settle(skips));
    sections.Playlist.ForEach([&](int k, std::string_view line) {
        playList.push_back(text(line));
        if (!IsPlaylistLineWritten(line))
            skips.Add("Playlist", k, [] { return std::string("пустая строка плейлиста не будет записана"); });
    });
    skips.Close();
    return encoding;
}

std::string SkippedHeading(TProjectEncoding encoding)
{
    return encoding == TProjectEncoding::Utf8Unmarked
               ? "Пропущено при чтении (файл без метки порядка байтов прочитан как UTF-8, а не Windows-1251):"
               : "Пропущено при чтении:";
}

void CheckProjectBytes(std::string_view bytes, const std::string &path)
{
    // A picture or a UTF-16 text holds NUL bytes; no project file does.
    const std::string failure = "Файл '" + path + "' не является проектом: ";
    if (bytes.find('\0') != std::string_view::npos)
        throw TFormatError(failure + "в нём есть нулевые байты");
    if (bytes.substr(0, Utf8Bom.size()) == Utf8Bom)
        bytes.remove_prefix(Utf8Bom.size());
    // No bytes, or only blanks: a file cut short or made by mistake, not a project with nothing in it.
    if (bytes.find_first_not_of(" \t\r\n") == std::string_view::npos)
        throw TFormatError(failure + "пустой файл, а не проект");
    if (!HasSectionLine(bytes))
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

TProjectEncoding LoadProjectFile(const std::string &path, TProject &project, std::vector<std::string> &playList,
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
    return bytes ? ParseProjectFile(*bytes, project, playList, skipped) : TProjectEncoding::Cp1251;
}

void SaveProjectFile(const TProject &project, const std::vector<std::string> &playList)
{
    WriteFileAtomically(project.FileName, SerializeProjectFile(project, playList));
}
