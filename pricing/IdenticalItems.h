// Identical items: lines of the tender whose work name, specification and unit are the same
// (trailing blanks ignored), wherever they stand. An estimator gives them one price; the window
// offers the price of one to the others, and the check lists those priced differently.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "store/DbfFile.h"

namespace vak {

// The free items (taking a price, not fixed by the agency) grouped by their texts. Built once
// from the table; prices do not change which lines are identical, so it stays current through
// every price entry, carry, import and adjustment of the session.
class IdenticalItems {
 public:
  explicit IdenticalItems(const DbfFile& table);
  // The free items identical to record `recno`, itself left out, in statement order; empty for
  // a line that is not a free item or has no twin.
  std::vector<uint32_t> Of(uint32_t recno) const;

 private:
  std::vector<std::vector<uint32_t>> groups_;       // groups of two or more
  std::unordered_map<uint32_t, uint32_t> groupOf_;  // record → index into groups_
};

struct IdenticalPriceGroup {
  std::string name, spec, unit;  // UTF-8, without trailing blanks
  struct Price {
    std::string text;               // as the table holds it: "12000", or "8000+3000+1000" split
    std::vector<uint32_t> records;  // the items holding it, in statement order
  };
  std::vector<Price> prices;  // distinct, in the order first met
};

// Groups of identical priced items that do not all hold the same price, in statement order.
std::vector<IdenticalPriceGroup> IdenticalItemsPricedDifferently(const DbfFile& table);

}  // namespace vak
