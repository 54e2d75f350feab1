#include "ui/inputval.h"

#include "ui/dialogframe.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrInputValue::TfrInputValue(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frInputValue"));
    setWindowTitle(QString::fromUtf8("Введите значение"));

    edValue = new QLineEdit(this);
    edValue->setObjectName(QStringLiteral("edValue"));
    edValue->setFixedWidth(750);
    edValue->setValidator(new TCp1251Validator(edValue));

    btOk = new QPushButton(QString::fromUtf8("&OK"), this);
    btOk->setObjectName(QStringLiteral("btOk"));
    MakeClickOnlyButton(*btOk);
    connect(btOk, &QPushButton::clicked, this, &TfrInputValue::btOkClick);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btOk);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(edValue);
    layout->addLayout(buttons);
    SetFixedDialogFrame(*this);
}

void TfrInputValue::btOkClick()
{
    accept();
}

void TfrInputValue::keyPressEvent(QKeyEvent *event)
{
    if (IsSwallowedDialogKey(*event))
        return;
    QDialog::keyPressEvent(event);
}
