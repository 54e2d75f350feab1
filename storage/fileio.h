#pragma once

#include <optional>
#include <string>
#include <string_view>

// The file layer under every reader and writer: whole files in, whole files out.

/// The whole file; throws TFileError "Unable to read <path>" when it can not be read.
std::string ReadWholeFile(const std::string &path);

/// The whole file, or nothing when no file exists at the path; other failures throw as above.
std::optional<std::string> ReadFileIfExists(const std::string &path);

/// Writes bytes to a temporary file beside the target, flushes it to the disk and renames it
/// over the target. On failure the old file is left as it was, the temporary is removed, and
/// TFileError "Unable to write to <path>" is thrown.
void WriteFileAtomically(const std::string &path, std::string_view bytes);

/// True when a regular file (or a link to one) exists at the path.
bool FileExists(const std::string &path);
