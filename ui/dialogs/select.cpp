#include "ui/dialogs/select.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfrSelect::TfrSelect(QWidget *parent) : TSmallDialog(parent, QStringLiteral("frSelect"), QString::fromUtf8("Выберите"))
{
    lbSelect = new QLabel(this);
    lbSelect->setObjectName(QStringLiteral("lbSelect"));

    cbSelect = new QComboBox(this);
    cbSelect->setObjectName(QStringLiteral("cbSelect"));
    cbSelect->setEditable(true);
    cbSelect->setInsertPolicy(QComboBox::NoInsert);
    cbSelect->setMinimumWidth(360);
    lbSelect->setBuddy(cbSelect);
    SetInputField(cbSelect);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lbSelect);
    layout->addWidget(cbSelect);
    btOk = FinishLayout(*layout, QStringLiteral("btOk"), QString::fromUtf8("&OK"));
    connect(btOk, &QPushButton::clicked, this, &TfrSelect::btOkClick);
}

void TfrSelect::btOkClick()
{
    accept();
}
