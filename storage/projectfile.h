#pragma once

#include "model/type.h"

#include <string>
#include <string_view>
#include <vector>

/// An entry of a project file that has no place in the model and was left out.
struct TSkippedEntry
{
    std::string Key;    // the section and key as the file has them: "[Groups] 3", "[Scenarios] 17" ...
    std::string Reason; // what was wrong, in plain words
    /// Read into the model but beyond the device type's zone count: not shown and not written
    /// while that type is chosen, shown again by a type with more zones.
    bool Hidden = false;
};

/// How the bytes of a project file were read: Windows-1251, UTF-8 after a byte-order mark, or UTF-8
/// without one (valid UTF-8 holding multi-byte characters, as a text editor saves it).
enum class TProjectEncoding { Cp1251, Utf8Marked, Utf8Unmarked };

/// Fills a project (already reset by the caller) and the playlist from the bytes of a project
/// file. Never fails; everything the model does not keep, or the writer would not write back
/// (unknown sections and keys, comments, repeated keys and sections, keys after a gap, groups and
/// zones the device type has no room for), is listed in skipped (the first 100, then one entry
/// that counts the rest).
TProjectEncoding ParseProjectFile(std::string_view bytes, TProject &project, std::vector<std::string> &playList,
                                  std::vector<TSkippedEntry> &skipped);

/// The line above a list of skipped entries; it says so when the file was read as UTF-8 without a mark.
std::string SkippedHeading(TProjectEncoding encoding);

/// Throws TFormatError "Файл '<path>' не является проектом: ..." when the bytes hold a NUL byte, or
/// something besides blanks and line ends but no section line. Empty bytes pass: an empty project.
void CheckProjectBytes(std::string_view bytes, const std::string &path);

/// True when the bytes are a project by content, whatever the file is called: no NUL byte, and the
/// first section line, after a UTF-8 byte-order mark, comments and blank lines, is "[Project]" in
/// any letter case (the section every writer puts first).
bool IsProjectText(std::string_view bytes);

/// The bytes of the project file for a project and its playlist (Windows-1251, CR LF).
/// Throws TFormatError "Невозможно сохранить проект ..." naming the text (and project.FileName, when
/// set) when a text can not be held by the code page or holds a line break, and naming the limit
/// when the file would be larger than the reader reads (MaxReadBytes).
std::string SerializeProjectFile(const TProject &project, const std::vector<std::string> &playList);

/// Load: resets the project, sets FileName to path, reads the file into the project and the
/// playlist (emptied first). A path that names no file reads as an empty project. A file that
/// exists but can not be read throws TFileError naming it, one that is no project TFormatError
/// (CheckProjectBytes); either leaves the project and the playlist as they were.
TProjectEncoding LoadProjectFile(const std::string &path, TProject &project, std::vector<std::string> &playList,
                                 std::vector<TSkippedEntry> &skipped);

/// Writes the project and the playlist to project.FileName, replacing the old file atomically.
/// Throws TFormatError (nothing touched) or TFileError "Unable to write to <path>".
void SaveProjectFile(const TProject &project, const std::vector<std::string> &playList);
