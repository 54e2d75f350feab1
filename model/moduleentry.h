#pragma once

#include "model/cause.h"
#include "model/error.h"

#include <string>

// A loaded module's entry points report what happened instead of throwing: the module and the
// program may each carry their own copy of the C++ runtime (the tool links it statically), and an
// exception thrown by one can not be caught by type in the other.

/// What an entry point reports; the text is what() of the exception that ended it.
enum class TModuleOutcome : int { Done = 0, WrongFormat = 1, FormatError = 2, FileError = 3, Failure = 4 };

/// Module side: runs one entry point's work and turns its exception, if any, into an outcome and a
/// text. Memory running out is said in Russian with the file's name: the loader only sees a text.
template <typename Work> TModuleOutcome GuardedEntry(const std::string &path, std::string &text, Work work)
{
    try {
        return work();
    } catch (const TFormatError &e) {
        text = e.what();
        return TModuleOutcome::FormatError;
    } catch (const TFileError &e) {
        text = e.what();
        return TModuleOutcome::FileError;
    } catch (const std::exception &e) {
        text = FailureText(e, path);
        return TModuleOutcome::Failure;
    }
}

/// Program side: throws what the module reported as the exception it was; returns for Done and
/// WrongFormat.
void RaiseModuleOutcome(TModuleOutcome outcome, const std::string &text);
