#include "pricing/Calculation.h"

#include <array>
#include <cmath>
#include <vector>

#include "common/CodePage.h"
#include "common/FileCommit.h"
#include "common/Files.h"
#include "common/Numbers.h"
#include "common/Text.h"
#include "pricing/RollUp.h"
#include "store/ItemTable.h"
#include "store/MemFile.h"
#include "store/TenderFiles.h"

namespace vak {
namespace {

// Amount, material, labour, expense, in whole won. Every amount the calculation writes is cut
// to whole won, so the sums are exact in 64-bit integers (a million lines of a trillion won
// stay far inside their range).
using Amounts = std::array<long long, 4>;

char FirstChar(std::string_view v) { return v.empty() ? ' ' : v[0]; }

// Level as a whole number: "3" is 3; anything else 0.
int LevelNumber(char c) { return c >= '0' && c <= '9' ? c - '0' : 0; }

using Sums = LevelSums<4>;

// The nearest integer is 0 (a half goes to the even neighbour, so 0.5 counts as 0).
bool RoundsToZero(long double v) { return v >= -0.5L && v <= 0.5L; }

// No amount, and no tender amount, may exceed twelve digits.
constexpr size_t kListedLines = 5;

// What the checking run found on one line.
struct LineProblem {
  uint32_t recno = 0;
  std::string where;   // "U1 순번 12 「터파기」"
  std::string fields;  // "F_PRIC, F_QQTY"
};

// How a walk treats what it computes: only checks that it can be read and stored, also
// compares it with what is stored (a review), or writes it.
enum class Mode { Check, Review, Write };
constexpr size_t kListedFindings = 20;

// One calculation walk over the part. F3 runs it twice: first checking (nothing is written;
// unreadable inputs and values that would not fit are collected), then, when the user lets
// it, writing. Both runs compute exactly the same values from the same inputs. A review is a
// checking run that also notes every stored value the writing run would change.
class Run {
 public:
  Run(TZekTable& items, UserNotifier& notifier, Mode mode, PartReview* review = nullptr)
      : t_(items), f_(items.FieldMap()), notifier_(notifier), write_(mode == Mode::Write), review_(review) {}

  void Headings() {
    if (!write_) return;  // it reads nothing the roll-up needs: nothing to check
    for (t_.Xbase().GoTop(); !t_.Eof() && !failed; t_.Skip(1)) {
      const char level = FirstChar(t_.FieldBytesAt(f_.lvl));
      const char next = FirstChar(t_.FieldBytesAt(f_.nlvl));  // one character: trimmed is the same
      if (IsOverallSummaryPart(t_.FieldBytesAt(f_.part)) || !IsHeadingLevel(level, next)) continue;
      for (int field : {f_.pric, f_.ma0, f_.la0, f_.eq0}) Store(field, 0LL);
      if (RoundsToZero(t_.FieldNumberAt(f_.tqty))) t_.SetFieldTextAt(f_.unit, "");
      Post();
    }
  }

  // Backward over the part; returns the part totals.
  Amounts RollUp(std::string& prevPart, const std::string& topLevel) {
    Amounts totals{};
    Sums acc;
    for (t_.Xbase().GoBottom(); !t_.Eof() && !t_.Bof() && !failed; t_.Skip(-1)) {
      const std::string_view part = t_.FieldBytesAt(f_.part);
      if (IsOverallSummaryPart(part)) break;
      ++lines;
      if (part != prevPart) {
        acc.Clear();
        prevPart.assign(part.data(), part.size());
      }
      const std::string_view lvlText = t_.FieldBytesAt(f_.lvl);
      const char level = FirstChar(lvlText);
      const char next = FirstChar(t_.FieldBytesAt(f_.nlvl));
      const bool heading = IsHeadingLevel(level, next);
      const Quantity q = Quantity::Of(t_.FieldBytesAt(f_.qqty));
      const bool hasQuantity = q.NonZero();
      const bool onTop = lvlText == topLevel;  // read before the edit changes the record image
      const bool item = !heading && hasQuantity;
      if (!write_) CheckInputs(level, item);
      if (review_) ReviewLine(level, next, heading, hasQuantity);
      const Amounts stored = item ? Item(q, level, acc, totals) : Heading(level, acc);
      if (onTop) {
        for (int k = 0; k < 4; ++k) totals[k] = Add(totals[k], stored[k]);
      }
      Post();
    }
    return totals;
  }

  void WriteSummaryLine(const Amounts& totals) {
    lineKind_ = FindingKind::SummaryLine;
    Store(f_.pric, 0LL);
    Store(f_.cost, totals[0]);
    Store(f_.ma, totals[1]);
    Store(f_.la, totals[2]);
    Store(f_.eq, totals[3]);
    Post();
  }

  // The stored amount of another part's summary line, which the tender amount adds.
  long long StoredCost() {
    if (!write_ && !IsReadableNumericField(t_.FieldBytesAt(f_.cost))) Note(unreadable_, "F_COST");
    const long double v = t_.FieldNumberAt(f_.cost);
    return std::fabs(v) < kWholeLimit ? static_cast<long long>(v) : 0;
  }

  // A sum the tender amount or a total takes; too large is noted against the current line.
  long long Add(long long a, long long b) {
    long long sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) {
      Note(overflowing_, "합계");
      return a;
    }
    return sum;
  }

  long lines = 0;
  bool failed = false;  // a write failed (the user has been told); the run stops
  std::vector<LineProblem> unreadable_;
  std::vector<LineProblem> overflowing_;
  long unreadableCount = 0;
  long overflowingCount = 0;

 private:
  // The inputs the calculation reads from this line must be numbers, and its level a digit.
  void CheckInputs(char level, bool item) {
    if (!IsLevelDigit(level)) Note(unreadable_, "F_LVL");
    if (!IsReadableNumericField(t_.FieldBytesAt(f_.qqty))) Note(unreadable_, "F_QQTY");
    if (item) {
      const std::pair<int, const char*> prices[] = {
          {f_.pric, "F_PRIC"}, {f_.ma0, "F_MA0"}, {f_.la0, "F_LA0"}, {f_.eq0, "F_EQ0"}};
      for (const auto& [field, name] : prices) {
        if (!IsReadableNumericField(t_.FieldBytesAt(field))) Note(unreadable_, name);
      }
    } else if (!IsReadableNumericField(t_.FieldBytesAt(f_.tqty))) {
      Note(unreadable_, "F_TQTY");
    }
  }

  // Adds `field` to the current line's entry of `list`: one entry per line, the first few
  // listed, all of them counted.
  void Note(std::vector<LineProblem>& list, const std::string& field) {
    const bool unreadable = &list == &unreadable_;
    uint32_t& last = unreadable ? lastUnreadable_ : lastOverflowing_;
    long& count = unreadable ? unreadableCount : overflowingCount;
    const uint32_t recno = t_.RecNo();
    if (count > 0 && last == recno) {
      if (!list.empty() && list.back().recno == recno && list.back().fields.find(field) == std::string::npos)
        list.back().fields += ", " + field;
      return;
    }
    last = recno;
    ++count;
    if (list.size() < kListedLines) list.push_back({recno, LineName(), field});
  }

  std::string LineName() const {
    const std::string part = TrimmedText(t_.FieldBytesAt(f_.part));
    const std::string seq = TrimmedText(t_.FieldAsString("F_SEQ"));
    std::string name = Cp949ToUtf8(TrimmedText(t_.FieldBytesAt(f_.des)));
    return part + " 순번 " + seq + " 「" + name + "」";
  }

  void Post() {
    if (write_ && !failed && !t_.Post()) failed = true;
  }

  // Counts the line towards the part's completeness and, on a heading, compares the unit
  // prices the writing run clears (a multiplied heading's F_PRIC is compared where it is set).
  void ReviewLine(char level, char next, bool heading, bool hasQuantity) {
    lineKind_ = heading ? FindingKind::HeadingTotal : FindingKind::ItemAmount;
    if (TakesPrice(level, next, hasQuantity, t_.FieldBytesAt(f_.fix), t_.FieldBytesAt(f_.part))) {
      ++review_->takesPrice;
      if (HoldsNonZero(t_.FieldBytesAt(f_.pric)) || HoldsNonZero(t_.FieldBytesAt(f_.ma0)) ||
          HoldsNonZero(t_.FieldBytesAt(f_.la0)) || HoldsNonZero(t_.FieldBytesAt(f_.eq0)))
        ++review_->priced;
    }
    if (!heading) return;
    for (int field : {f_.ma0, f_.la0, f_.eq0}) Compare(field, 0);
    if (t_.FieldNumberAt(f_.tqty) == 0) Compare(f_.pric, 0);
  }

  // Notes a stored value that differs from the one the writing run would store.
  void Compare(int field, long long computed) {
    const std::string_view bytes = t_.FieldBytesAt(field);
    long long stored = 0;
    if (ParseScaledField(bytes, 0, stored)
            ? stored == computed
            : IsReadableNumericField(bytes) && t_.FieldNumberAt(field) == static_cast<long double>(computed))
      return;
    const uint32_t recno = t_.RecNo();
    if (recno != lastDifferent_) {
      lastDifferent_ = recno;
      ++(lineKind_ == FindingKind::ItemAmount     ? review_->itemLines
         : lineKind_ == FindingKind::HeadingTotal ? review_->headingLines
                                                  : review_->summaryLines);
    }
    if (review_->findings.size() < kListedFindings) {
      review_->findings.push_back({lineKind_, recno, LineName(),
                                   t_.engine()->file().fields()[static_cast<size_t>(field)].name, TrimmedText(bytes),
                                   computed});
    }
  }

  // Stores a whole amount (in the checking run: checks that it fits) and returns it.
  long long Store(int field, long long whole) {
    if (review_) Compare(field, whole);
    if (!write_) {
      if (!WholeFitsField(t_.engine()->file().fields()[static_cast<size_t>(field)], whole))
        Note(overflowing_, t_.engine()->file().fields()[static_cast<size_t>(field)].name);
      return whole;
    }
    if (!failed && !t_.SetFieldWholeAt(field, whole)) failed = true;  // the checking run let it through
    return whole;
  }

  // cut(q x price) for one price field.
  long long Amount(const Quantity& q, int priceField, int amountField) {
    const std::optional<long long> cut = CutProduct(q, t_.FieldBytesAt(priceField), t_.FieldNumberAt(priceField));
    if (cut) return Store(amountField, *cut);
    if (!write_) Note(overflowing_, t_.engine()->file().fields()[static_cast<size_t>(amountField)].name);
    return 0;
  }

  // The amounts are whole won and fit their fields, so what is stored is what was computed.
  Amounts Item(const Quantity& q, char level, Sums& acc, Amounts& totals) {
    const Amounts stored = {Amount(q, f_.pric, f_.cost), Amount(q, f_.ma0, f_.ma), Amount(q, f_.la0, f_.la),
                            Amount(q, f_.eq0, f_.eq)};
    if (level == '0') {
      for (int k = 0; k < 4; ++k) totals[k] = Add(totals[k], stored[k]);
    }
    acc.AddItem(level, stored);
    NoteSumOverflow(acc);
    return stored;
  }

  Amounts Heading(char level, Sums& acc) {
    const int l = LevelNumber(level);
    if (l < 1 || l > 9) {
      if (write_) notifier_.Beep();
      for (int field : {f_.cost, f_.ma, f_.la, f_.eq}) Store(field, 0LL);
      acc.Clear();
      return Amounts{};
    }
    const long double multiplier = t_.FieldNumberAt(f_.tqty);
    const Amounts sums = acc.CloseHeading(l, multiplier);
    NoteSumOverflow(acc);
    const long long cost = Store(f_.cost, sums[0]);
    if (multiplier != 0) Store(f_.pric, Add(Add(sums[1], sums[2]), sums[3]));  // the multiplied unit price
    return {cost, Store(f_.ma, sums[1]), Store(f_.la, sums[2]), Store(f_.eq, sums[3])};
  }

  void NoteSumOverflow(Sums& acc) {
    if (acc.multipliedOverflow && !write_) Note(overflowing_, "F_TQTY × 합계");
    if (acc.overflowed && !write_) Note(overflowing_, "합계");
    acc.multipliedOverflow = acc.overflowed = false;
  }

  TZekTable& t_;
  ItemFieldMap f_;
  UserNotifier& notifier_;
  bool write_;
  PartReview* review_;
  FindingKind lineKind_ = FindingKind::ItemAmount;
  uint32_t lastUnreadable_ = 0;
  uint32_t lastOverflowing_ = 0;
  uint32_t lastDifferent_ = 0;
};

std::string ListedLines(const std::vector<LineProblem>& list, long count) {
  std::string text;
  for (size_t i = 0; i < list.size() && i < kListedLines; ++i) text += "\n  " + list[i].where + ": " + list[i].fields;
  if (count > static_cast<long>(kListedLines))
    text += "\n  … 외 " + std::to_string(count - static_cast<long>(kListedLines)) + "줄";
  return text;
}

// The header as it will be written after the calculation: as read, with the tender amount.
HeaderValues HeaderAfterCalculation(HeaderValues values, long long tenderAmount) {
  values[kCmnIpmt] = std::to_string(tenderAmount);
  return HeaderAsSaved(std::move(values));
}

struct Outcome {
  Amounts totals{};
  long long tenderAmount = 0;
  long lines = 0;
};

// One walk of the part and, in a compound project, of the overall summary.
Outcome Walk(Run& run, TZekTable& items, const CalculationRequest& request) {
  TXbase& xb = items.Xbase();
  Outcome outcome;
  std::string prevPart = request.curPart;
  xb.Query(PartLinesFilter(request.projectType, request.curPart));
  xb.GoTop();
  const std::string topLevel(items.Eof() ? std::string() : std::string(items.FieldBytesAt(items.FieldIndex("F_LVL"))));
  run.Headings();
  outcome.totals = run.RollUp(prevPart, topLevel);
  outcome.lines = run.lines;
  outcome.tenderAmount = outcome.totals[0];
  if (HasOverallSummary(request.projectType) && !run.failed) {
    xb.Query(kOverallSummaryFilter);
    const std::string own = "T" + ConstructionPartOf(prevPart);
    for (xb.GoTop(); !items.Eof() && !run.failed; items.Skip(1)) {
      if (TrimmedText(items.FieldAsString("F_PART")) == own) {
        run.WriteSummaryLine(outcome.totals);
      } else {
        outcome.tenderAmount = run.Add(outcome.tenderAmount, run.StoredCost());
      }
    }
    xb.Query(PartLinesFilter(request.projectType, request.curPart));
  }
  return outcome;
}

}  // namespace

CalculationResult CalculateStatement(TZekTable& items, const CalculationRequest& request, UserNotifier& notifier) {
  CalculationResult result;
  TXbase& xb = items.Xbase();
  if (xb.IndexOrd() == 0 && items.engine() && items.engine()->TagCount() > 0) xb.SetOrder(1);
  xb.Query(PartLinesFilter(request.projectType, request.curPart));

  // A table without the fields the calculation reads and writes is not a statement it can work on.
  const std::string missing = items.engine() ? MissingItemFields(items.engine()->file().fields()) : std::string();
  if (!items.engine() || !missing.empty()) {
    notifier.Message(JoinPath(request.dataDir, "VAK.DBF") +
                         "\n내역서를 계산할 수 없습니다. 내역 자료 화일의 형식이 아닙니다 (필드 " + missing +
                         "이(가) 없거나 형식이 다릅니다).",
                     "오류", MessageIcon::Error, MessageButtons::Ok);
    return result;
  }

  // The header is rewritten at the end: it must have been read whole before anything is written.
  const ProjectHeader header = LoadProjectHeader(request.dataDir);
  if (!header.Whole()) {
    notifier.Message(HeaderProblemText(header), "오류", MessageIcon::Error, MessageButtons::Ok);
    return result;
  }
  // A read-only header is refused as a read-only table is: renaming over it would pass its mode.
  if (const std::string problem = ReadOnlyDataFileProblem(header.path); !problem.empty()) {
    notifier.Message(problem, "오류", MessageIcon::Error, MessageButtons::Ok);
    return result;
  }

  // The tender amount adds up the overall summary's lines: a part without one would count only
  // while it is the part calculated, and the amount would depend on which part came last.
  if (HasPartCodes(request.projectType)) {
    for (const NamedPart& p : NamedPartsOf(items.engine()->file())) {
      if (p.summarised) continue;
      notifier.Message("총괄집계에 공사 " + p.part + "의 줄(T" + p.part +
                           ")이 없어 총입찰금액을 계산할 수 없습니다. 발주기관의 내역 자료를 확인하십시오.",
                       "오류", MessageIcon::Error, MessageButtons::Ok);
      return result;
    }
  }

  // First a run that only reads: what cannot be read or would not fit is found before any write.
  Run check(items, notifier, Mode::Check);
  const Outcome planned = Walk(check, items, request);
  result.lines = planned.lines;
  result.unreadable = check.unreadableCount;
  result.unstorable = check.overflowingCount;
  if (planned.tenderAmount > kAmountLimit || planned.tenderAmount < -kAmountLimit) {
    ++result.unstorable;
  }
  if (result.unstorable > 0) {
    std::string text =
        "금액이 12자리(999,999,999,999)를 넘는 값이 있어 계산 결과를 기록하지 않았습니다. 단가와 수량을 확인하십시오.";
    text += ListedLines(check.overflowing_, check.overflowingCount);
    if (planned.tenderAmount > kAmountLimit || planned.tenderAmount < -kAmountLimit)
      text += "\n  총입찰금액: " + AmountText(static_cast<long double>(planned.tenderAmount));
    notifier.Message(text, "오류", MessageIcon::Error, MessageButtons::Ok);
    return result;
  }
  if (check.unreadableCount > 0) {
    const std::string text = "숫자나 레벨을 읽을 수 없는 줄이 " + std::to_string(check.unreadableCount) +
                             "개 있습니다. 읽을 수 없는 값은 0으로 계산됩니다." +
                             ListedLines(check.unreadable_, check.unreadableCount) + "\n\n그대로 계산하시겠습니까?";
    if (notifier.Message(text, "확인", MessageIcon::Question, MessageButtons::YesNo) != MessageAnswer::Yes)
      return result;
  }

  // The new header is written beside the old one and the records go to a copy of the table;
  // both replace the old files in one commit, so whatever fails or stops the run, the table
  // and the header on the disk agree.
  const std::string headerFailure = "정보 화일(" + JoinPath(request.dataDir, "VAK.MEM") + "를 저장할 수 없습니다.";
  std::string headerBytes;
  FileBeside newHeader(header.path);
  if (BuildMemFile(HeaderAfterCalculation(header.values, planned.tenderAmount), headerBytes))
    newHeader.Write(headerBytes);
  const std::string stagedHeader = headerBytes.empty() ? std::string() : newHeader.Stage();
  FileSetCommit commit(request.dataDir);
  if (!stagedHeader.empty()) commit.Add(stagedHeader, header.path);
  if (stagedHeader.empty()) {
    notifier.Message(headerFailure, "오류", MessageIcon::Error, MessageButtons::Ok);
    return result;
  }
  DbfFile& table = items.engine()->file();
  const std::string recordsFailure =
      table.path() + "\n계산한 금액을 디스크에 기록하지 못했습니다. 디스크 공간과 쓰기 권한을 확인하십시오.";
  if (!table.BeginStagedChange()) {
    notifier.Message(recordsFailure, "오류", MessageIcon::Error, MessageButtons::Ok);
    return result;
  }
  commit.Add(table.stagedPath(), table.path());

  Run write(items, notifier, Mode::Write);
  const Outcome done = Walk(write, items, request);
  if (write.failed || !items.engine()->Flush()) {
    table.AbandonStagedChange();
    if (!write.failed) notifier.Message(recordsFailure, "오류", MessageIcon::Error, MessageButtons::Ok);
    return result;
  }
  Failure commitError;
  if (!commit.Commit(&commitError)) {
    if (!commit.recorded()) {
      table.AbandonStagedChange();
      notifier.Message(headerFailure, "오류", MessageIcon::Error, MessageButtons::Ok);
      return result;
    }
    // The commit record stands: the next start finishes the renames, and the copy already is
    // the table this run goes on with.
    table.AdoptStagedChange();
    notifier.Message(UnfinishedCommitText(request.dataDir, FailureText(commitError)), "오류", MessageIcon::Error,
                     MessageButtons::Ok);
    return result;
  }
  table.AdoptStagedChange();
  result.tenderAmount = static_cast<long double>(done.tenderAmount);
  result.completed = true;
  return result;
}

PartReview ReviewPart(TZekTable& items, ProjectType type, const std::string& part) {
  PartReview review;
  review.part = HasPartCodes(type) && TrimmedText(part).empty() ? std::string("1") : part;  // as F3 takes it
  review.partCode = PartCode(type, part);
  if (!items.engine() || !MissingItemFields(items.engine()->file().fields()).empty()) {
    review.usable = false;
    return review;
  }
  TXbase& xb = items.Xbase();
  if (xb.IndexOrd() == 0 && items.engine()->TagCount() > 0) xb.SetOrder(1);
  SilentNotifier quiet;
  Run run(items, quiet, Mode::Review, &review);
  const Outcome outcome = Walk(run, items, {std::string(), type, part});
  review.lines = outcome.lines;
  review.total = outcome.totals[0];
  review.tenderAmount = outcome.tenderAmount;
  review.unreadable = run.unreadableCount;
  review.overLimit = run.overflowingCount;
  for (const LineProblem& p : run.unreadable_) review.unreadableLines.push_back(p.where + ": " + p.fields);
  for (const LineProblem& p : run.overflowing_) review.overLimitLines.push_back(p.where + ": " + p.fields);
  if (outcome.tenderAmount > kAmountLimit || outcome.tenderAmount < -kAmountLimit) {
    ++review.overLimit;
    review.overLimitLines.push_back("총입찰금액: " + AmountText(static_cast<long double>(outcome.tenderAmount)));
  }
  return review;
}

std::string CompletionText(long double tenderAmount) {
  return "전체금액계산 완료 ( 총입찰금액: " + AmountText(tenderAmount) + " )";
}

}  // namespace vak
