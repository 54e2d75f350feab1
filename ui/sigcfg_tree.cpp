// The project tree, the two property pages, the command states, the settings prompts and the log.
#include "ui/sigcfg.h"

#include "schedule/check.h"
#include "model/codepage.h"
#include "model/lib.h"
#include "ui/inputcb.h"
#include "ui/inputval.h"
#include "ui/modeltext.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
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

bool ValidGroup(int g)
{
    return g >= 1 && g <= MaxGroups;
}

bool ValidSlot(int s)
{
    return s >= 1 && s <= MaxScenarios;
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

QString TLogBox::LeftOutText(int64_t count)
{
    return u"... не показано строк: "_s + QString::number(count);
}

void TLogBox::ClearLog()
{
    Box.clear();
    Shown = 0;
    Hidden = 0;
    Latest.clear();
    Pending.clear();
    TailBlocks = 0;
    TailPending = false;
}

void TLogBox::AddLog(std::string_view line)
{
    if (Shown < LogShownLimit) {
        AddLine(FromModel(line));
        return;
    }
    // Past the limit only the count and the latest line are kept: millions of lines cost nothing.
    ++Hidden;
    Latest.assign(line);
    TailPending = true;
    FlushLater();
}

void TLogBox::AddLine(const QString &line)
{
    if (Shown < LogShownLimit) {
        ++Shown;
        Pending.push_back(line);
        if (Batch == 0)
            Flush();
        return;
    }
    ++Hidden;
    Latest = line.toStdString();
    TailPending = true;
    FlushLater();
}

void TLogBox::FlushLater()
{
    if (Batch > 0 || FlushQueued)
        return;
    FlushQueued = true;
    QTimer::singleShot(0, &Box, [this] {
        FlushQueued = false;
        if (Batch == 0)
            Flush();
    });
}

void TLogBox::EndBatch()
{
    if (Batch > 0 && --Batch == 0)
        Flush();
}

void TLogBox::Flush()
{
    if (!Pending.isEmpty()) {
        Box.appendPlainText(Pending.join(u'\n'));
        Pending.clear();
    }
    if (!TailPending)
        return;
    TailPending = false;
    QTextDocument *document = Box.document();
    if (TailBlocks > 0 && document->blockCount() > TailBlocks) {
        QTextBlock first = document->lastBlock();
        for (int i = 1; i < TailBlocks; ++i)
            first = first.previous();
        QTextCursor cursor(document);
        cursor.setPosition(first.position() - 1); // the line break before the tail goes too
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    QString tail = FromModel(Latest);
    TailBlocks = 1;
    if (Hidden > 1) {
        tail = LeftOutText(Hidden - 1) + u'\n' + tail;
        TailBlocks = 2;
    }
    Box.appendPlainText(tail);
}

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
    for (int i = 0; i < tvMain->topLevelItemCount(); ++i) {
        QTreeWidgetItem *node = tvMain->topLevelItem(i);
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
    lbProjectName->setText(FromModel(Project.Name));
    const bool known = Project.DeviceType >= 0 && Project.DeviceType < DeviceTypeCount;
    lbDeviceName->setText(known ? FromModel(DeviceTypeNames[Project.DeviceType]) : QString());
}

void TfrMain::RebuildTree()
{
    {
        // A rebuild selects nothing and leaves the page alone, so the selection handler stays out.
        const QSignalBlocker blocker(tvMain);
        CurrentNode = nullptr;
        tvMain->clear();
        QList<QTreeWidgetItem *> groups;
        for (int g = 1; g <= std::min(ZoneCount(Project), MaxGroups); ++g) {
            const TGroup &group = Project.Groups[g];
            if (!group.Used)
                continue;
            auto *node = new QTreeWidgetItem(QStringList{GroupNodeText(g, group.Name)});
            QList<QTreeWidgetItem *> scenarios;
            for (int s = 1; s <= MaxScenarios; ++s) {
                if (group.Scenarios[s].Used)
                    scenarios.push_back(new QTreeWidgetItem(QStringList{ScenarioNodeText(s, group.Scenarios[s].Name)}));
            }
            node->addChildren(scenarios);
            groups.push_back(node);
        }
        tvMain->addTopLevelItems(groups);
    }
    // The name boxes of a shown page keep renaming the node that now stands for their record.
    if (pcMain->currentWidget() == tsGroup)
        CurrentNode = FindGroupNode(CurrentGroup);
    else if (pcMain->currentWidget() == tsScenario)
        CurrentNode = FindScenarioNode(CurrentGroup, CurrentScenario);
    ShowProjectInfo();
    emit ProjectChanged();
}

void TfrMain::tvMainChange(QTreeWidgetItem *node)
{
    if (!node)
        return;
    ClearLog();
    CurrentNode = node;
    if (IsGroupNode(node))
        ShowGroup(node);
    else if (IsScenarioNode(node))
        ShowScenario(node);
}

void TfrMain::ShowGroup(QTreeWidgetItem *node)
{
    const int g = GroupNumberOfText(node->text(0));
    if (!ValidGroup(g))
        return;
    pcMain->setCurrentWidget(tsGroup);
    lbGroupNumber->setText(node->text(0));
    CurrentGroup = g;
    CurrentScenario = 0;

    FillingGroup = true;
    const TGroup &group = Project.Groups[g];
    edGroupName->setText(FromModel(group.Name));
    clZones->clear();
    for (int n = 1; n <= std::min(ZoneCount(Project), MaxZones); ++n) {
        auto *item = new QListWidgetItem(u"Зона "_s + QString::number(n));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(group.Zones[n] ? Qt::Checked : Qt::Unchecked);
        clZones->addItem(item);
    }
    FillingGroup = false;

    SetEditCommands(true, true, true, false, false, ClipboardMode > 0);
}

void TfrMain::ShowScenario(QTreeWidgetItem *node)
{
    const int s = ScenarioNumberOfText(node->text(0));
    const int g = node->parent() ? GroupNumberOfText(node->parent()->text(0)) : 0;
    if (!ValidGroup(g) || !ValidSlot(s))
        return;
    pcMain->setCurrentWidget(tsScenario);
    lbScenarioNumber->setText(node->text(0));
    CurrentScenario = s;
    CurrentGroup = g;

    const TScenario &scenario = Project.Groups[g].Scenarios[s];
    FillingScenario = true;
    edScenarioName->setText(FromModel(scenario.Name));
    edScenarioTime->setText(FromModel(TimeText(scenario.Hour, scenario.Minute))); // its handler runs
    edScenarioTrack->setText(QString::number(scenario.Track));
    edScenarioVolume->setText(QString::number(scenario.Volume));
    FillingScenario = false;
    {
        // Ticks set from the model are no edits of the operator.
        const QSignalBlocker blocker(clDayOfWeek);
        for (int k = 0; k < 7; ++k)
            clDayOfWeek->item(k)->setCheckState(scenario.Days[k] ? Qt::Checked : Qt::Unchecked);
    }

    SetEditCommands(false, false, false, true, true, false);

    const TLogBatch batch(*FLog);
    CheckScenarioClashes(Project, g, s, *FLog);
}

void TfrMain::RevealGroup(int g)
{
    QTreeWidgetItem *node = FindGroupNode(g);
    if (!node)
        return;
    node->setExpanded(true);
    tvMainChange(node);
}

// ---- command states ----

void TfrMain::SyncPopupMenu()
{
    pmmiAddGroup->setEnabled(miAddGroup->isEnabled());
    pmmiDelGroup->setEnabled(miDelGroup->isEnabled());
    pmmiAddScenario->setEnabled(miAddScenario->isEnabled());
    pmmiDelScenario->setEnabled(miDelScenario->isEnabled());
}

void TfrMain::SetClipboardCommands(bool copyCut, bool paste)
{
    pmmiCopyScenario->setEnabled(copyCut);
    pmmiCutScenario->setEnabled(copyCut);
    pmmiPutScenario->setEnabled(paste);
    miCopyScenario->setEnabled(pmmiCopyScenario->isEnabled());
    miCutScenario->setEnabled(pmmiCutScenario->isEnabled());
    miPutScenario->setEnabled(pmmiPutScenario->isEnabled());
}

void TfrMain::SetEditCommands(bool addGroup, bool delGroup, bool addScenario, bool delScenario, bool copyCut,
                              bool paste)
{
    miAddGroup->setEnabled(addGroup);
    miDelGroup->setEnabled(delGroup);
    miAddScenario->setEnabled(addScenario);
    miDelScenario->setEnabled(delScenario);
    SetClipboardCommands(copyCut, paste);
    SyncPopupMenu();
}

void TfrMain::SwitchProjectState(bool open)
{
    for (QAction *action : {miProjectSetting, miProjectSave, miProjectSaveAs, miProjectExport, miAddGroup})
        action->setEnabled(open);
    bbSaveProject->setEnabled(open);
    bbSaveAsProject->setEnabled(open);
    bbExportProject->setEnabled(open);
    miDelGroup->setEnabled(false);
    miAddScenario->setEnabled(false);
    miDelScenario->setEnabled(false);
    SyncPopupMenu();
    RebuildTree();
    pcMain->setCurrentWidget(tsNothing);
    miProjectClose->setEnabled(open);
    lbProjectNameAlt->setEnabled(open);
    lbDeviceNameAlt->setEnabled(open);
    SetClipboardCommands(false, false);
    ClearLog();
    miSavePlaylist->setEnabled(open);
    bbSavePlayList->setEnabled(open);
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
    Project.Name = name.toStdString();
    const int32_t index = DeviceTypeIndex(device.toStdString());
    if (index == 0)
        return false;
    Project.DeviceType = index;
    ShowProjectInfo();
    Modified = true;
    return true;
}
