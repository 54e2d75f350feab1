// sigcfg-tool: the companion of the window program for site laptops, scripts and build servers.
#include "app/tool/commands.h"
#include "app/tool/usage.h"
#include "model/about.h"
#include "model/cause.h"
#include "model/error.h"
#include "model/lib.h"

#include "app/tool/stdstreams.h"
#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <string>
#include <utility>
#include <vector>

int main(int argc, char **argv)
{
    // A command reads a file, builds from it and writes another: buffers of a real project's size
    // come from the heap and go back to it, so the next one reuses pages already faulted in rather
    // than mapping fresh ones (a page fault costs as much as converting a kilobyte). Larger ones,
    // which only hostile files need, are still mapped and given back at once.
    mallopt(M_MMAP_THRESHOLD, 4 << 20);
    mallopt(M_TRIM_THRESHOLD, 4 << 20);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return ToolUsageError("не указана команда");
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h") {
        ToolOut() << HelpText();
        return 0;
    }
    if (command == "--version") {
        ToolOut() << VersionBanner("sigcfg-tool");
        return 0;
    }
    using TCommand = int (*)(const std::vector<std::string> &);
    static const std::pair<const char *, TCommand> commands[] = {
        {"check", RunCheck},   {"show", RunShow},   {"convert", RunConvert},      {"copy-tracks", RunCopyTracks},
        {"tracks", RunTracks}, {"bells", RunBells}, {"shift", RunShift},          {"drives", RunDrives},
        {"print", RunPrint},   {"sound", RunSound}, {"card-check", RunCardCheck},
    };
    const auto found = std::find_if(std::begin(commands), std::end(commands),
                                    [&](const auto &entry) { return command == entry.first; });
    if (found == std::end(commands))
        return ToolUsageError((command.starts_with("-") ? "неизвестный параметр «" : "неизвестная команда «") +
                              command + "»");
    try {
        return found->second(args);
    } catch (const std::exception &error) {
        // Ours name their file already; others (memory running out) name the file last opened.
        const std::string &file = !FileInUse().empty() || args.empty() ? FileInUse() : args.front();
        ToolErr() << "sigcfg-tool: " << FailureText(error, file) << "\n";
        return 2;
    } catch (...) {
        ToolErr() << "sigcfg-tool: Непредвиденная ошибка" << (FileInUse().empty() ? "" : " при работе с файлом ")
                  << FileInUse() << ": команда прервана\n";
        return 2;
    }
}
