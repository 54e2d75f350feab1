#pragma once

#include <QString>
#include <optional>
#include <vector>

class QDialog;
class QWidget;

/// The one seam through which every modal question passes: message boxes, file dialogs and
/// the modal loop of the program's own dialogs. Tests give the window a scripted implementation.
class Prompts
{
public:
    /// A file chosen in a file dialog and the filter entry (0-based) selected there.
    struct FileChoice
    {
        QString Path;
        int FilterIndex = 0;
    };

    enum class TAnswer { Yes, No, Cancel };

    /// How a save dialog completes a name with the extension of the chosen filter entry.
    enum class TExtensionRule {
        Contained, // added unless the name holds it anywhere, in the letter case given (".vlpj", ".csv")
        NoSuffix,  // added only to a name without any extension: a workbook named plan.csv stays so
        Ending,    // added unless the name ends with it, in any letter case (".pdf", ".mp3")
    };
    /// What one filter entry of a save dialog writes.
    struct TSaveType
    {
        QString Extension;
        TExtensionRule Rule;
    };

    virtual ~Prompts() = default;

    /// Yes/No question with a question icon; false only when the answer is No.
    virtual bool AskYesNo(const QString &caption, const QString &text) = 0;
    /// Yes/No/Cancel question with a question icon; Escape and the close box answer Cancel.
    virtual TAnswer AskYesNoCancel(const QString &caption, const QString &text) = 0;
    /// OK/Cancel question; true for OK.
    virtual bool AskOkCancel(const QString &caption, const QString &text) = 0;
    /// A plain notice with an OK button.
    virtual void Notice(const QString &caption, const QString &text) = 0;
    /// An error in the critical message box.
    virtual void Error(const QString &caption, const QString &text) = 0;

    /// Open dialog; filter in Qt syntax, entries separated by ";;". Accepts a typed name of a
    /// missing file. Nothing when cancelled. start: the folder or file the dialog opens on.
    virtual std::optional<FileChoice> OpenFile(const QString &caption, const QString &filter,
                                               const QString &start = {}) = 0;
    /// The save dialog of every command that writes a file. start: a folder, or a folder and a name
    /// without extension, proposed with the extension when there is one type. The chosen name gets the
    /// extension of its filter entry (types: one per entry) by that entry's rule, and a file that
    /// already has the resulting name is replaced only after a yes. Nothing when cancelled or when
    /// the file is to stay.
    std::optional<FileChoice> SaveFileAs(const QString &caption, const QString &filter,
                                         const std::vector<TSaveType> &types, const QString &start = {});
    /// The path with the type's extension added where its rule asks for it.
    static QString WithExtension(const QString &path, const TSaveType &type);

    /// Shows one of the program's dialogs modally: 1 for its OK, 2 for the close box.
    virtual int ShowModal(QDialog &dialog) = 0;

protected:
    /// The bare save dialog: the name as typed, without a question about replacing a file. Nothing
    /// when cancelled. start: the folder the dialog opens in, or a proposed file path. Only
    /// SaveFileAs calls it, so no command can skip the extension and the question.
    virtual std::optional<FileChoice> SaveFile(const QString &caption, const QString &filter, const QString &start) = 0;
};

/// The real prompts: Qt message boxes and file dialogs over the given parent window.
class TRealPrompts : public Prompts
{
public:
    explicit TRealPrompts(QWidget *parent = nullptr) : Parent(parent) {}
    void SetParent(QWidget *parent) { Parent = parent; }

    bool AskYesNo(const QString &caption, const QString &text) override;
    TAnswer AskYesNoCancel(const QString &caption, const QString &text) override;
    bool AskOkCancel(const QString &caption, const QString &text) override;
    void Notice(const QString &caption, const QString &text) override;
    void Error(const QString &caption, const QString &text) override;
    std::optional<FileChoice> OpenFile(const QString &caption, const QString &filter,
                                       const QString &start = {}) override;
    int ShowModal(QDialog &dialog) override;

protected:
    std::optional<FileChoice> SaveFile(const QString &caption, const QString &filter, const QString &start) override;

private:
    QWidget *Parent;
};

/// The application title of plain notices: the executable's name without extension.
QString ApplicationTitle();
