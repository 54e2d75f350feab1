#include "storage/inifile.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

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

char FoldedChar(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

/// The name of a section line ("[name]" after trimming), or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line)
{
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    const size_t close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return TrimBlanks(line.substr(1, close - 1));
}

bool HasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

} // namespace

size_t TIniReader::TFoldedHash::operator()(std::string_view name) const
{
    size_t hash = 14695981039346656037u; // FNV-1a
    for (const char c : name)
        hash = (hash ^ static_cast<unsigned char>(FoldedChar(c))) * 1099511628211u;
    return hash;
}

bool TIniReader::TFoldedEqual::operator()(std::string_view a, std::string_view b) const
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return FoldedChar(x) == FoldedChar(y); });
}

TIniReader::TIniReader(std::string text, const std::vector<std::string_view> &sections) : Text(std::move(text))
{
    const std::string_view all = Text;
    const auto wanted = [&sections](std::string_view name) {
        return sections.empty() || std::any_of(sections.begin(), sections.end(),
                                               [name](std::string_view s) { return TFoldedEqual()(s, name); });
    };
    TFoldedMap<std::string_view> *current = nullptr; // null before the first section and inside a repeated one
    size_t pos = 0;
    while (pos < all.size()) {
        const std::string_view line = TrimBlanks(NextLine(all, pos));
        if (!line.empty() && line.front() == '[') {
            const std::optional<std::string_view> name = SectionName(line);
            if (!name)
                continue;
            // Only the first section of a name is searched; a later one is dead text.
            const bool keep = wanted(*name);
            const auto [section, fresh] = keep ? Sections.try_emplace(*name) : std::pair{Sections.end(), false};
            current = fresh ? &section->second : nullptr;
            continue;
        }
        const size_t eq = line.find('=');
        if (current == nullptr || eq == std::string_view::npos)
            continue;
        const std::string_view key = TrimBlanks(line.substr(0, eq));
        if (!key.empty())
            current->try_emplace(key, TrimBlanks(line.substr(eq + 1)));
    }
}

std::string_view TIniReader::Read(std::string_view section, std::string_view key, std::string_view def) const
{
    const auto keys = Sections.find(section);
    if (keys == Sections.end())
        return def;
    const auto value = keys->second.find(key);
    return value == keys->second.end() ? def : value->second;
}

bool HasSectionLine(std::string_view text)
{
    size_t pos = 0;
    while (pos < text.size()) {
        if (SectionName(TrimBlanks(NextLine(text, pos))))
            return true;
    }
    return false;
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
