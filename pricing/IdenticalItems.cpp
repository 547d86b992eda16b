#include "pricing/IdenticalItems.h"

#include <algorithm>
#include <map>

#include "common/CodePage.h"
#include "pricing/PriceCarry.h"

namespace vak {
namespace {

std::string KeyOf(const CarryItem& item) { return item.name + '\0' + item.spec + '\0' + item.unit; }

std::string PriceOf(const CarryItem& item) {
  return item.split ? item.material + "+" + item.labour + "+" + item.expense : item.price;
}

// The items of `table` that take a price, grouped by their texts, groups in statement order.
std::vector<std::vector<CarryItem>> GroupsOf(const DbfFile& table) {
  std::unordered_map<std::string, size_t> at;
  std::vector<std::vector<CarryItem>> groups;
  for (CarryItem& item : CarryItemsOf(table)) {
    const auto [found, added] = at.try_emplace(KeyOf(item), groups.size());
    if (added) groups.emplace_back();
    groups[found->second].push_back(std::move(item));
  }
  return groups;
}

}  // namespace

IdenticalItems::IdenticalItems(const DbfFile& table) {
  for (const std::vector<CarryItem>& group : GroupsOf(table)) {
    if (group.size() < 2) continue;
    std::vector<uint32_t> records;
    records.reserve(group.size());
    for (const CarryItem& item : group) {
      groupOf_[item.recno] = static_cast<uint32_t>(groups_.size());
      records.push_back(item.recno);
    }
    groups_.push_back(std::move(records));
  }
}

std::vector<uint32_t> IdenticalItems::Of(uint32_t recno) const {
  const auto found = groupOf_.find(recno);
  if (found == groupOf_.end()) return {};
  std::vector<uint32_t> others = groups_[found->second];
  others.erase(std::find(others.begin(), others.end(), recno));
  return others;
}

std::vector<IdenticalPriceGroup> IdenticalItemsPricedDifferently(const DbfFile& table) {
  std::vector<IdenticalPriceGroup> out;
  for (const std::vector<CarryItem>& group : GroupsOf(table)) {
    IdenticalPriceGroup differing;
    std::unordered_map<std::string, size_t> at;  // price → index into differing.prices
    for (const CarryItem& item : group) {
      if (!item.priced) continue;                            // an unpriced twin is the completeness check's concern
      const std::string price = Cp949ToUtf8(PriceOf(item));  // a damaged field may hold any bytes
      const auto [found, added] = at.try_emplace(price, differing.prices.size());
      if (added) differing.prices.push_back({price, {}});
      differing.prices[found->second].records.push_back(item.recno);
    }
    if (differing.prices.size() < 2) continue;
    differing.name = Cp949ToUtf8(group.front().name);
    differing.spec = Cp949ToUtf8(group.front().spec);
    differing.unit = Cp949ToUtf8(group.front().unit);
    out.push_back(std::move(differing));
  }
  return out;
}

}  // namespace vak
