#include "schedule/check.h"
#include "app/tool/commands.h"
#include "app/tool/toolio.h"

int RunCheck(const std::vector<std::string> &args)
{
    if (!ExpectArgs(args, 1, "check"))
        return 2;
    TToolProject &loaded = CommandProject();
    LoadExistingProject(args[0], loaded);
    TStdoutLog log;
    return CheckProject(loaded.Project, log) == 0 ? 0 : 1;
}
