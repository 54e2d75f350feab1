#include "support/scripted_prompts.h"

#include "ui/dialogs/inputcb.h"
#include "ui/dialogs/inputval.h"

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

const char *KindName(TScriptedPrompts::TKind kind)
{
    switch (kind) {
    case TScriptedPrompts::TKind::YesNo:
        return "yes/no question";
    case TScriptedPrompts::TKind::YesNoCancel:
        return "yes/no/cancel question";
    case TScriptedPrompts::TKind::OkCancel:
        return "OK/Cancel question";
    case TScriptedPrompts::TKind::Notice:
        return "notice";
    case TScriptedPrompts::TKind::Error:
        return "error box";
    case TScriptedPrompts::TKind::OpenFile:
        return "open dialog";
    case TScriptedPrompts::TKind::SaveFile:
        return "save dialog";
    case TScriptedPrompts::TKind::Modal:
        return "modal dialog";
    }
    return "?";
}

/// A fill step for one kind of dialog; any other dialog fails the test.
template <class TDialog> std::function<void(QDialog &)> FillAs(std::function<void(TDialog &)> fill)
{
    return [fill](QDialog &dialog) {
        auto *typed = qobject_cast<TDialog *>(&dialog);
        if (!typed) {
            ADD_FAILURE() << "unexpected dialog " << dialog.windowTitle().toStdString();
            return;
        }
        fill(*typed);
    };
}

} // namespace

TScriptedPrompts::~TScriptedPrompts()
{
    ExpectDone();
}

TScriptedPrompts &TScriptedPrompts::Add(TStep step)
{
    Script.push_back(std::move(step));
    return *this;
}

TScriptedPrompts &TScriptedPrompts::AnswerYesNo(bool yes, const QString &expected)
{
    return Add({TKind::YesNo, expected, yes, TAnswer::Cancel, {}, 0, {}});
}

TScriptedPrompts &TScriptedPrompts::AnswerYesNoCancel(TAnswer answer, const QString &expected)
{
    TStep step{TKind::YesNoCancel, expected, false, TAnswer::Cancel, {}, 0, {}};
    step.Answer = answer;
    return Add(std::move(step));
}

TScriptedPrompts &TScriptedPrompts::AnswerOkCancel(bool ok, const QString &expected)
{
    return Add({TKind::OkCancel, expected, ok, TAnswer::Cancel, {}, 0, {}});
}

TScriptedPrompts &TScriptedPrompts::ExpectNotice(const QString &expected)
{
    return Add({TKind::Notice, expected, false, TAnswer::Cancel, {}, 0, {}});
}

TScriptedPrompts &TScriptedPrompts::ExpectError(const QString &expected)
{
    return Add({TKind::Error, expected, false, TAnswer::Cancel, {}, 0, {}});
}

TScriptedPrompts &TScriptedPrompts::AnswerOpenFile(const QString &path, int filterIndex)
{
    return Add({TKind::OpenFile, {}, false, TAnswer::Cancel, FileChoice{path, filterIndex}, 0, {}});
}

TScriptedPrompts &TScriptedPrompts::CancelOpenFile()
{
    return Add({TKind::OpenFile, {}, false, TAnswer::Cancel, std::nullopt, 0, {}});
}

TScriptedPrompts &TScriptedPrompts::AnswerSaveFile(const QString &path, int filterIndex)
{
    return Add({TKind::SaveFile, {}, false, TAnswer::Cancel, FileChoice{path, filterIndex}, 0, {}});
}

TScriptedPrompts &TScriptedPrompts::CancelSaveFile()
{
    return Add({TKind::SaveFile, {}, false, TAnswer::Cancel, std::nullopt, 0, {}});
}

TScriptedPrompts &TScriptedPrompts::AnswerModal(int result, std::function<void(QDialog &)> fill,
                                                const QString &expected)
{
    return Add({TKind::Modal, expected, false, TAnswer::Cancel, {}, result, std::move(fill)});
}

TScriptedPrompts &TScriptedPrompts::AnswerInputValue(const QString &text, const QString &expectedPrompt)
{
    return AnswerModal(1, FillAs<TfrInputValue>([text](TfrInputValue &input) { input.edValue->setText(text); }),
                       expectedPrompt);
}

TScriptedPrompts &TScriptedPrompts::AnswerInputChoice(const QString &text, const QString &expectedPrompt)
{
    return AnswerModal(1, FillAs<TfrInputCb>([text](TfrInputCb &choice) { choice.cbValue->setCurrentText(text); }),
                       expectedPrompt);
}

TScriptedPrompts &TScriptedPrompts::CloseDialog(const QString &expectedPrompt)
{
    return AnswerModal(2, {}, expectedPrompt);
}

void TScriptedPrompts::ExpectDone()
{
    if (Script.empty())
        return;
    ADD_FAILURE() << Script.size() << " scripted answer(s) left, the next a " << KindName(Script.front().Kind)
                  << " expecting \"" << Script.front().Expected.toStdString() << "\"";
    Script.clear();
}

std::optional<TScriptedPrompts::TStep> TScriptedPrompts::Take(TKind kind, const QString &caption, const QString &text)
{
    Asked.push_back({kind, caption, text});
    if (Script.empty() || Script.front().Kind != kind) {
        ADD_FAILURE() << "unexpected " << KindName(kind) << " \"" << caption.toStdString() << "\": \""
                      << text.toStdString() << "\""
                      << (Script.empty() ? std::string(", script empty")
                                         : std::string(", script expects a ") + KindName(Script.front().Kind));
        return std::nullopt;
    }
    TStep step = std::move(Script.front());
    Script.pop_front();
    if (!step.Expected.isEmpty()) {
        EXPECT_EQ(text.toStdString(), step.Expected.toStdString()) << KindName(kind);
    }
    return step;
}

bool TScriptedPrompts::AskYesNo(const QString &caption, const QString &text)
{
    const std::optional<TStep> step = Take(TKind::YesNo, caption, text);
    return step && step->Yes;
}

Prompts::TAnswer TScriptedPrompts::AskYesNoCancel(const QString &caption, const QString &text)
{
    const std::optional<TStep> step = Take(TKind::YesNoCancel, caption, text);
    return step ? step->Answer : TAnswer::Cancel;
}

bool TScriptedPrompts::AskOkCancel(const QString &caption, const QString &text)
{
    const std::optional<TStep> step = Take(TKind::OkCancel, caption, text);
    return step && step->Yes;
}

void TScriptedPrompts::Notice(const QString &caption, const QString &text)
{
    Take(TKind::Notice, caption, text);
}

void TScriptedPrompts::Error(const QString &caption, const QString &text)
{
    Take(TKind::Error, caption, text);
}

std::optional<Prompts::FileChoice> TScriptedPrompts::OpenFile(const QString &caption, const QString &filter,
                                                              const QString &start)
{
    FileStarts.push_back(start);
    const std::optional<TStep> step = Take(TKind::OpenFile, caption, filter);
    return step ? step->File : std::nullopt;
}

std::optional<Prompts::FileChoice> TScriptedPrompts::SaveFile(const QString &caption, const QString &filter,
                                                              const QString &start)
{
    FileStarts.push_back(start);
    const std::optional<TStep> step = Take(TKind::SaveFile, caption, filter);
    return step ? step->File : std::nullopt;
}

int TScriptedPrompts::ShowModal(QDialog &dialog)
{
    const std::optional<TStep> step = Take(TKind::Modal, dialog.windowTitle(), dialog.windowTitle());
    if (!step)
        return 2;
    if (step->Fill)
        step->Fill(dialog);
    return step->Result;
}
