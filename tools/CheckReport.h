// What `vaktool check` prints of a tender's review: a short report in Korean, or JSON for
// scripts. Amounts are whole won; texts are UTF-8.
#pragma once

#include <string>
#include <vector>

#include "pricing/IdenticalItems.h"
#include "pricing/TenderReview.h"

namespace vak {

// `identical`: identical items priced differently, a warning that does not make the tender
// unfinished.
std::string CheckReportText(const std::string& dir, const TenderReview& review,
                            const std::vector<IdenticalPriceGroup>& identical = {});
std::string CheckReportJson(const std::string& dir, const TenderReview& review,
                            const std::vector<IdenticalPriceGroup>& identical = {});

}  // namespace vak
