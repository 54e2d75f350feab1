#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Profile-style INI files ("[section]" lines and "key=value" lines) as the project file uses them.
// The syntax is all ASCII, so the scanner reads the bytes of the file's code page or of UTF-8 alike;
// decoding the values is the caller's business.

/// One line of an INI text, as TIniScanner finds it.
struct TIniLine
{
    enum class TKind { Other, Section, Key };
    TKind Kind = TKind::Other;
    std::string_view Name;  // the section's name or the key, trimmed
    std::string_view Value; // a key's value, trimmed
    std::string_view Text;  // the whole line, trimmed: empty for a blank line
    std::string_view Rest;  // what follows a section's "]", trimmed
};

/// Walks the lines of an INI text as the platform's profile functions read them: CR LF, LF or CR
/// end a line; blanks and tabs around names and values are dropped; "[name]" opens a section
/// (whatever follows the "]"); "key=value" with a key gives a key; any other line (one that starts
/// with "[" but has no "]" among them) is neither. The one reading of the syntax that every reader uses.
class TIniScanner
{
public:
    explicit TIniScanner(std::string_view text);

    /// The next line; false past the last one.
    bool Next(TIniLine &line);
    /// The number of the line Next gave last, 1 for the first.
    size_t LineNumber() const { return Line; }

private:
    std::string_view Text;
    size_t Pos = 0;
    size_t Line = 0;
    // The next CR and the next LF at or after Pos (Text.size() when none): each found by one memchr
    // that runs on to it, rather than a look for both at every byte.
    size_t NextCr = 0;
    size_t NextLf = 0;
};

/// True when two section or key names are equal without regard to ASCII letter case.
bool IniNamesEqual(std::string_view a, std::string_view b);

/// True when some line of the text opens a section ("[name]", blanks around it allowed).
bool HasSectionLine(std::string_view text);
