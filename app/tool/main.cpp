// sigcfg-tool: the companion of the window program for site laptops, scripts and build servers.
#include "app/tool/commands.h"
#include "model/error.h"
#include "model/lib.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr const char *Usage =
    "Usage: sigcfg-tool COMMAND ARGUMENTS\n"
    "\n"
    "Commands:\n"
    "  check FILE.vlpj             list the scenarios that fire at the same time on the same day;\n"
    "                              exit 0 without clashes, 1 with clashes, 2 on an error\n"
    "  show FILE.vlpj              print the project: groups, zones, scenarios, playlist\n"
    "  convert IN OUT              convert by extension: .vlpj to .vlpj, .csv or .xlsx;\n"
    "                              .csv to .vlpj or .xlsx; .xlsx, .xls or .ods to .vlpj or .csv\n"
    "  copy-tracks [--no-verify] FILE.vlpj TARGET\n"
    "                              copy the playlist's MP3 files to TARGET (a folder ending in \"/\")\n"
    "                              as 001.mp3, 002.mp3 ...; each copy is read back from the card and\n"
    "                              compared (--no-verify skips that); track files on the card that the\n"
    "                              playlist does not name are listed; exit 1 when a file was not copied\n"
    "  tracks [--tsv] FILE.vlpj    check every track file (MP3 or not, damage, exact length) and list\n"
    "                              tracks still playing when a later bell starts in the same zones;\n"
    "                              --tsv: one row per playlist line (track, status, seconds, sample\n"
    "                              rate, channels, kbps, path); exit 0 all clean, 1 problems, 2 error\n"
    "\n"
    "Options:\n"
    "  --help                      show this text\n"
    "  --version                   show the version\n";

} // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << Usage;
        return 2;
    }
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h") {
        std::cout << Usage;
        return 0;
    }
    if (command == "--version") {
        std::cout << "sigcfg-tool " << VersionText() << "\n";
        return 0;
    }
    try {
        if (command == "check")
            return RunCheck(args);
        if (command == "show")
            return RunShow(args);
        if (command == "convert")
            return RunConvert(args);
        if (command == "copy-tracks")
            return RunCopyTracks(args);
        if (command == "tracks")
            return RunTracks(args);
    } catch (const TSigError &error) {
        std::cerr << "sigcfg-tool: " << error.what() << "\n";
        return 2;
    } catch (const std::exception &error) {
        std::cerr << "sigcfg-tool: " << error.what() << "\n";
        return 2;
    }
    std::cerr << "sigcfg-tool: unknown command \"" << command << "\"\n\n" << Usage;
    return 2;
}
