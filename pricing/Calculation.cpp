#include "pricing/Calculation.h"

#include <array>
#include <cmath>

#include "common/Files.h"
#include "common/Numbers.h"
#include "common/Text.h"
#include "store/ItemTable.h"
#include "store/MemFile.h"

namespace vak {
namespace {

// Amount, material, labour, expense, in whole won. Every amount the calculation writes is cut
// to whole won, so the sums are exact in 64-bit integers (a million lines of a trillion won
// stay far inside their range).
using Amounts = std::array<long long, 4>;

struct Fields {
  explicit Fields(const TZekTable& t)
      : lvl(t.FieldIndex("F_LVL")), nlvl(t.FieldIndex("F_NLVL")), part(t.FieldIndex("F_PART")),
        qqty(t.FieldIndex("F_QQTY")), tqty(t.FieldIndex("F_TQTY")), unit(t.FieldIndex("F_QUNIT")),
        pric(t.FieldIndex("F_PRIC")), cost(t.FieldIndex("F_COST")), ma0(t.FieldIndex("F_MA0")),
        la0(t.FieldIndex("F_LA0")), eq0(t.FieldIndex("F_EQ0")), ma(t.FieldIndex("F_MA")), la(t.FieldIndex("F_LA")),
        eq(t.FieldIndex("F_EQ")) {}
  int lvl, nlvl, part, qqty, tqty, unit, pric, cost, ma0, la0, eq0, ma, la, eq;
};

char FirstChar(std::string_view v) { return v.empty() ? ' ' : v[0]; }

// Level as a whole number: "3" is 3; anything else 0.
int LevelNumber(char c) { return c >= '0' && c <= '9' ? c - '0' : 0; }

// The nearest integer is 0 (a half goes to the even neighbour, so 0.5 counts as 0).
bool RoundsToZero(long double v) { return v >= -0.5L && v <= 0.5L; }

constexpr long double kWholeLimit = 9e18L;

class Run {
 public:
  Run(TZekTable& items, UserNotifier& notifier) : t_(items), f_(items), notifier_(notifier) {}

  void Headings() {
    for (t_.Xbase().GoTop(); !t_.Eof(); t_.Skip(1)) {
      const char level = FirstChar(t_.FieldBytesAt(f_.lvl));
      const char next = FirstChar(t_.FieldBytesAt(f_.nlvl));  // one character: trimmed is the same
      if (level == '0' || FirstChar(t_.FieldBytesAt(f_.part)) == 'T' || !(Byte(next) > Byte(level))) continue;
      for (int field : {f_.pric, f_.ma0, f_.la0, f_.eq0}) Store(field, 0LL);
      if (RoundsToZero(t_.FieldNumberAt(f_.tqty))) t_.SetFieldTextAt(f_.unit, "");
      t_.Post();
    }
  }

  // Backward over the part; returns the part totals.
  Amounts RollUp(std::string& prevPart, const std::string& topLevel) {
    Amounts totals{};
    std::array<Amounts, 10> acc{};
    for (t_.Xbase().GoBottom(); !t_.Eof() && !t_.Bof(); t_.Skip(-1)) {
      const std::string_view part = t_.FieldBytesAt(f_.part);
      if (FirstChar(TrimmedText(part)) == 'T') break;
      ++lines;
      if (part != prevPart) {
        acc = {};
        prevPart.assign(part.data(), part.size());
      }
      const std::string_view lvlText = t_.FieldBytesAt(f_.lvl);
      const char level = FirstChar(lvlText);
      const char next = FirstChar(t_.FieldBytesAt(f_.nlvl));
      const bool heading = level != '0' && Byte(level) < Byte(next);
      long long q1000 = 0;
      const bool exact = ParseScaledField(t_.FieldBytesAt(f_.qqty), 3, q1000);
      const long double q = exact ? 0 : t_.FieldNumberAt(f_.qqty);  // only needed when not exact
      const bool hasQuantity = exact ? q1000 != 0 : q != 0;
      const bool onTop = lvlText == topLevel;  // read before the edit changes the record image
      const Amounts stored =
          !heading && hasQuantity ? Item(q, q1000, exact, level, acc, totals) : Heading(level, acc);
      if (onTop) {
        for (int k = 0; k < 4; ++k) totals[k] += stored[k];
      }
      t_.Post();
    }
    return totals;
  }

  void WriteSummaryLine(const Amounts& totals) {
    Store(f_.pric, 0LL);
    Store(f_.cost, totals[0]);
    Store(f_.ma, totals[1]);
    Store(f_.la, totals[2]);
    Store(f_.eq, totals[3]);
    t_.Post();
  }

  long double StoredCost() const { return t_.FieldNumberAt(f_.cost); }
  long lines = 0;
  long unstorable = 0;

 private:
  static unsigned char Byte(char c) { return static_cast<unsigned char>(c); }

  // What a field holds, as whole won.
  long long Held(int field) const {
    const long double v = t_.FieldNumberAt(field);
    return std::fabs(v) < kWholeLimit ? static_cast<long long>(v) : 0;
  }

  // Stores an amount; returns what the field holds afterwards (the amount itself, or the old
  // value when it does not fit).
  long long Store(int field, long long whole) {
    if (t_.SetFieldWholeAt(field, whole)) return whole;
    ++unstorable;
    return Held(field);
  }

  // A cut amount computed in extended precision.
  long long Store(int field, long double cut) {
    if (std::fabs(cut) < kWholeLimit) return Store(field, static_cast<long long>(cut));
    ++unstorable;
    return Held(field);
  }

  Amounts StoredAmounts() const { return {Held(f_.cost), Held(f_.ma), Held(f_.la), Held(f_.eq)}; }

  // cut(q x price) for one price field: in exact integers when the quantity and the price are
  // plain fixed-point text (the result TruncDecimals gives for such values, without its
  // cost); otherwise through TruncDecimals. `q` is the quantity when it is not exact.
  long long Amount(long double q, long long q1000, bool exact, int priceField, int amountField) {
    long long price = 0;
    if (exact && ParseScaledField(t_.FieldBytesAt(priceField), 0, price)) {
      long long whole = 0;
      if (!__builtin_mul_overflow(q1000, price, &whole)) return Store(amountField, whole / 1000);  // toward zero
      const __int128 product = static_cast<__int128>(q1000) * price / 1000;
      if (product > -1000000000000000LL && product < 1000000000000000LL)
        return Store(amountField, static_cast<long long>(product));
    }
    if (exact) q = static_cast<long double>(q1000) / 1000;
    return Store(amountField, TruncDecimals(q * t_.FieldNumberAt(priceField), 0));
  }

  // The amounts are whole won and fit their fields, so what is stored is what was computed.
  Amounts Item(long double q, long long q1000, bool exact, char level, std::array<Amounts, 10>& acc, Amounts& totals) {
    const Amounts stored = {Amount(q, q1000, exact, f_.pric, f_.cost), Amount(q, q1000, exact, f_.ma0, f_.ma),
                            Amount(q, q1000, exact, f_.la0, f_.la), Amount(q, q1000, exact, f_.eq0, f_.eq)};
    if (level == '0') {
      for (int k = 0; k < 4; ++k) totals[k] += stored[k];
      return stored;
    }
    // Levels above the item add it; its own level and those below start again.
    const int l = LevelNumber(level);
    for (int i = 1; i < l; ++i) {
      for (int k = 0; k < 4; ++k) acc[i][k] += stored[k];
    }
    for (int i = std::max(l, 1); i <= 9; ++i) acc[i] = {};
    return stored;
  }

  Amounts Heading(char level, std::array<Amounts, 10>& acc) {
    const int l = LevelNumber(level);
    if (l < 1 || l > 9) {
      notifier_.Beep();
      for (int field : {f_.cost, f_.ma, f_.la, f_.eq}) Store(field, 0LL);
      acc = {};
      return StoredAmounts();
    }
    const long double multiplier = t_.FieldNumberAt(f_.tqty);
    Amounts stored;
    if (multiplier == 0) {
      stored = {Store(f_.cost, acc[l][0]), Store(f_.ma, acc[l][1]), Store(f_.la, acc[l][2]), Store(f_.eq, acc[l][3])};
    } else {
      Amounts multiplied;
      for (int k = 0; k < 4; ++k) {
        const long double cut = TruncDecimals(multiplier * static_cast<long double>(acc[l][k]), 0);
        multiplied[k] = std::fabs(cut) < kWholeLimit ? static_cast<long long>(cut) : 0;
      }
      stored[0] = Store(f_.cost, multiplied[0]);
      Store(f_.pric, multiplied[1] + multiplied[2] + multiplied[3]);
      stored[1] = Store(f_.ma, multiplied[1]);
      stored[2] = Store(f_.la, multiplied[2]);
      stored[3] = Store(f_.eq, multiplied[3]);
      // The levels above count the multiplied amounts instead of the unit sums.
      for (int i = 1; i < l; ++i) {
        for (int k = 0; k < 4; ++k) acc[i][k] = acc[i][k] - acc[l][k] + multiplied[k];
      }
    }
    for (int i = l; i <= 9; ++i) acc[i] = {};
    return stored;
  }

  TZekTable& t_;
  Fields f_;
  UserNotifier& notifier_;
};

bool RewriteHeader(const std::string& dataDir, long double tenderAmount, UserNotifier& notifier) {
  const HeaderValues old = ReadProjectHeader(DataFilePath(dataDir, "VAK.MEM"));
  HeaderValues values;
  for (int kept : {kCmnAuth, kCmnCdno, kCmnComp, kCmnCona, kCmnDesc, kCmnMtno, kCmnName, kCmnTel, kCmnType})
    values[static_cast<size_t>(kept)] = old[static_cast<size_t>(kept)];
  values[kCmnIpmt] = GeneralNumberText(tenderAmount);
  values[kCmnMaxd] = "0";
  values[kCmnMrg] = "0";
  values[kCmnPrt] = "0";
  values[kCmnTop] = "0";
  values[kCmnWrit] = "";
  return SaveProjectHeader(dataDir, values, notifier);
}

}  // namespace

CalculationResult CalculateStatement(TZekTable& items, const CalculationRequest& request, UserNotifier& notifier) {
  CalculationResult result;
  TXbase& xb = items.Xbase();
  if (xb.IndexOrd() == 0 && items.engine() && items.engine()->TagCount() > 0) xb.SetOrder(1);
  xb.Query(PartLinesFilter(request.cmnType, request.curPart));

  Run run(items, notifier);
  std::string prevPart = request.curPart;
  xb.GoTop();
  const std::string topLevel(items.Eof() ? std::string() : std::string(items.FieldBytesAt(items.FieldIndex("F_LVL"))));
  run.Headings();
  const Amounts totals = run.RollUp(prevPart, topLevel);
  result.lines = run.lines;
  result.tenderAmount = static_cast<long double>(totals[0]);

  if (request.cmnType != "1") {
    xb.Query(kOverallSummaryFilter);
    const std::string own = "T" + (prevPart.size() >= 2 ? prevPart.substr(1, 1) : std::string());
    for (xb.GoTop(); !items.Eof(); items.Skip(1)) {
      if (TrimmedText(items.FieldAsString("F_PART")) == own) {
        run.WriteSummaryLine(totals);
      } else {
        result.tenderAmount += run.StoredCost();
      }
    }
    xb.Query(PartLinesFilter(request.cmnType, request.curPart));
  }
  result.unstorable = run.unstorable;
  if (run.unstorable > 0) {
    notifier.Message("금액이 12자리를 넘어 기록하지 못한 값이 " + std::to_string(run.unstorable) +
                         "개 있습니다. 단가와 수량을 확인하십시오.",
                     "경고", MessageIcon::Warning, MessageButtons::Ok);
  }

  if (!RewriteHeader(request.dataDir, result.tenderAmount, notifier)) return result;
  result.completed = true;
  return result;
}

std::string CompletionText(long double tenderAmount) {
  return "전체금액계산 완료 ( 총입찰금액: " + AmountText(tenderAmount) + " )";
}

}  // namespace vak
