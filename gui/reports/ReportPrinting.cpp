#include "gui/reports/ReportPrinting.h"

#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinterInfo>
#include <algorithm>
#include <cmath>

namespace vak {

bool PrinterInstalled() {
  return !QPrinterInfo::defaultPrinter().isNull() || !QPrinterInfo::availablePrinters().isEmpty();
}

QRectF InkedArea(const ReportDocument& document, int page) {
  // A quarter millimetre a pixel: finer than any printer's border is known to be.
  constexpr double kPixel = 2.5;  // 0.1 mm
  const QSizeF sheet = SheetSize(document.setup().landscape);
  QImage image(static_cast<int>(std::ceil(sheet.width() / kPixel)),
               static_cast<int>(std::ceil(sheet.height() / kPixel)), QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    painter.scale(1 / kPixel, 1 / kPixel);
    DrawReportPage(painter, document, page);
  }
  const QRgb white = QColor(Qt::white).rgb();
  int left = image.width(), right = -1, top = image.height(), bottom = -1;
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    int first = -1, last = -1;
    for (int x = 0; x < image.width(); ++x) {
      if (line[x] == white) continue;
      if (first < 0) first = x;
      last = x;
    }
    if (first < 0) continue;
    left = std::min(left, first);
    right = std::max(right, last);
    top = std::min(top, y);
    bottom = y;
  }
  if (right < 0) return {};
  return QRectF(left * kPixel, top * kPixel, (right - left + 1) * kPixel, (bottom - top + 1) * kPixel);
}

QRectF PrintableArea(const QPrinterInfo& info, bool landscape) {
  const QRectF sheet(QPointF(0, 0), SheetSize(landscape));
  if (info.isNull()) return sheet;
  // The driver's margins are those of the upright sheet.
  QPrinter printer(info, QPrinter::HighResolution);
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageOrientation(QPageLayout::Portrait);
  QPageLayout layout = printer.pageLayout();
  layout.setUnits(QPageLayout::Millimeter);
  const QMarginsF m = layout.minimumMargins() * 10;
  if (!landscape) return sheet.marginsRemoved(m);
  // A landscape page is turned onto the upright sheet one way or the other, as the driver
  // decides, so each side keeps clear of the wider of the two borders it may land on.
  const double sides = std::max(m.top(), m.bottom()), ends = std::max(m.left(), m.right());
  return sheet.marginsRemoved(QMarginsF(sides, ends, sides, ends));
}

SheetFit FitIntoPrintable(const QRectF& inked, const QRectF& printable) {
  if (inked.isEmpty() || printable.isEmpty() || printable.contains(inked)) return {};
  SheetFit fit;
  fit.scale = std::min({1.0, printable.width() / inked.width(), printable.height() / inked.height()});
  fit.offset = printable.center() - inked.center() * fit.scale;
  return fit;
}

SheetFit FitOnPrinter(const ReportDocument& document, const QPrinterInfo& printer) {
  const QRectF printable = PrintableArea(printer, document.setup().landscape);
  if (printable == QRectF(QPointF(0, 0), SheetSize(document.setup().landscape))) return {};  // prints to the edge
  return FitIntoPrintable(InkedArea(document, document.firstPage()), printable);
}

QString FitNote(const SheetFit& fit) {
  if (fit.Designed()) return {};
  if (fit.scale < 1)
    return QStringLiteral("인쇄 가능 영역에 맞춰 %1%로 축소").arg(static_cast<int>(std::floor(fit.scale * 100)));
  return QStringLiteral("인쇄 가능 영역 안으로 이동");
}

bool PrintReport(const ReportDocument& document, QPrinter& printer, int from, int to, int copies, int* sheets) {
  if (sheets) *sheets = 0;
  const bool landscape = document.setup().landscape;
  bool drawn = true;
  SheetFit fit;
  try {
    fit = FitOnPrinter(document, QPrinterInfo(printer));
  } catch (...) {
    return false;  // nothing was started
  }
  // Coordinates from the sheet's edge: the report's margins place the frame. (A layout with
  // zero margins would be refused by a printer that has unprintable ones.)
  printer.setFullPage(true);
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
  printer.setCopyCount(std::max(copies, 1));
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  // Painter units of 0.1 mm on the sheet, whatever the printer's resolution.
  const double scale = printer.resolution() / 254.0;
  painter.scale(scale, scale);
  painter.translate(fit.offset);
  painter.scale(fit.scale, fit.scale);
  const int first = std::max(from, document.firstPage());
  const int last = std::min(to, document.lastPage());
  int count = 0;
  try {
    if (first > last) {
      DrawReportPage(painter, document, from, false);  // the sheet with no rows
      count = 1;
    } else {
      for (int page = first; page <= last; ++page) {
        if (page != first) printer.newPage();
        DrawReportPage(painter, document, page);
        ++count;
      }
    }
  } catch (...) {
    drawn = false;
  }
  painter.end();  // the spooler never keeps a half-open job
  if (sheets) *sheets = count;
  return drawn;
}

}  // namespace vak
