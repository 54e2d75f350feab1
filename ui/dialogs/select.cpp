#include "ui/dialogs/select.h"

#include "device/sounds.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
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

    wdLevel = new QWidget(this);
    cbLevel = new QCheckBox(QString::fromUtf8("Выровнять громкость до"), wdLevel);
    cbLevel->setObjectName(QStringLiteral("cbLevel"));
    seLevelLufs = new QSpinBox(wdLevel);
    seLevelLufs->setObjectName(QStringLiteral("seLevelLufs"));
    seLevelLufs->setRange(int(MinLevelLufs), int(MaxLevelLufs));
    seLevelLufs->setEnabled(false);
    auto *lufs = new QLabel(QStringLiteral("LUFS"), wdLevel);
    auto *row = new QHBoxLayout(wdLevel);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(cbLevel);
    row->addWidget(seLevelLufs);
    row->addWidget(lufs);
    row->addStretch();
    connect(cbLevel, &QCheckBox::toggled, seLevelLufs, &QWidget::setEnabled);
    wdLevel->hide();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lbSelect);
    layout->addWidget(cbSelect);
    layout->addWidget(wdLevel);
    btOk = FinishLayout(*layout, QStringLiteral("btOk"), QString::fromUtf8("&OK"));
    connect(btOk, &QPushButton::clicked, this, &TfrSelect::btOkClick);
}

void TfrSelect::ShowLevel(bool shown)
{
    wdLevel->setVisible(shown);
    adjustSize();
}

void TfrSelect::btOkClick()
{
    accept();
}
