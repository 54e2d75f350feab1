#pragma once

#include "device/log.h"
#include "model/type.h"
#include "storage/fileio.h"
#include "storage/projectfile.h"

#include <memory>

#include <string>
#include <vector>

/// A log on standard output. By default lines are gathered and written 64 KB at a time, and a
/// block of lines goes out as it is, for reports of millions of lines; a command whose lines
/// follow slow work (a copy) prints each line as it comes.
class TStdoutLog : public TLogSink
{
public:
    enum TMode { Buffered, LineByLine };
    explicit TStdoutLog(TMode mode = Buffered) : Mode(mode) {}
    ~TStdoutLog() override { Flush(); }
    TStdoutLog(const TStdoutLog &) = delete;
    TStdoutLog &operator=(const TStdoutLog &) = delete;

    void ClearLog() override {}
    void AddLog(std::string_view line) override;
    bool TakesBlocks() const override { return true; }
    void AddLines(std::string_view lines) override;
    /// Writes what is gathered; what the command printed through ToolOut() comes first.
    void Flush();

private:
    TMode Mode;
    std::string Buffer;
};

/// Checks the argument count of a command; reports a usage error (UsageError) and returns false when wrong.
bool ExpectArgs(const std::vector<std::string> &args, size_t count, const char *command);

/// A project file as a tool command reads it.
struct TToolProject
{
    TProject Project;
    std::vector<std::string> PlayList;
    std::vector<TSkippedEntry> Skipped;
    TProjectEncoding Encoding = TProjectEncoding::Cp1251;
    std::unique_ptr<TEditLock> Lock; // held by a command that writes the file back
};

/// The project a command works on, kept until the process ends: the tool exits right after its
/// command, and freeing a large project's texts one by one would cost a twentieth of a conversion.
TToolProject &CommandProject();

/// Loads a project file for a tool command. Unlike the window, a missing file is an error here:
/// a typo in a script must not pass as an empty project.
void LoadExistingProject(const std::string &path, TToolProject &loaded);

/// Prints the skipped list on stderr under its heading, one "sigcfg-tool: FILE: <what>: KEY: REASON"
/// line per entry (the heading alone when the list is empty but the file was read as UTF-8 without
/// a mark). what: "пропущено", "не записано" ...
void PrintSkipped(const std::string &path, const TToolProject &loaded, const char *what);
