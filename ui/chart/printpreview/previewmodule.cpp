// The print preview module: a printer at high resolution and Qt's preview dialog over it.
#include "ui/chart/printpreview/printpreview.h"

#include <QObject>
#include <QPrintPreviewDialog>
#include <QPrinter>

extern "C" __attribute__((visibility("default"))) int SigPrintPreview(QWidget *parent, const QString &docName,
                                                                      const QString &title, TPaintPagesFn paint,
                                                                      void *paintContext, TShowModalFn showModal,
                                                                      void *modalContext)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(docName);
    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle(title);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested,
                     [paint, paintContext](QPrinter *target) { paint(paintContext, *target); });
    return showModal(modalContext, preview);
}
