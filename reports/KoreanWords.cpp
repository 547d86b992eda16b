#include "reports/KoreanWords.h"

#include <cmath>

#include "common/Numbers.h"
#include "common/Text.h"

namespace vak {

std::optional<std::string> AmountToKoreanWords(long double amount) {
  if (!std::isfinite(amount) || amount < 0) return std::nullopt;
  const long double whole = std::floor(amount + 0.5L);  // halves away from zero
  if (whole >= 1e16L) return std::nullopt;
  const auto value = static_cast<unsigned long long>(whole);
  static const char* const kDigits[] = {"", "일", "이", "삼", "사", "오", "육", "칠", "팔", "구"};
  static const char* const kPlaces[] = {"천", "백", "십", ""};
  static const char* const kGroups[] = {"조", "억", "만", ""};
  std::string text;
  unsigned long long divisor = 1000000000000000ULL;  // 10^15: the first of 16 digits
  for (int group = 0; group < 4; ++group) {
    std::string words;
    for (int place = 0; place < 4; ++place) {
      const int digit = static_cast<int>(value / divisor % 10);
      divisor /= 10;
      if (digit != 0) words += std::string(kDigits[digit]) + kPlaces[place];
    }
    if (!words.empty()) text += words + kGroups[group];
  }
  return text;
}

std::optional<long double> CoverAmount(const std::string& cmnIpmt) {
  std::string text = TrimmedText(cmnIpmt);
  if (text.empty() || !IsNumberText(text)) return std::nullopt;
  const long double amount = TextToNumber(text);
  // Only a tender amount the calculation can have written: whole won, not 0 (never calculated),
  // within the amount limit. Anything else would be spelled as a bid nobody made.
  if (amount == 0 || amount != std::truncl(amount) || amount > kAmountLimit || amount < -kAmountLimit)
    return std::nullopt;
  if (!AmountToKoreanWords(amount)) return std::nullopt;
  return amount;
}

}  // namespace vak
