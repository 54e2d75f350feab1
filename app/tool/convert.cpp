#include "app/tool/commands.h"
#include "app/tool/toolio.h"
#include "model/error.h"
#include "storage/csv.h"
#include "storage/fileio.h"
#include "storage/spreadsheet.h"

#include "app/tool/stdstreams.h"
#include <algorithm>

namespace {

enum class TKind { Unknown, Project, Csv, Workbook, Xlsx };

std::string LowerExtension(const std::string &path)
{
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

TKind InputKind(const std::string &path)
{
    const std::string ext = LowerExtension(path);
    if (ext == ".vlpj")
        return TKind::Project;
    if (ext == ".csv")
        return TKind::Csv;
    if (ext == ".xlsx" || ext == ".xls" || ext == ".ods")
        return TKind::Workbook;
    return TKind::Unknown;
}

TKind OutputKind(const std::string &path)
{
    const std::string ext = LowerExtension(path);
    if (ext == ".vlpj")
        return TKind::Project;
    if (ext == ".csv")
        return TKind::Csv;
    if (ext == ".xlsx")
        return TKind::Xlsx;
    return TKind::Unknown;
}

bool Handled(TKind in, TKind out)
{
    switch (in) {
    case TKind::Project:
        return out == TKind::Project || out == TKind::Csv || out == TKind::Xlsx;
    case TKind::Csv:
        return out == TKind::Project || out == TKind::Xlsx;
    case TKind::Workbook:
        return out == TKind::Project || out == TKind::Csv;
    default:
        return false;
    }
}

constexpr const char *Pairs = "  .vlpj -> .vlpj, .csv, .xlsx\n"
                              "  .csv -> .vlpj, .xlsx\n"
                              "  .xlsx, .xls, .ods -> .vlpj, .csv\n";

void ImportSchedule(TKind kind, const std::string &path, TProject &project, std::vector<TSkippedEntry> &skipped)
{
    const TImportResult result =
        kind == TKind::Csv ? ImportCsv(path, project, skipped) : ImportSpreadsheet(path, project, skipped);
    if (result == TImportResult::WrongFormat)
        throw TFormatError(std::string(WrongFormatMessage) + ": " + path);
}

// What a CSV file or workbook has no column for: it holds the schedule alone, as 32 zones.
std::vector<std::string> ExchangeLosses(const TProject &project, const std::vector<std::string> &playList)
{
    std::vector<std::string> losses;
    if (!project.Name.empty())
        losses.push_back("название проекта «" + project.Name + "»");
    if (project.DeviceType != 0 && project.DeviceType != DeviceTypeCount - 1)
        losses.push_back("тип устройства «" + std::string(DeviceTypeNames[project.DeviceType]) +
                         "» (файл обмена читается как «" + std::string(DeviceTypeNames[DeviceTypeCount - 1]) + "»)");
    int groupNames = 0, emptyGroups = 0, scenarioNames = 0;
    for (int g = 1; g <= MaxGroups; ++g) {
        const TGroup &group = project.Groups[g];
        if (!group.Used)
            continue;
        groupNames += group.Name.empty() ? 0 : 1;
        int scenarios = 0;
        for (int s = 1; s <= MaxScenarios; ++s) {
            scenarios += group.Scenarios[s].Used ? 1 : 0;
            scenarioNames += group.Scenarios[s].Used && !group.Scenarios[s].Name.empty() ? 1 : 0;
        }
        emptyGroups += scenarios == 0 ? 1 : 0;
    }
    const auto count = [&](int n, const char *what) {
        if (n > 0)
            losses.push_back(what + std::to_string(n));
    };
    count(groupNames, "названия групп: ");
    count(emptyGroups, "группы без сценариев: ");
    count(scenarioNames, "названия сценариев: ");
    count(int(std::min<size_t>(playList.size(), INT32_MAX)), "строки плейлиста: ");
    return losses;
}

} // namespace

int RunConvert(const std::vector<std::string> &args)
{
    if (!ExpectArgs(args, 2, "convert"))
        return 2;
    const std::string &in = args[0];
    const std::string &out = args[1];
    const TKind inKind = InputKind(in);
    const TKind outKind = OutputKind(out);
    if (!Handled(inKind, outKind)) {
        ToolErr() << "sigcfg-tool: " << in << " не преобразуется в " << out << "; преобразования по расширению:\n"
                  << Pairs;
        return 2;
    }

    // A slip of the hand must not put the output where the input was.
    RefuseSameFile(in, out);

    TToolProject &loaded = CommandProject();
    TProject &project = loaded.Project;
    const std::vector<std::string> &playList = loaded.PlayList;
    if (inKind == TKind::Project)
        LoadExistingProject(in, loaded);
    else
        ImportSchedule(inKind, in, project, loaded.Skipped);

    // Every loss is told before the output is written.
    PrintSkipped(in, loaded, "не записано");
    const std::vector<std::string> losses =
        outKind != TKind::Project ? ExchangeLosses(project, playList) : std::vector<std::string>();
    for (const std::string &loss : losses)
        ToolErr() << "sigcfg-tool: " << out << ": не записано: " << loss << " — в файле обмена этого нет\n";

    switch (outKind) {
    case TKind::Project:
        project.FileName = out;
        SaveProjectFile(project, playList);
        break;
    case TKind::Csv:
        ExportCsv(project, out);
        break;
    case TKind::Xlsx:
        ExportSpreadsheet(project, out);
        break;
    default:
        break;
    }
    return loaded.Skipped.empty() && losses.empty() ? 0 : 1;
}
