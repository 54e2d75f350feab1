#include "ui/dialogs/dialogframe.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>

TSmallDialog::TSmallDialog(QWidget *parent, const QString &name, const QString &caption) : QDialog(parent)
{
    setObjectName(name);
    setWindowTitle(caption);
}

QPushButton *TSmallDialog::FinishLayout(QBoxLayout &layout, const QString &okName, const QString &okText)
{
    auto *button = new QPushButton(okText, this);
    button->setObjectName(okName);
    MakeClickOnlyButton(*button);
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(button);
    layout.addLayout(row);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    layout.setSizeConstraint(QLayout::SetFixedSize);
    return button;
}

void TSmallDialog::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void TSmallDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The dialog is one instance, reused: without this the focus stays where the last use left it
    // (on OK, say), and typed text would go nowhere while Space confirmed the old value.
    if (!InputField)
        return;
    InputField->setFocus(Qt::OtherFocusReason);
    if (auto *edit = qobject_cast<QLineEdit *>(InputField))
        edit->selectAll();
    else if (auto *combo = qobject_cast<QComboBox *>(InputField); combo && combo->lineEdit())
        combo->lineEdit()->selectAll();
}

void MakeClickOnlyButton(QPushButton &button)
{
    button.setAutoDefault(false);
    button.setDefault(false);
}
