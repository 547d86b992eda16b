// Bringing the tender amount to the bid amount the tenderer decided, to the won.
//
// Every free unit price (an item that takes a price and holds one, none of it negative) is
// multiplied by one factor and cut toward zero to whole won; split prices scale each of
// material, labour and expense, and F_PRIC is their sum. The factor, in billionths, is the
// largest for which the tender amount does not exceed the target, found by bisection over an
// in-memory model of the calculation that gives exactly what the calculation of every part
// writes. What is left (a few won to a few thousand) is closed by raising the prices of as
// few items as possible by whole won, items that add exactly one won per won first. Fixed,
// unpriced and negative prices, headings and summary lines are never touched.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/UserNotifier.h"
#include "store/ItemTable.h"
#include "store/Xbase.h"

namespace vak {

inline constexpr long long kFactorScale = 1000000000;  // the factor is held in billionths

struct AdjustedLine {
  uint32_t recno = 0;
  std::string part;  // part code, trimmed ("U1")
  std::string seq;
  std::string name, spec, unit;  // UTF-8, trimmed
  std::string quantity;          // as stored, trimmed
  bool split = false;
  long long oldPrice = 0, newPrice = 0;             // F_PRIC
  std::array<long long, 3> oldSplit{}, newSplit{};  // material, labour, expense (split lines)
  long long newAmount = 0;                          // the line's amount after the change
  bool roundedUp = false;                           // the scaled price was cut to the won above instead of below
  long long raisedBy = 0;                           // won added to the scaled price to close the remainder
};

struct AdjustmentPlan {
  long long currentAmount = 0;  // the tender amount a calculation of every part gives now
  long long target = 0;
  long long newAmount = 0;            // the target, or the closest total below it
  long long factor = kFactorScale;    // in billionths
  std::vector<AdjustedLine> changed;  // in statement order
  long freeLines = 0;                 // prices scaled (changed or not)
  long fixedLines = 0, unpricedLines = 0, negativeLines = 0, headingLines = 0, summaryLines = 0;
  long otherLines = 0;  // prices with decimals, split prices whose parts do not add up to F_PRIC
  long long Shortfall() const { return target - newAmount; }
  long RemainderLines() const;
};

// "0.934512": the factor to six decimals.
std::string FactorText(long long factor);

// Why `target` cannot be a tender amount; empty when it can.
std::string TargetAmountProblem(long long target);
// Reads a target typed as whole won ("1,234,567" or "1234567"); false for anything else.
bool ReadTargetAmount(const std::string& text, long long& target);

// Plans the adjustment of the open tender (every part read, nothing written). Empty, the user
// told why, when a number cannot be read, the target is out of reach, or the user declines to
// adjust a tender with unpriced items (asked unless `unpricedAccepted`).
std::optional<AdjustmentPlan> PlanAdjustment(TZekTable& items, ProjectType type, long long target,
                                             UserNotifier& notifier, bool unpricedAccepted = false);

// The tender amount a calculation of every part gives (as the adjustment's model computes it).
long long TenderAmountOfAllParts(TZekTable& items, ProjectType type);

struct AdjustmentResult {
  bool completed = false;
  bool alreadyThere = false;  // the tender amount is the target already: nothing was written
  bool unfinished = false;    // the replacement stopped half-way; the next start finishes it
  AdjustmentPlan plan;
};

// Plans and, when `confirm` agrees with the plan, writes every changed price as the price entry
// writes it, recalculates every part and replaces the tender's files in one commit. CMN_IPMT
// then holds plan.newAmount.
AdjustmentResult AdjustTenderAmount(const std::string& dir, long long target, TXbaseEnv& env, UserNotifier& notifier,
                                    const std::function<bool(const AdjustmentPlan&)>& confirm,
                                    bool unpricedAccepted = false);
// Whether two plans change the same prices to the same amount (a plan shown, and the one made
// again on the copy that is written).
bool SamePlan(const AdjustmentPlan& a, const AdjustmentPlan& b);

// "현재 총입찰금액 …\n목표 금액 …": the outcome, for the question before writing (`done` false)
// and the summary after.
std::string AdjustmentSummaryText(const AdjustmentPlan& plan, bool done);
// The report: the amounts and the factor, then every changed line; CSV, UTF-8 with a byte-order mark.
std::string AdjustmentReportCsv(const AdjustmentPlan& plan);

}  // namespace vak
