#include "app/tool/commands.h"
#include "app/tool/toolio.h"
#include "device/trackcopy.h"

#include <algorithm>

// sigcfg-tool copy-tracks [--no-verify] FILE.vlpj TARGET: the card writer's copy stage alone, for
// the playlist stored in FILE; the same log lines as the window, on standard output, and then the
// track-named files on the card that the playlist does not name.
int RunCopyTracks(const std::vector<std::string> &args)
{
    std::vector<std::string> rest = args;
    TCopyVerify verify;
    const auto noVerify = std::find(rest.begin(), rest.end(), "--no-verify");
    if (noVerify != rest.end()) {
        verify.Enabled = false;
        rest.erase(noVerify);
    }
    if (!ExpectArgs(rest, 2, "copy-tracks [--no-verify] FILE.vlpj TARGET"))
        return 2;
    TToolProject loaded;
    LoadExistingProject(rest[0], loaded);
    TStdoutLog log(TStdoutLog::LineByLine);
    const bool copied = CopyTracks(loaded.PlayList, rest[1], log, {}, nullptr, verify);
    for (const std::string &extra : ExtraCardFiles(loaded.PlayList, rest[1]))
        log.AddLog(ExtraCardFileLine(extra));
    return copied ? 0 : 1;
}
