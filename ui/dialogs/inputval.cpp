#include "ui/dialogs/inputval.h"

#include "ui/widgets/validators.h"

#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrInputValue::TfrInputValue(QWidget *parent)
    : TSmallDialog(parent, QStringLiteral("frInputValue"), QString::fromUtf8("Введите значение"))
{
    edValue = new QLineEdit(this);
    edValue->setObjectName(QStringLiteral("edValue"));
    edValue->setFixedWidth(750);
    edValue->setValidator(new TCp1251Validator(edValue));
    SetInputField(edValue);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(edValue);
    btOk = FinishLayout(*layout, QStringLiteral("btOk"), QString::fromUtf8("&OK"));
    connect(btOk, &QPushButton::clicked, this, &TfrInputValue::btOkClick);
}

void TfrInputValue::btOkClick()
{
    accept();
}
