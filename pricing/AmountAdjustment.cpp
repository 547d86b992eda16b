#include "pricing/AmountAdjustment.h"

#include <algorithm>
#include <optional>

#include "common/CodePage.h"
#include "common/Numbers.h"
#include "common/Text.h"
#include "pricing/PriceEntry.h"
#include "pricing/RollUp.h"
#include "pricing/TenderReview.h"
#include "pricing/TenderRewrite.h"

namespace vak {
namespace {

// One line of a part as the roll-up reads it.
struct ModelLine {
  char level = ' ';
  bool item = false;         // an item with a quantity; otherwise a heading or a line without one
  bool onTop = false;        // its level text is that of the part's first line
  bool partChanges = false;  // its part code differs from the next line's (the roll-up starts again)
  bool summary = false;      // an overall summary line: the backward walk stops here
  Quantity q;
  long double multiplier = 0;  // a heading's own quantity
  long long fixedCost = 0;     // an item whose price stays: its amount
  bool fixedCostFits = true;
  int free = -1;  // index into the free prices
};

// An item whose price the adjustment scales.
struct FreeItem {
  uint32_t recno = 0;
  bool split = false;
  long long price = 0;               // F_PRIC
  std::array<long long, 3> parts{};  // material, labour, expense of a split price
  Quantity q;
  bool additive = false;   // its amount reaches the tender amount one won for one won
  long double weight = 0;  // otherwise about this many won per won (the multiplying headings above it)
};

// Per free item, the F_PRIC it holds, and a split item's three prices.
struct Prices {
  std::vector<long long> price;
  std::vector<std::array<long long, 3>> parts;
};

bool OverLimit(long long amount) { return amount > kAmountLimit || amount < -kAmountLimit; }

class TenderModel {
 public:
  std::vector<std::vector<ModelLine>> parts;
  std::vector<FreeItem> free;
  std::vector<size_t> counted;  // the parts whose totals the tender amount adds
  long long constant = 0;       // stored amounts of summary lines the calculation adds as they are

  Prices Current() const {
    Prices p;
    for (const FreeItem& f : free) {
      p.price.push_back(f.price);
      p.parts.push_back(f.parts);
    }
    return p;
  }

  // The prices at `factor`; empty when one would leave the amount limit.
  std::optional<Prices> At(long long factor) const {
    Prices p;
    p.price.reserve(free.size());
    p.parts.reserve(free.size());
    for (const FreeItem& f : free) {
      std::array<long long, 3> parts{};
      long long price = 0;
      // A priced item stays priced: no price, nor a part of a split price, is cut below one won
      // (a labour part of 1 won cut to 0 would drop the labour from the line).
      if (f.split) {
        for (size_t k = 0; k < 3; ++k) {
          const __int128 scaled = static_cast<__int128>(f.parts[k]) * factor / kFactorScale;
          if (scaled > kAmountLimit) return std::nullopt;
          parts[k] = f.parts[k] > 0 ? std::max(static_cast<long long>(scaled), 1LL) : static_cast<long long>(scaled);
          price += parts[k];
        }
      } else {
        const __int128 scaled = static_cast<__int128>(f.price) * factor / kFactorScale;
        if (scaled > kAmountLimit) return std::nullopt;
        price = std::max(static_cast<long long>(scaled), 1LL);
        parts = {price, f.parts[1], f.parts[2]};
      }
      if (OverLimit(price)) return std::nullopt;
      p.price.push_back(price);
      p.parts.push_back(parts);
    }
    return p;
  }

  std::optional<long long> Tender(const std::vector<long long>& prices) const {
    long long tender = constant;
    for (size_t p : counted) {
      const std::optional<long long> total = PartTotal(parts[p], prices);
      if (!total || __builtin_add_overflow(tender, *total, &tender)) return std::nullopt;
    }
    return tender;
  }

  // The part's total as the calculation's roll-up makes it, from the last line up.
  std::optional<long long> PartTotal(const std::vector<ModelLine>& lines, const std::vector<long long>& prices) const {
    long long total = 0;
    LevelSums<1> acc;
    for (size_t i = lines.size(); i-- > 0;) {
      const ModelLine& line = lines[i];
      if (line.summary) break;
      if (line.partChanges) acc.Clear();
      long long stored = 0;
      if (line.item) {
        const std::optional<long long> cost =
            line.free >= 0 ? CutProduct(line.q, prices[static_cast<size_t>(line.free)])
                           : (line.fixedCostFits ? std::optional<long long>(line.fixedCost) : std::nullopt);
        if (!cost || OverLimit(*cost)) return std::nullopt;
        stored = *cost;
        if (line.level == '0') total = acc.Add(total, stored);
        acc.AddItem(line.level, {stored});
      } else if (line.level >= '1' && line.level <= '9') {
        stored = acc.CloseHeading(line.level - '0', line.multiplier)[0];
        if (OverLimit(stored)) return std::nullopt;
      } else {
        acc.Clear();
      }
      if (line.onTop) total = acc.Add(total, stored);
      if (acc.overflowed || acc.multipliedOverflow) return std::nullopt;
    }
    return total;
  }
};

// What the reading of the tender found besides the model.
struct Reading {
  TenderModel model;
  AdjustmentPlan counts;                // only the line counts are filled
  std::vector<std::string> unreadable;  // "where: fields", as the calculation lists them
  long unreadableCount = 0;
};

// A price field as whole won: blanks are 0.
bool ReadsWhole(std::string_view bytes, long long& value) {
  value = 0;
  return TrimmedText(bytes).empty() || ParseScaledField(bytes, 0, value);
}

// Reads one part in statement order into the model, and classifies its items.
void ReadPart(TZekTable& items, ProjectType type, const std::string& part, Reading& reading) {
  TXbase& xb = items.Xbase();
  const ItemFieldMap& f = items.FieldMap();
  xb.Query(PartLinesFilter(type, part));
  std::vector<ModelLine> lines;
  std::vector<std::string> partCodes;
  // The headings above each line with their quantities, to know which items add one to one.
  OpenHeadings<long double> open;
  std::string topLevel;
  for (xb.GoTop(); !items.Eof(); items.Skip(1)) {
    ModelLine line;
    const std::string_view lvl = items.FieldBytesAt(f.lvl);
    if (lines.empty()) topLevel.assign(lvl.data(), lvl.size());
    line.level = lvl.empty() ? ' ' : lvl[0];
    const std::string_view next = items.FieldBytesAt(f.nlvl);
    const std::string_view code = items.FieldBytesAt(f.part);
    line.summary = IsOverallSummaryPart(code);
    line.onTop = lvl == topLevel;
    line.q = Quantity::Of(items.FieldBytesAt(f.qqty));
    const bool heading = IsHeadingLevel(line.level, next.empty() ? ' ' : next[0]);
    line.item = !heading && line.q.NonZero();
    line.multiplier = items.FieldNumberAt(f.tqty);
    partCodes.emplace_back(code);

    const int level = IsLevelDigit(line.level) ? line.level - '0' : -1;
    open.Reach(level);
    long double weight = level >= 0 ? 1 : 0;
    bool multiplied = false;
    for (const auto& [openLevel, multiplier] : open.Enclosing()) {
      if (multiplier == 0) continue;
      weight *= multiplier;
      multiplied = true;
    }
    if (heading) {
      ++reading.counts.headingLines;
      open.Open(level, line.multiplier);
    }
    if (line.item && !line.summary) {
      const std::string_view pric = items.FieldBytesAt(f.pric);
      const std::optional<long long> cost = CutProduct(line.q, pric, items.FieldNumberAt(f.pric));
      line.fixedCost = cost.value_or(0);
      line.fixedCostFits = cost.has_value();
      const std::string_view prices[4] = {pric, items.FieldBytesAt(f.ma0), items.FieldBytesAt(f.la0),
                                          items.FieldBytesAt(f.eq0)};
      const bool takesPrice =
          TakesPrice(line.level, next.empty() ? ' ' : next[0], true, items.FieldBytesAt(f.fix), code);
      const bool priced = std::any_of(std::begin(prices), std::end(prices), HoldsNonZero);
      std::array<long long, 4> values{};
      bool whole = true;
      for (size_t k = 0; k < 4; ++k) whole = ReadsWhole(prices[k], values[k]) && whole;
      const bool negative = std::any_of(values.begin(), values.end(), [](long long v) { return v < 0; });
      if (!takesPrice) {
        ++reading.counts.fixedLines;
      } else if (!priced) {
        ++reading.counts.unpricedLines;
      } else if (negative) {
        ++reading.counts.negativeLines;
      } else if (!whole || ((values[2] != 0 || values[3] != 0) && values[0] != values[1] + values[2] + values[3])) {
        ++reading.counts.otherLines;  // scaled, they would lose their decimals or their split
      } else {
        FreeItem item;
        item.recno = items.RecNo();
        item.price = values[0];
        item.split = values[2] != 0 || values[3] != 0;
        item.parts = {values[1], values[2], values[3]};
        item.q = line.q;
        item.additive = line.level == '0' || (level > 0 && !multiplied);
        item.weight = line.level == '0' ? 1 : weight;
        line.free = static_cast<int>(reading.model.free.size());
        reading.model.free.push_back(item);
      }
    }
    lines.push_back(line);
  }
  for (size_t i = 0; i < lines.size(); ++i)
    lines[i].partChanges = i + 1 == lines.size() || partCodes[i] != partCodes[i + 1];
  reading.model.parts.push_back(std::move(lines));
}

// The model of the whole tender, checked against the review of every part: the two must agree
// on every part's total at today's prices, or nothing is planned.
std::optional<Reading> ReadTender(TZekTable& items, ProjectType type, UserNotifier& notifier) {
  TXbase& xb = items.Xbase();
  if (xb.IndexOrd() == 0 && items.engine() && items.engine()->TagCount() > 0) xb.SetOrder(1);
  const TenderReview review = ReviewTender(items, type, HeaderValues{});
  Reading reading;
  long long counted = 0;
  for (size_t p = 0; p < review.parts.size(); ++p) {
    const PartReview& part = review.parts[p];
    reading.unreadableCount += part.unreadable;
    for (const std::string& line : part.unreadableLines) {
      if (reading.unreadable.size() < 5) reading.unreadable.push_back(line);
    }
    ReadPart(items, type, part.part, reading);
    if (HasOverallSummary(type) || p == 0) {
      reading.model.counted.push_back(p);
      counted += part.total;
    }
  }
  xb.Query(kOverallSummaryFilter);
  for (xb.GoTop(); !items.Eof(); items.Skip(1)) ++reading.counts.summaryLines;
  xb.Query("");
  if (reading.unreadableCount > 0) {
    std::string text = "숫자나 레벨을 읽을 수 없는 줄이 " + std::to_string(reading.unreadableCount) +
                       "개 있어 금액을 맞출 수 없습니다. 아무것도 바꾸지 않았습니다.";
    for (const std::string& line : reading.unreadable) text += "\n  " + line;
    if (reading.unreadableCount > 5) text += "\n  … 외 " + std::to_string(reading.unreadableCount - 5) + "줄";
    notifier.Message(text, "오류", MessageIcon::Error, MessageButtons::Ok);
    return std::nullopt;
  }
  reading.model.constant = review.computedTender - counted;
  const Prices now = reading.model.Current();
  for (size_t p = 0; p < review.parts.size(); ++p) {
    const std::optional<long long> total = reading.model.PartTotal(reading.model.parts[p], now.price);
    if (!total || *total != review.parts[p].total || OverLimit(review.computedTender)) {
      notifier.Message(
          "지금 내역의 금액이 한도(999,999,999,999)를 넘어 계산할 수 없습니다. 단가와 수량을 확인하십시오.", "오류",
          MessageIcon::Error, MessageButtons::Ok);
      return std::nullopt;
    }
  }
  return reading;
}

// The amount by which raising `item` from `price` by `d` won raises its line amount.
std::optional<long long> Rise(const FreeItem& item, long long price, long long d) {
  const std::optional<long long> before = CutProduct(item.q, price);
  const std::optional<long long> after = CutProduct(item.q, price + d);
  if (!before || !after || OverLimit(*after) || OverLimit(price + d)) return std::nullopt;
  return *after - *before;
}

// How far raising `item` by `d` won should raise the tender amount: exactly for a line that
// adds one to one, as an estimate under multiplying headings (the whole calculation decides).
std::optional<long long> TotalRise(const FreeItem& item, long long price, long long d) {
  const std::optional<long long> rise = Rise(item, price, d);
  if (!rise || item.additive) return rise;
  return static_cast<long long>(static_cast<long double>(*rise) * item.weight);
}

// The raise of `item` whose rise is the largest not above `wanted` (exactly `wanted` when one
// exists); 0 when even one won rises too much.
long long BestRaise(const FreeItem& item, long long price, long long wanted) {
  const long double q = item.q.exact ? static_cast<long double>(item.q.thousandths) / 1000 : item.q.value;
  if (q * item.weight <= 0) return 0;
  const long long guess = static_cast<long long>(static_cast<long double>(wanted) / (q * item.weight));
  long long best = 0, bestRise = 0;
  for (long long d = std::max(1LL, guess - 2); d <= guess + 2; ++d) {
    const std::optional<long long> rise = TotalRise(item, price, d);
    if (rise && *rise <= wanted && *rise > bestRise) {
      best = d;
      bestRise = *rise;
    }
  }
  return best;
}

// Raises item `i` by `d` won (a split price on its largest part, which changes least).
void Raise(const TenderModel& model, Prices& prices, size_t i, long long d) {
  prices.price[i] += d;
  if (model.free[i].split) {
    std::array<long long, 3>& parts = prices.parts[i];
    *std::max_element(parts.begin(), parts.end()) += d;
  } else {
    prices.parts[i][0] = prices.price[i];
  }
}

// What is left below the target after the factor is closed in two steps, each checked against
// the whole calculation. First the scaled prices that lost the most in the cut are cut to the
// won above instead (still within a won of old × factor): at a factor just below 1 every
// price loses a won, and this gives them back. Then as few lines as possible are raised by
// whole won: one that closes it exactly (a line adding one won per won first), else the
// largest step that fits, and again, no line by more than a twentieth of its price. A raise the
// whole calculation does not confirm (a line under a multiplying heading whose estimate was
// off, a line that counts nowhere) is taken back and the line left out.
struct Closing {
  std::vector<char> roundedUp;
  std::vector<long long> raised;
  long long total = 0;
};

Closing CloseRemainder(const TenderModel& model, long long factor, Prices& prices, long long reached,
                       long long target) {
  Closing c{std::vector<char>(model.free.size(), 0), std::vector<long long>(model.free.size(), 0), reached};
  std::vector<size_t> candidates;
  for (size_t i = 0; i < model.free.size(); ++i) {
    const FreeItem& f = model.free[i];
    if (f.weight > 0 && (f.q.exact ? f.q.thousandths > 0 : f.q.value > 0)) candidates.push_back(i);
  }
  // Step one, by the part of a won each price lost in the cut, the largest first.
  auto lost = [&](size_t i) {
    return static_cast<long long>(static_cast<__int128>(model.free[i].price) * factor % kFactorScale);
  };
  std::vector<size_t> byLoss;
  std::copy_if(candidates.begin(), candidates.end(), std::back_inserter(byLoss),
               [&](size_t i) { return model.free[i].additive; });
  std::stable_sort(byLoss.begin(), byLoss.end(), [&](size_t a, size_t b) { return lost(a) > lost(b); });
  const Prices scaled = prices;
  long long expected = c.total;
  for (size_t i : byLoss) {
    if (lost(i) == 0) break;
    const std::optional<long long> rise = Rise(model.free[i], prices.price[i], 1);
    if (!rise || *rise <= 0 || expected + *rise > target) continue;
    Raise(model, prices, i, 1);
    c.roundedUp[i] = 1;
    expected += *rise;
  }
  if (const std::optional<long long> t = model.Tender(prices.price); t && *t == expected) {
    c.total = expected;

  } else {
    prices = scaled;
    std::fill(c.roundedUp.begin(), c.roundedUp.end(), 0);
  }

  // Step two: lines of quantity 1 that add one to one first, then the other lines that add one
  // to one, then those under multiplying headings; each by the largest price, which a raise
  // changes least.
  auto rank = [&](size_t i) {
    const FreeItem& f = model.free[i];
    return f.additive ? (f.q.exact && f.q.thousandths == 1000 ? 0 : 1) : 2;
  };
  std::stable_sort(candidates.begin(), candidates.end(), [&](size_t a, size_t b) {
    if (rank(a) != rank(b)) return rank(a) < rank(b);
    return prices.price[a] > prices.price[b];
  });
  std::vector<char> excluded(model.free.size(), 0);
  for (int round = 0; c.total < target && round < 200; ++round) {
    const long long remaining = target - c.total;
    size_t best = model.free.size();
    long long bestD = 0, bestRise = 0;
    for (size_t i : candidates) {
      if (c.raised[i] != 0 || excluded[i]) continue;
      // No line takes more than a twentieth of its price (or ten won): a remainder too large for
      // one line is spread over several instead of making one price stand out.
      const long long cap = std::max(10LL, prices.price[i] / 20);
      const std::optional<long long> most = TotalRise(model.free[i], prices.price[i], cap);
      if (!most) continue;
      const long long d = BestRaise(model.free[i], prices.price[i], std::min(remaining, *most));
      if (d == 0) continue;
      const long long rise = *TotalRise(model.free[i], prices.price[i], d);
      if (rise > bestRise) {
        best = i;
        bestD = d;
        bestRise = rise;
        if (rise == remaining) break;
      }
    }
    if (best == model.free.size()) break;
    Raise(model, prices, best, bestD);
    if (const std::optional<long long> t = model.Tender(prices.price); t && *t > c.total && *t <= target) {
      c.raised[best] = bestD;
      c.total = *t;
    } else {
      Raise(model, prices, best, -bestD);
      excluded[best] = 1;
    }
  }
  return c;
}

std::string Won(long long amount) { return AmountText(static_cast<long double>(amount)) + "원"; }

// The changed lines, with their texts read from the table.
void ListChanges(TZekTable& items, const TenderModel& model, const Prices& prices, const Closing& closing,
                 AdjustmentPlan& plan) {
  const ItemFieldMap& f = items.FieldMap();
  for (size_t i = 0; i < model.free.size(); ++i) {
    const FreeItem& item = model.free[i];
    if (prices.price[i] == item.price && prices.parts[i] == item.parts) continue;
    if (!items.Xbase().Go(item.recno)) continue;
    AdjustedLine line;
    line.recno = item.recno;
    line.part = TrimmedText(items.FieldBytesAt(f.part));
    line.seq = TrimmedText(items.FieldBytesAt(f.seq));
    line.name = Cp949ToUtf8(TrimmedText(items.FieldBytesAt(f.des)));
    line.spec = Cp949ToUtf8(TrimmedText(items.FieldBytesAt(f.size)));
    line.unit = Cp949ToUtf8(TrimmedText(items.FieldBytesAt(f.unit)));
    line.quantity = TrimmedText(items.FieldBytesAt(f.qqty));
    line.split = item.split;
    line.oldPrice = item.price;
    line.newPrice = prices.price[i];
    line.oldSplit = item.parts;
    line.newSplit = prices.parts[i];
    line.newAmount = CutProduct(item.q, line.newPrice).value_or(0);
    line.raisedBy = closing.raised[i];
    line.roundedUp = closing.roundedUp[i] != 0;
    plan.changed.push_back(std::move(line));
  }
}

}  // namespace

long AdjustmentPlan::RemainderLines() const {
  return static_cast<long>(
      std::count_if(changed.begin(), changed.end(), [](const AdjustedLine& l) { return l.raisedBy != 0; }));
}

std::string FactorText(long long factor) {
  const long long millionths = (factor + 500) / 1000;  // to six decimals, half up
  std::string fraction = std::to_string(millionths % 1000000);
  return std::to_string(millionths / 1000000) + "." + std::string(6 - fraction.size(), '0') + fraction;
}

std::string TargetAmountProblem(long long target) {
  if (target <= 0) return "목표 금액은 1원 이상이어야 합니다.";
  if (target > kAmountLimit) return "목표 금액은 999,999,999,999원 이하여야 합니다.";
  return std::string();
}

bool ReadTargetAmount(const std::string& text, long long& target) {
  // Separators only between groups of three digits: "1,2,3" is not a number of won.
  for (size_t comma = text.find(','); comma != std::string::npos; comma = text.find(',', comma + 1)) {
    const size_t next = text.find(',', comma + 1);
    if (comma == 0 || (next == std::string::npos ? text.size() : next) - comma != 4) return false;
  }
  const std::string digits = ReplaceAll(text, ",", "");
  if (digits.empty() || digits.size() > 15 || digits.find_first_not_of("0123456789") != std::string::npos) return false;
  target = std::stoll(digits);
  return true;
}

long long TenderAmountOfAllParts(TZekTable& items, ProjectType type) {
  if (!items.engine() || !MissingItemFields(items.engine()->file().fields()).empty()) return 0;
  return ReviewTender(items, type, HeaderValues{}).computedTender;
}

std::optional<AdjustmentPlan> PlanAdjustment(TZekTable& items, ProjectType type, long long target,
                                             UserNotifier& notifier, bool unpricedAccepted) {
  auto refuse = [&](const std::string& text) {
    notifier.Message(text, "오류", MessageIcon::Error, MessageButtons::Ok);
    return std::nullopt;
  };
  if (const std::string problem = TargetAmountProblem(target); !problem.empty()) return refuse(problem);
  if (!items.engine() || !MissingItemFields(items.engine()->file().fields()).empty())
    return refuse("내역 자료 화일의 형식이 아니어서 금액을 맞출 수 없습니다.");
  std::optional<Reading> reading = ReadTender(items, type, notifier);
  if (!reading) return std::nullopt;
  const TenderModel& model = reading->model;
  AdjustmentPlan plan = reading->counts;
  plan.target = target;
  plan.freeLines = static_cast<long>(model.free.size());
  plan.currentAmount = *model.Tender(model.Current().price);
  if (model.free.empty()) return refuse("단가를 입력한 항목이 없어 금액을 맞출 수 없습니다.");

  const std::optional<long long> least = model.Tender(model.At(0)->price);
  if (least && target < *least)
    return refuse("목표 금액 " + Won(target) + "이 바꿀 수 없는 줄(단가고정, 단가 없는 항목, 음수 단가)의 합계 " +
                  Won(*least) + "보다 적습니다. 아무것도 바꾸지 않았습니다.");
  if (plan.unpricedLines > 0 && !unpricedAccepted &&
      notifier.Message("단가를 입력하지 않은 항목이 " + std::to_string(plan.unpricedLines) +
                           "개 있습니다. 단가를 입력한 항목만으로 금액을 맞추시겠습니까?",
                       "확인", MessageIcon::Question, MessageButtons::YesNo) != MessageAnswer::Yes)
    return std::nullopt;

  // The tender amount at a factor; none when a price or an amount would leave its limits.
  auto tenderAt = [&](long long factor) -> std::optional<long long> {
    const std::optional<Prices> prices = model.At(factor);
    return prices ? model.Tender(prices->price) : std::nullopt;
  };
  auto fits = [&](long long factor) {
    const std::optional<long long> t = tenderAt(factor);
    return t && *t <= target;
  };
  // Bisection for the largest factor that stays at or below the target: `low` fits, `high` not.
  constexpr long long kHighestFactor = 1000 * kFactorScale;
  long long low = 0, high = kFactorScale;
  while (fits(high)) {
    low = high;
    if (high == kHighestFactor)
      return refuse("목표 금액에 이르려면 단가를 1,000배 넘게 올려야 합니다. 목표 금액을 확인하십시오.");
    high = std::min(high * 2, kHighestFactor);
  }
  while (high - low > 1) {
    const long long middle = low + (high - low) / 2;
    (fits(middle) ? low : high) = middle;
  }
  plan.factor = low;
  Prices prices = *model.At(low);
  const Closing closing = CloseRemainder(model, low, prices, *model.Tender(prices.price), target);
  // A factor stopped by a price or an amount at its limit, not by the target: what is left
  // would all go onto a few lines.
  if (closing.total < target && !tenderAt(high))
    return refuse(
        "목표 금액에 이르려면 어느 항목의 단가나 금액이 한도(999,999,999,999원)를 넘게 됩니다. "
        "목표 금액과 큰 단가를 확인하십시오. 아무것도 바꾸지 않았습니다.");
  plan.newAmount = closing.total;
  ListChanges(items, model, prices, closing, plan);
  return plan;
}

bool SamePlan(const AdjustmentPlan& a, const AdjustmentPlan& b) {
  if (a.factor != b.factor || a.newAmount != b.newAmount || a.changed.size() != b.changed.size()) return false;
  for (size_t i = 0; i < a.changed.size(); ++i) {
    if (a.changed[i].recno != b.changed[i].recno || a.changed[i].newPrice != b.changed[i].newPrice ||
        a.changed[i].newSplit != b.changed[i].newSplit)
      return false;
  }
  return true;
}

AdjustmentResult AdjustTenderAmount(const std::string& dir, long long target, TXbaseEnv& env, UserNotifier& notifier,
                                    const std::function<bool(const AdjustmentPlan&)>& confirm, bool unpricedAccepted) {
  AdjustmentResult result;
  if (const std::string problem = TargetAmountProblem(target); !problem.empty()) {
    notifier.Message(problem, "오류", MessageIcon::Error, MessageButtons::Ok);
    return result;
  }
  TenderRewrite rewrite;
  rewrite.dir = dir;
  rewrite.change = [&](TZekTable& items, ProjectType type, UserNotifier& toTender) {
    notifier.ProgressOpen("금액을 맞출 단가를 찾고 있습니다.", 1);
    std::optional<AdjustmentPlan> plan = PlanAdjustment(items, type, target, toTender, unpricedAccepted);
    notifier.ProgressClose();
    if (!plan || !confirm(*plan)) return false;
    result.plan = std::move(*plan);
    SilentNotifier quiet;  // every price was checked against the limits by the plan
    notifier.ProgressOpen("단가를 바꾸고 있습니다.", static_cast<long>(result.plan.changed.size()));
    for (const AdjustedLine& line : result.plan.changed) {
      notifier.ProgressStep();
      const bool written = items.Xbase().Go(line.recno) &&
                           (line.split ? WriteSplitPrices(items, static_cast<long double>(line.newSplit[0]),
                                                          static_cast<long double>(line.newSplit[1]),
                                                          static_cast<long double>(line.newSplit[2]), quiet)
                                       : WriteSinglePrice(items, static_cast<long double>(line.newPrice), quiet));
      if (!written) {
        notifier.ProgressClose();
        toTender.Message(dir + "\n단가를 기록하지 못했습니다. 아무것도 바꾸지 않았습니다.", "오류", MessageIcon::Error,
                         MessageButtons::Ok);
        return false;
      }
    }
    notifier.ProgressClose();
    return true;
  };
  rewrite.accept = [&](long double tenderAmount) {
    if (tenderAmount == static_cast<long double>(result.plan.newAmount)) return true;
    notifier.Message("다시 계산한 총입찰금액 " + AmountText(tenderAmount) + "원이 맞춘 금액 " +
                         Won(result.plan.newAmount) + "과 달라 아무것도 바꾸지 않았습니다.",
                     "오류", MessageIcon::Error, MessageButtons::Ok);
    return false;
  };
  const TenderRewriteResult rewritten = RewriteTender(rewrite, env, notifier);
  result.completed = rewritten.completed;
  result.unfinished = rewritten.unfinished;
  return result;
}

std::string AdjustmentSummaryText(const AdjustmentPlan& plan, bool done) {
  std::string text = (done ? "이전 총입찰금액: " : "현재 총입찰금액: ") + Won(plan.currentAmount) +
                     "\n목표 금액: " + Won(plan.target) + "\n조정률: " + FactorText(plan.factor) +
                     (done ? "\n바뀐 단가: " : "\n바뀌는 단가: ") + std::to_string(plan.changed.size()) +
                     "개 (단가를 조정한 항목 " + std::to_string(plan.freeLines) + "개 중)";
  text += "\n그대로 둔 항목: 단가고정 " + std::to_string(plan.fixedLines) + ", 단가 없음 " +
          std::to_string(plan.unpricedLines) + ", 음수 단가 " + std::to_string(plan.negativeLines);
  if (plan.otherLines > 0) text += ", 소수나 재/노/경 합계가 다른 단가 " + std::to_string(plan.otherLines);
  const long remainder = plan.RemainderLines();
  if (remainder > 0) text += "\n나머지를 받은 줄 " + std::to_string(remainder) + "개:";
  int listed = 0;
  for (const AdjustedLine& line : plan.changed) {
    if (line.raisedBy == 0 || listed++ >= 5) continue;
    text += "\n  " + line.part + " 순번 " + line.seq + " 「" + line.name + "」 단가 +" +
            AmountText(static_cast<long double>(line.raisedBy)) + "원";
  }
  if (remainder > 5) text += "\n  … 외 " + std::to_string(remainder - 5) + "줄";
  if (plan.changed.empty()) text += "\n단가는 그대로입니다: 모든 공사를 계산한 금액이 이미 목표 금액입니다.";
  text += "\n새 총입찰금액: " + Won(plan.newAmount);
  if (plan.Shortfall() > 0)
    text += "\n남은 " + Won(plan.Shortfall()) + "을 원 단위 단가 인상으로 채울 항목을 찾지 못해 목표 금액보다 " +
            Won(plan.Shortfall()) + " 모자랍니다.";
  return text;
}

std::string AdjustmentReportCsv(const AdjustmentPlan& plan) {
  std::string csv = "\xEF\xBB\xBF";
  csv += CsvRow({"이전 총입찰금액", std::to_string(plan.currentAmount)});
  csv += CsvRow({"목표 금액", std::to_string(plan.target)});
  csv += CsvRow({"새 총입찰금액", std::to_string(plan.newAmount)});
  csv += CsvRow({"모자람", std::to_string(plan.Shortfall())});
  csv += CsvRow({"조정률", FactorText(plan.factor)});
  csv += CsvRow({"그대로 둔 항목", "단가고정 " + std::to_string(plan.fixedLines),
                 "단가 없음 " + std::to_string(plan.unpricedLines), "음수 단가 " + std::to_string(plan.negativeLines),
                 "소수나 재/노/경 합계가 다른 단가 " + std::to_string(plan.otherLines),
                 "공종 " + std::to_string(plan.headingLines), "총괄집계 " + std::to_string(plan.summaryLines)});
  csv += "\r\n";
  csv += CsvRow({"공사", "순번", "공종명", "규격", "단위", "수량", "이전 단가", "새 단가", "새 금액", "이전 재료비",
                 "이전 노무비", "이전 경비", "새 재료비", "새 노무비", "새 경비", "올림", "나머지 반영"});
  for (const AdjustedLine& l : plan.changed) {
    auto split = [&](const std::array<long long, 3>& v, size_t k) { return l.split ? std::to_string(v[k]) : ""; };
    csv += CsvRow({l.part, l.seq, l.name, l.spec, l.unit, l.quantity, std::to_string(l.oldPrice),
                   std::to_string(l.newPrice), std::to_string(l.newAmount), split(l.oldSplit, 0), split(l.oldSplit, 1),
                   split(l.oldSplit, 2), split(l.newSplit, 0), split(l.newSplit, 1), split(l.newSplit, 2),
                   l.roundedUp ? "+1" : "", l.raisedBy != 0 ? "+" + std::to_string(l.raisedBy) : ""});
  }
  return csv;
}

}  // namespace vak
