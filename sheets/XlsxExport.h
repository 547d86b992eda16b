// Writes the statement workbook as an .xlsx file through libxlsxwriter, in its constant-memory
// mode (rows go to the file as they are written, so a statement of any length fits).
#pragma once

#include <string>

#include "common/Failure.h"
#include "sheets/StatementWorkbook.h"

namespace vak {

// Writes `book` to `path` by way of a temporary file beside it, which replaces `path` only
// once the workbook is complete. False, with the reason in `failure`, when it cannot be written.
bool WriteStatementXlsx(const StatementWorkbook& book, const std::string& path, Failure* failure = nullptr);

}  // namespace vak
