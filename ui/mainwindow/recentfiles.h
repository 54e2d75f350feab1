#pragma once

#include <QString>
#include <QStringList>

/// The last projects opened or saved (absolute paths, newest first, at most Limit) and the folder
/// the file dialogs used last, kept in the program's settings.
class TRecentFiles
{
public:
    static constexpr int Limit = 8;

    QStringList Files() const;
    /// Puts a file first; an older entry of the same file goes.
    void Add(const QString &path);
    void Remove(const QString &path);

    /// The folder of the last file chosen in a file dialog; "" when there is none yet.
    QString LastFolder() const;
    void SetLastFolder(const QString &folder);
};
