#include "ui/dialogframe.h"

#include "model/codepage.h"

#include <QBoxLayout>
#include <QDialog>
#include <QKeyEvent>
#include <QLayout>
#include <QPushButton>

void SetFixedDialogFrame(QDialog &dialog)
{
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    if (dialog.layout())
        dialog.layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void MakeClickOnlyButton(QPushButton &button)
{
    button.setAutoDefault(false);
    button.setDefault(false);
}

QPushButton *AddOkRow(QDialog &dialog, QBoxLayout &layout, const QString &name, const QString &text)
{
    auto *button = new QPushButton(text, &dialog);
    button->setObjectName(name);
    MakeClickOnlyButton(*button);
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(button);
    layout.addLayout(row);
    return button;
}

bool IsSwallowedDialogKey(const QKeyEvent &event)
{
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        return true;
    default:
        return false;
    }
}

QValidator::State TCp1251Validator::validate(QString &input, int &) const
{
    return FitsCp1251(input.toStdString()) ? Acceptable : Invalid;
}

QValidator::State TFieldNameValidator::validate(QString &input, int &pos) const
{
    if (input.contains(u';'))
        return Invalid;
    return TCp1251Validator::validate(input, pos);
}
