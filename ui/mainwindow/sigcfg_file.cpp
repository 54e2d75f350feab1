// File commands: load, save, save as, the project writer, import and export, files named at start
// or dropped on the window, and the recent projects.
#include "ui/mainwindow/sigcfg.h"

#include "device/tracklist.h"
#include "model/codepage.h"
#include "storage/csv.h"
#include "storage/projectfile.h"
#include "storage/spreadsheet.h"
#include "ui/document/playlistchange.h"
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
#include <QStatusBar>
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

/// The MP3 files of a drop, when every file dropped is a local one ending in .mp3; else none.
QStringList DroppedTracks(const QMimeData *data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl &url : data->urls()) {
        const QString path = url.toLocalFile();
        if (!url.isLocalFile() || !path.endsWith(u".mp3"_s, Qt::CaseInsensitive) || !QFileInfo(path).isFile())
            return QStringList();
        paths.push_back(QFileInfo(path).absoluteFilePath());
    }
    return paths;
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
    std::vector<QString> lost;
    bool hidden = false;
    for (const TSkippedEntry &entry : skipped) {
        const QString line = FromModel(entry.Key + ": " + entry.Reason);
        AddLog((entry.Hidden ? u"Скрыто: "_s : u"Пропущено: "_s) + line);
        hidden = hidden || entry.Hidden;
        if (!entry.Hidden)
            lost.push_back(line);
    }
    // What a later save would lose: the operator hears of it once, and the log keeps the list.
    QStringList paragraphs;
    if (!lost.empty()) {
        constexpr size_t Shown = 10;
        QString text = u"В файле "_s + path +
                       u" есть записи, которым нет места в проекте. Они пропущены или при "_s +
                       u"сохранении будут записаны иначе:"_s;
        for (size_t i = 0; i < std::min(lost.size(), Shown); ++i)
            text += u"\n"_s + lost[i];
        if (lost.size() > Shown)
            text += u"\n… и ещё "_s + QString::number(lost.size() - Shown) + u" (см. журнал)"_s;
        paragraphs.push_back(text);
    }
    // Groups and zones above the device's zone count are still in the project: not lost until a save.
    if (QString text = HiddenByDeviceType(Project, Project.DeviceType); hidden && !text.isEmpty()) {
        text[0] = text[0].toLower();
        paragraphs.push_back(u"В файле "_s + path + u' ' + text +
                             u".\nДо сохранения это можно вернуть: выберите прибор с большим числом зон (щелчок по "_s +
                             u"«Устройство:»), и оно снова будет показано и сохранено."_s);
    }
    if (!paragraphs.isEmpty())
        prompts().Notice(ApplicationTitle(), paragraphs.join(u"\n\n"_s));
}

QString TfrMain::SaveStart() const
{
    // The project's name as the file name, in the folder used last (else the project's own).
    QString folder = FRecent->LastFolder();
    if (folder.isEmpty() && !Project.FileName.empty())
        folder = QFileInfo(FromModel(Project.FileName)).absolutePath();
    if (Project.Name.empty())
        return folder;
    QString name = FromModel(Project.Name);
    name.replace(u'/', u'_');
    return folder.isEmpty() ? name : folder + u'/' + name;
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
    const std::optional<Prompts::FileChoice> choice =
        prompts().SaveFileAs(u"Сохранить проект как ..."_s, ProjectFilter(),
                             {{u".vlpj"_s, Prompts::TExtensionRule::Contained}}, SaveStart());
    if (!choice)
        return QString();
    RememberFolder(choice->Path);
    return choice->Path;
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
    const std::optional<Prompts::FileChoice> choice = prompts().SaveFileAs(
        u"Экспорт проекта"_s, ExchangeFilter(),
        {{u".csv"_s, Prompts::TExtensionRule::Contained}, {u".xlsx"_s, Prompts::TExtensionRule::NoSuffix}},
        SaveStart());
    if (!choice)
        return;
    // The writers replace the file atomically, so a failed export leaves the old file in place.
    const QString path = choice->Path;
    if (choice->FilterIndex == 0)
        ExportCsv(Project, path.toStdString());
    else
        ExportSpreadsheet(Project, path.toStdString());
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
    // Tracks go into the open project's playlist; with no project open there is none.
    if (!DroppedFile(event->mimeData()).isEmpty() ||
        (Ui.miSavePlaylist->isEnabled() && !DroppedTracks(event->mimeData()).isEmpty()))
        event->acceptProposedAction();
}

void TfrMain::dropEvent(QDropEvent *event)
{
    if (const QStringList tracks = DroppedTracks(event->mimeData());
        !tracks.isEmpty() && Ui.miSavePlaylist->isEnabled()) {
        event->acceptProposedAction();
        AddDroppedTracks(tracks);
        return;
    }
    const QString path = DroppedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    OpenFile(path);
}

void TfrMain::AddDroppedTracks(const QStringList &paths)
{
    std::vector<std::string> playList = PlayList;
    QStringList numbers, shown;
    for (const QString &path : paths) {
        const std::string file = path.toStdString();
        if (!Utf8ToCp1251(file)) {
            prompts().Notice(ApplicationTitle(), u"Трек не добавлен: в пути "_s + path +
                                                     u" есть знаки, которых нет в кодировке файла проекта "_s +
                                                     u"(Windows-1251)"_s);
            return;
        }
        const int32_t track = FirstFreeTrack(playList);
        if (track == 0) {
            prompts().Notice(ApplicationTitle(),
                             u"Трек "_s + path + u" не добавлен: все номера треков от 1 до 999 заняты"_s);
            return;
        }
        playList.push_back(std::to_string(track) + ";" + file);
        numbers.push_back(QString::number(track));
        shown.push_back(u"трек "_s + numbers.back() + u" — "_s + QFileInfo(path).fileName());
    }
    FDocument->Do(new TPlayListChange(*FDocument, std::move(playList),
                                      (numbers.size() == 1 ? u"трек "_s : u"треки "_s) + numbers.join(u", "_s) +
                                          u" в плейлист"_s));
    statusBar()->showMessage(u"Добавлено в плейлист: "_s + shown.join(u", "_s), 10000);
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
