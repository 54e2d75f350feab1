#include "app/tool/commands.h"
#include "app/tool/toolio.h"
#include "device/cardsummary.h"
#include "device/trackcopy.h"

#include <iostream>

// sigcfg-tool copy-tracks FILE.vlpj TARGET: the card writer's copy stage alone, for the
// playlist stored in FILE; the same log lines as the window, on standard output.
int RunCopyTracks(const std::vector<std::string> &args)
{
    if (!ExpectArgs(args, 2, "copy-tracks FILE.vlpj TARGET"))
        return 2;
    TToolProject loaded;
    LoadExistingProject(args[0], loaded);
    const TCardTarget target = CheckCardTarget(args[1]);
    if (!target.Error.empty()) {
        std::cerr << "sigcfg-tool: " << target.Error << "\n";
        return 2;
    }
    TStdoutLog log(TStdoutLog::LineByLine);
    const std::vector<int32_t> noFile = LogTracksWithoutFile(loaded.Project, loaded.PlayList, log);
    TCopyTally tally(log);
    CopyTracks(loaded.PlayList, target.Folder, tally);
    const TCopySummary summary = tally.Summarize(loaded.PlayList, target.Folder, noFile);
    log.AddLog(summary.Text());
    return summary.Clean() ? 0 : 1;
}
