// File commands: load, save, save as, the project writer, import and export, files named at start
// or dropped on the window, and the recent projects.
#include "ui/mainwindow/sigcfg.h"

#include "storage/csv.h"
#include "storage/projectfile.h"
#include "storage/spreadsheet.h"
#include "ui/document/projectreplace.h"
#include "ui/mainwindow/recentfiles.h"
#include "ui/widgets/logbox.h"
#include "ui/widgets/modeltext.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

enum class TFileKind { None, Project, Exchange };

/// The first bytes of a file (at most limit), enough to tell a project or a workbook; "" when it
/// can not be read (the reader or importer then names the file and the cause).
std::string FirstBytes(const QString &path, qint64 limit)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(limit).toStdString();
}

/// What a dropped or named file is taken for. The content decides first, whatever the name: a
/// project by the reader's own test, a workbook by its signature. Then the name: a .vlpj goes to
/// the reader (which says why it is no project), the table extensions to the importer. A file of
/// another name is a CSV table when its content reads as one.
TFileKind KindOf(const QString &path)
{
    // Far more than a project's header or a whole timetable's CSV take.
    const std::string head = FirstBytes(path, 1 << 20);
    if (IsProjectText(head))
        return TFileKind::Project;
    if (LooksLikeWorkbook(head))
        return TFileKind::Exchange;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"vlpj")
        return TFileKind::Project;
    if (suffix == u"csv" || suffix == u"xlsx" || suffix == u"xls" || suffix == u"ods")
        return TFileKind::Exchange;
    auto scratch = std::make_unique<TProject>();
    if (!head.empty() && ParseCsv(head, *scratch) == TImportResult::Imported)
        return TFileKind::Exchange;
    return TFileKind::None;
}

/// The one local file of a drop that the window can open, or "".
QString DroppedFile(const QMimeData *data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return QString();
    const QUrl url = data->urls().front();
    if (!url.isLocalFile() || KindOf(url.toLocalFile()) == TFileKind::None)
        return QString();
    return url.toLocalFile();
}

} // namespace

void TfrMain::miProjectLoadClick()
{
    if (Modified && !AskSaveChanges())
        return;
    const std::optional<Prompts::FileChoice> choice =
        prompts().OpenFile(u"Загрузить проект"_s, ProjectFilter(), FRecent->LastFolder());
    if (!choice)
        return;
    RememberFolder(choice->Path);
    LoadProject(choice->Path);
}

void TfrMain::LoadProject(const QString &path)
{
    // Read whole into a project of its own first: a file that is refused leaves the open project
    // as it was, whatever was answered to the save question.
    TProject loaded;
    ResetProject(loaded);
    std::vector<std::string> playList;
    std::vector<TSkippedEntry> skipped;
    LoadProjectFile(path.toStdString(), loaded, playList, skipped);
    Project = std::move(loaded);
    PlayList = std::move(playList);
    FDocument->Reopened();
    ProjectOpened();
    ShowFilePath();
    RememberProject(path);
    ShowSkipped(path, skipped);
}

void TfrMain::ShowSkipped(const QString &path, const std::vector<TSkippedEntry> &skipped)
{
    std::vector<std::string> lines;
    for (const TSkippedEntry &entry : skipped)
        lines.push_back(entry.Key + ": " + entry.Reason);
    if (lines.empty())
        return;
    // A later save would lose them: the operator hears of it once, and the log keeps the list.
    constexpr size_t Shown = 10;
    QString text = u"В файле "_s + path +
                   u" есть записи, которым нет места в проекте. Они пропущены или при сохранении "_s +
                   u"будут записаны иначе:"_s;
    for (size_t i = 0; i < lines.size(); ++i) {
        AddLog(u"Пропущено: "_s + FromModel(lines[i]));
        if (i < Shown)
            text += u"\n"_s + FromModel(lines[i]);
    }
    if (lines.size() > Shown)
        text += u"\n… и ещё "_s + QString::number(lines.size() - Shown) + u" (см. журнал)"_s;
    prompts().Notice(ApplicationTitle(), text);
}

bool TfrMain::ConfirmReplace(const QString &path)
{
    return !QFileInfo::exists(path) ||
           prompts().AskYesNo(u"Подтверждение"_s, u"Файл "_s + path + u" уже существует. Заменить его?"_s);
}

void TfrMain::miProjectSaveClick()
{
    SaveProject();
}

bool TfrMain::SaveProject()
{
    if (Project.FileName.empty()) {
        const QString path = AskProjectPath();
        if (path.isEmpty())
            return false;
        Project.FileName = path.toStdString();
    }
    return WriteProjectFile();
}

QString TfrMain::AskProjectPath()
{
    // Proposed: the project's name as the file name, in the folder used last.
    QString start = FRecent->LastFolder();
    if (!Project.Name.empty()) {
        QString name = FromModel(Project.Name);
        name.replace(u'/', u'_');
        start = (start.isEmpty() ? name : start + u'/' + name) + u".vlpj"_s;
    }
    const std::optional<Prompts::FileChoice> choice =
        prompts().SaveFile(u"Сохранить проект как ..."_s, ProjectFilter(), start);
    if (!choice)
        return QString();
    QString path = choice->Path;
    if (!path.contains(u".vlpj"_s, Qt::CaseSensitive))
        path += u".vlpj"_s;
    RememberFolder(path);
    return ConfirmReplace(path) ? path : QString();
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
    ShowFilePath();
    SaveProjectFile(Project, PlayList);
    Modified = false;
    ShowTitle();
    const QString path = FromModel(Project.FileName);
    ShowSaved(path);
    RememberProject(path);
    RunCheckProject();
    return true;
}

void TfrMain::miProjectImportClick()
{
    if (Modified && !AskSaveChanges())
        return;
    const std::optional<Prompts::FileChoice> choice =
        prompts().OpenFile(u"Импорт проекта"_s, ImportFilter(), FRecent->LastFolder());
    if (!choice)
        return;
    RememberFolder(choice->Path);
    ImportProject(choice->Path);
}

void TfrMain::ImportProject(const QString &path)
{
    // The content decides the format, whatever the name or the filter entry, as the tool does.
    // Into a copy: the step keeps the project before it, and a refused file changes nothing.
    const std::string file = path.toStdString();
    TProject imported = Project;
    std::vector<TSkippedEntry> skipped;
    const TImportResult result = LooksLikeWorkbook(FirstBytes(path, 8)) ? ImportSpreadsheet(file, imported, skipped)
                                                                        : ImportCsv(file, imported, skipped);
    if (result == TImportResult::WrongFormat) {
        prompts().Notice(ApplicationTitle(), FromModel(WrongFormatMessage));
        return;
    }
    if (Ui.miProjectClose->isEnabled()) {
        FDocument->Do(new TProjectReplace(*FDocument, imported, PlayList, u"импорт "_s + QFileInfo(path).fileName()));
        ProjectOpened();
    } else {
        // No project was open: there is nothing to go back to.
        Project = std::move(imported);
        FDocument->Reopened();
        ProjectOpened();
    }
    ShowFilePath();
    ShowSkipped(path, skipped);
}

void TfrMain::miProjectExportClick()
{
    const std::optional<Prompts::FileChoice> choice =
        prompts().SaveFile(u"Экспорт проекта"_s, ExchangeFilter(), FRecent->LastFolder());
    if (!choice)
        return;
    // The writers replace the file atomically, so a failed export leaves the old file in place.
    QString path = choice->Path;
    if (choice->FilterIndex == 0) {
        if (!path.contains(u".csv"_s, Qt::CaseSensitive))
            path += u".csv"_s;
        if (!ConfirmReplace(path))
            return;
        ExportCsv(Project, path.toStdString());
    } else {
        if (!ConfirmReplace(path))
            return;
        ExportSpreadsheet(Project, path.toStdString());
    }
    RememberFolder(path);
    ShowSaved(path);
    RunCheckProject();
}

void TfrMain::OpenFile(const QString &named)
{
    // Absolute, so the status bar and the recent list say where it is whatever the start folder.
    const QString path = named.isEmpty() ? named : QFileInfo(named).absoluteFilePath();
    const TFileKind kind = KindOf(path);
    if (kind == TFileKind::None) {
        prompts().Notice(
            ApplicationTitle(),
            u"Файл не открыт: "_s + path +
                u"\nОткрываются проекты (строка «[Project]» в начале файла) и таблицы .csv, .xlsx, .xls, .ods"_s);
        return;
    }
    if (!QFileInfo(path).isFile()) {
        prompts().Notice(ApplicationTitle(), u"Файл не найден: "_s + path);
        return;
    }
    if (Modified && !AskSaveChanges())
        return;
    RememberFolder(path);
    if (kind == TFileKind::Project)
        LoadProject(path);
    else
        ImportProject(path);
}

void TfrMain::dragEnterEvent(QDragEnterEvent *event)
{
    if (!DroppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TfrMain::dropEvent(QDropEvent *event)
{
    const QString path = DroppedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    OpenFile(path);
}

// ---- recent projects ----

void TfrMain::RememberProject(const QString &path)
{
    FRecent->Add(path);
    FillRecentMenu();
}

void TfrMain::RememberFolder(const QString &path)
{
    FRecent->SetLastFolder(QFileInfo(path).absolutePath());
}

void TfrMain::FillRecentMenu()
{
    Ui.miRecent->clear();
    const QStringList files = FRecent->Files();
    for (int i = 0; i < files.size(); ++i) {
        // The digit is the access key; the path shows as it is (an "&" in it stays a letter).
        QString caption = files[i];
        caption.replace(u'&', u"&&"_s);
        QAction *action = Ui.miRecent->addAction(u'&' + QString::number(i + 1) + u' ' + caption);
        connect(action, &QAction::triggered, this, [this, file = files[i]] { OpenRecent(file); });
    }
    Ui.miRecent->setEnabled(!files.isEmpty());
}

void TfrMain::OpenRecent(const QString &path)
{
    if (!QFileInfo(path).isFile()) {
        prompts().Notice(ApplicationTitle(),
                         u"Файл не найден: "_s + path + u"\nОн убран из списка последних проектов."_s);
        FRecent->Remove(path);
        FillRecentMenu();
        return;
    }
    if (Modified && !AskSaveChanges())
        return;
    RememberFolder(path);
    LoadProject(path);
}
