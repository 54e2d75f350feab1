#pragma once

#include <string>
#include <string_view>

/// A file that lives in memory only (Linux memfd) but has a path, for a library that insists
/// on opening a file by name: the .xlsx writer.
class TMemoryFile
{
public:
    /// Throws TFileError with errorText, and the cause on the next line, when no such file can be made.
    explicit TMemoryFile(const std::string &errorText);
    ~TMemoryFile();
    TMemoryFile(const TMemoryFile &) = delete;
    TMemoryFile &operator=(const TMemoryFile &) = delete;

    /// A path that opens this very file ("/proc/self/fd/N").
    std::string Path() const;
    /// Replaces the content; throws TFileError with the error text and the cause on failure.
    void Write(std::string_view bytes);
    /// The whole content; throws TFileError with the error text and the cause on failure.
    std::string ReadAll() const;

private:
    [[noreturn]] void Fail(int error) const;

    int Fd = -1;
    std::string ErrorText;
};
