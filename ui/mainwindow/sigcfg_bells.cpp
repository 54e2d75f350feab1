// Lesson bells and group-wide edits: the menu items, their dialogs and the refresh after them.
#include "ui/mainwindow/sigcfg.h"

#include "schedule/bells.h"
#include "schedule/groupedit.h"
#include "ui/dialogs/bellsdialog.h"
#include "ui/dialogs/groupeditdialogs.h"
#include "ui/document/groupchange.h"
#include "ui/widgets/modeltext.h"

#include <QMenu>
#include <QSpinBox>
#include <QStackedWidget>

using namespace Qt::StringLiterals;

void TfrMain::BuildScheduleMenus()
{
    const auto items = [this](QMenu *menu, QAction *&bells, QAction *&shift, QAction *&days, QAction *&volume) {
        const auto item = [this, menu](const QString &caption, void (TfrMain::*handler)()) {
            QAction *action = menu->addAction(caption);
            connect(action, &QAction::triggered, this, handler);
            action->setEnabled(false);
            return action;
        };
        menu->addSeparator();
        bells = item(u"Расписание звонков…"_s, &TfrMain::miBellsClick);
        shift = item(u"Сдвинуть расписание группы…"_s, &TfrMain::miShiftGroupClick);
        days = item(u"Дни недели для всей группы…"_s, &TfrMain::miGroupDaysClick);
        volume = item(u"Громкость для всей группы…"_s, &TfrMain::miGroupVolumeClick);
        // They need a group the tree shows, whatever node is selected; asked as the menu opens.
        connect(menu, &QMenu::aboutToShow, this, [this, bells, shift, days, volume] {
            const bool any = StartGroup(Project, CurrentGroup) != 0;
            for (QAction *action : {bells, shift, days, volume})
                action->setEnabled(any);
        });
    };
    items(Ui.miEdit, Ui.miBells, Ui.miShiftGroup, Ui.miGroupDays, Ui.miGroupVolume);
    items(Ui.pmEdit, Ui.pmmiBells, Ui.pmmiShiftGroup, Ui.pmmiGroupDays, Ui.pmmiGroupVolume);
}

void TfrMain::GroupScheduleChanged(int g, const TProject &edited, const QString &step)
{
    EditGroups(new TGroupChange(*FDocument, g, edited.Groups[g], step + QString::number(g)));
    // A shown scenario page is filled again, so it shows the new time, days and volume.
    if (Ui.pcMain->currentWidget() == Ui.tsScenario && CurrentNode)
        tvMainChange(CurrentNode);
    else
        RevealGroup(g);
    RunCheckProject();
}

void TfrMain::miBellsClick()
{
    const int start = StartGroup(Project, CurrentGroup);
    if (start == 0)
        return;
    // A shown bell names the set to recall; else the group's first set.
    TfrBells dialog(Project, start, start == CurrentGroup ? CurrentScenario : 0, this);
    if (prompts().ShowModal(dialog) != 1)
        return;
    const TBellPlan plan = dialog.Plan();
    // The dialog keeps OK off while the plan is refused; a refusal here is a safety net.
    TProject edited = Project;
    TBellOutcome outcome = dialog.Preview().Refusal.empty() ? AddBells(edited, plan) : dialog.Preview();
    if (!outcome.Refusal.empty()) {
        prompts().Notice(u"Расписание звонков"_s, FromModel(outcome.Refusal));
        return;
    }
    GroupScheduleChanged(plan.Group, edited, u"расписание звонков группы "_s);
}

namespace {

/// Shows a group edit dialog; on OK applies edit(edited, dialog) to a copy of the project and returns
/// its group, 0 when nothing changed.
template <typename TDialog, typename TEdit>
int RunGroupEdit(Prompts &prompts, TDialog &dialog, TProject &edited, TEdit &&edit)
{
    if (prompts.ShowModal(dialog) != 1)
        return 0;
    const std::string refusal = edit(edited, dialog);
    if (!refusal.empty()) {
        prompts.Notice(u"Редактирование"_s, FromModel(refusal));
        return 0;
    }
    return dialog.Group();
}

} // namespace

void TfrMain::miShiftGroupClick()
{
    const int start = StartGroup(Project, CurrentGroup);
    if (start == 0)
        return;
    TfrShiftGroup dialog(Project, start, this);
    TProject edited = Project;
    if (const int g = RunGroupEdit(prompts(), dialog, edited, [](TProject &p, const TfrShiftGroup &d) {
            return ShiftGroup(p, d.Group(), d.Minutes());
        }))
        GroupScheduleChanged(g, edited, u"сдвиг расписания группы "_s);
}

void TfrMain::miGroupDaysClick()
{
    const int start = StartGroup(Project, CurrentGroup);
    if (start == 0)
        return;
    TfrGroupDays dialog(Project, start, this);
    TProject edited = Project;
    if (const int g = RunGroupEdit(prompts(), dialog, edited, [](TProject &p, const TfrGroupDays &d) {
            return SetGroupDays(p, d.Group(), d.Days->Days());
        }))
        GroupScheduleChanged(g, edited, u"дни недели группы "_s);
}

void TfrMain::miGroupVolumeClick()
{
    const int start = StartGroup(Project, CurrentGroup);
    if (start == 0)
        return;
    TfrGroupVolume dialog(Project, start, this);
    TProject edited = Project;
    if (const int g = RunGroupEdit(prompts(), dialog, edited, [](TProject &p, const TfrGroupVolume &d) {
            return SetGroupVolume(p, d.Group(), d.seVolume->value());
        }))
        GroupScheduleChanged(g, edited, u"громкость группы "_s);
}
