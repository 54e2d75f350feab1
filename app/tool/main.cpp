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
    "                              .csv to .vlpj or .xlsx; .xlsx, .xls or .ods to .vlpj or .csv;\n"
    "                              what OUT can not hold is named on stderr, exit 1\n"
    "  copy-tracks [--no-verify] [--force] FILE.vlpj TARGET\n"
    "                              copy the playlist's MP3 files into the folder TARGET as 001.mp3,\n"
    "                              002.mp3 ...; each copy is read back from the card and compared\n"
    "                              before it replaces the old track (--no-verify skips that); files\n"
    "                              that are not MP3, track numbers outside 1-999 or given twice\n"
    "                              refuse the copy (exit 2) unless --force; track files on the card\n"
    "                              that do not hold the project's tracks are listed; exit 1 when a\n"
    "                              file was not copied or a track that the scenarios use has no file\n"
    "  tracks [--tsv] FILE.vlpj    check every track file (MP3 or not, damage, exact length) and list\n"
    "                              tracks still playing when a later bell starts in the same zones;\n"
    "                              --tsv: one row per playlist line (track, status, seconds, sample\n"
    "                              rate, channels, kbps, path); exit 0 all clean, 1 problems, 2 error\n"
    "  drives [--root DIR]         list the drives offered for the card: mount point, label, size,\n"
    "                              device (tab-separated); exit 1 when there is none. --root reads\n"
    "                              DIR/proc/self/mounts, DIR/proc/swaps, DIR/sys and DIR/dev\n"
    "  bells FILE.vlpj --group G --start HH:MM --lessons N --lesson MIN [--breaks B1,B2,...]\n"
    "        [--days LIST] [--start-track T] [--end-track T] [--warn MIN --warn-track T] [--volume V]\n"
    "                              add lesson bells to group G: \"Урок i: начало\", \"Урок i: конец\"\n"
    "                              (end track 0: none) and, with --warn, \"Урок i: предупреждение\"\n"
    "                              MIN minutes before; breaks repeat their last value (default 10);\n"
    "                              LIST \"1-5\" or \"1,3,5\", 1 = Monday (default 1-5); start track 1,\n"
    "                              end track = start track, volume 20. Writes FILE, then prints the check\n"
    "  shift FILE.vlpj --group G --minutes N\n"
    "                              move every scenario of group G by N minutes (negative: earlier);\n"
    "                              writes FILE, then prints the check\n"
    "                              bells and shift: exit 0 without clashes, 1 with clashes, 2 when\n"
    "                              refused (reason on stderr, FILE unchanged): also when FILE holds\n"
    "                              anything the reader skips, or another command is changing it\n"
    "  print FILE.vlpj OUT.pdf     write the printed schedule (tables, week chart, clashes) as A4 PDF\n"
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
    } catch (...) {
        std::cerr << "sigcfg-tool: Непредвиденная ошибка" << (FileInUse().empty() ? "" : " при работе с файлом ")
                  << FileInUse() << ": команда прервана\n";
        return 2;
    }
}
