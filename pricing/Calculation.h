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

#include <string>

#include "common/UserNotifier.h"
#include "store/Xbase.h"

namespace vak {

struct CalculationRequest {
  std::string dataDir;
  std::string cmnType;  // "1" single construction, "2" compound
  std::string curPart;  // the construction part; empty: "1" in a compound project
};

struct CalculationResult {
  bool completed = false;      // false when VAK.MEM could not be replaced
  long double tenderAmount = 0;
  long lines = 0;              // lines of the part calculated
  long unstorable = 0;         // amounts too wide for their field (reported to the user)
};

// Runs the calculation on `items` (open, at order 1) and leaves the table filtered to the
// part's lines. Failures are told through `notifier`; the completion message is the caller's
// to show (CompletionText), once the hourglass is gone.
CalculationResult CalculateStatement(TZekTable& items, const CalculationRequest& request, UserNotifier& notifier);

// "전체금액계산 완료 ( 총입찰금액: 1,234 )"
std::string CompletionText(long double tenderAmount);

}  // namespace vak
