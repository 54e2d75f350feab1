// The week chart window and the printed schedule: the "Вид" menu, "Печать…" and "Экспорт в PDF…".
#include "ui/mainwindow/sigcfg.h"

#include "model/modulefile.h"
#include "ui/chart/printpreview/printpreview.h"
#include "ui/chart/schedulepages.h"
#include "ui/chart/weekchart.h"
#include "ui/tracks/trackswindow.h"

#include <QAction>
#include <QBoxLayout>
#include <QDate>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

/// The print preview's entry, loaded once from its module; a missing or broken module throws,
/// naming the file concerned.
TPrintPreviewEntry PrintPreview()
{
    static const TPrintPreviewEntry entry = reinterpret_cast<TPrintPreviewEntry>(
        LoadModuleEntries(PreviewModuleFileName, "печати", {PrintPreviewEntryName}).front());
    return entry;
}

} // namespace

void TfrMain::BuildViewCommands()
{
    Ui.miView = new QMenu(u"&Вид"_s, this);
    menuBar()->insertMenu(Ui.miHelp->menuAction(), Ui.miView);
    Ui.miWeekChart = Ui.miView->addAction(u"&Неделя"_s);
    Ui.miWeekChart->setShortcut(QKeySequence(u"F7"_s));
    connect(Ui.miWeekChart, &QAction::triggered, this, &TfrMain::miWeekChartClick);
    AddTracksWindowCommand(*this, *FDocument, *Ui.miView, [this](TTracksWindow &window) {
        connect(&window, &TTracksWindow::PlayListLineChosen, this, &TfrMain::EditPlayListLine);
        connect(&window, &TTracksWindow::SoundEditChosen, this, &TfrMain::EditSound);
    });

    // In the file menu right after the export, which they resemble and whose state they share.
    const QList<QAction *> items = Ui.miFail->actions();
    const qsizetype exportAt = items.indexOf(Ui.miProjectExport);
    QAction *before = exportAt >= 0 && exportAt + 1 < items.size() ? items[exportAt + 1] : nullptr;
    Ui.miPrint = new QAction(u"Пе&чать…"_s, this);
    Ui.miPrint->setShortcut(QKeySequence(u"Ctrl+P"_s));
    Ui.miExportPdf = new QAction(u"Экспорт в &PDF…"_s, this);
    Ui.miFail->insertAction(before, Ui.miPrint);
    Ui.miFail->insertAction(before, Ui.miExportPdf);
    connect(Ui.miPrint, &QAction::triggered, this, &TfrMain::miPrintClick);
    connect(Ui.miExportPdf, &QAction::triggered, this, &TfrMain::miExportPdfClick);
    for (QAction *action : {Ui.miPrint, Ui.miExportPdf}) {
        action->setEnabled(Ui.miProjectExport->isEnabled());
        connect(Ui.miProjectExport, &QAction::enabledChanged, action, &QAction::setEnabled);
    }

    // The toolbar button goes before the stretch that ends the row.
    Ui.bbWeekChart = AddToolButton(u"week"_s, u"Неделя"_s);
    if (auto *row = qobject_cast<QBoxLayout *>(Ui.pnBottons->layout())) {
        row->removeWidget(Ui.bbWeekChart);
        row->insertWidget(row->count() - 1, Ui.bbWeekChart);
    }
    connect(Ui.bbWeekChart, &QToolButton::clicked, this, &TfrMain::miWeekChartClick);
}

void TfrMain::miWeekChartClick()
{
    if (!frWeekChart) {
        frWeekChart = new TWeekChart(*FDocument, *this);
        connect(frWeekChart, &TWeekChart::ScenarioChosen, this, &TfrMain::ShowScenarioOf);
        // Undo and redo reach the document's steps while the chart has the focus too.
        frWeekChart->addActions({Ui.miUndo, Ui.miRedo});
    }
    frWeekChart->ShowBeside();
}

bool TfrMain::SelectScenarioNode(int g, int s)
{
    QTreeWidgetItem *node = FindScenarioNode(g, s);
    if (!node)
        return false;
    if (node->parent())
        node->parent()->setExpanded(true);
    Ui.tvMain->setCurrentItem(node);
    Ui.tvMain->scrollToItem(node);
    return true;
}

void TfrMain::miPrintClick()
{
    const auto paint = [](void *self, QPagedPaintDevice &device, QList<int> &turned) {
        const TfrMain &window = *static_cast<TfrMain *>(self);
        PaintSchedule(device, window.Project, window.PlayList, QDate::currentDate(), false, &turned);
    };
    const auto showModal = [](void *self, QDialog &dialog) {
        return static_cast<TfrMain *>(self)->prompts().ShowModal(dialog);
    };
    PrintPreview()(this, u"Расписание"_s, u"Печать"_s, paint, this, showModal, this);
}

void TfrMain::miExportPdfClick()
{
    const std::optional<Prompts::FileChoice> choice = prompts().SaveFileAs(
        u"Экспорт в PDF"_s, u"Документ PDF (*.pdf)"_s, {{u".pdf"_s, Prompts::TExtensionRule::Ending}}, SaveStart());
    if (!choice)
        return;
    WriteSchedulePdf(choice->Path.toStdString(), Project, PlayList, QDate::currentDate());
}
