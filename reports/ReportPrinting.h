// Printing a report's pages on a printer through the shared page painter: one job for the
// whole range, in the chosen orientation, on A4 with the margins measured from the sheet's
// edge (full-page mode: the printer's unprintable border does not move the frame).
#pragma once

#include <QPrinter>

#include "reports/PagePainter.h"

namespace vak {

// Whether a printer is installed (one the system names as default, or any).
bool PrinterInstalled();

// Prints pages `from` ... `to` of `document` as one job with `copies` copies. A range whose
// first page lies after its last (3 ... 2) gives one sheet with frame, strips and captions but
// no rows. The job is ended whatever happens while drawing. False when the printer could not
// be started.
bool PrintReport(const ReportDocument& document, QPrinter& printer, int from, int to, int copies);

}  // namespace vak
