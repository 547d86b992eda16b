// Whether a tender is complete and consistent: every item that takes a price priced, and every
// heading, part total, overall summary line and the tender amount as a calculation would
// make them. Found by reading only; the window keeps it up to date after each price entry.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "pricing/Calculation.h"
#include "store/ItemTable.h"
#include "store/MemFile.h"
#include "store/Xbase.h"

namespace vak {

struct TenderReview {
  ProjectType type = ProjectType::Unstated;
  std::vector<PartReview> parts;
  bool usable = true;            // false: the table is not a statement (no review was made)
  bool storedTenderRead = true;  // CMN_IPMT is a number
  std::string storedTenderText;  // CMN_IPMT as stored
  long long storedTender = 0;
  long long computedTender = 0;                  // the tender amount once every part is calculated
  std::map<std::string, std::string> partNames;  // by part, its overall summary line's name (UTF-8)

  long TakesPrice() const;
  long Unpriced() const;
  bool TenderAmountDiffers() const { return !storedTenderRead || storedTender != computedTender; }
  bool Complete() const { return usable && Unpriced() == 0; }
  // Nothing a calculation would change, nothing unreadable, nothing over the limits.
  bool Consistent() const;
};

// The construction parts of the statement, in order: the part codes of the item lines ("1",
// "2", …) in a compound project; one part ("") otherwise.
std::vector<std::string> ConstructionParts(TZekTable& items, ProjectType type);

// Opens a tender's table only to read it, in statement order (the order is built in memory;
// the index file is not written). False, the user told why, when a data file is missing, the
// table is held by the program, damaged or cut, or not a statement.
bool OpenTenderForReview(const std::string& dir, TZekTable& items, UserNotifier& notifier);

// Reviews every construction part and compares the tender amount a calculation would write
// with the header's CMN_IPMT. Leaves the table's query lifted, at its first record.
TenderReview ReviewTender(TZekTable& items, ProjectType type, const HeaderValues& header);

// A line's standing towards completeness: whether it takes a price and whether it has one.
struct LineState {
  bool takesPrice = false;
  bool priced = false;
};
LineState LineStateOf(const TZekTable& items);  // of the current record
// The same with the table's fields looked up once, for a pass over many lines.
LineState LineStateOf(const TZekTable& items, const ItemFieldMap& fields);

// The next line after the current one, in the table's order and query, that takes a price
// and has none, wrapping at the end; 0 when there is none. The table is left on that line (or
// where it stood).
// With `fromCurrent` the current line itself comes first when it lacks a price.
uint32_t NextUnpricedLine(TZekTable& items, bool fromCurrent = false);

struct PricedCount {
  long takesPrice = 0;
  long priced = 0;
  long Unpriced() const { return takesPrice - priced; }
};

// What the window shows of a tender: per part code, how far it is priced and whether its
// totals need a calculation. Kept up to date by the price entry and F3 without a pass.
class TenderStatus {
 public:
  void Reset(const TenderReview& review);
  // A part's review (at the start, or whenever it was looked at again).
  void SetPart(const PartReview& review);
  // After a completed F3 on a part: everything of it is as the calculation makes it. Prices are
  // not changed by F3, so the counts stand.
  void MarkCalculated(const std::string& partCode);
  // After a price entry on a line of `partCode`; `changed` when the record's bytes changed.
  void NoteEntry(const std::string& partCode, LineState before, LineState after, bool changed);

  PricedCount Part(const std::string& partCode) const;
  PricedCount Whole() const;
  bool Stale(const std::string& partCode) const;
  // The parts whose totals need a calculation, in order ("1", "2"; "" for the only part).
  std::vector<std::string> StaleParts() const;
  std::string PartOfCode(const std::string& partCode) const;
  size_t PartCount() const { return parts_.size(); }
  // "건축공사, 토목공사": the parts by the names the user sees; a part without one by its code,
  // the only part of a project without part codes as "내역".
  std::string PartNames(const std::vector<std::string>& parts) const;

 private:
  struct PartState {
    std::string part;
    PricedCount count;
    bool stale = false;
  };
  std::map<std::string, PartState> parts_;    // by part code
  std::vector<std::string> order_;            // part codes in the statement's order
  std::map<std::string, std::string> names_;  // by part
};

// "단가입력 1,234 / 1,300 · 전체 2,000 / 2,100 · 재계산 필요": the panel's line for the part in view.
std::string StatusText(const TenderStatus& status, const std::string& partCode, bool severalParts);

// The question before a report or a submission of a tender that is not finished; empty when
// nothing is missing. `what` names the work ("보고서를 작성", "제출 화일을 작성").
std::string UnfinishedTenderQuestion(const TenderStatus& status, const std::string& what);

}  // namespace vak
