#include "ui/inputval.h"

#include "ui/dialogframe.h"

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

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(edValue);
    btOk = AddOkRow(*this, *layout, QStringLiteral("btOk"), QString::fromUtf8("&OK"));
    connect(btOk, &QPushButton::clicked, this, &TfrInputValue::btOkClick);
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
