#pragma once

#include "ui/dialogs/dialogframe.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QWidget;

/// Selection box "Выберите": a caller's label, an editable drop-down list and OK. When the card
/// is chosen it also offers to level the tracks: "Выровнять громкость до … LUFS".
class TfrSelect : public TSmallDialog
{
    Q_OBJECT
public:
    explicit TfrSelect(QWidget *parent = nullptr);

    QLabel *lbSelect;
    QComboBox *cbSelect;
    QPushButton *btOk;
    QWidget *wdLevel;      // the row below, hidden unless the card writer asks
    QCheckBox *cbLevel;    // "Выровнять громкость до"
    QSpinBox *seLevelLufs; // the target, LUFS

    /// Shows or hides the levelling row.
    void ShowLevel(bool shown);

public slots:
    void btOkClick();
};
