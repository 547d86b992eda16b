// The whole-statement calculation of one construction part: item amounts from their unit
// prices, headings rolled up level by level from the last line to the first, the part's
// total, in a compound project the part's overall summary line and the other parts' stored
// totals, and the tender amount written to VAK.MEM.
//
// Two decisions the calculation rests on:
//  - Whole won. Every amount written to the no-decimal amount fields (F_COST, F_MA, F_LA,
//    F_EQ) is cut toward zero with TruncDecimals first, as the price entry does, so the
//    stored amounts are the computed ones and the part totals, taken from the stored
//    values, add up exactly.
//  - A heading's own quantity. F_TQTY, the quantity the agency gave a heading, is never
//    changed; the start-up pass copies it into F_QQTY. In the roll-up a heading (level not
//    "0" and lower than the next line's level) is always rolled up, whatever F_QQTY holds:
//    with F_TQTY 0 it takes the sums of the lines below it; otherwise it takes those sums
//    multiplied by F_TQTY (cut to whole won) and passes the multiplied amounts up, so a
//    heading with quantity 2 over items worth 100 shows 200 and adds 200 above it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/UserNotifier.h"
#include "store/ItemTable.h"
#include "store/Xbase.h"

namespace vak {

struct CalculationRequest {
  std::string dataDir;
  ProjectType projectType = ProjectType::Unstated;
  std::string curPart;  // the construction part; empty: "1" in a compound project
};

struct CalculationResult {
  bool completed = false;  // false when nothing was written, or a write failed
  long double tenderAmount = 0;
  long lines = 0;       // lines of the part calculated
  long unreadable = 0;  // lines with a number or level that cannot be read
  long unstorable = 0;  // values too wide for their field (then nothing is written)
};

// Runs the calculation on `items` (open, at order 1) and leaves the table filtered to the
// part's lines. Failures are told through `notifier`; the completion message is the caller's
// to show (CompletionText), once the hourglass is gone.
//
// Nothing is written unless the whole run can be: the header must have been read whole, no
// amount may exceed twelve digits (the lines are listed otherwise), and lines whose numbers
// cannot be read are listed in a question before the first write. The new VAK.MEM is written
// beside the old one first, then the records, then it replaces the old header; so the two
// files never disagree, whatever fails.
CalculationResult CalculateStatement(TZekTable& items, const CalculationRequest& request, UserNotifier& notifier);

// A stored value that a calculation of the part would change.
enum class FindingKind {
  ItemAmount,    // an item's amount is not its quantity times its unit price, cut to whole won
  HeadingTotal,  // a heading's amounts are not the sum of the lines below it (or its prices not cleared)
  SummaryLine,   // the part's line in the overall summary is not the part's total
};
struct Finding {
  FindingKind kind = FindingKind::ItemAmount;
  uint32_t recno = 0;
  std::string where;   // "U1 순번 12 「터파기」" (UTF-8)
  std::string field;   // "F_COST"
  std::string stored;  // as stored, trimmed
  long long computed = 0;
};

// What a calculation of one construction part would find and change, found without writing
// anything, and how far the part is priced.
struct PartReview {
  std::string part;      // the construction part ("1"; empty when the project has no part codes)
  std::string partCode;  // the part code of its lines ("U1", "U")
  bool usable = true;    // false: the table lacks the fields of the statement
  long lines = 0;
  long takesPrice = 0;  // items that take a unit price from the tenderer
  long priced = 0;      // of those, the ones with a unit price (or split prices) other than 0
  long itemLines = 0;   // lines whose stored values differ from the calculated ones, by kind
  long headingLines = 0;
  long summaryLines = 0;
  long unreadable = 0;            // lines with a number or level that cannot be read
  long overLimit = 0;             // values that would not fit their fields (and a tender amount over 12 digits)
  std::vector<Finding> findings;  // the first twenty
  std::vector<std::string> unreadableLines;  // the first five, "where: fields"
  std::vector<std::string> overLimitLines;
  long long total = 0;         // the part's total as the calculation makes it
  long long tenderAmount = 0;  // the tender amount a calculation of this part would write

  long Unpriced() const { return takesPrice - priced; }
  bool Stale() const { return itemLines + headingLines + summaryLines > 0; }
};

// Walks the part as F3 would, writing nothing, and compares every value F3 would store with
// the stored one. Leaves the table filtered to the part's lines.
PartReview ReviewPart(TZekTable& items, ProjectType type, const std::string& part);

// "전체금액계산 완료 ( 총입찰금액: 1,234 )"
std::string CompletionText(long double tenderAmount);

}  // namespace vak
