#include "reports/ReportPrinting.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinterInfo>

namespace vak {

bool PrinterInstalled() { return !QPrinterInfo::defaultPrinter().isNull() || !QPrinterInfo::availablePrinters().isEmpty(); }

bool PrintReport(const ReportDocument& document, QPrinter& printer, int from, int to, int copies) {
  printer.setFullPage(true);  // coordinates from the sheet's edge: the margins place the frame
  printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4),
                                    document.setup().landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                    QMarginsF(0, 0, 0, 0)));
  printer.setCopyCount(std::max(copies, 1));
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  // Painter units of 0.1 mm on the sheet, whatever the printer's resolution.
  const double scale = printer.resolution() / 254.0;
  painter.scale(scale, scale);
  const int first = std::max(from, document.firstPage());
  const int last = std::min(to, document.lastPage());
  bool drawn = true;
  try {
    if (first > last) {
      DrawReportPage(painter, document, from, false);  // the sheet with no rows
    } else {
      for (int page = first; page <= last; ++page) {
        if (page != first) printer.newPage();
        DrawReportPage(painter, document, page);
      }
    }
  } catch (...) {
    drawn = false;
  }
  painter.end();  // the spooler never keeps a half-open job
  return drawn;
}

}  // namespace vak
