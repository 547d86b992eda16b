// The tender amount in Korean number words, as a tenderer writes it on the cover to prevent
// alteration: 12,345,000 is 일천이백삼십사만오천.
#pragma once

#include <optional>
#include <string>

namespace vak {

// The words of a whole amount of won (taken to the nearest whole number, halves away from
// zero), four-digit groups 조, 억, 만 and units, every digit 1 spelled ("일십"). Zero gives
// empty text. Only 0 ... 10^16 - 1 can be spelled: nullopt for a negative amount, one of 10^16
// or more, or one that is not a number.
std::optional<std::string> AmountToKoreanWords(long double amount);

// The cover's amount from the text of CMN_IPMT: nullopt when it is empty, not a number, 0 (not
// calculated), not whole won or beyond the amount limit.
std::optional<long double> CoverAmount(const std::string& cmnIpmt);

}  // namespace vak
