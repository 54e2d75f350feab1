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

private:
    std::string_view Text;
    size_t Pos = 0;
    // The next CR and the next LF at or after Pos (Text.size() when none): each found by one memchr
    // that runs on to it, rather than a look for both at every byte.
    size_t NextCr = 0;
    size_t NextLf = 0;
};

/// True when two section or key names are equal without regard to ASCII letter case.
bool IniNamesEqual(std::string_view a, std::string_view b);

/// Reads an INI text once into an index. Section and key names match without regard to ASCII
/// letter case; the first section of a name and the first key of a name in it win.
class TIniReader
{
public:
    /// Indexes the keys of the named sections: CR LF, LF or CR end a line; blanks and tabs around
    /// names and values are dropped; lines that are neither a section nor a key line are ignored.
    /// Other sections cost no memory, and a key some 16 bytes besides its text.
    TIniReader(std::string text, const std::vector<std::string_view> &sections);
    TIniReader(const TIniReader &) = delete; // the index points into the text it holds
    TIniReader &operator=(const TIniReader &) = delete;

    /// The value of key in section, or def when either is absent. Valid while the reader lives.
    std::string_view Read(std::string_view section, std::string_view key, std::string_view def = {}) const;
    /// How many key lines the section holds, a key given twice counted twice.
    size_t KeyCount(std::string_view section) const;

private:
    struct TEntry // places in Text
    {
        uint32_t KeyPos, KeyLength, ValuePos, ValueLength;
    };
    struct TSection
    {
        std::string_view Name;
        std::vector<TEntry> Keys; // by folded key, and in file order among equal keys
    };
    const TSection *Find(std::string_view section) const;
    std::string_view Key(const TEntry &entry) const
    {
        return std::string_view(Text).substr(entry.KeyPos, entry.KeyLength);
    }

    std::string Text;
    std::vector<TSection> Sections; // the first section of each named name that the text holds
};

/// True when some line of the text opens a section ("[name]", blanks around it allowed).
bool HasSectionLine(std::string_view text);

/// Lays out keys as an INI text: sections in the order of their first key, "key=value" lines,
/// CR LF after every line, no blank lines. It keeps the text only, no index of the keys.
class TIniWriter
{
public:
    /// Adds "key=value" to section. Each key is written once: no earlier line of it is looked for
    /// (a reader takes the first). Throws std::invalid_argument for a name or value that would
    /// not read back as one line.
    void Write(std::string_view section, std::string_view key, std::string_view value);

    /// The whole text; a section that never got a key does not appear.
    std::string Text() const;

private:
    struct TSection
    {
        std::string Name;
        std::string Lines;
    };
    std::vector<TSection> Sections; // a writer has a handful, found by a look along them
};
