#include "app/tool/commands.h"
#include "app/tool/toolio.h"
#include "device/trackcopy.h"

// sigcfg-tool copy-tracks FILE.vlpj TARGET: the card writer's copy stage alone, for the
// playlist stored in FILE; the same log lines as the window, on standard output.
int RunCopyTracks(const std::vector<std::string> &args)
{
    if (!ExpectArgs(args, 2, "copy-tracks FILE.vlpj TARGET"))
        return 2;
    TToolProject loaded;
    LoadExistingProject(args[0], loaded);
    TStdoutLog log(TStdoutLog::LineByLine);
    return CopyTracks(loaded.PlayList, args[1], log) ? 0 : 1;
}
