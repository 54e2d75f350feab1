#pragma once

#include <string>
#include <vector>

// Parts of the programs that only some commands need (the workbook code, the audio player, the
// print preview) are shared objects loaded on first use, so that a start pays nothing for the
// libraries behind them.

/// Where a module of that file name may be, in the order to try: beside the running program's
/// folder in the build tree (lib/sigcfg/modules), then in the installed layout (../lib/sigcfg/modules).
std::vector<std::string> ModuleCandidates(const std::string &fileName);

/// Where a private program of the package may be, in the order to try: beside the running program
/// (the build tree), then in the installed layout (../lib/sigcfg).
std::vector<std::string> HelperCandidates(const std::string &fileName);

/// "A, B": the places searched, for a message that says where a missing file was looked for.
std::string SearchedText(const std::vector<std::string> &candidates);

/// Loads the module of that file name from the first place of ModuleCandidates that has it and
/// looks up every entry, in order. what names the module for the operator ("книг", "звука").
/// Throws TFileError naming the file when none loads or an entry is missing.
std::vector<void *> LoadModuleEntries(const std::string &fileName, const std::string &what,
                                      const std::vector<const char *> &entries);
