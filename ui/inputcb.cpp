#include "ui/inputcb.h"

#include "ui/dialogframe.h"

#include <QComboBox>
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

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(cbValue);
    btOK = AddOkRow(*this, *layout, QStringLiteral("btOK"), QString::fromUtf8("&OK"));
    connect(btOK, &QPushButton::clicked, this, &TfrInputCb::btOKClick);
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
