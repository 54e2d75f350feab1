#pragma once

#include "ui/dialogs/prompts.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

class QDialog;

/// A Prompts that answers from a script, in order. A question that the script does not expect
/// fails the test (ADD_FAILURE) and gets a neutral answer: No, Cancel, no file, the close box.
/// Answers left over when the object dies fail the test as well.
class TScriptedPrompts : public Prompts
{
public:
    enum class TKind { YesNo, YesNoCancel, OkCancel, Notice, Error, OpenFile, SaveFile, Modal };

    /// One question as it was asked. Text is the message, the filter of a file dialog, or the
    /// window title of a dialog shown modally.
    struct TAsked
    {
        TKind Kind;
        QString Caption;
        QString Text;
    };

    ~TScriptedPrompts() override;

    // The script. When expected is given, the question's text must equal it.
    TScriptedPrompts &AnswerYesNo(bool yes, const QString &expected = {});
    TScriptedPrompts &AnswerYesNoCancel(TAnswer answer, const QString &expected = {});
    TScriptedPrompts &AnswerOkCancel(bool ok, const QString &expected = {});
    TScriptedPrompts &ExpectNotice(const QString &expected = {});
    TScriptedPrompts &ExpectError(const QString &expected = {});
    TScriptedPrompts &AnswerOpenFile(const QString &path, int filterIndex = 0);
    TScriptedPrompts &CancelOpenFile();
    TScriptedPrompts &AnswerSaveFile(const QString &path, int filterIndex = 0);
    TScriptedPrompts &CancelSaveFile();
    /// A dialog shown modally: fill runs on it first, then result (1 OK, 2 close box) is returned.
    TScriptedPrompts &AnswerModal(int result, std::function<void(QDialog &)> fill = {}, const QString &expected = {});
    /// The text prompt (TfrInputValue): types text and presses OK.
    TScriptedPrompts &AnswerInputValue(const QString &text, const QString &expectedPrompt = {});
    /// The choice prompt (TfrInputCb): picks or types text and presses OK.
    TScriptedPrompts &AnswerInputChoice(const QString &text, const QString &expectedPrompt = {});
    /// Closes whatever dialog comes with its close box.
    TScriptedPrompts &CloseDialog(const QString &expectedPrompt = {});

    /// Fails the test when answers are left.
    void ExpectDone();
    std::size_t Remaining() const { return Script.size(); }

    /// Every question asked so far, in order.
    std::vector<TAsked> Asked;
    /// The start folder or file of each file dialog, in order.
    QStringList FileStarts;

    bool AskYesNo(const QString &caption, const QString &text) override;
    TAnswer AskYesNoCancel(const QString &caption, const QString &text) override;
    bool AskOkCancel(const QString &caption, const QString &text) override;
    void Notice(const QString &caption, const QString &text) override;
    void Error(const QString &caption, const QString &text) override;
    std::optional<FileChoice> OpenFile(const QString &caption, const QString &filter, const QString &start) override;
    std::optional<FileChoice> SaveFile(const QString &caption, const QString &filter, const QString &start) override;
    int ShowModal(QDialog &dialog) override;

private:
    struct TStep
    {
        TKind Kind;
        QString Expected;
        bool Yes = false;
        TAnswer Answer = TAnswer::Cancel;
        std::optional<FileChoice> File;
        int Result = 2;
        std::function<void(QDialog &)> Fill;
    };

    TScriptedPrompts &Add(TStep step);
    /// Records the question and takes the next step when it is of this kind.
    std::optional<TStep> Take(TKind kind, const QString &caption, const QString &text);

    std::deque<TStep> Script;
};
