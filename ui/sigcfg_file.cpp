// File commands: load, save, save as, the project writer, import and export.
#include "ui/sigcfg.h"

#include "storage/csv.h"
#include "storage/projectfile.h"
#include "storage/spreadsheet.h"
#include "ui/modeltext.h"

using namespace Qt::StringLiterals;

void TfrMain::miProjectLoadClick()
{
    const std::optional<Prompts::FileChoice> choice = prompts().OpenFile(u"Загрузить проект"_s, ProjectFilter());
    if (!choice)
        return;
    std::vector<TSkippedEntry> skipped; // entries with no place in the model are left out quietly
    LoadProjectFile(choice->Path.toStdString(), Project, PlayList, skipped);
    ProjectOpened();
}

void TfrMain::miProjectSaveClick()
{
    if (Project.FileName.empty())
        miProjectSaveAsClick();
    else
        WriteProjectFile();
}

QString TfrMain::AskProjectPath()
{
    const std::optional<Prompts::FileChoice> choice =
        prompts().SaveFile(u"Сохранить проект как ..."_s, ProjectFilter());
    if (!choice)
        return QString();
    QString path = choice->Path;
    if (!path.contains(u".vlpj"_s, Qt::CaseSensitive))
        path += u".vlpj"_s;
    return path;
}

void TfrMain::miProjectSaveAsClick()
{
    const QString path = AskProjectPath();
    if (path.isEmpty())
        return;
    Project.FileName = path.toStdString();
    WriteProjectFile();
}

bool TfrMain::WriteProjectFile()
{
    // Only the card writer comes here without a file: never write where the operator did not choose.
    if (Project.FileName.empty()) {
        const QString path = AskProjectPath();
        if (path.isEmpty())
            return false;
        Project.FileName = path.toStdString();
    }
    if (Project.Name.empty()) {
        Project.Name = AskProjectName().toStdString();
        ShowProjectInfo();
    }
    SaveProjectFile(Project, PlayList);
    Modified = false;
    RunCheckProject();
    return true;
}

void TfrMain::miProjectImportClick()
{
    const std::optional<Prompts::FileChoice> choice = prompts().OpenFile(u"Импорт проекта"_s, ExchangeFilter());
    if (!choice)
        return;
    // The name decides the format, whatever filter entry was picked.
    const std::string path = choice->Path.toStdString();
    const TImportResult result = choice->Path.contains(u".xls"_s, Qt::CaseSensitive) ? ImportSpreadsheet(path, Project)
                                                                                     : ImportCsv(path, Project);
    if (result == TImportResult::WrongFormat) {
        prompts().Notice(ApplicationTitle(), FromModel(WrongFormatMessage));
        return;
    }
    ProjectOpened();
}

void TfrMain::miProjectExportClick()
{
    const std::optional<Prompts::FileChoice> choice = prompts().SaveFile(u"Экспорт проекта"_s, ExchangeFilter());
    if (!choice)
        return;
    // The writers replace the file atomically, so a failed export leaves the old file in place.
    QString path = choice->Path;
    if (choice->FilterIndex == 0) {
        if (!path.contains(u".csv"_s, Qt::CaseSensitive))
            path += u".csv"_s;
        ExportCsv(Project, path.toStdString());
    } else {
        ExportSpreadsheet(Project, path.toStdString());
    }
    RunCheckProject();
}
