#pragma once

#include <QList>
#include <QString>

// The print preview lives in a module of its own (libsigcfg-preview.so): Qt Print Support is a
// library that only this command needs, and the window's start should not load it. The module
// paints through the window's own renderer and shows its dialog through the window's prompts.

class QDialog;
class QPagedPaintDevice;
class QWidget;

extern "C" {
/// Draws the document into the device the preview hands over, and lists the pages (from 1) that
/// it drew across the sheet, turned a quarter clockwise.
using TPaintPagesFn = void (*)(void *context, QPagedPaintDevice &device, QList<int> &turned);
/// Shows a dialog modally; its result.
using TShowModalFn = int (*)(void *context, QDialog &dialog);
/// Shows the print preview of a document (its name for the printer, the dialog's title) over parent;
/// the dialog's result.
using TPrintPreviewEntry = int (*)(QWidget *parent, const QString &docName, const QString &title, TPaintPagesFn paint,
                                   void *paintContext, TShowModalFn showModal, void *modalContext);
}

inline constexpr const char *PreviewModuleFileName = "libsigcfg-preview.so";
inline constexpr const char *PrintPreviewEntryName = "SigPrintPreview";
