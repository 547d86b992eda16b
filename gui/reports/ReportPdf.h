// A report's pages as a PDF file: vector text, selectable and searchable, drawn by the same
// page painter as the preview and the printer. Pages are streamed one by one.
#pragma once

#include <string>

#include "gui/reports/PagePainter.h"

namespace vak {

// Writes pages `from` ... `to` (clamped to the document) to `path`, into a new file beside it
// first (FileBeside), renamed over it only when every byte is on the disk: a failure leaves
// the file that was there as it was and no half-written one. False with `error` set (why: a
// full disk, no permission, ...).
bool WriteReportPdf(const ReportDocument& document, const std::string& path, int from, int to, std::string* error,
                    int* pagesWritten = nullptr);

}  // namespace vak
