#include "storage/inifile.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_set>

namespace {

// Names are ASCII words and numbers, so ASCII folding is all the platform's matching needs.
std::string Folded(std::string_view name)
{
    std::string folded(name);
    for (char &c : folded) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

std::string_view TrimBlanks(std::string_view text)
{
    const size_t b = text.find_first_not_of(" \t");
    if (b == std::string_view::npos)
        return {};
    const size_t e = text.find_last_not_of(" \t");
    return text.substr(b, e - b + 1);
}

// The line starting at pos, without its end; pos moves past the CR LF, LF or CR.
std::string_view NextLine(std::string_view text, size_t &pos)
{
    const size_t start = pos;
    const size_t end = std::min(text.find_first_of("\r\n", start), text.size());
    pos = end;
    if (pos < text.size() && text[pos] == '\r')
        ++pos;
    if (pos < text.size() && text[pos] == '\n')
        ++pos;
    return text.substr(start, end - start);
}

std::string IndexKey(std::string_view section, std::string_view key)
{
    // Neither name can hold a line end, so "\n" keeps the pair unambiguous.
    return Folded(section) + '\n' + Folded(key);
}

bool HasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

} // namespace

TIniReader::TIniReader(std::string_view text)
{
    std::unordered_set<std::string> seenSections;
    std::string current;
    bool inSection = false; // false before the first section and inside a repeated one
    size_t pos = 0;
    while (pos < text.size()) {
        const std::string_view line = TrimBlanks(NextLine(text, pos));
        if (!line.empty() && line.front() == '[') {
            const size_t close = line.find(']');
            if (close == std::string_view::npos)
                continue;
            current = Folded(TrimBlanks(line.substr(1, close - 1)));
            // Only the first section of a name is searched; a later one is dead text.
            inSection = seenSections.insert(current).second;
            continue;
        }
        const size_t eq = line.find('=');
        if (!inSection || eq == std::string_view::npos)
            continue;
        const std::string_view key = TrimBlanks(line.substr(0, eq));
        if (key.empty())
            continue;
        Values.try_emplace(current + '\n' + Folded(key), TrimBlanks(line.substr(eq + 1)));
    }
}

std::string_view TIniReader::Read(std::string_view section, std::string_view key, std::string_view def) const
{
    const auto it = Values.find(IndexKey(section, key));
    return it == Values.end() ? def : std::string_view(it->second);
}

void TIniWriter::Write(std::string_view section, std::string_view key, std::string_view value)
{
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) || key.empty() ||
        key.find('=') != std::string_view::npos || section.find(']') != std::string_view::npos)
        throw std::invalid_argument("INI name or value does not fit on one line");
    const auto [sectionIt, newSection] = SectionIndex.try_emplace(Folded(section), Sections.size());
    if (newSection)
        Sections.push_back(TSection{std::string(section), {}, {}});
    TSection &target = Sections[sectionIt->second];
    const auto [keyIt, newKey] = target.KeyIndex.try_emplace(Folded(key), target.Keys.size());
    if (newKey)
        target.Keys.emplace_back(std::string(key), std::string(value));
    else
        target.Keys[keyIt->second].second = std::string(value);
}

std::string TIniWriter::Text() const
{
    std::string text;
    for (const TSection &section : Sections) {
        text += '[';
        text += section.Name;
        text += "]\r\n";
        for (const auto &[key, value] : section.Keys) {
            text += key;
            text += '=';
            text += value;
            text += "\r\n";
        }
    }
    return text;
}
