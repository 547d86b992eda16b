// Unit prices brought in from a spreadsheet: a workbook exported by the program and edited
// anywhere, or any sheet whose header row names the columns 공종명, 규격, 단위 and 단가
// (optionally 공사, 코드, 수량, 재료비, 노무비, 경비, 키). Rows are matched to the tender's
// items as the carry matches two bills (by the key column where there is one), and the prices
// written as the carry writes them, every part recalculated, in one step.
#pragma once

#include <string>
#include <vector>

#include "pricing/PriceCarry.h"
#include "sheets/SheetReader.h"

namespace vak {

// A row whose price is not taken, and why.
struct RefusedRow {
  std::string sheet;
  size_t row = 0;  // 1-based, as the spreadsheet numbers it
  std::string key, name, spec, unit, price;  // UTF-8
  std::string why;  // "소수 단가", "숫자가 아닌 단가", …
};

struct PriceRows {
  CarrySource source;
  std::vector<RefusedRow> refused;
  std::vector<std::string> sheets;  // the sheets read
};

// The price rows of the sheets that have a header row (of `only`, when named). Empty sheets
// and rows without a work name or a price are passed over. `fromText`: every cell is text (a
// CSV file), so numbers are read from text, thousands separators and all.
PriceRows ReadPriceRows(const std::vector<SheetRows>& sheets, const std::string& only, bool fromText);

struct ImportRequest {
  std::string dir;
  std::string path;   // .xlsx, or .csv when `csv`
  bool csv = false;
  std::string sheet;  // only this sheet; empty: every sheet with a header row
  bool overwrite = false;
};

struct ImportResult {
  bool completed = false;
  bool unfinished = false;  // the replacement stopped half-way; the next start finishes it
  CarryPlan plan;
  std::vector<RefusedRow> refused;
  long double tenderAmount = 0;
};

// Reads the file (which is never written), matches, writes and recalculates. Failures are told
// through `notifier`; nothing is written unless the whole import succeeds.
ImportResult ImportPrices(const ImportRequest& request, TXbaseEnv& env, UserNotifier& notifier);

// The report: every item as the carry reports it, then every refused row; UTF-8 CSV with a byte-order mark.
std::string ImportReportCsv(const ImportResult& result);

}  // namespace vak
