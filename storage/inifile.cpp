#include "storage/inifile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

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

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Inline: four calls a line, and the line is seldom longer than the call.
[[gnu::always_inline]] inline std::string_view TrimBlanks(std::string_view text)
{
    size_t b = 0;
    size_t e = text.size();
    while (b < e && IsBlank(text[b]))
        ++b;
    while (e > b && IsBlank(text[e - 1]))
        --e;
    return text.substr(b, e - b);
}

size_t Find(std::string_view text, char c, size_t from)
{
    const void *found = std::memchr(text.data() + from, c, text.size() - from);
    return found != nullptr ? size_t(static_cast<const char *>(found) - text.data()) : text.size();
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

    ++Line;
    line = TIniLine{};
    line.Text = text;
    if (text.empty())
        return true;
    if (text.front() == '[') {
        const size_t close = text.find(']');
        if (close != std::string_view::npos) {
            line.Kind = TIniLine::TKind::Section;
            line.Name = TrimBlanks(text.substr(1, close - 1));
            line.Rest = TrimBlanks(text.substr(close + 1));
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
