#pragma once

#include "model/type.h"

#include <cstdint>
#include <string>
#include <string_view>

// The value lines of a project file as the writer writes them. The writer writes its bytes with
// them, and the reader renders every line it read with them and holds the result against the
// file's own text: where the two differ, the reader lists the key with both texts ("[Scenarios] 5:
// «1;Суббота;10;0;20;1;5;;» будет записано как «1;Суббота;10;0;20;1;0;5;»"), so nothing a save
// would change goes unsaid, whatever the reason for the change.
//
// What a save may change without a word, since none of it carries meaning:
//   - line ends (CR LF is written), blank lines, and the bytes of the file's encoding (a file read
//     as UTF-8 is written in Windows-1251, or as UTF-8 after a mark when its texts demand it);
//   - blanks and tabs around section names, keys, "=" and values, and the letter case of section
//     and key names;
//   - the numbers of the keys and the order of the lines: groups are written by group number,
//     scenarios by group and slot, each section's keys run 0, 1, 2 ...;
//   - "Name" and "Device" that are missing are written empty, as they read.
// Everything inside a value is compared as text: "08" for "8", " 8", "+8", "8.5", "громко", days
// or zones in another order or twice, an empty field, a missing ";" at the end all count as changes.

/// Bits of the bytes below 64 that end a line, and besides those a ";" field.
inline constexpr uint64_t LineBreaks = uint64_t(1) << '\r' | uint64_t(1) << '\n';
inline constexpr uint64_t FieldStops = LineBreaks | uint64_t(1) << ';';

/// The value of "Device": the device type's name, empty for type 0 and for one outside the table.
inline std::string_view DeviceText(int32_t deviceType)
{
    return deviceType >= 0 && deviceType < DeviceTypeCount ? DeviceTypeNames[size_t(deviceType)] : "";
}

/// The group line of group g with zones 1..n: "1;Корпус;1;2;". TOut has Raw(text), Number(int32_t)
/// and Text(utf8, stops) -> bool; false when Text refused the name (nothing more is written then).
template <typename TOut> bool WriteGroupLine(TOut &out, int32_t g, const TGroup &group, int32_t n)
{
    out.Number(g);
    out.Raw(";");
    if (!out.Text(group.Name, FieldStops))
        return false;
    out.Raw(";");
    for (int32_t z = 1; z <= n; ++z) {
        if (group.Zones[z]) {
            out.Number(z);
            out.Raw(";");
        }
    }
    return true;
}

/// The scenario line of a scenario of group g: "1;Начало;8;30;20;1;0;1;2;3;4;". As WriteGroupLine.
template <typename TOut> bool WriteScenarioLine(TOut &out, int32_t g, const TScenario &scenario)
{
    out.Number(g);
    out.Raw(";");
    if (!out.Text(scenario.Name, FieldStops))
        return false;
    for (int32_t value : {scenario.Hour, scenario.Minute, scenario.Volume, scenario.Track}) {
        out.Raw(";");
        out.Number(value);
    }
    out.Raw(";");
    for (int d = 0; d < 7; ++d) {
        if (scenario.Days[d]) {
            out.Number(d);
            out.Raw(";");
        }
    }
    return true;
}

/// False for a playlist line the writer leaves out: one of blanks and tabs only, which would read
/// back as the end of the playlist and lose every line after it.
inline bool IsPlaylistLineWritten(std::string_view line)
{
    return line.find_first_not_of(" \t") != std::string_view::npos;
}

/// A line as the writer writes it, in the model's UTF-8: what the reader compares with.
class TUtf8Line
{
public:
    void Raw(std::string_view text) { Out += text; }
    void Number(int32_t value) { Out += std::to_string(value); }
    bool Text(std::string_view utf8, uint64_t) { return Out += utf8, true; }
    const std::string &Str() const { return Out; }

private:
    std::string Out;
};
