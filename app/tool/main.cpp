// sigcfg-tool: the companion of the window program for site laptops, scripts and build servers.
#include "app/tool/commands.h"
#include "model/cause.h"
#include "model/error.h"
#include "model/lib.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <utility>
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
    "                              copy the playlist's MP3 files into the folder TARGET as 001.mp3,\n"
    "                              002.mp3 ...; each copy is read back from the card and compared\n"
    "                              (--no-verify skips that); track files on the card that the\n"
    "                              playlist does not name are listed; exit 1 when a file was not\n"
    "                              copied or a track that the scenarios use has no file\n"
    "  tracks [--tsv] FILE.vlpj    check every track file (MP3 or not, damage, exact length) and list\n"
    "                              tracks still playing when a later bell starts in the same zones;\n"
    "                              --tsv: one row per playlist line (track, status, seconds, sample\n"
    "                              rate, channels, kbps, path); exit 0 all clean, 1 problems, 2 error\n"
    "  drives [--root DIR]         list the drives offered for the card: mount point, label, size,\n"
    "                              device (tab-separated); exit 1 when there is none. --root reads\n"
    "                              DIR/proc/self/mounts, DIR/proc/swaps, DIR/sys and DIR/dev\n"
    "  bells FILE.vlpj --group G --start HH:MM --lessons N --lesson MIN [--breaks B1,B2,...]\n"
    "        [--days LIST] [--start-track T] [--end-track T] [--warn MIN --warn-track T] [--volume V]\n"
    "        [--prefix TEXT] [--replace] [--dry-run]\n"
    "                              add lesson bells to group G: \"Урок i: начало\", \"Урок i: конец\"\n"
    "                              (end track 0: none) and, with --warn, \"Урок i: предупреждение\"\n"
    "                              MIN minutes before; breaks repeat their last value (default 10);\n"
    "                              LIST \"1-5\" or \"1,3,5\", 1 = Monday (default 1-5); start track 1,\n"
    "                              end track = start track, volume 20. --prefix puts TEXT before each\n"
    "                              name (\"2 смена: Урок 1: начало\"); --replace first removes the group's\n"
    "                              scenarios named as these bells are (same prefix); --dry-run prints\n"
    "                              time, name, slot, track and the clash verdict and writes nothing.\n"
    "                              Limits: 1-16 lessons, lesson 1-240 min, breaks 0-240 min, warning\n"
    "                              1-120 min, tracks 1-999 (end track 0-999), volume 0-100, bells within\n"
    "                              00:00-23:59, at most 32 scenarios in a group.\n"
    "                              Writes FILE, prints the check, then what was added and removed\n"
    "  shift FILE.vlpj --group G --minutes N\n"
    "                              move every scenario of group G by N minutes (negative: earlier);\n"
    "                              writes FILE, then prints the check\n"
    "                              bells and shift: exit 0 without clashes, 1 with clashes, 2 when\n"
    "                              refused (reason on stderr, FILE unchanged)\n"
    "  print FILE.vlpj OUT.pdf     write the printed schedule as A4 PDF: a wall timetable per group\n"
    "                              with generated bells, then tables, week chart, clashes\n"
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
    using TCommand = int (*)(const std::vector<std::string> &);
    static const std::pair<const char *, TCommand> commands[] = {
        {"check", RunCheck},   {"show", RunShow},   {"convert", RunConvert}, {"copy-tracks", RunCopyTracks},
        {"tracks", RunTracks}, {"bells", RunBells}, {"shift", RunShift},     {"drives", RunDrives},
        {"print", RunPrint},
    };
    const auto found = std::find_if(std::begin(commands), std::end(commands),
                                    [&](const auto &entry) { return command == entry.first; });
    if (found == std::end(commands)) {
        std::cerr << "sigcfg-tool: unknown command \"" << command << "\"\n\n" << Usage;
        return 2;
    }
    try {
        return found->second(args);
    } catch (const std::exception &error) {
        // Ours name their file already; others (memory running out) name the file last opened.
        const std::string &file = !FileInUse().empty() || args.empty() ? FileInUse() : args.front();
        std::cerr << "sigcfg-tool: " << FailureText(error, file) << "\n";
        return 2;
    }
}
