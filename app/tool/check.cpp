#include "app/tool/commands.h"
#include "app/tool/toolio.h"
#include "device/check.h"

int RunCheck(const std::vector<std::string> &args)
{
    if (!ExpectArgs(args, 1, "check FILE.vlpj"))
        return 2;
    TProject project;
    std::vector<std::string> playList;
    std::vector<TSkippedEntry> skipped;
    LoadExistingProject(args[0], project, playList, skipped);
    TStdoutLog log;
    return CheckProject(project, log) == 0 ? 0 : 1;
}
