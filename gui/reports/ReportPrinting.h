// Printing a report's pages on a printer through the shared page painter: one job for the
// whole range, in the chosen orientation, on A4 with the margins measured from the sheet's
// edge (full-page mode: the printer's unprintable border does not move the frame). Only when
// the drawing would reach into that border is the page scaled into what the printer can print.
#pragma once

#include <QPointF>
#include <QPrinter>
#include <QRectF>
#include <QString>

#include "gui/reports/PagePainter.h"

class QPrinterInfo;

namespace vak {

// Whether a printer is installed (one the system names as default, or any).
bool PrinterInstalled();

// Where a report's page goes on a printer's sheet: a point p of the designed page (0.1 mm)
// is drawn at offset + p × scale.
struct SheetFit {
  double scale = 1;
  QPointF offset;
  bool Designed() const { return scale == 1 && offset.isNull(); }
};

// What the page's drawing covers of the sheet, 0.1 mm from its top-left corner: the ink of
// page `page`, found by drawing it (the frame and strips are the same on every page).
QRectF InkedArea(const ReportDocument& document, int page);

// The part of the A4 sheet, in the report's orientation, that `printer` can print on, from
// its driver's unprintable margins; 0.1 mm from the sheet's top-left corner.
QRectF PrintableArea(const QPrinterInfo& printer, bool landscape);

// The designed place when `inked` lies within `printable`; otherwise the drawing scaled
// (never enlarged, aspect kept) to fit and centred in the printable area.
SheetFit FitIntoPrintable(const QRectF& inked, const QRectF& printable);

// Both of the above for `printer`, measured on the report's first page.
SheetFit FitOnPrinter(const ReportDocument& document, const QPrinterInfo& printer);

// For the preview's status line: empty for the designed place, else what printing will do.
QString FitNote(const SheetFit& fit);

// Prints pages `from` ... `to` of `document` as one job with `copies` copies, placed by
// FitOnPrinter. A range whose first page lies after its last (3 ... 2) gives one sheet with
// frame, strips and captions but no rows. The job is ended whatever happens while drawing.
// False when the printer could not be started or drawing failed; `sheets` gets the number
// of pages drawn (of one copy).
bool PrintReport(const ReportDocument& document, QPrinter& printer, int from, int to, int copies,
                 int* sheets = nullptr);

}  // namespace vak
