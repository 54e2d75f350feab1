#pragma once

#include <string>

/// An entry a reader leaves out or can not keep as the file has it (project file, CSV, workbook).
struct TSkippedEntry
{
    std::string Key;    // where it is, as the file has it: "[Groups] 3", "строка 12", "ячейка B3" ...
    std::string Reason; // what was wrong, in plain words
    /// Read into the model but beyond the device type's zone count: not shown and not written
    /// while that type is chosen, shown again by a type with more zones.
    bool Hidden = false;
};
