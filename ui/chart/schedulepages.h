#pragma once

#include "model/type.h"

#include <QByteArray>
#include <QDate>
#include <QFont>
#include <QList>

#include <string>
#include <vector>

class QPagedPaintDevice;

// The printed schedule: a title block, a table per shown group, the week chart on a landscape
// page and the clashes. The printer, the PDF export and the tool all draw it through here.

/// The font of the printed pages: DejaVu Sans, which holds Cyrillic, loaded from its file when
/// the system does not list it, so a PDF looks the same on every machine.
QFont PrintFont(double pointSize, bool bold = false);

/// Draws the schedule on an A4 device (set to A4 portrait here). Where the device can turn pages
/// (a PDF writer) the chart gets a landscape page; a printer gets it turned on a portrait sheet,
/// which is what a landscape page prints as; turned, when given, gets the numbers of those pages
/// (from 1). Returns the number of pages.
int PaintSchedule(QPagedPaintDevice &device, const TProject &project, const std::vector<std::string> &playList,
                  const QDate &printed, bool turnPages, QList<int> *turned = nullptr);

/// The schedule as the bytes of a PDF file with every font embedded.
QByteArray SchedulePdf(const TProject &project, const std::vector<std::string> &playList, const QDate &printed);

/// Writes the schedule's PDF to path through the safe write (the old file stays on failure).
void WriteSchedulePdf(const std::string &path, const TProject &project, const std::vector<std::string> &playList,
                      const QDate &printed);
