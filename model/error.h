#pragma once

#include <stdexcept>
#include <string>

/// The one exception family of the program: what() is the text the operator reads,
/// and names the file concerned.
class TSigError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/// A file could not be read, written, replaced or copied.
class TFileError : public TSigError
{
public:
    using TSigError::TSigError;
};

/// A file was read but its content can not be used (a workbook that is not one, a text
/// the project file can not hold).
class TFormatError : public TSigError
{
public:
    using TSigError::TSigError;
};
