#pragma once

#include "model/type.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QFormLayout;
class QLabel;
class QSpinBox;

// Our dialogs for the group-wide edits, and the pieces the bell dialog shares with them. Unlike
// the specified dialogs they have Cancel, and Enter and Escape work as in any dialog.

/// The groups the tree shows, as "Группа N: name" with N as item data; current chosen if listed.
void FillGroupChoice(QComboBox &box, const TProject &project, int current);
/// The group chosen in a box filled by FillGroupChoice; 0 when none.
int ChosenGroup(const QComboBox &box);
/// The group a group command starts from: current when the tree shows it, else the first shown; 0 when none.
int StartGroup(const TProject &project, int current);

/// Seven day ticks in a row, Monday first.
class TDayTicks : public QWidget
{
    Q_OBJECT
public:
    explicit TDayTicks(QWidget *parent = nullptr);
    std::array<bool, 7> Days() const;
    void SetDays(const std::array<bool, 7> &days);

    std::array<QCheckBox *, 7> cbDays{};

signals:
    void changed();
};

/// What the three group-wide edit dialogs share: the group box, a row for their value, a line
/// saying what will happen (or why it can not), OK and Cancel.
class TGroupEditDialog : public QDialog
{
    Q_OBJECT
public:
    TGroupEditDialog(const TProject &project, int group, const QString &title, QWidget *parent);

    int Group() const { return ChosenGroup(*cbGroup); }

    QComboBox *cbGroup = nullptr;
    QLabel *lbStatus = nullptr;
    QDialogButtonBox *bbButtons = nullptr;

protected:
    /// Adds the row of the dialog's value under the group box.
    void AddValueRow(const QString &label, QWidget *value);
    /// Why the edit would be refused, "" when it can be done; the status line and OK follow it.
    virtual QString Refusal() const = 0;
    /// What OK will do, for the status line.
    virtual QString Summary() const = 0;
    /// Brings the status line and OK up to date; the subclasses call it on each change.
    void UpdateStatus();

    const TProject &Project;

private:
    QFormLayout *Form = nullptr;
};

/// Shift every scenario of a group by a number of minutes.
class TfrShiftGroup : public TGroupEditDialog
{
    Q_OBJECT
public:
    TfrShiftGroup(const TProject &project, int group, QWidget *parent = nullptr);
    int Minutes() const;

    QSpinBox *seMinutes = nullptr;

protected:
    QString Refusal() const override;
    QString Summary() const override;
};

/// Set the days of every scenario of a group.
class TfrGroupDays : public TGroupEditDialog
{
    Q_OBJECT
public:
    TfrGroupDays(const TProject &project, int group, QWidget *parent = nullptr);

    TDayTicks *Days = nullptr;

protected:
    QString Refusal() const override;
    QString Summary() const override;
};

/// Set the volume of every scenario of a group.
class TfrGroupVolume : public TGroupEditDialog
{
    Q_OBJECT
public:
    TfrGroupVolume(const TProject &project, int group, QWidget *parent = nullptr);

    QSpinBox *seVolume = nullptr;

protected:
    QString Refusal() const override;
    QString Summary() const override;
};
