#include "ui/dialogs/inputcb.h"

#include <QComboBox>
#include <QPushButton>
#include <QVBoxLayout>

TfrInputCb::TfrInputCb(QWidget *parent)
    : TSmallDialog(parent, QStringLiteral("frInputCb"), QString::fromUtf8("Выберите значение"))
{
    cbValue = new QComboBox(this);
    cbValue->setObjectName(QStringLiteral("cbValue"));
    cbValue->setEditable(true);
    // Enter must not add the typed text to the items: the caller sets them anew each time.
    cbValue->setInsertPolicy(QComboBox::NoInsert);
    cbValue->setFixedWidth(710);
    SetInputField(cbValue);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(cbValue);
    btOK = FinishLayout(*layout, QStringLiteral("btOK"), QString::fromUtf8("&OK"));
    connect(btOK, &QPushButton::clicked, this, &TfrInputCb::btOKClick);
}

void TfrInputCb::btOKClick()
{
    accept();
}
