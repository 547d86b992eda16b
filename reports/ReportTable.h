// The report tables: the rows a printed document shows, copied out of the item table into
// a small table of the report's own (VakRpt1.DBF ... VakRpt4.DBF in the data directory), cut
// into pages of 18 rows, padded with blank rows and closed by the totals row. The pages are
// then drawn from that table (PagePainter). No toolkit here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/UserNotifier.h"
#include "store/DbfFile.h"
#include "store/ItemTable.h"
#include "store/Xbase.h"

namespace vak {

// The tender documents, numbered as the report dialog numbers them.
enum class ReportKind {
  OverallSummarySheet = 0,   // 총괄 집계장
  OverallStatement = 1,      // 총괄 내역서
  TenderStatement = 2,       // 입찰 내역서
  TenderStatementSplit = 3,  // 입찰 내역서 with the 재/노/경 columns
  Cover = 4,                 // 입찰 표지: no table
};

inline constexpr int kRowsPerPage = 18;

// "VakRpt1" ... "VakRpt4"; empty for the cover.
std::string ReportTableName(ReportKind kind);
// The fields of a kind's report table, in order.
const std::vector<DbfField>& ReportTableFields(ReportKind kind);

// As many blanks as the level (at least one), then the text; cut to 40 bytes without
// splitting a double-byte character.
std::string IndentText(std::string_view text, int level);

struct ReportRequest {
  std::string dataDir;
  ReportKind kind = ReportKind::TenderStatement;
  int firstPage = 1;  // 0 ... 900; 0 numbers from 1 and prints no page numbers
  ProjectType projectType = ProjectType::Unstated;
  std::string part = "1";  // the construction part of a compound project
  // The statements of every construction part one after the other, each from a new page with
  // its own totals row; the page numbers run on. Not for the overall summary sheet.
  bool allParts = false;
};

// The part named "all" stands for every construction part in one document.
inline constexpr const char* kAllParts = "all";
ReportRequest PartReportRequest(const std::string& dataDir, ReportKind kind, int firstPage, ProjectType type,
                                const std::string& partOrAll);

// Where a construction part's statement starts in a report of all parts.
struct PartStart {
  std::string part;
  int firstPage = 1;
};

struct ReportTableInfo {
  std::string path;
  int firstPage = 1;  // F_PAGE of the first row
  int lastPage = 1;   // F_PAGE of the totals row
  uint32_t itemRows = 0;
  std::vector<PartStart> parts;  // in page order; one entry for a report of one part
};

// Builds the kind's report table from `items` (open, with its order "F_PS"): the new table is
// written beside the old one and replaces it only when complete, so a failure leaves no
// half-written table. The item table's query is lifted for the walk, and the query and the
// record it stood on are given back afterwards, also after an error. False, with the user
// told, when the table cannot be written.
bool BuildReportTable(TZekTable& items, const ReportRequest& request, UserNotifier& notifier, ReportTableInfo& info);

// A report table opened for drawing: the rows of any page found without a scan, since every
// page holds exactly 18 rows in order.
class ReportRows {
 public:
  static std::unique_ptr<ReportRows> Open(const std::string& path, DbfStatus& status);
  int firstPage() const { return firstPage_; }
  int lastPage() const { return lastPage_; }
  int pageCount() const { return lastPage_ - firstPage_ + 1; }
  // The rows of page `page` (up to 18, in order); empty for a page the table does not hold.
  std::vector<const char*> PageRows(int page) const;
  const DbfFile& file() const { return *file_; }
  // A field of a row as the page shows it: texts as stored (UTF-8), numbers as numbers.
  std::string Text(const char* row, const DbfField& field) const;
  long double Number(const char* row, const DbfField& field) const;

 private:
  std::unique_ptr<DbfFile> file_;
  int firstPage_ = 1;
  int lastPage_ = 1;
};

}  // namespace vak
