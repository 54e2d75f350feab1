#include "storage/inifile.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <stdexcept>

namespace {

// Names are ASCII words and numbers, so ASCII folding is all the platform's matching needs.
char FoldedChar(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool FoldedEqual(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return FoldedChar(x) == FoldedChar(y); });
}

int FoldedCompare(std::string_view a, std::string_view b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(FoldedChar(a[i]));
        const auto y = static_cast<unsigned char>(FoldedChar(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

std::string_view TrimBlanks(std::string_view text)
{
    const size_t b = text.find_first_not_of(" \t");
    if (b == std::string_view::npos)
        return text.substr(0, 0); // still a place in the text, which the reader's index keeps
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

TIniReader::TIniReader(std::string text, const std::vector<std::string_view> &sections) : Text(std::move(text))
{
    // Places are kept in 32 bits; no text the program reads comes near 4 GB.
    const std::string_view all = std::string_view(Text).substr(0, UINT32_MAX);
    const auto place = [&all](std::string_view part) { return static_cast<uint32_t>(part.data() - all.data()); };
    TSection *current = nullptr; // null outside the sections asked for and inside a repeated one
    size_t pos = 0;
    while (pos < all.size()) {
        const std::string_view line = TrimBlanks(NextLine(all, pos));
        if (!line.empty() && line.front() == '[') {
            const std::optional<std::string_view> name = SectionName(line);
            if (!name)
                continue;
            // Only the first section of a name is searched; a later one is dead text.
            const bool wanted = std::any_of(sections.begin(), sections.end(),
                                            [&](std::string_view s) { return FoldedEqual(s, *name); });
            current = nullptr;
            if (wanted && Find(*name) == nullptr)
                current = &Sections.emplace_back(TSection{*name, {}});
            continue;
        }
        const size_t eq = line.find('=');
        if (current == nullptr || eq == std::string_view::npos)
            continue;
        const std::string_view key = TrimBlanks(line.substr(0, eq));
        const std::string_view value = TrimBlanks(line.substr(eq + 1));
        if (!key.empty())
            current->Keys.push_back({place(key), uint32_t(key.size()), place(value), uint32_t(value.size())});
    }
    for (TSection &section : Sections) {
        std::sort(section.Keys.begin(), section.Keys.end(), [this](const TEntry &a, const TEntry &b) {
            const int order = FoldedCompare(Key(a), Key(b));
            return order != 0 ? order < 0 : a.KeyPos < b.KeyPos;
        });
        section.Keys.shrink_to_fit();
    }
}

const TIniReader::TSection *TIniReader::Find(std::string_view section) const
{
    for (const TSection &s : Sections) {
        if (FoldedEqual(s.Name, section))
            return &s;
    }
    return nullptr;
}

std::string_view TIniReader::Read(std::string_view section, std::string_view key, std::string_view def) const
{
    const TSection *found = Find(section);
    if (found == nullptr)
        return def;
    const auto entry =
        std::lower_bound(found->Keys.begin(), found->Keys.end(), key,
                         [this](const TEntry &e, std::string_view k) { return FoldedCompare(Key(e), k) < 0; });
    if (entry == found->Keys.end() || !FoldedEqual(Key(*entry), key))
        return def;
    return std::string_view(Text).substr(entry->ValuePos, entry->ValueLength);
}

size_t TIniReader::KeyCount(std::string_view section) const
{
    const TSection *found = Find(section);
    return found == nullptr ? 0 : found->Keys.size();
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
    auto target = std::find_if(Sections.begin(), Sections.end(),
                               [section](const TSection &s) { return FoldedEqual(s.Name, section); });
    if (target == Sections.end())
        target = Sections.insert(target, TSection{std::string(section), {}});
    std::string &lines = target->Lines;
    lines += key;
    lines += '=';
    lines += value;
    lines += "\r\n";
}

std::string TIniWriter::Text() const
{
    size_t size = 0;
    for (const TSection &section : Sections)
        size += section.Name.size() + 4 + section.Lines.size();
    std::string text;
    text.reserve(size);
    for (const TSection &section : Sections) {
        text += '[';
        text += section.Name;
        text += "]\r\n";
        text += section.Lines;
    }
    return text;
}
