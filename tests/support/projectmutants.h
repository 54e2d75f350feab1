#pragma once

// Mutants of valid project files and the judge of the reader's report on them, shared by the
// property test and the fuzz target: a mutant passes when every value line that the file written
// back does not hold as the mutant had it (up to the normalisations that lose nothing: blanks
// around values, key numbers, line order, encoding) is named in the report.

#include "model/codepage.h"
#include "model/error.h"
#include "storage/projectfile.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace projectmutants {

/// One "key=value" line of a file, in UTF-8.
struct TKeyLine
{
    std::string Section, Key, Value;
};

using TKeyLines = std::vector<TKeyLine>;

inline std::string TrimBlanks(const std::string &text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

/// The key lines of a file the writer wrote: "[Section]" and "key=value" lines, CR LF.
inline TKeyLines WrittenLines(const std::string &bytes)
{
    const std::string bom = "\xEF\xBB\xBF";
    const std::string text = bytes.starts_with(bom) ? bytes.substr(bom.size()) : Cp1251ToUtf8(bytes);
    TKeyLines lines;
    std::string section;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find("\r\n", start);
        end = end == std::string::npos ? text.size() : end;
        const std::string line = text.substr(start, end - start);
        start = end + 2;
        if (line.starts_with("["))
            section = line.substr(1, line.size() - 2);
        else if (const size_t eq = line.find('='); eq != std::string::npos)
            lines.push_back({section, line.substr(0, eq), line.substr(eq + 1)});
    }
    return lines;
}

/// The file of key lines, in Windows-1251 with CR LF; a section line wherever the section changes.
inline std::string FileOf(const TKeyLines &lines)
{
    std::string text, section;
    for (const TKeyLine &line : lines) {
        if (line.Section != section)
            text += "[" + line.Section + "]\r\n";
        section = line.Section;
        text += line.Key + "=" + line.Value + "\r\n";
    }
    return Utf8ToCp1251(text).value();
}

/// A number from low to high, from a random engine or from a fuzzer's bytes.
using TPick = std::function<int(int low, int high)>;

/// A valid project of random content, as the writer writes it.
inline TKeyLines RandomProject(const TPick &pick)
{
    static const char *const names[] = {"Начало", "Конец", "Перемена", "Урок 1", "Обед", "", "Звонок на урок"};
    TProject project;
    project.Name = "Школа №" + std::to_string(pick(1, 99));
    project.DeviceType = pick(1, DeviceTypeCount - 1);
    const int n = ZoneCount(project);
    for (int groups = pick(1, std::min(n, 5)); groups > 0; --groups) {
        TGroup &group = project.Groups[pick(1, n)];
        group.Used = true;
        group.Name = names[pick(0, 6)];
        for (int z = 1; z <= n; ++z)
            group.Zones[z] = pick(0, 2) == 0;
        for (int s = pick(0, 4); s > 0; --s) {
            TScenario &scenario = group.Scenarios[pick(1, MaxScenarios)];
            scenario = TScenario{names[pick(0, 6)], pick(0, 23), pick(0, 59), {}, pick(0, 30), pick(1, 200), true};
            for (bool &day : scenario.Days)
                day = pick(0, 1) == 1;
        }
    }
    std::vector<std::string> playList;
    for (int k = pick(0, 3); k > 0; --k)
        playList.push_back(std::to_string(pick(1, 200)) + ";C:\\Звонки\\" + names[pick(0, 4)] + ".mp3");
    return WrittenLines(SerializeProjectFile(project, playList));
}

/// Random changes of the values (and now and then of the keys) of a written file.
class TMutator
{
public:
    explicit TMutator(TPick pick) : Pick(std::move(pick)) {}

    void Mutate(TKeyLines &lines)
    {
        for (int changes = Pick(1, 3); changes > 0 && !lines.empty(); --changes) {
            // Scenario lines carry the most fields: they are picked most often.
            size_t i = size_t(Pick(0, int(lines.size()) - 1));
            for (int again = 0; again < 2 && lines[i].Section != "Scenarios"; ++again)
                i = size_t(Pick(0, int(lines.size()) - 1));
            MutateLine(lines, i);
        }
    }

private:
    /// Byte positions that start a character (or the end), so UTF-8 stays whole.
    size_t CharPosition(const std::string &text)
    {
        std::vector<size_t> starts;
        for (size_t i = 0; i <= text.size(); ++i) {
            if (i == text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
                starts.push_back(i);
        }
        return starts[size_t(Pick(0, int(starts.size()) - 1))];
    }

    /// The [start, end) of a random ";" field of the text.
    std::pair<size_t, size_t> Field(const std::string &text)
    {
        std::vector<size_t> starts = {0};
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == ';')
                starts.push_back(i + 1);
        }
        const size_t start = starts[size_t(Pick(0, int(starts.size()) - 1))];
        const size_t end = text.find(';', start);
        return {start, end == std::string::npos ? text.size() : end};
    }

    void MutateLine(TKeyLines &lines, size_t i)
    {
        static const char *const inserted[] = {"0", "1",  "5", "9", ";", ";", ",", ".",
                                               " ", "\t", "-", "+", "а", "x", "Я", "="};
        static const char *const fields[] = {"громко",     "8.5", " 8", "08", "+8",   "",  "-3",
                                             "4294967296", "7",   "99", "1 ", "0x10", "6x"};
        std::string &value = lines[i].Value;
        switch (Pick(0, 10)) {
        case 0:
            value.insert(CharPosition(value), inserted[Pick(0, int(std::size(inserted)) - 1)]);
            break;
        case 1: {
            const size_t at = CharPosition(value);
            size_t end = at + 1;
            while (end < value.size() && (static_cast<unsigned char>(value[end]) & 0xC0) == 0x80)
                ++end;
            value.erase(at, std::min(end, value.size()) - at);
            break;
        }
        case 2: {
            const auto [start, end] = Field(value);
            value.erase(start, std::min(end + 1, value.size()) - start); // the field and its ";"
            break;
        }
        case 3: {
            const auto [start, end] = Field(value);
            value.replace(start, end - start, fields[Pick(0, int(std::size(fields)) - 1)]);
            break;
        }
        case 4: // a day or zone again, one out of range, or an empty field
            value +=
                std::vector<std::string>{"0;", "6;", "7;", "-1;", "33;", ";", "3;3;", "1,2,3;"}[size_t(Pick(0, 7))];
            break;
        case 5: // a short line
            value.resize(CharPosition(value));
            break;
        case 6: // a long line
            for (int k = Pick(1, 40); k > 0; --k)
                value += std::to_string(Pick(0, 8)) + ";";
            break;
        case 7:
            value = Pick(0, 1) == 0 ? "" : " ";
            break;
        case 8: // the same key again, later in its section
            lines.insert(lines.begin() + std::ptrdiff_t(i) + 1,
                         TKeyLine{lines[i].Section, lines[i].Key, std::string(value) + "5;"});
            break;
        case 9: { // two keys of a section swapped: the lines out of order
            const size_t j = size_t(Pick(0, int(lines.size()) - 1));
            if (lines[j].Section == lines[i].Section && lines[i].Section != "Project")
                std::swap(lines[i].Key, lines[j].Key);
            break;
        }
        default: // a line left out: a gap in the keys
            if (lines[i].Section != "Project")
                lines.erase(lines.begin() + std::ptrdiff_t(i));
            break;
        }
    }

    TPick Pick;
};

struct TVerdict
{
    bool Checked = false; // false: the mutant could not be judged (read as UTF-8 or refused by the writer)
    int Changed = 0;      // lines the written file does not hold as the mutant had them
    std::string Unnamed;  // those of them that the report does not name, one per line
};

/// Reads the mutant, writes it back, and names every line whose value the written file does not
/// hold and the report does not name.
inline TVerdict Judge(const TKeyLines &mutant)
{
    TProject project;
    std::vector<std::string> playList;
    std::vector<TSkippedEntry> report;
    if (ParseProjectFile(FileOf(mutant), project, playList, report) != TProjectEncoding::Cp1251)
        return {};
    std::string written;
    try {
        written = SerializeProjectFile(project, playList);
    } catch (const TFormatError &) {
        return {}; // a refusal is loud
    }
    const bool capped = !report.empty() && report.back().Key == "…";
    const auto named = [&](const std::string &key) {
        return std::any_of(report.begin(), report.end(), [&](const TSkippedEntry &entry) {
            return entry.Key == key ||
                   (entry.Key == "[Project] Device" && (key.starts_with("[Groups]") || key.starts_with("[Scenarios]")));
        });
    };

    TKeyLines held = WrittenLines(written);
    TVerdict verdict{true, 0, {}};
    std::vector<std::string> projectKeysSeen;
    for (const TKeyLine &line : mutant) {
        const std::string value = TrimBlanks(line.Value);
        const std::string key = "[" + line.Section + "] " + line.Key;
        if (line.Section == "Project") {
            // The first Name and Device count; the written file always has both.
            if (std::find(projectKeysSeen.begin(), projectKeysSeen.end(), line.Key) != projectKeysSeen.end())
                continue;
            projectKeysSeen.push_back(line.Key);
        } else if (value.empty()) {
            continue; // an empty value holds nothing; the lines after it are judged on their own
        }
        const auto found = std::find_if(held.begin(), held.end(), [&](const TKeyLine &h) {
            return h.Section == line.Section && h.Value == value && (line.Section != "Project" || h.Key == line.Key);
        });
        if (found != held.end()) {
            found->Section.clear(); // each written line holds one line of the mutant
            continue;
        }
        ++verdict.Changed;
        if (!named(key) && !capped)
            verdict.Unnamed += key + "=" + line.Value + "\n";
    }
    return verdict;
}

} // namespace projectmutants
