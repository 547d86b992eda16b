// A tender document ready to preview, print or write as PDF: the one way the report dialog and
// `vaktool report` assemble it, so that both give the same pages.
#pragma once

#include <memory>

#include "gui/reports/PagePainter.h"
#include "reports/ReportTable.h"

namespace vak {

// Builds the report table `request` asks for from `items` and opens it; the header strip names
// the part of each page. The cover needs no table. Null, with the user told, when the table
// cannot be written or read back.
std::unique_ptr<ReportDocument> AssembleReport(TZekTable& items, const ReportRequest& request, ReportSetup setup,
                                               UserNotifier& notifier);

}  // namespace vak
