#pragma once

#include "ui/dialogs/dialogframe.h"

class QComboBox;
class QPushButton;

/// Choice prompt "Выберите значение": an editable drop-down list and OK.
class TfrInputCb : public TSmallDialog
{
    Q_OBJECT
public:
    explicit TfrInputCb(QWidget *parent = nullptr);

    QComboBox *cbValue;
    QPushButton *btOK;

public slots:
    void btOKClick();
};
