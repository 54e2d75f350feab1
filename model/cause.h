#pragma once

#include <exception>
#include <string>

// Why a file could not be read or written, in the operator's words: one table for every
// message of the file layer and the card writer.

/// Causes that no errno value names; negative, so they never meet one.
inline constexpr int CauseFolderMissing = -1;     // the folder a new file should go into
inline constexpr int CauseNotRegularFile = -2;    // a pipe, a device or a socket
inline constexpr int CauseTooLarge = -3;          // larger than any file the program reads
inline constexpr int CauseNoFileName = -4;        // an empty path, or one ending in "/"
inline constexpr int CauseDiffersAfterWrite = -5; // a copy read back from the card differs from its source
inline constexpr int CauseWriteProtected = -6;    // the file to replace has no write permission for the user
inline constexpr int CauseSameAsInput = -7;       // the output is the very file the command reads

/// The cause, in Russian, of an errno value or of one of the Cause constants above
/// ("на диске нет места", "нет прав доступа" ...).
std::string CauseText(int cause);

/// "Не удалось прочитать файл <path>" and the cause on the next line.
std::string ReadErrorText(const std::string &path, int cause);
std::string ReadErrorText(const std::string &path, const std::string &cause);

/// "Unable to write to <path>" and the cause on the next line.
std::string WriteErrorText(const std::string &path, int cause);

/// The cause of a file refused for its size, with the limit: "файл слишком велик (больше 16 МБ)".
std::string TooLargeText(unsigned long long maxBytes);

/// Remembers the file the file layer last opened in this thread, so that a failure that names
/// no file (memory running out while parsing it) can still say which file it concerns.
void NoteFileInUse(const std::string &path);
/// The file noted last, or "" after ClearFileInUse.
const std::string &FileInUse();
/// Forgets the noted file: called as a new command starts.
void ClearFileInUse();

/// The text the operator reads for any failure: what() for the program's own errors; for
/// others (memory running out, a library's exception) a Russian text naming file when known.
std::string FailureText(const std::exception &error, const std::string &file = FileInUse());
