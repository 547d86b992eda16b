#include "pricing/PriceCarry.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "common/CodePage.h"
#include "common/FileCommit.h"
#include "common/Files.h"
#include "common/Platform.h"
#include "common/Text.h"
#include "pricing/Calculation.h"
#include "pricing/PriceEntry.h"
#include "pricing/TenderReview.h"
#include "pricing/TenderRewrite.h"
#include "store/ItemTable.h"
#include "store/MemFile.h"
#include "store/Preparation.h"
#include "store/TenderFiles.h"

namespace vak {
namespace {

std::string WithoutTrailingBlanks(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
  return std::string(text);
}

bool SameQuantity(const std::string& a, const std::string& b) {
  long long x = 0, y = 0;
  if (ParseScaledField(a, 3, x) && ParseScaledField(b, 3, y)) return x == y;
  return ParseNumericField(a) == ParseNumericField(b);
}

// Source items of one part, by code and by texts, handed out once each.
class SourcePool {
 public:
  explicit SourcePool(const std::vector<const CarryItem*>& items) {
    for (const CarryItem* item : items) {
      if (!item->code.empty()) {
        ++codeCount_[item->code];
        byCode_[item->code] = item;  // used only where the code is unique
      }
      byText_[Key(*item)].push_back(item);
    }
  }
  size_t CodeCount(const std::string& code) const {
    const auto found = codeCount_.find(code);
    return found == codeCount_.end() ? 0 : found->second;
  }
  // The one source item with this code, when it is not taken yet.
  const CarryItem* TakeCode(const std::string& code) {
    const auto found = byCode_.find(code);
    if (found == byCode_.end() || CodeCount(code) != 1 || !taken_.insert(found->second).second) return nullptr;
    return found->second;
  }
  // The next source item with the same texts that is not taken yet.
  const CarryItem* TakeText(const CarryItem& target) {
    auto found = byText_.find(Key(target));
    if (found == byText_.end()) return nullptr;
    for (const CarryItem* item : found->second) {
      if (taken_.insert(item).second) return item;
    }
    return nullptr;
  }
  bool Taken(const CarryItem* item) const { return taken_.count(item) > 0; }

 private:
  static std::string Key(const CarryItem& item) { return item.name + '\x1f' + item.spec + '\x1f' + item.unit; }
  std::unordered_map<std::string, size_t> codeCount_;
  std::unordered_map<std::string, const CarryItem*> byCode_;
  std::unordered_map<std::string, std::vector<const CarryItem*>> byText_;
  std::unordered_set<const CarryItem*> taken_;
};

CarryOutcome OutcomeOf(const CarryItem& target, const CarryItem& source, bool overwrite) {
  if (target.unit != source.unit) return CarryOutcome::UnitChanged;
  if (target.priced && !overwrite) return CarryOutcome::Kept;
  for (const std::string* price : {&source.price, &source.material, &source.labour, &source.expense}) {
    if (!IsReadableNumericField(*price)) return CarryOutcome::SourceUnreadable;
  }
  if (!source.priced) return CarryOutcome::SourceUnpriced;
  // A price sheet without quantities gives none to compare.
  return source.quantity.empty() || SameQuantity(target.quantity, source.quantity) ? CarryOutcome::Carried
                                                                                   : CarryOutcome::QuantityChanged;
}

}  // namespace

const char* CarryOutcomeText(CarryOutcome outcome, bool fromSheet) {
  if (fromSheet) {
    switch (outcome) {
      case CarryOutcome::New: return "시트에 단가 없음";
      case CarryOutcome::SourceUnpriced: return "시트 단가 없음";
      case CarryOutcome::SourceUnreadable: return "시트 단가 읽을 수 없음";
      case CarryOutcome::Removed: return "맞는 항목 없음";
      default: break;
    }
  }
  switch (outcome) {
    case CarryOutcome::Carried: return "가져옴";
    case CarryOutcome::QuantityChanged: return "수량 변경";
    case CarryOutcome::Kept: return "유지";
    case CarryOutcome::New: return "신규";
    case CarryOutcome::UnitChanged: return "단위 변경";
    case CarryOutcome::SourceUnpriced: return "원본 단가 없음";
    case CarryOutcome::SourceUnreadable: return "원본 단가 읽을 수 없음";
    case CarryOutcome::OverLimit: return "한도 초과";
    case CarryOutcome::Removed: return "삭제됨";
  }
  return "";
}

std::vector<CarryItem> CarryItemsOf(const DbfFile& table) {
  struct Line {
    uint32_t recno;
    std::string part;
    long seq;
  };
  const ItemFieldMap f(&table);
  const DbfField* part = f.At(f.part);
  const DbfField* seq = f.At(f.seq);
  const DbfField* lvl = f.At(f.lvl);
  if (!part || !seq || !lvl || !MissingItemFields(table.fields()).empty()) return {};
  std::vector<Line> lines;
  for (uint32_t r = 1; r <= table.RecordCount(); ++r) {
    if (table.IsDeleted(r)) continue;
    const char* record = table.Record(r);
    lines.push_back(
        {r, std::string(FieldBytes(record, *part)), static_cast<long>(ParseNumericField(FieldBytes(record, *seq)))});
  }
  std::stable_sort(lines.begin(), lines.end(),
                   [](const Line& a, const Line& b) { return a.part != b.part ? a.part < b.part : a.seq < b.seq; });

  const DbfField &fQqty = *f.At(f.qqty), &fFix = *f.At(f.fix), &fCode = *f.At(f.code), &fDes = *f.At(f.des),
                 &fSize = *f.At(f.size), &fUnit = *f.At(f.unit), &fPric = *f.At(f.pric), &fMa0 = *f.At(f.ma0),
                 &fLa0 = *f.At(f.la0), &fEq0 = *f.At(f.eq0);
  std::vector<CarryItem> items;
  items.reserve(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    const char* record = table.Record(lines[i].recno);
    const std::string_view level = FieldBytes(record, *lvl);
    // The next level as the start-up pass sets it: the next line's of the same part code, the
    // last line's own.
    const bool last = i + 1 == lines.size() || lines[i + 1].part != lines[i].part;
    const std::string_view next = last ? level : FieldBytes(table.Record(lines[i + 1].recno), *lvl);
    const std::string_view quantity = FieldBytes(record, fQqty);
    long long q = 0;
    const bool hasQuantity = ParseScaledField(quantity, 3, q) ? q != 0 : ParseNumericField(quantity) != 0;
    if (!TakesPrice(level.empty() ? ' ' : level[0], next.empty() ? ' ' : next[0], hasQuantity, FieldBytes(record, fFix),
                    lines[i].part))
      continue;
    CarryItem item;
    item.recno = lines[i].recno;
    item.part = TrimmedText(lines[i].part);
    item.seq = lines[i].seq;
    item.code = TrimmedText(FieldBytes(record, fCode));
    item.name = WithoutTrailingBlanks(FieldBytes(record, fDes));
    item.spec = WithoutTrailingBlanks(FieldBytes(record, fSize));
    item.unit = WithoutTrailingBlanks(FieldBytes(record, fUnit));
    item.quantity = TrimmedText(quantity);
    item.price = TrimmedText(FieldBytes(record, fPric));
    item.material = TrimmedText(FieldBytes(record, fMa0));
    item.labour = TrimmedText(FieldBytes(record, fLa0));
    item.expense = TrimmedText(FieldBytes(record, fEq0));
    // Split prices are told by labour or expense and a unit price that is their sum; a single
    // price entry leaves the labour and expense prices as they were.
    const long double ma = ParseNumericField(item.material), la = ParseNumericField(item.labour),
                      eq = ParseNumericField(item.expense), pric = ParseNumericField(item.price);
    item.split = (la != 0 || eq != 0) && pric == ma + la + eq;
    item.priced = HoldsNonZero(item.price) || HoldsNonZero(item.material) || HoldsNonZero(item.labour) ||
                  HoldsNonZero(item.expense);
    items.push_back(std::move(item));
  }
  return items;
}

CarryPlan MatchPrices(std::vector<CarryItem> source, std::vector<CarryItem> target, bool overwrite, bool wholeTender) {
  // Items are matched within their part, or over the whole tender as one.
  auto group = [wholeTender](const CarryItem& item) { return wholeTender ? std::string() : item.part; };
  std::map<std::string, std::vector<const CarryItem*>> sourceParts, targetParts;
  for (const CarryItem& item : source) sourceParts[group(item)].push_back(&item);
  for (const CarryItem& item : target) targetParts[group(item)].push_back(&item);
  std::map<std::string, SourcePool> pools;
  for (const auto& [part, items] : sourceParts) pools.emplace(part, SourcePool(items));

  CarryPlan plan;
  plan.lines.reserve(target.size() + source.size());
  std::unordered_map<const CarryItem*, const CarryItem*> matched;  // target → source
  for (const auto& [part, items] : targetParts) {
    auto pool = pools.find(part);
    if (pool == pools.end()) continue;
    std::unordered_map<std::string, size_t> targetCodes;
    for (const CarryItem* item : items) {
      if (!item->code.empty()) ++targetCodes[item->code];
    }
    // Codes first, so a text match never takes an item its code names.
    for (const CarryItem* item : items) {
      if (item->code.empty() || targetCodes[item->code] != 1 || pool->second.CodeCount(item->code) != 1) continue;
      if (const CarryItem* s = pool->second.TakeCode(item->code)) matched[item] = s;
    }
    for (const CarryItem* item : items) {
      if (matched.count(item)) continue;
      if (const CarryItem* s = pool->second.TakeText(*item)) matched[item] = s;
    }
  }
  // Every item lands in one line at most: the items are moved, not copied. The source items
  // that found no place are noted before any of them moves.
  std::vector<bool> removed(source.size());
  for (size_t i = 0; i < source.size(); ++i) removed[i] = !pools.at(group(source[i])).Taken(&source[i]);
  for (CarryItem& item : target) {
    CarryLine line;
    const auto found = matched.find(&item);
    if (found == matched.end()) {
      line.outcome = CarryOutcome::New;
    } else {
      line.outcome = OutcomeOf(item, *found->second, overwrite);
      line.source = std::move(source[static_cast<size_t>(found->second - source.data())]);
      if (line.outcome == CarryOutcome::Carried || line.outcome == CarryOutcome::QuantityChanged) {
        // The prices the item is to hold; once written, those it holds.
        item.price = line.source.price;
        item.material = line.source.material;
        item.labour = line.source.labour;
        item.expense = line.source.expense;
        item.split = line.source.split;
      }
    }
    line.target = std::move(item);
    plan.lines.push_back(std::move(line));
  }
  for (size_t i = 0; i < source.size(); ++i) {
    if (!removed[i]) continue;
    CarryLine line;
    line.outcome = CarryOutcome::Removed;
    line.source = std::move(source[i]);
    plan.lines.push_back(std::move(line));
  }
  for (const CarryLine& line : plan.lines) ++plan.counts[static_cast<size_t>(line.outcome)];
  return plan;
}

std::string CarryReportCsv(const CarryPlan& plan) {
  std::string csv = "\xEF\xBB\xBF";
  csv += plan.fromSheet
             ? "결과,공사,순번,코드,공종명,규격,단위,수량,시트 행,시트 단위,시트 수량,단가,재료비,노무비,경비\r\n"
             : "결과,공사,순번,코드,공종명,규격,단위,수량,이전 순번,이전 단위,이전 수량,단가,재료비,노무비,경비\r\n";
  for (const CarryLine& line : plan.lines) {
    const bool removed = line.outcome == CarryOutcome::Removed;
    const CarryItem& item = removed ? line.source : line.target;
    const bool matched = !removed && line.source.recno != 0;
    // The prices the line has now: the carried ones, the kept ones, or none.
    const bool carried = line.outcome == CarryOutcome::Carried || line.outcome == CarryOutcome::QuantityChanged;
    const CarryItem& priced = removed ? line.source : line.target;
    const bool showPrices = carried || removed || line.outcome == CarryOutcome::Kept;
    csv += CsvRow({
        CarryOutcomeText(line.outcome, plan.fromSheet),
        item.part,
        removed ? std::string() : std::to_string(item.seq),
        Cp949ToUtf8(item.code),
        Cp949ToUtf8(item.name),
        Cp949ToUtf8(item.spec),
        Cp949ToUtf8(item.unit),
        removed ? std::string() : item.quantity,
        removed || matched ? std::to_string(line.source.seq) : std::string(),
        removed || matched ? Cp949ToUtf8(line.source.unit) : std::string(),
        removed || matched ? line.source.quantity : std::string(),
        showPrices ? priced.price : std::string(),
        showPrices && priced.split ? priced.material : std::string(),
        showPrices && priced.split ? priced.labour : std::string(),
        showPrices && priced.split ? priced.expense : std::string(),
    });
  }
  return csv;
}

std::string CarrySummaryText(const CarryPlan& plan, bool linePerOutcome) {
  std::string text;
  for (int o = 0; o < kCarryOutcomeCount; ++o) {
    const std::string outcome = CarryOutcomeText(static_cast<CarryOutcome>(o), plan.fromSheet);
    const std::string count = std::to_string(plan.counts[static_cast<size_t>(o)]);
    text += linePerOutcome ? "  " + outcome + ": " + count + "\n" : (text.empty() ? "" : ", ") + outcome + " " + count;
  }
  return text;
}

namespace {

void Fail(UserNotifier& notifier, const std::string& text) {
  notifier.Message(text, "오류", MessageIcon::Error, MessageButtons::Ok);
}

bool SameFile(const std::string& a, const std::string& b) {
  const auto x = platform::PathInfo(a), y = platform::PathInfo(b);
  return x && y && platform::SameFile(*x, *y);
}

// The source statement, read whole and let go again.
// CarryProblem has looked at it already; what it says is checked again as it is read, with the
// same rule, since a window may hold it and write between the two.
std::optional<std::vector<CarryItem>> ReadSource(const std::string& dir, UserNotifier& notifier) {
  const std::string path = DataFilePath(dir, "VAK.DBF");
  DbfStatus status;
  EngineSettings settings;
  const std::unique_ptr<XbTable> table = XbTable::Open(path, DbfOpenMode::ReadOnly, settings, status);
  if (!table) {
    Fail(notifier, OpenFailureText(path, status));
    return std::nullopt;
  }
  if (const std::string problem = StatementTableProblem(table->file()); !problem.empty()) {
    Fail(notifier, path + "\n" + problem + "\n단가를 가져오지 않았습니다. 지금 내역은 그대로입니다.");
    return std::nullopt;
  }
  return CarryItemsOf(table->file());
}

// Writes the carried prices into the scratch table, as a price entry writes them.
void WritePrices(TZekTable& items, CarryPlan& plan, UserNotifier& notifier) {
  SilentNotifier quiet;  // a price over the limits is an outcome of its own, not a message
  notifier.ProgressOpen("단가를 가져오고 있습니다.", static_cast<long>(plan.lines.size()));
  items.Xbase().Query("");
  const ItemFieldMap f = items.FieldMap();
  for (CarryLine& line : plan.lines) {
    notifier.ProgressStep();
    if (line.outcome != CarryOutcome::Carried && line.outcome != CarryOutcome::QuantityChanged) continue;
    if (!items.Xbase().Go(line.target.recno)) continue;
    const long double quantity = items.FieldNumberAt(f.qqty);
    const CarryItem& s = line.source;
    bool written = false;
    if (s.split) {
      const long double ma = ParseNumericField(s.material), la = ParseNumericField(s.labour),
                        eq = ParseNumericField(s.expense);
      written = CheckSplitPrices(quantity, ma, la, eq, quiet) && WriteSplitPrices(items, ma, la, eq, quiet);
    } else {
      const long double price = ParseNumericField(s.price);
      written = CheckSinglePrice(quantity, price, quiet) && WriteSinglePrice(items, price, quiet);
    }
    if (!written) {
      line.outcome = CarryOutcome::OverLimit;
      continue;
    }
    // What the table holds now, as it is stored (a price with decimals is kept in whole won) and
    // as the plan read the other lines.
    line.target.price = TrimmedText(items.FieldBytesAt(f.pric));
    line.target.material = TrimmedText(items.FieldBytesAt(f.ma0));
    line.target.labour = TrimmedText(items.FieldBytesAt(f.la0));
    line.target.expense = TrimmedText(items.FieldBytesAt(f.eq0));
    line.target.split = s.split;
  }
  notifier.ProgressClose();
  plan.counts = {};
  for (const CarryLine& line : plan.lines) ++plan.counts[static_cast<size_t>(line.outcome)];
}

// Source lines whose prices cannot be read are named before anything is written: carried as 0
// they would price the tender wrongly without a word. True when the user goes on without them.
bool AcceptUnreadableSources(const CarryPlan& plan, UserNotifier& notifier) {
  const long count = plan.Count(CarryOutcome::SourceUnreadable);
  if (count == 0) return true;
  std::string text = "이전 내역에 단가를 읽을 수 없는 항목이 " + std::to_string(count) +
                     "개 있습니다. 이 항목의 단가는 가져오지 않고 \"원본 단가 읽을 수 없음\"으로 남깁니다.";
  int listed = 0;
  for (const CarryLine& line : plan.lines) {
    if (line.outcome != CarryOutcome::SourceUnreadable || listed++ >= 5) continue;
    const CarryItem& s = line.source;
    text += "\n  " + s.part + " 순번 " + std::to_string(s.seq) + " 「" + Cp949ToUtf8(s.name) + "」: 단가 " +
            Cp949ToUtf8(s.price) + ", 재료비 " + Cp949ToUtf8(s.material) + ", 노무비 " + Cp949ToUtf8(s.labour) +
            ", 경비 " + Cp949ToUtf8(s.expense);
  }
  if (count > 5) text += "\n  … 외 " + std::to_string(count - 5) + "개";
  text += "\n\n그대로 가져오시겠습니까?";
  return notifier.Message(text, "확인", MessageIcon::Question, MessageButtons::YesNo) == MessageAnswer::Yes;
}

}  // namespace

std::string CarryProblem(const std::string& fromDir, const std::string& toDir) {
  const std::string nothingCarried = "\n단가를 가져오지 않았습니다. 지금 내역은 그대로입니다.";
  if (const char* missing = MissingDataFile(fromDir))
    return MissingDataFileText(fromDir, missing) + " 단가를 가져올 입찰 자료가 아닙니다.";
  if (SameFile(DataFilePath(fromDir, "VAK.DBF"), DataFilePath(toDir, "VAK.DBF")))
    return fromDir + "\n단가를 가져올 내역이 지금 내역과 같은 화일입니다. 다른 입찰의 자료 디렉토리를 고르십시오.";
  // The other bill is only read: one whose last save was cut short is the program's to finish there.
  if (HasInterruptedCommit(fromDir))
    return fromDir +
           "\n이 입찰 자료는 저장이 중단된 채입니다. 프로그램에서 한 번 열어 저장을 마무리한 뒤 단가를 가져오십시오.";
  if (const std::string problem = UnreadableTenderProblem(fromDir); !problem.empty()) return problem + nothingCarried;
  const std::string problem = TenderToPriceProblem(toDir);
  return problem.empty() ? problem : problem + nothingCarried;
}

std::string TenderToPriceProblem(const std::string& dir) {
  if (const char* missing = MissingDataFile(dir)) return MissingDataFileText(dir, missing);
  if (const ProjectHeader header = LoadProjectHeader(dir); !header.Whole()) return HeaderProblemText(header);
  return UnwritableTenderProblem(dir);
}

CarryResult CarryPricesInto(CarrySource source, const std::string& toDir, bool overwrite, TXbaseEnv& env,
                            UserNotifier& notifier) {
  CarryResult result;
  TenderRewrite rewrite;
  rewrite.dir = toDir;
  rewrite.change = [&](TZekTable& items, ProjectType, UserNotifier& toTarget) {
    std::vector<CarryItem> target = CarryItemsOf(items.engine()->file());
    if (source.byKey) {
      // A key names a line only while the line is the one it named: the same work and
      // specification. Otherwise (the bill changed since the sheet was made) the row is matched
      // by its texts like a row without a key.
      std::unordered_map<std::string, const CarryItem*> byKey;
      for (CarryItem& item : target) {
        item.code = item.part + ":" + std::to_string(item.recno);
        byKey[item.code] = &item;
      }
      for (CarryItem& item : source.items) {
        const auto found = byKey.find(item.code);
        if (found != byKey.end() && (found->second->name != item.name || found->second->spec != item.spec))
          item.code.clear();
      }
    }
    result.plan = MatchPrices(std::move(source.items), std::move(target), overwrite, source.wholeTender);
    result.plan.fromSheet = source.fromSheet;
    if (!AcceptUnreadableSources(result.plan, notifier)) return false;
    WritePrices(items, result.plan, toTarget);
    return true;
  };
  const TenderRewriteResult rewritten = RewriteTender(rewrite, env, notifier);
  result.unfinished = rewritten.unfinished;
  result.tenderAmount = rewritten.tenderAmount;
  result.completed = rewritten.completed;
  return result;
}

CarryResult CarryPrices(const CarryRequest& request, TXbaseEnv& env, UserNotifier& notifier) {
  if (const std::string problem = CarryProblem(request.fromDir, request.toDir); !problem.empty()) {
    Fail(notifier, problem);
    return CarryResult();
  }
  // Reading the other bill and copying this one take a while on large bills: said, not silent.
  notifier.ProgressOpen("이전 내역의 단가를 읽고 있습니다.", 2);
  std::optional<std::vector<CarryItem>> source = ReadSource(request.fromDir, notifier);
  notifier.ProgressStep();
  notifier.ProgressClose();
  if (!source) return CarryResult();
  return CarryPricesInto({std::move(*source), false, false}, request.toDir, request.overwrite, env, notifier);
}

}  // namespace vak
