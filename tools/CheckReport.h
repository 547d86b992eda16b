// What `vaktool check` prints of a tender's review: a short report in Korean, or JSON for
// scripts. Amounts are whole won; texts are UTF-8.
#pragma once

#include <string>

#include "pricing/TenderReview.h"

namespace vak {

std::string CheckReportText(const std::string& dir, const TenderReview& review);
std::string CheckReportJson(const std::string& dir, const TenderReview& review);

}  // namespace vak
