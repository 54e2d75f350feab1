#pragma once

#include "model/type.h"
#include "schedule/bells.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QScrollArea;
class QSpinBox;
class QTimeEdit;
class QTreeWidget;
class TDayTicks;

/// "Расписание звонков": a school day described by its first lesson, lesson length and breaks,
/// with a live preview of the bells it makes and the clash check's verdict on them. Our dialog:
/// OK and Cancel, Enter and Escape as in any dialog; OK only while the plan can be carried out.
/// A group that already rings the generator's bells opens with the plan that made them.
class TfrBells : public QDialog
{
    Q_OBJECT
public:
    /// slot: the scenario shown in the window; when it is one of the group's bells, its set is recalled.
    TfrBells(const TProject &project, int group, int slot = 0, QWidget *parent = nullptr);

    /// The plan as the fields stand.
    TBellPlan Plan() const;
    /// Sets every field from a plan (its group included).
    void SetPlan(const TBellPlan &plan);
    /// The bells of the plan as last previewed (empty when refused).
    const TBellOutcome &Preview() const { return FPreview; }

    QComboBox *cbGroup = nullptr;
    QTimeEdit *edStart = nullptr;
    QSpinBox *seLessons = nullptr;
    QSpinBox *seLessonLength = nullptr;
    QLineEdit *edBreaks = nullptr;
    TDayTicks *Days = nullptr;
    QSpinBox *seStartTrack = nullptr;
    QSpinBox *seEndTrack = nullptr;
    QSpinBox *seWarning = nullptr;
    QSpinBox *seWarningTrack = nullptr;
    QSpinBox *seVolume = nullptr;
    QLineEdit *edPrefix = nullptr;
    QCheckBox *cbReplace = nullptr;   // "Заменить прежние звонки"
    QTreeWidget *lvPreview = nullptr; // time, slot, name, track
    QLabel *lbVerdict = nullptr;
    QScrollArea *sbVerdict = nullptr; // the verdict scrolls here: the fields above never move
    QDialogButtonBox *bbButtons = nullptr;

private:
    void UpdatePreview();
    /// The fields from the bells already in group (slot's set, else the first), if it has any.
    void Recall(int group, int slot);

    const TProject &Project;
    TBellOutcome FPreview;
};
