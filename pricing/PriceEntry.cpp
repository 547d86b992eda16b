#include "pricing/PriceEntry.h"

#include <vector>

#include "common/Numbers.h"
#include "common/Text.h"
#include "store/ItemTable.h"

namespace vak {
namespace {

void Warn(UserNotifier& notifier, const char* text) {
  notifier.Message(text, "경고", MessageIcon::Warning, MessageButtons::Ok);
}

struct Assignment {
  const char* field;
  long double value;
};

// All values are checked against their fields before the record is touched.
bool WriteAll(TZekTable& items, const std::vector<Assignment>& values, UserNotifier& notifier) {
  std::string text;
  for (const Assignment& a : values) {
    const DbfField* f = items.FindField(a.field);
    if (!f || !FixedPointText(a.value, f->length, f->decimals, text)) {
      Warn(notifier, a.value < 0 ? kUnderLimitText : kOverLimitText);
      return false;
    }
  }
  items.Edit();
  for (const Assignment& a : values) items.SetFieldNumber(a.field, a.value);
  return items.Post();
}

}  // namespace

bool IsPriceEditable(int rowKind, const std::string& fixedMark) {
  return (rowKind == kPricedItem || rowKind == kZeroQuantityLevel0) && TrimmedText(fixedMark) != "*";
}

bool CheckSinglePrice(long double quantity, long double price, UserNotifier& notifier) {
  const long double amount = quantity * price;
  if (amount > kAmountLimit) {
    Warn(notifier, kOverLimitText);
    return false;
  }
  if (amount < -kAmountLimit) {
    Warn(notifier, kUnderLimitText);
    return false;
  }
  return true;
}

bool CheckSplitPrices(long double quantity, long double material, long double labour, long double expense,
                      UserNotifier& notifier) {
  const long double products[3] = {quantity * material, quantity * labour, quantity * expense};
  bool ok = true;
  for (long double p : products) {
    if (p > kAmountLimit) {
      Warn(notifier, kOverLimitText);
      ok = false;
      break;
    }
  }
  for (long double p : products) {
    if (p < -kAmountLimit) {
      Warn(notifier, kUnderLimitText);
      ok = false;
      break;
    }
  }
  return ok;
}

bool WriteSinglePrice(TZekTable& items, long double price, UserNotifier& notifier) {
  const long double q = items.FieldAsFloat("F_QQTY");
  const long double amount = TruncDecimals(q * price, 0);
  return WriteAll(items, {{"F_MA0", price}, {"F_PRIC", price}, {"F_MA", amount}, {"F_COST", amount}}, notifier);
}

bool WriteSplitPrices(TZekTable& items, long double material, long double labour, long double expense,
                      UserNotifier& notifier) {
  const long double q = items.FieldAsFloat("F_QQTY");
  const long double m = q * material;
  const long double l = q * labour;
  const long double e = q * expense;
  return WriteAll(items,
                  {{"F_MA0", material},
                   {"F_LA0", labour},
                   {"F_EQ0", expense},
                   {"F_PRIC", material + labour + expense},
                   {"F_MA", TruncDecimals(m, 0)},
                   {"F_LA", TruncDecimals(l, 0)},
                   {"F_EQ", TruncDecimals(e, 0)},
                   {"F_COST", TruncDecimals(m + l + e, 0)}},
                  notifier);
}

bool TakesPriceEntry(const TZekTable& items) {
  const ItemFieldMap f = items.FieldMap();
  if (f.lvl < 0 || f.nlvl < 0 || f.fix < 0 || f.part < 0 || f.qqty < 0) return false;
  if (IsOverallSummaryPart(TrimmedText(items.FieldBytesAt(f.part)))) return false;
  const std::string_view lvl = items.FieldBytesAt(f.lvl), nlvl = items.FieldBytesAt(f.nlvl);
  const std::string fix(items.FieldBytesAt(f.fix));
  return IsPriceEditable(RowKindOf(lvl.empty() ? ' ' : lvl[0], nlvl.empty() ? ' ' : nlvl[0],
                                   items.FieldNumberAt(f.qqty), fix.empty() ? ' ' : fix[0]),
                         fix);
}

bool EnterPrice(TZekTable& items, const EnteredPrice& entry, UserNotifier& notifier) {
  const long double q = items.FieldAsFloat("F_QQTY");
  if (entry.split)
    return CheckSplitPrices(q, entry.material, entry.labour, entry.expense, notifier) &&
           WriteSplitPrices(items, entry.material, entry.labour, entry.expense, notifier);
  return CheckSinglePrice(q, entry.price, notifier) && WriteSinglePrice(items, entry.price, notifier);
}

std::vector<uint32_t> EnterPriceOn(TZekTable& items, const std::vector<uint32_t>& records, const EnteredPrice& entry) {
  SilentNotifier quiet;  // a line left out over the limits is counted by the caller, not told line by line
  std::vector<uint32_t> written;
  for (const uint32_t recno : records) {
    if (items.Xbase().Go(recno) && EnterPrice(items, entry, quiet)) written.push_back(recno);
  }
  return written;
}

}  // namespace vak
