// The project tree, the two property pages, the command states, the settings prompts and the log.
#include "ui/mainwindow/sigcfg.h"

#include "model/codepage.h"
#include "model/lib.h"
#include "schedule/bells.h"
#include "schedule/check.h"
#include "schedule/groupedit.h"
#include "ui/dialogs/inputcb.h"
#include "ui/dialogs/inputval.h"
#include "ui/document/projectinfochange.h"
#include "ui/widgets/checklist.h"
#include "ui/widgets/logbox.h"
#include "ui/widgets/modeltext.h"
#include "ui/widgets/typedvalues.h"
#include "ui/widgets/validators.h"

#include <QStatusBar>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

const QString GroupPrefix = u"Группа "_s;
const QString ScenarioPrefix = u"Сценарий "_s;

int NumberAfter(const QString &text, const QString &prefix)
{
    if (!text.startsWith(prefix))
        return 0;
    return LeadingNumber(text.mid(prefix.size()).toStdString());
}

/// True when a project file can hold the text.
bool FitsProjectFile(const QString &text)
{
    return FitsCp1251(text.toStdString());
}

/// The text without the characters a project file can not hold.
QString FittingPart(const QString &text)
{
    QString result;
    for (const char32_t c : text.toUcs4()) {
        const QString one = QString::fromUcs4(&c, 1);
        if (FitsProjectFile(one))
            result += one;
    }
    return result;
}

} // namespace

// ---- log ----

void TfrMain::AddLog(const QString &line)
{
    FLog->AddLine(line);
}

void TfrMain::ClearLog()
{
    FLog->ClearLog();
}

TLogSink &TfrMain::Log()
{
    return *FLog;
}

void TfrMain::RunCheckProject()
{
    const TLogBatch batch(*FLog);
    CheckProject(Project, *FLog);
}

// ---- node texts ----

QString TfrMain::GroupNodeText(int g, const std::string &name)
{
    return GroupPrefix + QString::number(g) + u": "_s + FromModel(name);
}

QString TfrMain::ScenarioNodeText(int s, const std::string &name)
{
    return ScenarioPrefix + QString::number(s) + u": "_s + FromModel(name);
}

int TfrMain::GroupNumberOfText(const QString &text)
{
    return NumberAfter(text, GroupPrefix);
}

int TfrMain::ScenarioNumberOfText(const QString &text)
{
    return NumberAfter(text, ScenarioPrefix);
}

bool TfrMain::IsGroupNode(const QTreeWidgetItem *node)
{
    return node && node->text(0).startsWith(GroupPrefix);
}

bool TfrMain::IsScenarioNode(const QTreeWidgetItem *node)
{
    return node && node->text(0).startsWith(ScenarioPrefix);
}

QTreeWidgetItem *TfrMain::FindGroupNode(int g) const
{
    for (int i = 0; i < Ui.tvMain->topLevelItemCount(); ++i) {
        QTreeWidgetItem *node = Ui.tvMain->topLevelItem(i);
        if (IsGroupNode(node) && GroupNumberOfText(node->text(0)) == g)
            return node;
    }
    return nullptr;
}

QTreeWidgetItem *TfrMain::FindScenarioNode(int g, int s) const
{
    QTreeWidgetItem *group = FindGroupNode(g);
    for (int i = 0; group && i < group->childCount(); ++i) {
        QTreeWidgetItem *node = group->child(i);
        if (IsScenarioNode(node) && ScenarioNumberOfText(node->text(0)) == s)
            return node;
    }
    return nullptr;
}

// ---- tree and pages ----

void TfrMain::ShowProjectInfo()
{
    Ui.lbProjectName->setText(FromModel(Project.Name));
    const bool known = Project.DeviceType >= 0 && Project.DeviceType < DeviceTypeCount;
    Ui.lbDeviceName->setText(known ? FromModel(DeviceTypeNames[Project.DeviceType]) : QString());
}

void TfrMain::RebuildTree()
{
    // The record whose page shows, found again after the rebuild.
    const int g = CurrentGroup;
    const int s = Ui.pcMain->currentWidget() == Ui.tsScenario ? CurrentScenario : 0;
    const bool placed = Ui.pcMain->currentWidget() != Ui.tsNothing;
    {
        // A rebuild lands on no node; the page follows below, once.
        const QSignalBlocker blocker(Ui.tvMain);
        CurrentNode = nullptr;
        Ui.tvMain->clear();
        QList<QTreeWidgetItem *> groups;
        for (int n = 1; n <= std::min(ZoneCount(Project), MaxGroups); ++n) {
            const TGroup &group = Project.Groups[n];
            if (!group.Used)
                continue;
            auto *node = new QTreeWidgetItem(QStringList{GroupNodeText(n, group.Name)});
            QList<QTreeWidgetItem *> scenarios;
            for (int slot = 1; slot <= MaxScenarios; ++slot) {
                if (group.Scenarios[slot].Used)
                    scenarios.push_back(
                        new QTreeWidgetItem(QStringList{ScenarioNodeText(slot, group.Scenarios[slot].Name)}));
            }
            node->addChildren(scenarios);
            groups.push_back(node);
        }
        Ui.tvMain->addTopLevelItems(groups);
    }
    ShowProjectInfo();
    // The operator keeps the place: the node of the shown record is current and highlighted again
    // and its page shows it as the model now is (a new device type lists its own zones). When the
    // record is gone or hidden, the empty page shows.
    QTreeWidgetItem *node = !placed ? nullptr : s > 0 ? FindScenarioNode(g, s) : FindGroupNode(g);
    if (node)
        Ui.tvMain->setCurrentItem(node);
    else if (placed)
        ShowNothing();
}

QTreeWidgetItem *TfrMain::HighlightedNode() const
{
    QTreeWidgetItem *node = Ui.tvMain->currentItem();
    return node && node->isSelected() ? node : nullptr;
}

void TfrMain::FollowHighlight()
{
    // Qt makes a node current without highlighting it when the tree gets the focus with none
    // current (after a dialog or a pop-up menu closes): such a node is no choice of the operator.
    QTreeWidgetItem *node = HighlightedNode();
    if (node == CurrentNode && (node || Ui.pcMain->currentWidget() == Ui.tsNothing))
        return;
    tvMainChange(node);
}

void TfrMain::tvMainChange(QTreeWidgetItem *node)
{
    FDocument->CloseTyping(); // typing on another page is another step
    ClearLog();
    CurrentNode = node;
    if (IsGroupNode(node))
        ShowGroup(node);
    else if (IsScenarioNode(node))
        ShowScenario(node);
    else
        ShowNothing();
}

void TfrMain::ShowNothing()
{
    CurrentNode = nullptr;
    Ui.pcMain->setCurrentWidget(Ui.tsNothing);
    // Nothing highlighted: only what needs no node stays available.
    if (Ui.miProjectClose->isEnabled())
        SetEditCommands(true, false, false, false, false, false);
}

void TfrMain::ShowGroup(QTreeWidgetItem *node)
{
    const int g = GroupNumberOfText(node->text(0));
    if (!ValidGroup(g))
        return ShowNothing();
    Ui.pcMain->setCurrentWidget(GroupPage());
    Ui.lbGroupNumber->setText(node->text(0));
    CurrentGroup = g;
    CurrentScenario = 0;

    FillingGroup = true;
    const TGroup &group = Project.Groups[g];
    Ui.edGroupName->setText(FromModel(group.Name));
    Ui.clZones->clear();
    for (int n = 1; n <= std::min(ZoneCount(Project), MaxZones); ++n)
        Ui.clZones->AddItem(u"Зона "_s + QString::number(n))
            ->setCheckState(group.Zones[n] ? Qt::Checked : Qt::Unchecked);
    Ui.clZones->StartAtFirstRow();
    FillingGroup = false;

    SetEditCommands(true, true, true, false, false, ClipboardMode > 0);
}

void TfrMain::ShowScenario(QTreeWidgetItem *node)
{
    const int s = ScenarioNumberOfText(node->text(0));
    const int g = node->parent() ? GroupNumberOfText(node->parent()->text(0)) : 0;
    if (!ValidGroup(g) || !ValidSlot(s))
        return ShowNothing();
    Ui.pcMain->setCurrentWidget(ScenarioPage());
    Ui.lbScenarioNumber->setText(node->text(0));
    CurrentScenario = s;
    CurrentGroup = g;

    const TScenario &scenario = Project.Groups[g].Scenarios[s];
    FillingScenario = true;
    Ui.edScenarioName->setText(FromModel(scenario.Name));
    Ui.edScenarioTime->setText(FromModel(TimeText(scenario.Hour, scenario.Minute)));
    // A stored negative value shows with its minus and stays editable; otherwise digits only.
    FTrackValidator->SetMinusAllowed(scenario.Track < 0);
    FVolumeValidator->SetMinusAllowed(scenario.Volume < 0);
    Ui.edScenarioTrack->setText(QString::number(scenario.Track));
    Ui.edScenarioVolume->setText(QString::number(scenario.Volume));
    FillingScenario = false;
    ShowTimeRange();
    {
        // Ticks set from the model are no edits of the operator.
        const QSignalBlocker blocker(Ui.clDayOfWeek);
        for (int k = 0; k < 7; ++k)
            Ui.clDayOfWeek->item(k)->setCheckState(scenario.Days[k] ? Qt::Checked : Qt::Unchecked);
    }
    Ui.clDayOfWeek->StartAtFirstRow();

    // A scenario's group takes a new scenario as the group's page does.
    SetEditCommands(false, false, true, true, true, false);

    const TLogBatch batch(*FLog);
    CheckScenarioClashes(Project, g, s, *FLog);
}

void TfrMain::ShowTimeRange()
{
    // Values read from a file may lie outside what can be typed (25:99, volume 300): they show in
    // red and stay as they are until the operator types a value in range over them.
    const TScenario &scenario = CurrentScenarioRecord();
    const std::pair<QLineEdit *, QString> fields[] = {
        {Ui.edScenarioTime, ReadTypedTime(Ui.edScenarioTime->text()) ? QString() : TimeRefusal()},
        {Ui.edScenarioTrack, scenario.Track >= 1 && scenario.Track <= MaxTrack ? QString() : TrackRefusal()},
        {Ui.edScenarioVolume, scenario.Volume >= 0 && scenario.Volume <= MaxVolume ? QString() : VolumeRefusal()},
    };
    // Those in range first, so that a refusal's reason is what the status bar keeps.
    for (const auto &[field, reason] : fields) {
        if (reason.isEmpty())
            ShowFieldRefusal(field, reason);
    }
    for (const auto &[field, reason] : fields) {
        if (!reason.isEmpty())
            ShowFieldRefusal(field, reason);
    }
}

void TfrMain::RevealGroup(int g)
{
    QTreeWidgetItem *node = FindGroupNode(g);
    if (!node)
        return;
    node->setExpanded(true);
    // The page shows what the tree highlights, so the group becomes the current node.
    if (HighlightedNode() != node)
        Ui.tvMain->setCurrentItem(node);
}

// ---- command states ----

void TfrMain::SyncPopupMenu()
{
    Ui.pmmiAddGroup->setEnabled(Ui.miAddGroup->isEnabled());
    Ui.pmmiDelGroup->setEnabled(Ui.miDelGroup->isEnabled());
    Ui.pmmiAddScenario->setEnabled(Ui.miAddScenario->isEnabled());
    Ui.pmmiDelScenario->setEnabled(Ui.miDelScenario->isEnabled());
}

void TfrMain::SetClipboardCommands(bool copyCut, bool paste)
{
    Ui.pmmiCopyScenario->setEnabled(copyCut);
    Ui.pmmiCutScenario->setEnabled(copyCut);
    Ui.pmmiPutScenario->setEnabled(paste);
    Ui.miCopyScenario->setEnabled(Ui.pmmiCopyScenario->isEnabled());
    Ui.miCutScenario->setEnabled(Ui.pmmiCutScenario->isEnabled());
    Ui.miPutScenario->setEnabled(Ui.pmmiPutScenario->isEnabled());
}

void TfrMain::SetEditCommands(bool addGroup, bool delGroup, bool addScenario, bool delScenario, bool copyCut,
                              bool paste)
{
    Ui.miAddGroup->setEnabled(addGroup);
    Ui.miDelGroup->setEnabled(delGroup);
    Ui.miAddScenario->setEnabled(addScenario);
    Ui.miDelScenario->setEnabled(delScenario);
    SetClipboardCommands(copyCut, paste);
    SyncPopupMenu();
}

void TfrMain::SwitchProjectState(bool open)
{
    for (QAction *action :
         {Ui.miProjectSetting, Ui.miProjectSave, Ui.miProjectSaveAs, Ui.miProjectExport, Ui.miAddGroup})
        action->setEnabled(open);
    Ui.bbSaveProject->setEnabled(open);
    Ui.bbSaveAsProject->setEnabled(open);
    Ui.bbExportProject->setEnabled(open);
    Ui.miDelGroup->setEnabled(false);
    Ui.miAddScenario->setEnabled(false);
    Ui.miDelScenario->setEnabled(false);
    SyncPopupMenu();
    // A project just opened or closed shows no node, whatever the one before showed.
    Ui.pcMain->setCurrentWidget(Ui.tsNothing);
    CurrentNode = nullptr;
    RebuildTree();
    Ui.miProjectClose->setEnabled(open);
    Ui.lbProjectNameAlt->setEnabled(open);
    Ui.lbDeviceNameAlt->setEnabled(open);
    SetClipboardCommands(false, false);
    ClearLog();
    Ui.miSavePlaylist->setEnabled(open);
    Ui.bbSavePlayList->setEnabled(open);
    ShowTitle();
    FDocument->NotifyViews(); // the views of the whole project look again
}

void TfrMain::ProjectOpened()
{
    SwitchProjectState(true);
}

void TfrMain::ProjectClosed()
{
    SwitchProjectState(false);
}

// ---- prompts ----

QString TfrMain::InputValue(const QString &prompt, const QString &defaultText)
{
    frInputValue->setWindowTitle(prompt);
    frInputValue->edValue->setText(defaultText);
    if (prompts().ShowModal(*frInputValue) != 1)
        return QString();
    return frInputValue->edValue->text();
}

QString TfrMain::InputChoice(const QString &prompt, const QStringList &items, const QString &initial)
{
    frInputCb->setWindowTitle(prompt);
    frInputCb->cbValue->clear();
    frInputCb->cbValue->addItems(items);
    frInputCb->cbValue->setCurrentText(initial);
    if (prompts().ShowModal(*frInputCb) != 1)
        return QString();
    return frInputCb->cbValue->currentText();
}

QString TfrMain::AskProjectName()
{
    const QString prompt = u"Введите название проекта"_s;
    QString name = InputValue(prompt, FromModel(Project.Name));
    // The box refuses such characters as they are typed; a text set from code can still hold
    // them, so ask again with what the file can hold.
    while (!FitsProjectFile(name))
        name = InputValue(prompt, FittingPart(name));
    return name;
}

QString TfrMain::AskDeviceType()
{
    QStringList items;
    for (int i = 1; i < DeviceTypeCount; ++i)
        items.push_back(FromModel(DeviceTypeNames[i]));
    const bool known = Project.DeviceType >= 1 && Project.DeviceType < DeviceTypeCount;
    const QString initial = FromModel(DeviceTypeNames[known ? Project.DeviceType : 1]);
    return InputChoice(u"Укажите тип прибора"_s, items, initial);
}

bool TfrMain::AskProjectSettings()
{
    const QString name = AskProjectName();
    const QString device = AskDeviceType();
    if (device.isEmpty())
        return false;
    const int32_t index = DeviceTypeIndex(device.toStdString());
    if (index == 0) {
        // As specified, a type typed wrong still keeps the name typed before it, unmarked.
        Project.Name = name.toStdString();
        ShowProjectInfo();
        return false;
    }
    if (!ConfirmDeviceType(index))
        return false;
    const std::string text = name.toStdString();
    if (text != Project.Name || index != Project.DeviceType)
        FDocument->Do(new TProjectInfoChange(*FDocument, text, index, u"настройки проекта"_s));
    ShowProjectInfo();
    return true;
}
