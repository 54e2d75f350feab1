#include "app/tool/commands.h"
#include "app/tool/toolio.h"
#include "app/tool/usage.h"
#include "device/cardcheck.h"
#include "device/cardsummary.h"
#include "device/levelling.h"
#include "device/trackcopy.h"
#include "device/tracklist.h"
#include "model/lib.h"
#include "storage/fileio.h"

#include "app/tool/stdstreams.h"
#include <algorithm>
#include <cstdlib>
#include <optional>

namespace {

// Takes a flag out of the arguments; true when it was there.
bool TakeFlag(std::vector<std::string> &args, const char *flag)
{
    const auto found = std::find(args.begin(), args.end(), flag);
    if (found == args.end())
        return false;
    args.erase(found);
    return true;
}

// What would put on the card something other than the project's tracks: numbers that name no
// card file of their own, and existing files that are not sound MP3 (missing ones are told later).
std::vector<std::string> CopyRefusals(const std::vector<std::string> &playList)
{
    std::vector<std::string> lines = PlayListNumberProblems(playList);
    std::vector<std::string> present;
    for (const std::string &line : playList)
        if (const std::string path(TextAfter(line, ";")); !path.empty() && FileExists(path))
            present.push_back(line);
    TTrackCache cache;
    for (std::string &line : CopyProblemLines(present, cache))
        lines.push_back(std::move(line));
    return lines;
}

// Takes "--level LUFS" out of command's arguments: nothing when absent, false when its value is
// missing or not a level a card should get (message printed).
bool TakeLevel(std::vector<std::string> &args, std::optional<double> &level, const char *command)
{
    const auto found = std::find(args.begin(), args.end(), "--level");
    if (found == args.end())
        return true;
    const std::string text = found + 1 != args.end() ? *(found + 1) : "";
    args.erase(found, found + 1 != args.end() ? found + 2 : found + 1);
    char *end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(value >= MinLevelLufs && value <= MaxLevelLufs)) {
        UsageError("--level: громкость в LUFS от " + std::to_string(int(MinLevelLufs)) + " до " +
                       std::to_string(int(MaxLevelLufs)) + ", например -16",
                   command);
        return false;
    }
    level = value;
    return true;
}

// The card folder the command was given; its error, when refused, is printed here.
TCardTarget CardTargetOrSay(const std::string &folder)
{
    TCardTarget target = CheckCardTarget(folder);
    if (!target.Error.empty())
        ToolErr() << "sigcfg-tool: " << target.Error << "\n";
    return target;
}

} // namespace

// sigcfg-tool copy-tracks [--no-verify] [--force] [--make-room] [--level LUFS] FILE.vlpj TARGET: the card
// writer's copy stage alone, for the playlist stored in FILE; the same log lines as the window, on
// standard output, then the track-named files on the card that do not hold what the project plays,
// then the summary read from the card. Files that are not MP3 and numbers that name no card file of
// their own refuse the copy (exit 2) unless --force, as does another run on the same card.
// --make-room lets a full card lose an old track before its copy (kept in the card journal
// meanwhile). --level re-encodes each track at that loudness on its way to the card; the summary
// then says what became of each.
int RunCopyTracks(const std::vector<std::string> &args)
{
    std::vector<std::string> rest = args;
    TCopyOptions options;
    options.Verify.Enabled = !TakeFlag(rest, "--no-verify");
    const bool force = TakeFlag(rest, "--force");
    options.MakeRoom = TakeFlag(rest, "--make-room");
    std::optional<double> level;
    if (!TakeLevel(rest, level, "copy-tracks"))
        return 2;
    TLevelLog levels;
    if (!ExpectArgs(rest, 2, "copy-tracks"))
        return 2;
    TToolProject &loaded = CommandProject();
    LoadExistingProject(rest[0], loaded);
    const TCardTarget target = CardTargetOrSay(rest[1]);
    if (!target.Error.empty())
        return 2;
    const std::vector<std::string> refusals = CopyRefusals(loaded.PlayList);
    TStdoutLog log(TStdoutLog::LineByLine);
    if (!refusals.empty() && !force) {
        for (const std::string &line : refusals)
            ToolErr() << line << "\n";
        ToolErr() << "sigcfg-tool: на карте будет не то, что в проекте: ничего не скопировано (--force копирует всё "
                     "равно)\n";
        return 2;
    }
    for (const std::string &line : refusals)
        log.AddLog(line);
    const std::vector<int32_t> noFile = LogTracksWithoutFile(loaded.Project, loaded.PlayList, log);
    if (level)
        options.Remake = LevellingRemake(*level, levels, loaded.PlayList);
    const TCopyReport report = CopyTracks(loaded.PlayList, target.Folder, log, options);
    if (!report.Refused.empty())
        return 2;
    // A card that went away is not looked at again: its folder now lies on another disk.
    if (!report.CardRemoved)
        for (const std::string &line : CardMismatchLines(loaded.Project, loaded.PlayList, target.Folder))
            log.AddLog(line);
    const TCopySummary summary = SummarizeCopy(report, noFile);
    if (level)
        if (const std::string text = levels.Summary(*level); !text.empty())
            log.AddLog(text);
    log.AddLog(summary.Text());
    return summary.Clean() && !report.CardRemoved && !report.Stopped ? 0 : 1;
}

// sigcfg-tool card-check [--level LUFS] FILE.vlpj FOLDER: does the card hold exactly what the
// playlist of FILE would put there (with --level, what copy-tracks --level would)? Each difference
// on a line of its own, then the summary; exit 0 when none.
int RunCardCheck(const std::vector<std::string> &args)
{
    std::vector<std::string> rest = args;
    std::optional<double> level;
    if (!TakeLevel(rest, level, "card-check") || !ExpectArgs(rest, 2, "card-check"))
        return 2;
    TToolProject &loaded = CommandProject();
    LoadExistingProject(rest[0], loaded);
    const TCardTarget target = CardTargetOrSay(rest[1]);
    if (!target.Error.empty())
        return 2;
    const TCardCheck check = CheckCard(loaded.PlayList, target.Folder, level);
    TStdoutLog log(TStdoutLog::LineByLine);
    for (const std::string &line : check.Differences)
        log.AddLog(line);
    log.AddLog(check.Summary());
    return check.Clean() ? 0 : 1;
}
