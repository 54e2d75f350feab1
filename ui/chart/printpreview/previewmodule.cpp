// The print preview module: a printer at high resolution and Qt's preview dialog over it.
#include "ui/chart/printpreview/printpreview.h"

#include <QAction>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QGuiApplication>
#include <QObject>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScreen>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

/// Qt's preview shows every page on a sheet of the printer's one size, so a page printed across a
/// portrait sheet would lie on its side: turn those upright, as wide as the others, so the
/// operator reads each page as it will be read on paper.
void TurnPagesUpright(QGraphicsScene &scene, const QList<int> &turned)
{
    QList<QGraphicsItem *> pages = scene.items();
    std::sort(pages.begin(), pages.end(), [](const QGraphicsItem *a, const QGraphicsItem *b) {
        return std::pair(a->pos().y(), a->pos().x()) < std::pair(b->pos().y(), b->pos().x());
    });
    for (qsizetype k = 0; k < pages.size(); ++k) {
        QGraphicsItem &page = *pages[k];
        const QRectF sheet = page.boundingRect();
        const bool across = turned.contains(static_cast<int>(k) + 1);
        page.setTransformOriginPoint(sheet.center());
        page.setRotation(across ? -90 : 0); // the page's top runs down the sheet's right edge
        page.setScale(across && sheet.height() > 0 ? sheet.width() / sheet.height() : 1);
    }
    // Pages one under another (the single page view) close up behind a turned one, which is lower
    // than its sheet.
    const bool column = std::all_of(pages.begin(), pages.end(),
                                    [&](const QGraphicsItem *page) { return page->pos().x() == pages[0]->pos().x(); });
    if (!column || turned.isEmpty())
        return;
    for (qsizetype k = 1; k < pages.size(); ++k) {
        const double above = pages[k - 1]->sceneBoundingRect().bottom();
        pages[k]->setY(pages[k]->y() + above - pages[k]->sceneBoundingRect().top());
    }
    scene.setSceneRect(scene.itemsBoundingRect());
}

} // namespace

extern "C" __attribute__((visibility("default"))) int SigPrintPreview(QWidget *parent, const QString &docName,
                                                                      const QString &title, TPaintPagesFn paint,
                                                                      void *paintContext, TShowModalFn showModal,
                                                                      void *modalContext)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(docName);
    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle(title);
    QList<int> turned;
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, [&](QPrinter *target) {
        turned.clear();
        paint(paintContext, *target, turned);
    });
    auto *pages = preview.findChild<QPrintPreviewWidget *>();
    auto *view = pages ? pages->findChild<QGraphicsView *>() : nullptr;
    if (view && view->scene())
        QObject::connect(pages, &QPrintPreviewWidget::previewChanged, &preview,
                         [&turned, view] { TurnPagesUpright(*view->scene(), turned); });

    // Most of the screen, the page as wide as the window: a caretaker reads it without zooming.
    const QScreen *screen = parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect room = screen->availableGeometry();
        const QSize size(room.width() * 3 / 4, room.height() * 17 / 20);
        preview.resize(size);
        preview.move(room.center() - QPoint(size.width() / 2, size.height() / 2));
    }
    if (auto *fitWidth = preview.findChild<QAction *>(u"fitWidthAction"_s))
        fitWidth->trigger();
    return showModal(modalContext, preview);
}
