#pragma once

#include <QValidator>

class QBoxLayout;
class QDialog;
class QKeyEvent;
class QPushButton;

// What the four small dialogs share: a fixed frame with only a close box, buttons that only a
// click presses, and keys that never leave the dialog.

/// Fixed-size dialog frame with caption and close box; the size follows the layout's hint.
void SetFixedDialogFrame(QDialog &dialog);

/// A button that neither Enter nor the dialog's default-button logic can press.
void MakeClickOnlyButton(QPushButton &button);

/// A click-only button named name with text, alone at the right of a new row of layout.
QPushButton *AddOkRow(QDialog &dialog, QBoxLayout &layout, const QString &name, const QString &text);

/// True for Enter, Return and Escape, which the dialogs swallow (no Cancel, no default button).
bool IsSwallowedDialogKey(const QKeyEvent &event);

/// Refuses typed or pasted text that the project file's code page can not hold.
class TCp1251Validator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override;
};

/// For group and scenario names: also refuses ";", which separates the fields of their lines in
/// the project file, so a name holding it would shift the scenario's time and track on reading.
class TFieldNameValidator : public TCp1251Validator
{
public:
    using TCp1251Validator::TCp1251Validator;
    State validate(QString &input, int &pos) const override;
};
