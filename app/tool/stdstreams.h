#pragma once

#include <charconv>
#include <concepts>
#include <cstdio>
#include <string_view>

/// Standard output and error for the tool's texts, written through C's stdio as std::cout and
/// std::cerr would (stdout buffered, stderr not). <iostream> would build the C++ locale and eight
/// stream objects at every start, which cost a whole small conversion; the tool prints texts and
/// whole numbers only.
class TStdStream
{
public:
    explicit TStdStream(std::FILE *file) : File(file) {}

    const TStdStream &operator<<(std::string_view text) const
    {
        std::fwrite(text.data(), 1, text.size(), File);
        return *this;
    }
    const TStdStream &operator<<(const char *text) const { return *this << std::string_view(text); }
    const TStdStream &operator<<(char c) const
    {
        std::fputc(c, File);
        return *this;
    }
    template <std::integral T>
    requires(!std::same_as<T, char> && !std::same_as<T, bool>) const TStdStream &operator<<(T value) const
    {
        char text[24];
        return *this << std::string_view(text, std::to_chars(text, text + sizeof text, value).ptr);
    }
    void Flush() const { std::fflush(File); }

private:
    std::FILE *File;
};

inline TStdStream ToolOut()
{
    return TStdStream(stdout);
}

inline TStdStream ToolErr()
{
    return TStdStream(stderr);
}
