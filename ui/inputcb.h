#pragma once

#include <QDialog>

class QComboBox;
class QPushButton;

/// Choice prompt "Выберите значение": an editable drop-down list and OK.
class TfrInputCb : public QDialog
{
    Q_OBJECT
public:
    explicit TfrInputCb(QWidget *parent = nullptr);

    QComboBox *cbValue;
    QPushButton *btOK;

public slots:
    void btOKClick();

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
