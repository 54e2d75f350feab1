#include "ui/dialogs/prompts.h"

#include "ui/widgets/screenfit.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

// Returns the pressed standard button of a modal message box.
QMessageBox::StandardButton RunBox(QWidget *parent, QMessageBox::Icon icon, const QString &caption, const QString &text,
                                   QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, caption, text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

// Qt's own file dialog rather than the desktop's, so the program behaves the same everywhere.
std::optional<Prompts::FileChoice> RunFileDialog(QWidget *parent, const QString &caption, const QString &filter,
                                                 const QString &start, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, caption);
    const QFileInfo startInfo(start);
    if (!start.isEmpty() && startInfo.isDir()) {
        dialog.setDirectory(start);
    } else if (!start.isEmpty()) {
        dialog.setDirectory(startInfo.absolutePath());
        dialog.selectFile(startInfo.fileName());
    }
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    // AnyFile in both directions: the open dialog takes the typed name of a missing file too.
    dialog.setFileMode(QFileDialog::AnyFile);
    if (mode == QFileDialog::AcceptSave)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    // The entries read as their names alone ("Файл csv", "Excel файл"), without the patterns.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilter(filter);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.first().isEmpty())
        return std::nullopt;
    // With the patterns hidden the dialog names the entry without them: match on either form.
    const QString selected = dialog.selectedNameFilter();
    const QStringList entries = dialog.nameFilters();
    int index = 0;
    for (int i = 0; i < entries.size(); ++i) {
        if (entries[i] == selected || entries[i].startsWith(selected + QStringLiteral(" ("))) {
            index = i;
            break;
        }
    }
    return Prompts::FileChoice{files.first(), index};
}

} // namespace

bool TRealPrompts::AskYesNo(const QString &caption, const QString &text)
{
    // Only an explicit No counts as no; Escape picks No as well.
    return RunBox(Parent, QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No) != QMessageBox::No;
}

Prompts::TAnswer TRealPrompts::AskYesNoCancel(const QString &caption, const QString &text)
{
    // Escape and the close box press Cancel, the box's escape button.
    switch (RunBox(Parent, QMessageBox::Question, caption, text,
                   QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
        return TAnswer::Yes;
    case QMessageBox::No:
        return TAnswer::No;
    default:
        return TAnswer::Cancel;
    }
}

bool TRealPrompts::AskOkCancel(const QString &caption, const QString &text)
{
    return RunBox(Parent, QMessageBox::Question, caption, text, QMessageBox::Ok | QMessageBox::Cancel) ==
           QMessageBox::Ok;
}

void TRealPrompts::Notice(const QString &caption, const QString &text)
{
    RunBox(Parent, QMessageBox::NoIcon, caption, text, QMessageBox::Ok);
}

void TRealPrompts::Error(const QString &caption, const QString &text)
{
    RunBox(Parent, QMessageBox::Critical, caption, text, QMessageBox::Ok);
}

std::optional<Prompts::FileChoice> TRealPrompts::OpenFile(const QString &caption, const QString &filter,
                                                          const QString &start)
{
    return RunFileDialog(Parent, caption, filter, start, QFileDialog::AcceptOpen);
}

std::optional<Prompts::FileChoice> TRealPrompts::SaveFile(const QString &caption, const QString &filter,
                                                          const QString &start)
{
    return RunFileDialog(Parent, caption, filter, start, QFileDialog::AcceptSave);
}

std::optional<Prompts::FileChoice> Prompts::SaveFileAs(const QString &caption, const QString &filter,
                                                       const std::vector<TSaveType> &types, const QString &start)
{
    // A name (not a folder) is proposed as it will be written. With several types it goes bare: the
    // extension of the first would stay when another type is picked, and name a workbook ".csv".
    const bool named = !start.isEmpty() && !QFileInfo(start).isDir() && types.size() == 1;
    std::optional<FileChoice> choice = SaveFile(caption, filter, named ? start + types.front().Extension : start);
    if (!choice)
        return std::nullopt;
    if (choice->FilterIndex >= 0 && size_t(choice->FilterIndex) < types.size())
        choice->Path = WithExtension(choice->Path, types[size_t(choice->FilterIndex)]);
    // The file dialog knew only the name typed; the question is about the file that will be replaced.
    if (QFileInfo::exists(choice->Path) &&
        !AskYesNo(QStringLiteral("Подтверждение"),
                  QStringLiteral("Файл ") + choice->Path + QStringLiteral(" уже существует. Заменить его?")))
        return std::nullopt;
    return choice;
}

QString Prompts::WithExtension(const QString &path, const TSaveType &type)
{
    bool has = false;
    switch (type.Rule) {
    case TExtensionRule::Contained:
        has = path.contains(type.Extension, Qt::CaseSensitive);
        break;
    case TExtensionRule::NoSuffix:
        has = !QFileInfo(path).suffix().isEmpty();
        break;
    case TExtensionRule::Ending:
        has = path.endsWith(type.Extension, Qt::CaseInsensitive);
        break;
    }
    return has ? path : path + type.Extension;
}

int TRealPrompts::ShowModal(QDialog &dialog)
{
    FitToAvailableScreen(dialog);
    // The dialogs have no Cancel: anything but their OK is the close box.
    return dialog.exec() == QDialog::Accepted ? 1 : 2;
}

QString ApplicationTitle()
{
    if (!QCoreApplication::instance())
        return QStringLiteral("sigcfg");
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}
