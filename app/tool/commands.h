#pragma once

#include <string>
#include <vector>

// The companion tool's commands. Each gets the arguments after its name and returns the exit
// status: 0 success, 1 the command's "not clean" result, 2 an error (already reported on stderr).

int RunCheck(const std::vector<std::string> &args);
int RunShow(const std::vector<std::string> &args);
int RunConvert(const std::vector<std::string> &args);
int RunCopyTracks(const std::vector<std::string> &args);
int RunCardCheck(const std::vector<std::string> &args);
int RunTracks(const std::vector<std::string> &args);
int RunSound(const std::vector<std::string> &args);
int RunBells(const std::vector<std::string> &args);
int RunShift(const std::vector<std::string> &args);
int RunDrives(const std::vector<std::string> &args);
int RunPrint(const std::vector<std::string> &args);
