#pragma once

#include <QDialog>

class QBoxLayout;
class QKeyEvent;
class QPushButton;
class QShowEvent;

/// What the four small dialogs share: a fixed frame with caption and close box only, buttons that
/// only a click presses, Enter and Escape that do nothing (no Cancel, no default button), and an
/// input field that has the focus, its text selected, each time the dialog opens.
class TSmallDialog : public QDialog
{
    Q_OBJECT
public:
    TSmallDialog(QWidget *parent, const QString &name, const QString &caption);

protected:
    /// Ends a constructor: the OK button named okName alone at the right of a last row of layout,
    /// then the fixed frame sized to the layout.
    QPushButton *FinishLayout(QBoxLayout &layout, const QString &okName, const QString &okText);
    /// The field that gets the focus each time the dialog opens; nullptr for none.
    void SetInputField(QWidget *field) { InputField = field; }

    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QWidget *InputField = nullptr;
};

/// A button that neither Enter nor the dialog's default-button logic can press.
void MakeClickOnlyButton(QPushButton &button);
