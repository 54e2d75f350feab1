#include "app/tool/commands.h"
#include "app/tool/toolio.h"
#include "device/trackcopy.h"

// sigcfg-tool copy-tracks FILE.vlpj TARGET: the card writer's copy stage alone, for the
// playlist stored in FILE; the same log lines as the window, on standard output.
int RunCopyTracks(const std::vector<std::string> &args)
{
    if (!ExpectArgs(args, 2, "copy-tracks FILE.vlpj TARGET"))
        return 2;
    TProject project;
    std::vector<std::string> playList;
    std::vector<TSkippedEntry> skipped;
    LoadExistingProject(args[0], project, playList, skipped);
    TStdoutLog log;
    return CopyTracks(playList, args[1], log) ? 0 : 1;
}
