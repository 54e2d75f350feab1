#pragma once

#include "ui/dialogs/dialogframe.h"

class QLineEdit;
class QPushButton;

/// Free-text prompt "Введите значение": one wide edit box and OK.
class TfrInputValue : public TSmallDialog
{
    Q_OBJECT
public:
    explicit TfrInputValue(QWidget *parent = nullptr);

    QLineEdit *edValue;
    QPushButton *btOk;

public slots:
    void btOkClick();
};
