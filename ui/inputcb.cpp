#include "ui/inputcb.h"

#include "ui/dialogframe.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

TfrInputCb::TfrInputCb(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frInputCb"));
    setWindowTitle(QString::fromUtf8("Выберите значение"));

    cbValue = new QComboBox(this);
    cbValue->setObjectName(QStringLiteral("cbValue"));
    cbValue->setEditable(true);
    // Enter must not add the typed text to the items: the caller sets them anew each time.
    cbValue->setInsertPolicy(QComboBox::NoInsert);
    cbValue->setFixedWidth(710);

    btOK = new QPushButton(QString::fromUtf8("&OK"), this);
    btOK->setObjectName(QStringLiteral("btOK"));
    MakeClickOnlyButton(*btOK);
    connect(btOK, &QPushButton::clicked, this, &TfrInputCb::btOKClick);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btOK);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(cbValue);
    layout->addLayout(buttons);
    SetFixedDialogFrame(*this);
}

void TfrInputCb::btOKClick()
{
    accept();
}

void TfrInputCb::keyPressEvent(QKeyEvent *event)
{
    if (IsSwallowedDialogKey(*event))
        return;
    QDialog::keyPressEvent(event);
}
