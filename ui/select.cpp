#include "ui/select.h"

#include "ui/dialogframe.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfrSelect::TfrSelect(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frSelect"));
    setWindowTitle(QString::fromUtf8("Выберите"));

    lbSelect = new QLabel(this);
    lbSelect->setObjectName(QStringLiteral("lbSelect"));

    cbSelect = new QComboBox(this);
    cbSelect->setObjectName(QStringLiteral("cbSelect"));
    cbSelect->setEditable(true);
    cbSelect->setInsertPolicy(QComboBox::NoInsert);
    cbSelect->setMinimumWidth(360);
    lbSelect->setBuddy(cbSelect);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lbSelect);
    layout->addWidget(cbSelect);
    btOk = AddOkRow(*this, *layout, QStringLiteral("btOk"), QString::fromUtf8("&OK"));
    connect(btOk, &QPushButton::clicked, this, &TfrSelect::btOkClick);
    SetFixedDialogFrame(*this);
}

void TfrSelect::btOkClick()
{
    accept();
}

void TfrSelect::keyPressEvent(QKeyEvent *event)
{
    if (IsSwallowedDialogKey(*event))
        return;
    QDialog::keyPressEvent(event);
}
