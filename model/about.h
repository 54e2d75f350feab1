#pragma once

#include <string>

// What the programs say about themselves, the same in --help, --version and the About box. The
// addresses come from the build settings (SIG_HOMEPAGE).

/// The project's home page; empty when the build names none.
std::string HomePage();

/// Where faults are reported (a page below the home page).
std::string BugAddress();

/// The closing lines of every --help: where to report faults and the home page (none without an address).
std::string HelpFooter();

/// The --version text of a program: its name and version, then the copyright and licence lines.
std::string VersionBanner(const std::string &program);
