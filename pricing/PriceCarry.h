// Prices carried from another bill of quantities: when the agency issues an amended
// statement, every item of the new one that takes a price gets the unit price (or split
// prices) of the same item of the old, priced one.
//
// Matching, within a construction part (part code): by F_CODE where the code is present and
// unique in both statements, otherwise by work name, specification and unit (trailing blanks
// ignored), the n-th occurrence of a text to the n-th. Fixed-price lines (단가고정) are never
// touched; prices already entered are kept unless asked to overwrite.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/UserNotifier.h"
#include "store/DbfFile.h"
#include "store/Xbase.h"

namespace vak {

// What became of an item. Every target item has exactly one; source items that found no
// place are "Removed".
enum class CarryOutcome {
  Carried,           // the price was carried, the quantity is the same
  QuantityChanged,   // the price was carried; the quantity differs (old → new)
  Kept,              // the target had a price of its own, kept
  New,               // no match: left unpriced
  UnitChanged,       // matched by code, but the unit differs: not carried
  SourceUnpriced,    // matched, but the source item has no price either
  SourceUnreadable,  // matched, but the source's price cannot be read ("12a4x"): not carried
  OverLimit,         // the carried price times the new quantity exceeds the amount limit
  Removed,           // a source item no target item matched
};
inline constexpr int kCarryOutcomeCount = 9;
// "가져옴", "수량 변경", …; from a price sheet the source is named as such ("시트 단가 없음").
const char* CarryOutcomeText(CarryOutcome outcome, bool fromSheet = false);

// One item line that takes a price, as read from a statement (texts in code page 949).
struct CarryItem {
  uint32_t recno = 0;
  std::string part;  // the part code, trimmed ("U1")
  long seq = 0;
  std::string code;  // F_CODE, trimmed
  std::string name;  // F_DES, F_SIZE and F_QUNIT without trailing blanks
  std::string spec;
  std::string unit;
  std::string quantity;  // F_QQTY as stored, trimmed
  bool priced = false;
  bool split = false;  // the price is held as material, labour and expense
  std::string price;   // F_PRIC, F_MA0, F_LA0, F_EQ0 as stored, trimmed
  std::string material, labour, expense;
};

// The items that take a price, in statement order (part code, then sequence number). The next
// level of each line is taken from the line after it, so an unprepared table reads the same.
std::vector<CarryItem> CarryItemsOf(const DbfFile& table);

struct CarryLine {
  CarryOutcome outcome = CarryOutcome::New;
  CarryItem target;  // empty for Removed; a carried line's prices are those it is to hold, then holds
  CarryItem source;  // empty for New
};

struct CarryPlan {
  std::vector<CarryLine> lines;  // target items in statement order, then the removed source items
  std::array<long, kCarryOutcomeCount> counts{};
  bool fromSheet = false;  // the source is a price sheet, not another bill: its items' seq is the sheet row
  long Count(CarryOutcome o) const { return counts[static_cast<size_t>(o)]; }
};

// Matches the items and decides each outcome (OverLimit is decided when the price is written).
// The items are moved into the plan.
// With `wholeTender`, items are matched over the whole tender instead of within their part.
CarryPlan MatchPrices(std::vector<CarryItem> source, std::vector<CarryItem> target, bool overwrite,
                      bool wholeTender = false);

// The report: every line of the plan as CSV, UTF-8 with a byte-order mark.
std::string CarryReportCsv(const CarryPlan& plan);
// "가져옴 120, 수량 변경 3, 유지 0, 신규 2, 단위 변경 1, 원본 단가 없음 0, 원본 단가 읽을 수 없음 0,
//  한도 초과 0, 삭제됨 4"
// With `linePerOutcome`, "  가져옴: 3\n  수량 변경: 0\n…" for a message box.
std::string CarrySummaryText(const CarryPlan& plan, bool linePerOutcome = false);

struct CarryRequest {
  std::string fromDir;
  std::string toDir;
  bool overwrite = false;
};
struct CarryResult {
  bool completed = false;   // the target holds the carried prices, recalculated
  bool unfinished = false;  // the replacement stopped half-way; the next start finishes it
  CarryPlan plan;
  long double tenderAmount = 0;
};

// Why a carry from `fromDir` into `toDir` cannot be made, found before anything is asked or
// written: the same tender, another bill that is missing, would not open as a tender or holds
// a save cut short, or a tender to carry into without its files, with a damaged header or
// read-only files. The tender's own table is not opened (the window holds it). Empty when the
// carry can go on.
std::string CarryProblem(const std::string& fromDir, const std::string& toDir);
// Why prices cannot be written into the tender in `dir` (its files missing, its header damaged,
// its files read-only); empty when they can.
std::string TenderToPriceProblem(const std::string& dir);

// Carries the prices of `fromDir` into `toDir`. The source is only read. The target is taken
// for the whole run (a tender open in the program is refused), prepared as the program
// prepares it, priced and recalculated part by part in a scratch copy beside it, and replaced
// only when all of that succeeded; the agency's originals are kept at this first write.
// Source prices that cannot be read are listed in a question before anything is written.
// Failures are told through `notifier`; the target is then as it was (unless `unfinished`).
CarryResult CarryPrices(const CarryRequest& request, TXbaseEnv& env, UserNotifier& notifier);

// The items whose prices are carried, from another bill or from a price sheet.
struct CarrySource {
  std::vector<CarryItem> items;
  bool byKey = false;        // their codes are keys of the tender's lines: part code and record number, "U1:123"
  bool wholeTender = false;  // matched over the whole tender, not within their part
  bool fromSheet = false;    // the rows of a price sheet
};
// Carries `source` into `toDir` as CarryPrices does once it has read the other bill.
CarryResult CarryPricesInto(CarrySource source, const std::string& toDir, bool overwrite, TXbaseEnv& env,
                            UserNotifier& notifier);

}  // namespace vak
