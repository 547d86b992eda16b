#include "pricing/RollUp.h"

namespace vak {

Quantity Quantity::Of(std::string_view bytes) {
  Quantity q;
  q.exact = ParseScaledField(bytes, 3, q.thousandths);
  if (!q.exact) q.value = ParseNumericField(bytes);
  return q;
}

namespace {

std::optional<long long> Whole(long double cut) {
  if (std::fabs(cut) < kWholeLimit) return static_cast<long long>(cut);
  return std::nullopt;
}

}  // namespace

std::optional<long long> CutProduct(const Quantity& q, long long price) {
  if (!q.exact) return Whole(TruncDecimals(q.value * static_cast<long double>(price), 0));
  long long whole = 0;
  if (!__builtin_mul_overflow(q.thousandths, price, &whole)) return whole / 1000;  // toward zero
  const __int128 product = static_cast<__int128>(q.thousandths) * price / 1000;
  if (product > -1000000000000000LL && product < 1000000000000000LL) return static_cast<long long>(product);
  return Whole(static_cast<long double>(product));
}

std::optional<long long> CutProduct(const Quantity& q, std::string_view priceBytes, long double priceNumber) {
  long long price = 0;
  if (q.exact && ParseScaledField(priceBytes, 0, price)) return CutProduct(q, price);
  const long double quantity = q.exact ? static_cast<long double>(q.thousandths) / 1000 : q.value;
  return Whole(TruncDecimals(quantity * priceNumber, 0));
}

}  // namespace vak
