#include "ui/mainwindow/recentfiles.h"

#include <QFileInfo>
#include <QSettings>

using namespace Qt::StringLiterals;

namespace {

const QString FilesKey = u"recent/files"_s;
const QString FolderKey = u"recent/folder"_s;

} // namespace

QStringList TRecentFiles::Files() const
{
    QStringList files = QSettings().value(FilesKey).toStringList();
    files.removeAll(QString());
    return files.mid(0, Limit);
}

void TRecentFiles::Add(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList files = Files();
    files.removeAll(absolute);
    files.prepend(absolute);
    QSettings().setValue(FilesKey, files.mid(0, Limit));
}

void TRecentFiles::Remove(const QString &path)
{
    QStringList files = Files();
    files.removeAll(path);
    QSettings().setValue(FilesKey, files);
}

QString TRecentFiles::LastFolder() const
{
    return QSettings().value(FolderKey).toString();
}

void TRecentFiles::SetLastFolder(const QString &folder)
{
    QSettings().setValue(FolderKey, folder);
}
