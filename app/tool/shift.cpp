#include "app/tool/commands.h"
#include "app/tool/options.h"
#include "app/tool/toolio.h"
#include "app/tool/usage.h"
#include "schedule/groupedit.h"

#include "app/tool/stdstreams.h"

// sigcfg-tool shift FILE.vlpj --group G --minutes N: moves a whole group's timetable, written back
// in place, then the clash check as `check` prints it.
int RunShift(const std::vector<std::string> &args)
{
    TFileOptions options;
    if (!options.Read(args, {"--group", "--minutes"}, "shift"))
        return 2;
    if (!options.Has("--group") || !options.Has("--minutes"))
        return UsageError("нужны оба параметра --group и --minutes", "shift");
    int group = 0;
    int minutes = 0;
    if (!options.Number("--group", 0, group) || !options.Number("--minutes", 0, minutes))
        return 2;

    TToolProject &loaded = CommandProject();
    if (!LoadForEdit(options.File, loaded))
        return 2;
    const std::string refusal = ShiftGroup(loaded.Project, group, minutes);
    if (!refusal.empty())
        return RefuseChange(options.File, refusal);
    return SaveAndCheck(loaded);
}
