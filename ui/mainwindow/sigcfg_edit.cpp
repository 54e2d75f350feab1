// Editing groups and scenarios: add, delete, the scenario clipboard and the page handlers.
#include "ui/mainwindow/sigcfg.h"

#include "model/lib.h"
#include "schedule/bells.h"
#include "schedule/groupedit.h"
#include "ui/document/groupchange.h"
#include "ui/document/scenariochange.h"
#include "ui/widgets/checklist.h"
#include "ui/widgets/modeltext.h"
#include "ui/widgets/typedvalues.h"

#include <QListWidget>
#include <QStackedWidget>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

const QString EditCaption = u"Редактирование"_s;

// The fields whose keystrokes merge into one step.
enum TTypedField { FieldName, FieldTime, FieldTrack, FieldVolume };

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
    TGroup group;
    ResetGroup(group);
    group.Used = true;
    EditGroups(new TGroupChange(*FDocument, n, group, u"добавление группы "_s + QString::number(n)));
}

void TfrMain::miDelGroupClick()
{
    if (!ValidGroup(CurrentGroup) || !prompts().AskYesNo(EditCaption, DeleteQuestion(CurrentGroup, 0)))
        return;
    const int g = CurrentGroup;
    TGroup group;
    ResetGroup(group);
    ShowNothing();
    EditGroups(new TGroupChange(*FDocument, g, group, u"удаление группы "_s + QString::number(g)));
}

void TfrMain::miAddScenarioClick()
{
    const int g = CurrentGroup;
    if (!ValidGroup(g))
        return;
    const int s = LowestFreeSlot(Project.Groups[g]);
    if (s == 0)
        return;
    TScenario scenario;
    ResetScenario(scenario);
    scenario.Used = true;
    FDocument->Do(
        new TScenarioChange(*FDocument, g, s, scenario,
                            u"добавление сценария "_s + QString::number(s) + u" в группу "_s + QString::number(g)));
    RevealGroup(g);
}

void TfrMain::miDelScenarioClick()
{
    if (!ValidGroup(CurrentGroup) || !ValidSlot(CurrentScenario) ||
        !prompts().AskYesNo(EditCaption, DeleteQuestion(CurrentGroup, CurrentScenario)))
        return;
    const int g = CurrentGroup;
    const int s = CurrentScenario;
    TScenario scenario;
    ResetScenario(scenario);
    FDocument->Do(new TScenarioChange(
        *FDocument, g, s, scenario, u"удаление сценария "_s + QString::number(s) + u" группы "_s + QString::number(g)));
    RevealGroup(g); // the group stays highlighted and shown
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

    // Source and target as one step; within one group both edits fall on one record.
    TGroup targetAfter = target;
    targetAfter.Scenarios[t] = Project.Groups[cg].Scenarios[cs];
    std::vector<TGroupChange::TRecord> records;
    if (ClipboardMode == 2) {
        if (cg == g) {
            if (t != cs)
                ResetScenario(targetAfter.Scenarios[cs]);
        } else {
            TGroup sourceAfter = Project.Groups[cg];
            ResetScenario(sourceAfter.Scenarios[cs]);
            records.push_back({cg, sourceAfter});
        }
    }
    records.push_back({g, targetAfter});
    EditGroups(new TGroupChange(*FDocument, std::move(records),
                                u"вставка сценария "_s + QString::number(t) + u" в группу "_s + QString::number(g)));
    RevealGroup(g); // the target group stays highlighted and shown
    ClipboardMode = -1;
    SetClipboardCommands(Ui.pmmiCopyScenario->isEnabled(), false);
}

void TfrMain::edGroupNameChange(const QString &text)
{
    if (FillingGroup)
        return;
    if (!ValidGroup(CurrentGroup))
        return;
    TGroup group = Project.Groups[CurrentGroup];
    group.Name = text.toStdString();
    EditGroups(
        new TGroupChange(*FDocument, CurrentGroup, group, u"имя группы "_s + QString::number(CurrentGroup), true),
        true);
}

void TfrMain::clZonesClickCheck(QListWidgetItem *item)
{
    if (FillingGroup || !item)
        return;
    const int z = Ui.clZones->row(item) + 1;
    if (z < 1 || z > MaxZones)
        return;
    if (!ValidGroup(CurrentGroup))
        return;
    TGroup group = Project.Groups[CurrentGroup];
    group.Zones[z] = item->checkState() == Qt::Checked;
    if (group == Project.Groups[CurrentGroup])
        return;
    // The tick stays where the operator put it; the list is not filled again under the mouse.
    EditGroups(new TGroupChange(*FDocument, CurrentGroup, group,
                                u"зона "_s + QString::number(z) + u" группы "_s + QString::number(CurrentGroup)),
               true);
}

void TfrMain::edScenarioNameChange(const QString &text)
{
    if (FillingScenario)
        return;
    TScenario scenario = CurrentScenarioRecord();
    scenario.Name = text.toStdString();
    EditScenario(scenario, u"имя сценария "_s + QString::number(CurrentScenario), FieldName);
}

void TfrMain::edScenarioTimeChange(const QString &text)
{
    if (FillingScenario)
        return;
    const std::optional<TTypedTime> time = ReadTypedTime(text);
    if (!time) {
        // Nothing is written, and the text stays as typed so the operator can mend it.
        ShowFieldRefusal(Ui.edScenarioTime, TimeRefusal());
        return;
    }
    ShowFieldRefusal(Ui.edScenarioTime, QString());
    TScenario scenario = CurrentScenarioRecord();
    scenario.Hour = time->Hour;
    scenario.Minute = time->Minute;
    EditScenario(scenario, u"время сценария "_s + QString::number(CurrentScenario), FieldTime);
}

void TfrMain::edScenarioTrackChange(const QString &text)
{
    EditNumberField(Ui.edScenarioTrack, text,
                    {1, MaxTrack, &TScenario::Track, FieldTrack, u"трек сценария "_s, TrackRefusal});
}

void TfrMain::edScenarioVolumeChange(const QString &text)
{
    EditNumberField(Ui.edScenarioVolume, text,
                    {0, MaxVolume, &TScenario::Volume, FieldVolume, u"громкость сценария "_s, VolumeRefusal});
}

void TfrMain::EditNumberField(QLineEdit *box, const QString &text, const TNumberField &field)
{
    if (FillingScenario)
        return;
    const std::optional<int32_t> value = ReadTypedNumber(text, field.Min, field.Max);
    if (!value) {
        ShowFieldRefusal(box, field.Refusal());
        return;
    }
    ShowFieldRefusal(box, QString());
    TScenario scenario = CurrentScenarioRecord();
    scenario.*field.Member = *value;
    EditScenario(scenario, field.Step + QString::number(CurrentScenario), field.Field);
}

void TfrMain::clDayOfWeekClickCheck(QListWidgetItem *item)
{
    if (!item)
        return;
    const int k = Ui.clDayOfWeek->row(item);
    if (k < 0 || k > 6)
        return;
    TScenario scenario = CurrentScenarioRecord();
    scenario.Days[k] = item->checkState() == Qt::Checked;
    // The tick stays where the operator put it; the list is not filled again under the mouse.
    TypingInPage = true;
    EditScenario(scenario, u"день недели сценария "_s + QString::number(CurrentScenario));
    TypingInPage = false;
}
