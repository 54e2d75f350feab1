#include "schedule/bells.h"
#include "app/tool/commands.h"
#include "app/tool/options.h"
#include "app/tool/toolio.h"
#include "app/tool/usage.h"

#include <iostream>

// sigcfg-tool bells FILE.vlpj --group G --start HH:MM --lessons N --lesson MIN ...: the window's
// bell generator on a file, written back in place, then the clash check as `check` prints it.
int RunBells(const std::vector<std::string> &args)
{
    TFileOptions options;
    if (!options.Read(args,
                      {"--group", "--start", "--lessons", "--lesson", "--breaks", "--days", "--start-track",
                       "--end-track", "--warn", "--warn-track", "--volume"},
                      "bells"))
        return 2;
    for (const char *required : {"--group", "--start", "--lessons", "--lesson"}) {
        if (!options.Has(required))
            return UsageError(std::string("не указан параметр ") + required, "bells");
    }
    if (options.Has("--warn") != options.Has("--warn-track"))
        return RefuseChange(options.File, "--warn и --warn-track указываются вместе");

    TBellPlan plan;
    if (!options.Number("--group", 0, plan.Group) || !options.Number("--lessons", 0, plan.Lessons) ||
        !options.Number("--lesson", 0, plan.LessonLength) || !options.Number("--start-track", 1, plan.StartTrack) ||
        !options.Number("--end-track", plan.StartTrack, plan.EndTrack) ||
        !options.Number("--warn", 0, plan.WarningMinutes) || !options.Number("--warn-track", 1, plan.WarningTrack) ||
        !options.Number("--volume", 20, plan.Volume))
        return 2;
    const std::string &start = options.Values.at("--start");
    if (!ParseClock(start, plan.StartHour, plan.StartMinute))
        return RefuseChange(options.File, "время начала «" + start + "» не в виде ЧЧ:ММ от 00:00 до 23:59");
    if (options.Has("--breaks") && !ParseNumberList(options.Values.at("--breaks"), plan.Breaks))
        return RefuseChange(options.File, "перемены «" + options.Values.at("--breaks") +
                                              "» не список минут через запятую, например 10,20,10");
    if (options.Has("--days") && !ParseDayList(options.Values.at("--days"), plan.Days))
        return RefuseChange(options.File, "дни «" + options.Values.at("--days") +
                                              "» не в виде 1-5 или 1,3,5 (1 — понедельник, 7 — воскресенье)");

    TToolProject loaded;
    if (!LoadForEdit(options.File, loaded))
        return 2;
    const TBellOutcome outcome = AddBells(loaded.Project, plan);
    if (!outcome.Refusal.empty())
        return RefuseChange(options.File, outcome.Refusal);
    return SaveAndCheck(loaded);
}
