#pragma once

#include "device/log.h"
#include "model/type.h"
#include "storage/projectfile.h"

#include <string>
#include <vector>

/// A log that prints each line on standard output as it comes.
class TStdoutLog : public TLogSink
{
public:
    void ClearLog() override {}
    void AddLog(std::string_view line) override;
};

/// Checks the argument count of a command; prints the usage line and returns false when wrong.
bool ExpectArgs(const std::vector<std::string> &args, size_t count, const char *usage);

/// A project file as a tool command reads it.
struct TToolProject
{
    TProject Project;
    std::vector<std::string> PlayList;
    std::vector<TSkippedEntry> Skipped;
};

/// Loads a project file for a tool command. Unlike the window, a missing file is an error here:
/// a typo in a script must not pass as an empty project.
void LoadExistingProject(const std::string &path, TToolProject &loaded);
