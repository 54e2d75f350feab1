// The week chart window and the printed schedule: the "Вид" menu, "Печать…" and "Экспорт в PDF…".
#include "ui/sigcfg.h"

#include "ui/schedulepages.h"
#include "ui/weekchart.h"

#include <QAction>
#include <QBoxLayout>
#include <QDate>
#include <QMenu>
#include <QMenuBar>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QToolButton>

using namespace Qt::StringLiterals;

void TfrMain::BuildViewCommands()
{
    miView = new QMenu(u"&Вид"_s, this);
    menuBar()->insertMenu(miHelp->menuAction(), miView);
    miWeekChart = miView->addAction(u"&Неделя"_s);
    miWeekChart->setShortcut(QKeySequence(u"F7"_s));
    connect(miWeekChart, &QAction::triggered, this, &TfrMain::miWeekChartClick);

    // In the file menu right after the export, which they resemble and whose state they share.
    const QList<QAction *> items = miFail->actions();
    const qsizetype exportAt = items.indexOf(miProjectExport);
    QAction *before = exportAt >= 0 && exportAt + 1 < items.size() ? items[exportAt + 1] : nullptr;
    miPrint = new QAction(u"&Печать…"_s, this);
    miPrint->setShortcut(QKeySequence(u"Ctrl+P"_s));
    miExportPdf = new QAction(u"Экспорт в &PDF…"_s, this);
    miFail->insertAction(before, miPrint);
    miFail->insertAction(before, miExportPdf);
    connect(miPrint, &QAction::triggered, this, &TfrMain::miPrintClick);
    connect(miExportPdf, &QAction::triggered, this, &TfrMain::miExportPdfClick);
    for (QAction *action : {miPrint, miExportPdf}) {
        action->setEnabled(miProjectExport->isEnabled());
        connect(miProjectExport, &QAction::enabledChanged, action, &QAction::setEnabled);
    }

    // The toolbar button goes before the stretch that ends the row.
    bbWeekChart = AddToolButton(u":/icons/week.svg"_s, u"Неделя"_s);
    if (auto *row = qobject_cast<QBoxLayout *>(pnBottons->layout())) {
        row->removeWidget(bbWeekChart);
        row->insertWidget(row->count() - 1, bbWeekChart);
    }
    connect(bbWeekChart, &QToolButton::clicked, this, &TfrMain::miWeekChartClick);
}

void TfrMain::miWeekChartClick()
{
    if (!frWeekChart)
        frWeekChart = new TWeekChart(*this);
    frWeekChart->ShowBeside();
}

void TfrMain::miPrintClick()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(u"Расписание"_s);
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(u"Печать"_s);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter *target) { PaintSchedule(*target, Project, PlayList, QDate::currentDate(), false); });
    prompts().ShowModal(preview);
}

void TfrMain::miExportPdfClick()
{
    const std::optional<Prompts::FileChoice> choice = prompts().SaveFile(u"Экспорт в PDF"_s, u"Документ PDF (*.pdf)"_s);
    if (!choice)
        return;
    QString path = choice->Path;
    if (!path.endsWith(u".pdf"_s, Qt::CaseInsensitive))
        path += u".pdf"_s;
    WriteSchedulePdf(path.toStdString(), Project, PlayList, QDate::currentDate());
}
