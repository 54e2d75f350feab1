#pragma once

#include "ui/dialogs/dialogframe.h"

class QComboBox;
class QLabel;
class QPushButton;

/// Selection box "Выберите": a caller's label, an editable drop-down list and OK.
class TfrSelect : public TSmallDialog
{
    Q_OBJECT
public:
    explicit TfrSelect(QWidget *parent = nullptr);

    QLabel *lbSelect;
    QComboBox *cbSelect;
    QPushButton *btOk;

public slots:
    void btOkClick();
};
