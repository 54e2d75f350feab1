// Editing groups and scenarios: add, delete, the scenario clipboard and the page handlers.
#include "ui/mainwindow/sigcfg.h"

#include "model/lib.h"
#include "ui/widgets/checklist.h"
#include "ui/widgets/modeltext.h"
#include "ui/widgets/validators.h"

#include <QListWidget>
#include <QStackedWidget>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

const QString EditCaption = u"Редактирование"_s;

/// The lowest free slot of a group, 0 when all 32 are used.
int LowestFreeSlot(const TGroup &group)
{
    for (int s = 1; s <= MaxScenarios; ++s) {
        if (!group.Scenarios[s].Used)
            return s;
    }
    return 0;
}

} // namespace

QString TfrMain::DeleteQuestion(int g, int s) const
{
    // The question names what goes, so a slip of the highlight can not delete the wrong record.
    const auto named = [](const QString &what, const std::string &name) {
        return name.empty() ? what : what + u" «"_s + FromModel(name) + u'»';
    };
    const TGroup &group = Project.Groups[g];
    const QString groupText = named(QString::number(g), group.Name);
    if (s == 0)
        return u"Удалить группу "_s + groupText + u'?';
    return u"Удалить сценарий "_s + named(QString::number(s), group.Scenarios[s].Name) + u" из группы "_s + groupText +
           u'?';
}

TGroup &TfrMain::CurrentGroupRecord()
{
    return Project.Groups[ValidGroup(CurrentGroup) ? CurrentGroup : 0];
}

TScenario &TfrMain::CurrentScenarioRecord()
{
    return CurrentGroupRecord().Scenarios[ValidSlot(CurrentScenario) ? CurrentScenario : 0];
}

void TfrMain::miProjectSettingClick()
{
    AskProjectSettings();
    RebuildTree();
}

QString TfrMain::AskFreeGroupNumber()
{
    QStringList free;
    for (int n = 1; n <= std::min(ZoneCount(Project), MaxGroups); ++n) {
        if (!Project.Groups[n].Used)
            free.push_back(QString::number(n));
    }
    if (free.isEmpty())
        return QString();
    return InputChoice(u"Выберите группу"_s, free, free.front());
}

void TfrMain::miAddGroupClick()
{
    const QString text = AskFreeGroupNumber();
    if (text.isEmpty())
        return;
    const int n = WholeTextInteger(text.toStdString());
    // The box accepts typed text: only a free number that the device can show makes a group,
    // so a typed number can neither leave the model nor replace an existing group.
    if (n < 1 || n > std::min(ZoneCount(Project), MaxGroups) || Project.Groups[n].Used)
        return;
    ResetGroup(Project.Groups[n]);
    Project.Groups[n].Used = true;
    RebuildTree();
    Modified = true;
}

void TfrMain::miDelGroupClick()
{
    if (!ValidGroup(CurrentGroup) || !prompts().AskYesNo(EditCaption, DeleteQuestion(CurrentGroup, 0)))
        return;
    ResetGroup(Project.Groups[CurrentGroup]);
    ShowNothing();
    RebuildTree();
    Modified = true;
}

void TfrMain::miAddScenarioClick()
{
    const int g = CurrentGroup;
    if (!ValidGroup(g))
        return;
    const int s = LowestFreeSlot(Project.Groups[g]);
    if (s == 0)
        return;
    ResetScenario(Project.Groups[g].Scenarios[s]);
    Project.Groups[g].Scenarios[s].Used = true;
    RebuildTree();
    Modified = true;
    RevealGroup(g);
}

void TfrMain::miDelScenarioClick()
{
    if (!ValidGroup(CurrentGroup) || !ValidSlot(CurrentScenario) ||
        !prompts().AskYesNo(EditCaption, DeleteQuestion(CurrentGroup, CurrentScenario)))
        return;
    ResetScenario(Project.Groups[CurrentGroup].Scenarios[CurrentScenario]);
    RebuildTree();
    RevealGroup(CurrentGroup); // the group stays highlighted and shown
    Modified = true;
    ClipboardMode = -1;
    SetClipboardCommands(Ui.pmmiCopyScenario->isEnabled(), false);
}

void TfrMain::pmmiCopyScenarioClick()
{
    ClipboardGroup = CurrentGroup;
    ClipboardScenario = CurrentScenario;
    ClipboardMode = 1;
}

void TfrMain::pmmiCutScenarioClick()
{
    ClipboardGroup = CurrentGroup;
    ClipboardScenario = CurrentScenario;
    ClipboardMode = 2;
}

void TfrMain::pmmiPutScenarioClick()
{
    const int g = CurrentGroup;
    const int cg = ClipboardGroup;
    const int cs = ClipboardScenario;
    if (ClipboardMode != 1 && ClipboardMode != 2) {
        ClipboardMode = -1;
        return;
    }
    if (!ValidGroup(g) || !ValidGroup(cg) || !ValidSlot(cs))
        return;
    // The clipboard holds numbers only. When the source is gone (deleted, or another project was
    // opened since), pasting would write an empty record over the target: there is nothing to paste.
    if (!Project.Groups[cg].Used || !Project.Groups[cg].Scenarios[cs].Used) {
        ClipboardMode = -1;
        SetClipboardCommands(Ui.pmmiCopyScenario->isEnabled(), false);
        return;
    }

    TGroup &target = Project.Groups[g];
    int t = cs;
    if (target.Scenarios[cs].Used) {
        bool replace = false;
        if (g != cg) {
            replace =
                prompts().AskYesNo(EditCaption, u"Сценарий c  номером "_s + QString::number(cs) + u" в группе "_s +
                                                    QString::number(g) + u" уже существует. Заменить его?"_s);
        }
        if (!replace) {
            t = LowestFreeSlot(target);
            if (t == 0)
                return;
        }
    }

    target.Scenarios[t] = Project.Groups[cg].Scenarios[cs];
    if (ClipboardMode == 2)
        ResetScenario(Project.Groups[cg].Scenarios[cs]);

    RebuildTree();
    RevealGroup(g); // the target group stays highlighted and shown
    Modified = true;
    ClipboardMode = -1;
    SetClipboardCommands(Ui.pmmiCopyScenario->isEnabled(), false);
}

void TfrMain::edGroupNameChange(const QString &text)
{
    if (FillingGroup)
        return;
    TGroup &group = CurrentGroupRecord();
    group.Name = text.toStdString();
    if (CurrentNode)
        CurrentNode->setText(0, GroupNodeText(CurrentGroup, group.Name));
    Modified = true;
}

void TfrMain::clZonesClickCheck(QListWidgetItem *item)
{
    if (FillingGroup || !item)
        return;
    const int z = Ui.clZones->row(item) + 1;
    if (z < 1 || z > MaxZones)
        return;
    CurrentGroupRecord().Zones[z] = item->checkState() == Qt::Checked;
    Modified = true;
}

void TfrMain::edScenarioNameChange(const QString &text)
{
    if (FillingScenario)
        return;
    TScenario &scenario = CurrentScenarioRecord();
    scenario.Name = text.toStdString();
    if (CurrentNode)
        CurrentNode->setText(0, ScenarioNodeText(CurrentScenario, scenario.Name));
    Modified = true;
}

void TfrMain::edScenarioTimeChange(const QString &text)
{
    ShowTimeRange();
    // Only what could be typed is stored: a time out of range from a file stays as it was, even
    // when an edit leaves it out of range.
    if (!TTimeValidator::IsTimeOrPart(text))
        return;
    TScenario &scenario = CurrentScenarioRecord();
    const std::string time(TrimControl(text.toStdString()));
    // The box already shows the stored time (as when the page is filled): a negative value
    // printed unsigned would not read back as itself, so leave the record alone.
    if (time == TimeText(scenario.Hour, scenario.Minute))
        return;
    const size_t colon = time.find(':');
    if (colon == std::string::npos || colon == 0)
        return;
    const int32_t hour = LeadingNumber(std::string_view(time).substr(0, colon));
    const int32_t minute = LeadingNumber(std::string_view(time).substr(colon + 1));
    // A changed time is an unsaved change like any other edit.
    if (hour != scenario.Hour || minute != scenario.Minute)
        Modified = true;
    scenario.Hour = hour;
    scenario.Minute = minute;
}

void TfrMain::edScenarioTrackChange(const QString &text)
{
    if (FillingScenario)
        return;
    CurrentScenarioRecord().Track = WholeTextInteger(text.toStdString());
    Modified = true;
}

void TfrMain::edScenarioVolumeChange(const QString &text)
{
    if (FillingScenario)
        return;
    CurrentScenarioRecord().Volume = WholeTextInteger(text.toStdString());
    Modified = true;
}

void TfrMain::clDayOfWeekClickCheck(QListWidgetItem *item)
{
    if (!item)
        return;
    const int k = Ui.clDayOfWeek->row(item);
    if (k < 0 || k > 6)
        return;
    TScenario &scenario = CurrentScenarioRecord();
    const bool ticked = item->checkState() == Qt::Checked;
    // A changed day is an unsaved change like any other edit.
    if (scenario.Days[k] != ticked)
        Modified = true;
    scenario.Days[k] = ticked;
}
