// Unit price entry on one line of the item table: the limits, and the fields written.
// Amounts are whole won, cut toward zero from the unrounded products.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/Numbers.h"
#include "common/UserNotifier.h"
#include "store/Xbase.h"

namespace vak {

// Two sentences on two lines; a line feed alone breaks the line in the message box, where a
// carriage return after it would show as a blank or a stray character.
inline constexpr const char* kOverLimitText = "금액이 1조원을 초과했습니다.\n금액은 1조원 미만이어야 합니다.";
inline constexpr const char* kUnderLimitText = "금액이 -1조원보다 적습니다.\n금액은 -1조원 이상이어야 합니다.";

// Whether a line of this kind takes a unit price: priced items and zero-quantity items of
// level 0, and never a line whose price the agency fixed.
bool IsPriceEditable(int rowKind, const std::string& fixedMark);

// Checks the products against the amount limit and tells the user when one is out of it
// (over first, then under). True when the entry may be written.
bool CheckSinglePrice(long double quantity, long double price, UserNotifier& notifier);
bool CheckSplitPrices(long double quantity, long double material, long double labour, long double expense,
                      UserNotifier& notifier);

// Writes the current record in one edit and posts it. Single: F_MA0 = F_PRIC = p,
// F_MA = F_COST = cut(q x p); F_LA0, F_EQ0, F_LA, F_EQ keep their values. Split: the three
// prices, F_PRIC their sum, F_MA/F_LA/F_EQ the cut products, F_COST the cut sum of the
// unrounded products. False (nothing written) when a value does not fit its field: a
// negative amount of twelve digits has no room for its sign in the twelve-character
// fields; the user is told with the under-limit message.
bool WriteSinglePrice(TZekTable& items, long double price, UserNotifier& notifier);
bool WriteSplitPrices(TZekTable& items, long double material, long double labour, long double expense,
                      UserNotifier& notifier);

// A confirmed entry: one price, or material, labour and expense.
struct EnteredPrice {
  bool split = false;
  long double price = 0;
  long double material = 0, labour = 0, expense = 0;
};

// Whether the current record takes a price entry, as the price dialogs decide it for the
// line under the cursor: a priced item or a zero-quantity level-0 item, not fixed by the
// agency, not a line of the overall summary.
bool TakesPriceEntry(const TZekTable& items);

// Checks the limits on the current record and writes the entry there; false (told through
// `notifier`) when refused.
bool EnterPrice(TZekTable& items, const EnteredPrice& entry, UserNotifier& notifier);

// The entry on each of `records`, as on the current one; a record whose amounts would leave
// the limits is left as it was. Returns the records written.
std::vector<uint32_t> EnterPriceOn(TZekTable& items, const std::vector<uint32_t>& records, const EnteredPrice& entry);

}  // namespace vak
