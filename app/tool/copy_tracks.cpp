#include "app/tool/commands.h"
#include "app/tool/toolio.h"
#include "device/cardsummary.h"
#include "device/trackcopy.h"

#include <algorithm>
#include <iostream>

// sigcfg-tool copy-tracks [--no-verify] FILE.vlpj TARGET: the card writer's copy stage alone, for
// the playlist stored in FILE; the same log lines as the window, on standard output, then the
// track-named files on the card that the playlist does not name, then the summary.
int RunCopyTracks(const std::vector<std::string> &args)
{
    std::vector<std::string> rest = args;
    TCopyOptions options;
    const auto noVerify = std::find(rest.begin(), rest.end(), "--no-verify");
    if (noVerify != rest.end()) {
        options.Verify.Enabled = false;
        rest.erase(noVerify);
    }
    if (!ExpectArgs(rest, 2, "copy-tracks"))
        return 2;
    TToolProject loaded;
    LoadExistingProject(rest[0], loaded);
    const TCardTarget target = CheckCardTarget(rest[1]);
    if (!target.Error.empty()) {
        std::cerr << "sigcfg-tool: " << target.Error << "\n";
        return 2;
    }
    TStdoutLog log(TStdoutLog::LineByLine);
    const std::vector<int32_t> noFile = LogTracksWithoutFile(loaded.Project, loaded.PlayList, log);
    TCopyTally tally(log);
    CopyTracks(loaded.PlayList, target.Folder, tally, options);
    for (const std::string &extra : ExtraCardFiles(loaded.PlayList, target.Folder))
        log.AddLog(ExtraCardFileLine(extra));
    const TCopySummary summary = tally.Summarize(loaded.PlayList, target.Folder, noFile);
    log.AddLog(summary.Text());
    return summary.Clean() ? 0 : 1;
}
