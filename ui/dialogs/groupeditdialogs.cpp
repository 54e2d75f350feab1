#include "ui/dialogs/groupeditdialogs.h"

#include "schedule/groupedit.h"
#include "ui/widgets/modeltext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

int ShownGroups(const TProject &project)
{
    return std::min(ZoneCount(project), MaxGroups);
}

int UsedScenarios(const TProject &project, int g)
{
    if (g < 1 || g > MaxGroups)
        return 0;
    const auto &records = project.Groups[g].Scenarios;
    return int(std::count_if(records.begin() + 1, records.end(), [](const TScenario &s) { return s.Used; }));
}

/// The first used scenario of group g, or nullptr; its values seed the dialogs.
const TScenario *FirstScenario(const TProject &project, int g)
{
    for (int s = 1; g >= 1 && g <= MaxGroups && s <= MaxScenarios; ++s) {
        if (project.Groups[g].Scenarios[s].Used)
            return &project.Groups[g].Scenarios[s];
    }
    return nullptr;
}

} // namespace

void FillGroupChoice(QComboBox &box, const TProject &project, int current)
{
    box.clear();
    for (int g = 1; g <= ShownGroups(project); ++g) {
        if (project.Groups[g].Used)
            box.addItem(u"Группа "_s + QString::number(g) + u": "_s + FromModel(project.Groups[g].Name), g);
    }
    const int index = box.findData(current);
    box.setCurrentIndex(index >= 0 ? index : 0);
}

int ChosenGroup(const QComboBox &box)
{
    return box.currentIndex() >= 0 ? box.currentData().toInt() : 0;
}

int StartGroup(const TProject &project, int current)
{
    if (current >= 1 && current <= ShownGroups(project) && project.Groups[current].Used)
        return current;
    for (int g = 1; g <= ShownGroups(project); ++g) {
        if (project.Groups[g].Used)
            return g;
    }
    return 0;
}

TDayTicks::TDayTicks(QWidget *parent) : QWidget(parent)
{
    static const char *const shortNames[7] = {"Пн", "Вт", "Ср", "Чт", "Пт", "Сб", "Вс"};
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    for (int d = 0; d < 7; ++d) {
        cbDays[d] = new QCheckBox(QString::fromUtf8(shortNames[d]), this);
        cbDays[d]->setToolTip(FromModel(DayNames[d]));
        row->addWidget(cbDays[d]);
        connect(cbDays[d], &QCheckBox::toggled, this, &TDayTicks::changed);
    }
    row->addStretch();
}

std::array<bool, 7> TDayTicks::Days() const
{
    std::array<bool, 7> days{};
    for (int d = 0; d < 7; ++d)
        days[d] = cbDays[d]->isChecked();
    return days;
}

void TDayTicks::SetDays(const std::array<bool, 7> &days)
{
    for (int d = 0; d < 7; ++d)
        cbDays[d]->setChecked(days[d]);
}

TGroupEditDialog::TGroupEditDialog(const TProject &project, int group, const QString &title, QWidget *parent)
    : QDialog(parent), Project(project)
{
    setWindowTitle(title);
    cbGroup = new QComboBox(this);
    FillGroupChoice(*cbGroup, project, group);
    lbStatus = new QLabel(this);
    lbStatus->setWordWrap(true);
    bbButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    Form = new QFormLayout;
    Form->addRow(u"Группа"_s, cbGroup);
    auto *column = new QVBoxLayout(this);
    column->addLayout(Form);
    column->addWidget(lbStatus);
    column->addWidget(bbButtons);

    connect(bbButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(bbButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(cbGroup, &QComboBox::currentIndexChanged, this, &TGroupEditDialog::UpdateStatus);
}

void TGroupEditDialog::AddValueRow(const QString &label, QWidget *value)
{
    Form->addRow(label, value);
}

void TGroupEditDialog::UpdateStatus()
{
    const QString refusal = Refusal();
    lbStatus->setText(refusal.isEmpty() ? Summary() : refusal);
    lbStatus->setStyleSheet(refusal.isEmpty() ? QString() : u"color: #b00000;"_s);
    bbButtons->button(QDialogButtonBox::Ok)->setEnabled(refusal.isEmpty());
}

TfrShiftGroup::TfrShiftGroup(const TProject &project, int group, QWidget *parent)
    : TGroupEditDialog(project, group, u"Сдвиг расписания группы"_s, parent)
{
    seMinutes = new QSpinBox(this);
    AddValueRow(u"Сдвиг, мин (минус — раньше)"_s, seMinutes);
    seMinutes->setRange(-(MinutesPerDay - 1), MinutesPerDay - 1);
    seMinutes->setValue(5);
    connect(seMinutes, &QSpinBox::valueChanged, this, &TfrShiftGroup::UpdateStatus);
    UpdateStatus();
}

int TfrShiftGroup::Minutes() const
{
    return seMinutes->value();
}

QString TfrShiftGroup::Refusal() const
{
    TProject trial = Project;
    return FromModel(ShiftGroup(trial, Group(), Minutes()));
}

QString TfrShiftGroup::Summary() const
{
    return u"Будет сдвинуто сценариев: "_s + QString::number(UsedScenarios(Project, Group()));
}

TfrGroupDays::TfrGroupDays(const TProject &project, int group, QWidget *parent)
    : TGroupEditDialog(project, group, u"Дни недели для всей группы"_s, parent)
{
    Days = new TDayTicks(this);
    AddValueRow(u"Дни недели"_s, Days);
    const TScenario *first = FirstScenario(project, Group());
    Days->SetDays(first ? first->Days : std::array<bool, 7>{true, true, true, true, true, false, false});
    connect(Days, &TDayTicks::changed, this, &TfrGroupDays::UpdateStatus);
    UpdateStatus();
}

QString TfrGroupDays::Refusal() const
{
    TProject trial = Project;
    return FromModel(SetGroupDays(trial, Group(), Days->Days()));
}

QString TfrGroupDays::Summary() const
{
    return u"Будут заданы дни сценариев: "_s + QString::number(UsedScenarios(Project, Group()));
}

TfrGroupVolume::TfrGroupVolume(const TProject &project, int group, QWidget *parent)
    : TGroupEditDialog(project, group, u"Громкость для всей группы"_s, parent)
{
    seVolume = new QSpinBox(this);
    AddValueRow(u"Громкость"_s, seVolume);
    seVolume->setRange(0, MaxVolume);
    const TScenario *first = FirstScenario(project, Group());
    seVolume->setValue(first ? std::clamp<int>(first->Volume, 0, MaxVolume) : 20);
    connect(seVolume, &QSpinBox::valueChanged, this, &TfrGroupVolume::UpdateStatus);
    UpdateStatus();
}

QString TfrGroupVolume::Refusal() const
{
    TProject trial = Project;
    return FromModel(SetGroupVolume(trial, Group(), seVolume->value()));
}

QString TfrGroupVolume::Summary() const
{
    return u"Будет задана громкость сценариев: "_s + QString::number(UsedScenarios(Project, Group()));
}
