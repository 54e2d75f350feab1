#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The strings of BIFF workbooks, which may run on from a record into the CONTINUE records after it.

/// Reads across a record and its CONTINUE records. Inside character data each CONTINUE starts
/// with a fresh option byte that says whether the rest is stored in one or two bytes a character.
/// Every read returns false when the data ends first.
class TContinuedReader
{
public:
    /// segments: the record's data, then the data of each CONTINUE record; at least one.
    explicit TContinuedReader(std::vector<std::string_view> segments) : Segments(std::move(segments)) {}

    bool Byte(uint8_t &value);
    bool U16(uint32_t &value);
    bool U32(uint32_t &value);
    bool Skip(uint64_t count);
    /// count characters, stored in two bytes each when wide, appended as UTF-8 while out is
    /// shorter than a cell may be (the rest is read and dropped).
    bool Characters(uint32_t count, bool wide, std::string &out);

private:
    bool Advance();

    std::vector<std::string_view> Segments;
    size_t Segment = 0;
    size_t Pos = 0;
};

/// A BIFF8 string: a 16-bit length, an option byte, maybe the counts of formatting runs and of
/// phonetic data, the characters, then the runs and the phonetic data, which are passed over.
bool UnicodeString(TContinuedReader &reader, std::string &out);
