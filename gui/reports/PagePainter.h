// One page painter for every output of the tender documents: the preview, the printer and
// PDF all draw a report's pages through DrawReportPage, so what the preview shows is what
// prints. The painter's coordinates are 0.1 mm on the sheet, origin at its top-left corner;
// the layout is that of the printed page (A4, margins measured from the sheet's edge).
#pragma once

#include <QPainter>
#include <QSizeF>
#include <QString>
#include <array>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "reports/ReportTable.h"

namespace vak {

// What a report's pages show besides their rows: chosen in the report dialog or read from
// VAK.MEM. Texts are Unicode.
struct ReportSetup {
  ReportKind kind = ReportKind::TenderStatement;
  int firstPageField = 1;                                                // 0: no page numbers
  int marginTop = 8, marginRight = 4, marginLeft = 4, marginBottom = 0;  // typed values, 0 ... 20
  bool landscape = true;
  QString partLabel;  // the construction part's name, for the header strip
  // A document of every construction part: the page each part starts on and its name, in page
  // order; the header strip of a page names the part it belongs to.
  std::vector<std::pair<int, QString>> partLabels;
  QString company;  // CMN_COMP, in the footer strip
  QString author;   // CMN_NAME, in the overall statement's header strip
  // The cover's lines.
  QString title, managementNo, codeNo, amountWords, amountFigures, representative;
};

// The header's texts a report shows: the company and author for every kind, and for the cover
// its lines with the amount in words and figures. False, with the user told, when the cover's
// amount (CMN_IPMT) is missing or cannot be spelled: no cover is made then.
// The part name the header strip of `page` shows.
QString PartLabelOn(const ReportSetup& setup, int page);

bool FillSetupFromHeader(const std::array<std::string, 15>& header, ReportSetup& setup, class UserNotifier& notifier);

// A report ready to be drawn: its setup and, except for the cover, its report table.
class ReportDocument {
 public:
  ReportDocument(ReportSetup setup, std::unique_ptr<ReportRows> rows);
  const ReportSetup& setup() const { return setup_; }
  const ReportRows* rows() const { return rows_.get(); }
  int firstPage() const { return rows_ ? rows_->firstPage() : 1; }
  int lastPage() const { return rows_ ? rows_->lastPage() : 1; }

 private:
  ReportSetup setup_;
  std::unique_ptr<ReportRows> rows_;
};

// The sheet in units of 0.1 mm: A4, 2970 x 2100 landscape or 2100 x 2970 portrait.
QSizeF SheetSize(bool landscape);

// Draws page `page` (for the cover: its one page) onto `painter`; without `withRows`, only the
// frame, the strips and the captions.
void DrawReportPage(QPainter& painter, const ReportDocument& document, int page, bool withRows = true);

}  // namespace vak
