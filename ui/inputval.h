#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

/// Free-text prompt "Введите значение": one wide edit box and OK.
class TfrInputValue : public QDialog
{
    Q_OBJECT
public:
    explicit TfrInputValue(QWidget *parent = nullptr);

    QLineEdit *edValue;
    QPushButton *btOk;

public slots:
    void btOkClick();

protected:
    void keyPressEvent(QKeyEvent *event) override; // Enter and Escape do nothing
};
