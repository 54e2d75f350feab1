#include "schedule/bells.h"
#include "app/tool/commands.h"
#include "app/tool/options.h"
#include "app/tool/toolio.h"
#include "app/tool/usage.h"
#include "model/lib.h"

#include "app/tool/stdstreams.h"
#include <algorithm>

namespace {

/// Takes the options without a value out of args; true when flag was there.
bool TakeFlag(std::vector<std::string> &args, const std::string &flag)
{
    const auto found = std::find(args.begin() + std::min<size_t>(args.size(), 1), args.end(), flag);
    if (found == args.end())
        return false;
    args.erase(found);
    return true;
}

/// --dry-run: the bells as they would stand, then the clash check's verdict on them.
int PrintPlan(const TProject &project, const TBellPlan &plan, const TBellOutcome &outcome)
{
    for (const TBell &bell : outcome.Bells)
        ToolOut() << TimeText(bell.MinuteOfDay / 60, bell.MinuteOfDay % 60) << "  " << bell.Name << "  слот "
                  << bell.Slot << "  трек " << bell.Track << "\n";
    if (plan.Replace)
        ToolOut() << "Будут удалены прежние звонки: " << outcome.Removed.size() << "\n";
    const std::vector<std::string> clashes = BellClashes(project, plan, outcome);
    if (clashes.empty())
        ToolOut() << "Проверка: совпадений по времени нет\n";
    else
        ToolOut() << "Проверка: найдено совпадений по времени: " << clashes.size() << "\n";
    for (const std::string &line : clashes)
        ToolOut() << line << "\n";
    ToolOut() << "Файл не изменён (--dry-run)\n";
    return clashes.empty() ? 0 : 1;
}

} // namespace

// sigcfg-tool bells FILE.vlpj --group G --start HH:MM --lessons N --lesson MIN ...: the window's
// bell generator on a file, written back in place, then the clash check as `check` prints it.
int RunBells(const std::vector<std::string> &givenArgs)
{
    std::vector<std::string> args = givenArgs;
    TBellPlan plan;
    plan.Replace = TakeFlag(args, "--replace");
    const bool dryRun = TakeFlag(args, "--dry-run");
    TFileOptions options;
    if (!options.Read(args,
                      {"--group", "--start", "--lessons", "--lesson", "--breaks", "--days", "--start-track",
                       "--end-track", "--warn", "--warn-track", "--volume", "--prefix"},
                      "bells"))
        return 2;
    for (const char *required : {"--group", "--start", "--lessons", "--lesson"}) {
        if (!options.Has(required))
            return UsageError(std::string("не указан параметр ") + required, "bells");
    }
    if (options.Has("--warn") != options.Has("--warn-track"))
        return RefuseChange(options.File, "--warn и --warn-track указываются вместе");

    if (!options.Number("--group", 0, plan.Group) || !options.Number("--lessons", 0, plan.Lessons) ||
        !options.Number("--lesson", 0, plan.LessonLength) || !options.Number("--start-track", 1, plan.StartTrack) ||
        !options.Number("--end-track", plan.StartTrack, plan.EndTrack) ||
        !options.Number("--warn", 0, plan.WarningMinutes) || !options.Number("--warn-track", 1, plan.WarningTrack) ||
        !options.Number("--volume", 20, plan.Volume))
        return 2;
    if (options.Has("--warn-track") && plan.WarningMinutes == 0)
        return RefuseChange(options.File, "--warn 0 означает без предупреждения, а --warn-track задаёт его трек: "
                                          "укажите --warn от 1 до " +
                                              std::to_string(MaxWarning) + " минут");
    const std::string &start = options.Values.at("--start");
    if (!ParseClock(start, plan.StartHour, plan.StartMinute))
        return RefuseChange(options.File, "время начала «" + start + "» не в виде ЧЧ:ММ от 00:00 до 23:59");
    if (options.Has("--breaks")) {
        const std::string why = ReadBreaks(options.Values.at("--breaks"), plan.Breaks);
        if (!why.empty())
            return RefuseChange(options.File, why);
    }
    if (options.Has("--days") && !ParseDayList(options.Values.at("--days"), plan.Days))
        return RefuseChange(options.File, "дни «" + options.Values.at("--days") +
                                              "» не в виде 1-5 или 1,3,5 (1 — понедельник, 7 — воскресенье)");
    if (options.Has("--prefix"))
        plan.Prefix = options.Values.at("--prefix");

    TToolProject &loaded = CommandProject();
    if (dryRun) {
        LoadExistingProject(options.File, loaded);
        const TBellOutcome outcome = PreviewBells(loaded.Project, plan);
        if (!outcome.Refusal.empty())
            return RefuseChange(options.File, outcome.Refusal);
        return PrintPlan(loaded.Project, plan, outcome);
    }
    if (!LoadForEdit(options.File, loaded))
        return 2;
    const TBellOutcome outcome = AddBells(loaded.Project, plan);
    if (!outcome.Refusal.empty())
        return RefuseChange(options.File, outcome.Refusal);
    const int verdict = SaveAndCheck(loaded);
    ToolOut() << BellSummary(outcome, plan.Replace) << "\n";
    return verdict;
}
