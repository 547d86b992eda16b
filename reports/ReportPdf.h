// A report's pages as a PDF file: vector text, selectable and searchable, drawn by the same
// page painter as the preview and the printer. Pages are streamed one by one.
#pragma once

#include <string>

#include "reports/PagePainter.h"

namespace vak {

// Writes pages `from` ... `to` (clamped to the document) to `path`, beside it first and renamed
// over it when complete: a failure leaves no half-written file. False with `error` set.
bool WriteReportPdf(const ReportDocument& document, const std::string& path, int from, int to, std::string* error,
                    int* pagesWritten = nullptr);

}  // namespace vak
