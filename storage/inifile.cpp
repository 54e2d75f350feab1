#include "storage/inifile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
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

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text)
{
    size_t b = 0;
    size_t e = text.size();
    while (b < e && IsBlank(text[b]))
        ++b;
    while (e > b && IsBlank(text[e - 1]))
        --e;
    return text.substr(b, e - b); // an empty result is still a place in the text, which the reader's index keeps
}

size_t Find(std::string_view text, char c, size_t from)
{
    const void *found = std::memchr(text.data() + from, c, text.size() - from);
    return found != nullptr ? size_t(static_cast<const char *>(found) - text.data()) : text.size();
}

bool HasLineBreak(std::string_view text)
{
    return std::memchr(text.data(), '\n', text.size()) != nullptr ||
           std::memchr(text.data(), '\r', text.size()) != nullptr;
}

} // namespace

TIniScanner::TIniScanner(std::string_view text) : Text(text), NextCr(Find(text, '\r', 0)), NextLf(Find(text, '\n', 0))
{}

bool TIniScanner::Next(TIniLine &line)
{
    if (Pos >= Text.size())
        return false;
    if (NextCr < Pos)
        NextCr = Find(Text, '\r', Pos);
    if (NextLf < Pos)
        NextLf = Find(Text, '\n', Pos);
    const size_t end = std::min(NextCr, NextLf);
    const std::string_view text = TrimBlanks(Text.substr(Pos, end - Pos));
    Pos = end < Text.size() && Text[end] == '\r' && end + 1 < Text.size() && Text[end + 1] == '\n' ? end + 2 : end + 1;

    line = TIniLine{};
    if (text.empty())
        return true;
    if (text.front() == '[') {
        const size_t close = text.find(']');
        if (close != std::string_view::npos) {
            line.Kind = TIniLine::TKind::Section;
            line.Name = TrimBlanks(text.substr(1, close - 1));
        }
        return true;
    }
    const size_t eq = text.find('=');
    if (eq == std::string_view::npos)
        return true;
    line.Name = TrimBlanks(text.substr(0, eq));
    if (!line.Name.empty()) {
        line.Kind = TIniLine::TKind::Key;
        line.Value = TrimBlanks(text.substr(eq + 1));
    }
    return true;
}

bool IniNamesEqual(std::string_view a, std::string_view b)
{
    return FoldedEqual(a, b);
}

TIniReader::TIniReader(std::string text, const std::vector<std::string_view> &sections) : Text(std::move(text))
{
    // Places are kept in 32 bits; no text the program reads comes near 4 GB.
    const std::string_view all = std::string_view(Text).substr(0, UINT32_MAX);
    const auto place = [&all](std::string_view part) { return static_cast<uint32_t>(part.data() - all.data()); };
    TSection *current = nullptr; // null outside the sections asked for and inside a repeated one
    TIniScanner scanner(all);
    TIniLine line;
    while (scanner.Next(line)) {
        if (line.Kind == TIniLine::TKind::Section) {
            // Only the first section of a name is searched; a later one is dead text.
            const bool wanted = std::any_of(sections.begin(), sections.end(),
                                            [&](std::string_view s) { return FoldedEqual(s, line.Name); });
            current = nullptr;
            if (wanted && Find(line.Name) == nullptr)
                current = &Sections.emplace_back(TSection{line.Name, {}});
        } else if (line.Kind == TIniLine::TKind::Key && current != nullptr) {
            current->Keys.push_back(
                {place(line.Name), uint32_t(line.Name.size()), place(line.Value), uint32_t(line.Value.size())});
        }
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
    TIniScanner scanner(text);
    TIniLine line;
    while (scanner.Next(line)) {
        if (line.Kind == TIniLine::TKind::Section)
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
