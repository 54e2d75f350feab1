#pragma once

#include <string>
#include <string_view>

// The tool's texts about itself: --help, each command's synopsis and the usage errors. One table
// in usage.cpp, so that --help, the errors and the completion's test read the same words.

/// The whole --help text, GNU layout: usage lines, commands, options, exit codes, bug address.
std::string HelpText();

/// "check ФАЙЛ.vlpj": the command's name and its arguments as --help lists them.
std::string Synopsis(std::string_view command);

/// Reports a command's wrong call on stderr: "sigcfg-tool: WHY", then "Использование: sigcfg-tool
/// SYNOPSIS". Returns 2, the exit status of a usage error.
int UsageError(const std::string &why, std::string_view command);

/// Reports a call that names no command the tool has (or none):
/// "sigcfg-tool: WHY; см. sigcfg-tool --help". Returns 2.
int ToolUsageError(const std::string &why);
