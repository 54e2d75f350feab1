#include "app/tool/commands.h"
#include "app/tool/toolio.h"
#include "model/error.h"
#include "storage/csv.h"
#include "storage/fileio.h"
#include "storage/spreadsheet.h"

#include <algorithm>
#include <iostream>

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

void ImportSchedule(TKind kind, const std::string &path, TProject &project)
{
    const TImportResult result = kind == TKind::Csv ? ImportCsv(path, project) : ImportSpreadsheet(path, project);
    if (result == TImportResult::WrongFormat)
        throw TFormatError(std::string(WrongFormatMessage) + ": " + path);
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
        std::cerr << "sigcfg-tool: " << in << " не преобразуется в " << out << "; преобразования по расширению:\n"
                  << Pairs;
        return 2;
    }

    TToolProject loaded;
    TProject &project = loaded.Project;
    const std::vector<std::string> &playList = loaded.PlayList;
    if (inKind == TKind::Project) {
        LoadExistingProject(in, loaded);
        for (const TSkippedEntry &entry : loaded.Skipped)
            std::cerr << "sigcfg-tool: " << in << ": пропущено " << entry.Key << ": " << entry.Reason << "\n";
    } else {
        ImportSchedule(inKind, in, project);
    }

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
    return 0;
}
