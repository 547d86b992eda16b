#include "pricing/TenderReview.h"

#include <algorithm>
#include <set>

#include "common/CodePage.h"
#include "common/Files.h"
#include "common/Numbers.h"
#include "common/Text.h"
#include "store/Preparation.h"
#include "store/TenderFiles.h"

namespace vak {
namespace {

std::string CountText(long n) { return FormatNumber(static_cast<long double>(n), 0, 0); }

}  // namespace

long TenderReview::TakesPrice() const {
  long n = 0;
  for (const PartReview& p : parts) n += p.takesPrice;
  return n;
}

long TenderReview::Unpriced() const {
  long n = 0;
  for (const PartReview& p : parts) n += p.Unpriced();
  return n;
}

bool TenderReview::Consistent() const {
  if (!usable || TenderAmountDiffers() || computedTender > kAmountLimit || computedTender < -kAmountLimit) return false;
  return std::none_of(parts.begin(), parts.end(), [](const PartReview& p) {
    return !p.usable || p.Stale() || p.unreadable > 0 || p.overLimit > 0;
  });
}

std::vector<std::string> ConstructionParts(TZekTable& items, ProjectType type) {
  if (!HasPartCodes(type) || !items.engine()) return {std::string()};
  std::vector<std::string> parts;
  for (const NamedPart& p : NamedPartsOf(items.engine()->file())) parts.push_back(p.part);
  if (parts.empty()) return {std::string("1")};
  return parts;
}

bool OpenTenderForReview(const std::string& dir, TZekTable& items, UserNotifier& notifier) {
  if (const char* missing = MissingDataFile(dir)) {
    notifier.Message(MissingDataFileText(dir, missing), "확인", MessageIcon::Warning, MessageButtons::Ok);
    return false;
  }
  if (!items.OpenReadOnly(dir, "Vak.dbf", "CDX")) return false;
  const std::string path = items.engine()->file().path();
  std::string problem = StatementTableProblem(items.engine()->file());
  if (problem.empty() && !items.engine()->IndexTagInMemory(kItemTag, kItemKey)) {
    problem = "내역의 순서(F_PART, F_SEQ)를 만들 수 없습니다.";
  }
  if (problem.empty()) {
    items.Xbase().SetOrder(items.engine()->IndexOrd());
    return true;
  }
  notifier.Message(path + "\n" + problem, "오류", MessageIcon::Error, MessageButtons::Ok);
  items.Close();
  return false;
}

TenderReview ReviewTender(TZekTable& items, ProjectType type, const HeaderValues& header) {
  TenderReview review;
  review.type = type;
  if (!items.engine() || !MissingItemFields(items.engine()->file().fields()).empty()) {
    review.usable = false;
    return review;
  }
  for (const std::string& part : ConstructionParts(items, type)) review.parts.push_back(ReviewPart(items, type, part));
  if (HasPartCodes(type)) {
    for (const NamedPart& p : NamedPartsOf(items.engine()->file())) review.partNames[p.part] = Cp949ToUtf8(p.name);
  }

  // The tender amount once every part is calculated: the part totals, and the stored amounts of
  // overall summary lines whose part has no lines to calculate.
  long long tender = 0;
  if (!HasOverallSummary(type)) {
    tender = review.parts.empty() ? 0 : review.parts.front().total;
  } else {
    std::set<std::string> counted;
    TXbase& xb = items.Xbase();
    xb.Query(kOverallSummaryFilter);
    for (xb.GoTop(); !items.Eof(); items.Skip(1)) {
      const std::string part = ConstructionPartOf(TrimmedText(items.FieldAsString("F_PART")));
      const auto reviewed = std::find_if(review.parts.begin(), review.parts.end(),
                                         [&](const PartReview& p) { return HasPartCodes(type) && p.part == part; });
      long long amount = 0;
      if (reviewed != review.parts.end() && counted.insert(part).second) {
        amount = reviewed->total;
      } else {
        const long double stored = items.FieldAsFloat("F_COST");
        amount = stored > -9e18L && stored < 9e18L ? static_cast<long long>(stored) : 0;
      }
      if (__builtin_add_overflow(tender, amount, &tender)) tender = kAmountLimit + 1;
    }
    for (const PartReview& p : review.parts) {
      if (!counted.count(p.part) && __builtin_add_overflow(tender, p.total, &tender)) tender = kAmountLimit + 1;
    }
  }
  review.computedTender = tender;
  review.storedTenderText = TrimmedText(header[kCmnIpmt]);
  review.storedTenderRead = ParseScaledField(review.storedTenderText, 0, review.storedTender);
  items.Xbase().Query("");
  items.Xbase().GoTop();
  return review;
}

LineState LineStateOf(const TZekTable& items, const ItemFieldMap& f) {
  auto first = [&](int index) {
    const std::string_view v = items.FieldBytesAt(index);
    return v.empty() ? ' ' : v[0];
  };
  const std::string_view quantity = items.FieldBytesAt(f.qqty);
  long long q = 0;
  const bool hasQuantity = ParseScaledField(quantity, 3, q) ? q != 0 : ParseNumericField(quantity) != 0;
  LineState state;
  state.takesPrice =
      TakesPrice(first(f.lvl), first(f.nlvl), hasQuantity, items.FieldBytesAt(f.fix), items.FieldBytesAt(f.part));
  for (int price : {f.pric, f.ma0, f.la0, f.eq0}) {
    if (HoldsNonZero(items.FieldBytesAt(price))) state.priced = true;
  }
  return state;
}

LineState LineStateOf(const TZekTable& items) { return LineStateOf(items, items.FieldMap()); }

uint32_t NextUnpricedLine(TZekTable& items, bool fromCurrent) {
  const uint32_t start = items.RecNo();
  const ItemFieldMap fields = items.FieldMap();
  auto unpriced = [&] {
    const LineState state = LineStateOf(items, fields);
    return state.takesPrice && !state.priced;
  };
  if (fromCurrent && !items.Eof() && unpriced()) return start;
  for (items.Skip(1); !items.Eof(); items.Skip(1)) {
    if (unpriced()) return items.RecNo();
  }
  for (items.Xbase().GoTop(); !items.Eof() && items.RecNo() != start; items.Skip(1)) {
    if (unpriced()) return items.RecNo();
  }
  if (!items.Eof() && unpriced()) return items.RecNo();  // the line itself is the only one
  if (start != 0) items.Xbase().Go(start);
  return 0;
}

std::string TenderStatus::PartNames(const std::vector<std::string>& parts) const {
  std::string text;
  for (const std::string& p : parts) {
    const auto named = names_.find(p);
    const std::string name = named != names_.end() && !named->second.empty() ? named->second : p.empty() ? "내역" : p;
    text += (text.empty() ? "" : ", ") + name;
  }
  return text;
}

void TenderStatus::Reset(const TenderReview& review) {
  parts_.clear();
  order_.clear();
  names_ = review.partNames;
  for (const PartReview& p : review.parts) SetPart(p);
}

void TenderStatus::SetPart(const PartReview& review) {
  if (!parts_.count(review.partCode)) order_.push_back(review.partCode);
  PartState& part = parts_[review.partCode];
  part.part = review.part;
  part.count = {review.takesPrice, review.priced};
  part.stale = review.Stale();
}

void TenderStatus::MarkCalculated(const std::string& partCode) {
  const auto found = parts_.find(partCode);
  if (found != parts_.end()) found->second.stale = false;
}

void TenderStatus::NoteEntry(const std::string& partCode, LineState before, LineState after, bool changed) {
  auto found = parts_.find(partCode);
  if (found == parts_.end()) return;
  PartState& part = found->second;
  part.count.takesPrice += (after.takesPrice ? 1 : 0) - (before.takesPrice ? 1 : 0);
  part.count.priced += (after.takesPrice && after.priced ? 1 : 0) - (before.takesPrice && before.priced ? 1 : 0);
  if (changed) part.stale = true;
}

PricedCount TenderStatus::Part(const std::string& partCode) const {
  const auto found = parts_.find(partCode);
  return found == parts_.end() ? PricedCount{} : found->second.count;
}

PricedCount TenderStatus::Whole() const {
  PricedCount whole;
  for (const auto& [code, part] : parts_) {
    whole.takesPrice += part.count.takesPrice;
    whole.priced += part.count.priced;
  }
  return whole;
}

bool TenderStatus::Stale(const std::string& partCode) const {
  const auto found = parts_.find(partCode);
  return found != parts_.end() && found->second.stale;
}

std::vector<std::string> TenderStatus::StaleParts() const {
  std::vector<std::string> stale;
  for (const std::string& code : order_) {
    if (parts_.at(code).stale) stale.push_back(parts_.at(code).part);
  }
  return stale;
}

std::string TenderStatus::PartOfCode(const std::string& partCode) const {
  const auto found = parts_.find(partCode);
  return found == parts_.end() ? std::string() : found->second.part;
}

std::string StatusText(const TenderStatus& status, const std::string& partCode, bool severalParts) {
  const PricedCount part = status.Part(partCode);
  std::string text = "단가입력 " + CountText(part.priced) + " / " + CountText(part.takesPrice);
  if (severalParts) {
    const PricedCount whole = status.Whole();
    text += " · 전체 " + CountText(whole.priced) + " / " + CountText(whole.takesPrice);
  }
  std::vector<std::string> others = status.StaleParts();
  others.erase(std::remove(others.begin(), others.end(), status.PartOfCode(partCode)), others.end());
  if (!severalParts) others.clear();
  if (status.Stale(partCode)) {
    text += " · 재계산 필요";
    if (!others.empty()) text += " (다른 공사 " + status.PartNames(others) + ")";
  } else if (!others.empty()) {
    text += " · 다른 공사 재계산 필요: " + status.PartNames(others);
  }
  return text;
}

std::string UnfinishedTenderQuestion(const TenderStatus& status, const std::string& what) {
  const long unpriced = status.Whole().Unpriced();
  const std::vector<std::string> stale = status.StaleParts();
  if (unpriced == 0 && stale.empty()) return std::string();
  std::string text = "입찰서가 완성되지 않았습니다.";
  if (unpriced > 0) text += "\n  단가를 입력하지 않은 항목: " + CountText(unpriced) + "개";
  if (!stale.empty()) {
    text += stale.size() == 1 && stale.front().empty()
                ? std::string("\n  단가를 고친 뒤 내역서를 다시 계산하지 않았습니다.")
                : "\n  다시 계산해야 하는 공사: " + status.PartNames(stale);
  }
  text +=
      "\n\n" + what + "하기 전에 내역서를 계산하시겠습니까?\n  예: 계산한 뒤 계속  아니오: 그대로 계속  취소: 그만둠";
  return text;
}

}  // namespace vak
