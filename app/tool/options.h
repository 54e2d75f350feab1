#pragma once

#include <map>
#include <string>
#include <vector>

/// The "--name value" options of a command that edits one project file: the file comes first,
/// then the options in any order. Both refuse anything else, naming it on stderr.
struct TFileOptions
{
    std::string File;
    std::map<std::string, std::string> Values;

    /// Reads args; false (usage error printed for command) on a missing file, an unknown or repeated
    /// option or one without value.
    bool Read(const std::vector<std::string> &args, const std::vector<std::string> &known, const char *command);
    bool Has(const std::string &name) const { return Values.count(name) != 0; }
    /// The option as a whole number; fallback when absent. False (message printed) when not a number.
    bool Number(const std::string &name, int fallback, int &value) const;
};

/// Refuses a command's change: prints "sigcfg-tool: FILE: reason; файл не изменён" on stderr; returns 2.
int RefuseChange(const std::string &file, const std::string &reason);

/// Writes the project back to its file and prints the clash check; 0 without clashes, 1 with.
struct TToolProject;
int SaveAndCheck(TToolProject &loaded);

/// Loads a project file that a command will write back, refusing one with entries the model
/// has no place for (writing it would drop them). False when refused (message printed).
bool LoadForEdit(const std::string &path, TToolProject &loaded);
