// The lines an estimator still has to price, for the item details view that shows only them.
#pragma once

#include <cstdint>
#include <vector>

#include "store/Xbase.h"

namespace vak {

// The record numbers, in the table's order and query, of every line that takes a price and has
// none, each preceded by the headings it stands under (outermost first, each heading once), so
// the estimator sees where the item stands. Empty when nothing is left to price. The table is
// left on the record it stood on.
std::vector<uint32_t> UnpricedLinesWithHeadings(TZekTable& items);

}  // namespace vak
