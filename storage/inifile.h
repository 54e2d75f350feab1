#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// Profile-style INI files ("[section]" lines and "key=value" lines) as the project file uses them.
// Both sides work on text that is already decoded; the code page is the caller's business.

/// Reads an INI text once into an index. Section and key names match without regard to ASCII
/// letter case; the first section of a name and the first key of a name in it win.
class TIniReader
{
public:
    /// Indexes the text: CR LF, LF or CR end a line; blanks and tabs around names and values
    /// are dropped; lines that are neither a section nor a key line are ignored. When sections
    /// are named, only their keys are indexed: the rest of the text costs no memory.
    explicit TIniReader(std::string text, const std::vector<std::string_view> &sections = {});
    TIniReader(const TIniReader &) = delete; // the index points into the text it holds
    TIniReader &operator=(const TIniReader &) = delete;

    /// The value of key in section, or def when either is absent. Valid while the reader lives.
    std::string_view Read(std::string_view section, std::string_view key, std::string_view def = {}) const;

private:
    struct TFoldedHash
    {
        size_t operator()(std::string_view name) const;
    };
    struct TFoldedEqual
    {
        bool operator()(std::string_view a, std::string_view b) const;
    };
    template <typename T> using TFoldedMap = std::unordered_map<std::string_view, T, TFoldedHash, TFoldedEqual>;

    std::string Text;
    TFoldedMap<TFoldedMap<std::string_view>> Sections; // all views into Text
};

/// True when some line of the text opens a section ("[name]", blanks around it allowed).
bool HasSectionLine(std::string_view text);

/// Collects keys and lays them out as an INI text: sections in the order of their first key,
/// "key=value" lines, CR LF after every line, no blank lines.
class TIniWriter
{
public:
    /// Sets key in section (a key written twice keeps its place and takes the new value).
    /// Throws std::invalid_argument for a name or value that would not read back as one line.
    void Write(std::string_view section, std::string_view key, std::string_view value);

    /// The whole text; a section that never got a key does not appear.
    std::string Text() const;

private:
    struct TSection
    {
        std::string Name;
        std::vector<std::pair<std::string, std::string>> Keys;
        std::unordered_map<std::string, size_t> KeyIndex; // folded key -> place in Keys
    };
    std::vector<TSection> Sections;
    std::unordered_map<std::string, size_t> SectionIndex; // folded name -> place in Sections
};
