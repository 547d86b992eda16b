#include "common/Numbers.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "common/Platform.h"

namespace vak {
namespace {

using u128 = unsigned __int128;

constexpr int kPaddedDecimals = 7;

constexpr int kMaxPow10 = 38;

constexpr std::array<u128, kMaxPow10 + 1> MakePowers() {
  std::array<u128, kMaxPow10 + 1> p{};
  p[0] = 1;
  for (int i = 1; i <= kMaxPow10; ++i) p[static_cast<size_t>(i)] = p[static_cast<size_t>(i - 1)] * 10;
  return p;
}
constexpr std::array<u128, kMaxPow10 + 1> kPowers = MakePowers();

u128 Pow10(int n) { return kPowers[static_cast<size_t>(n)]; }

constexpr u128 kU64Limit = static_cast<u128>(1) << 64;

// A positive finite value as mantissa * 2^(exp2 - 64), with a 64-bit mantissa whose top bit
// is set for normal numbers: the split of frexp. Where long double is the x87 extended format
// (x86) the bits are read straight from the value (frexp and ldexp on long double are slow
// library calls). Where it has another width, frexp splits it and the mantissa is brought to
// 64 bits: widened exactly from a double (MSVC), rounded half to even from IEEE quad
// precision (ARM64). Every text is rendered to at most 15 significant digits from this
// mantissa, so a platform renders differently only for a value closer than 1 in 10^19 to a
// rounding tie: the same texts and amounts everywhere, which the cross-built tests check.
u128 SplitBinary(long double magnitude, int& exp2) {
  if constexpr (std::numeric_limits<long double>::digits == 64) {
    unsigned char bytes[sizeof(long double)];
    std::memcpy(bytes, &magnitude, sizeof bytes);
    unsigned long long mantissa = 0;
    std::memcpy(&mantissa, bytes, 8);
    const int biased = ((bytes[9] & 0x7F) << 8) | bytes[8];
    exp2 = (biased == 0 ? 1 : biased) - 16383 + 1;
    return mantissa;
  } else {
    const long double fraction = std::frexp(magnitude, &exp2);            // in [0.5, 1)
    const long double scaled = std::nearbyint(std::ldexp(fraction, 64));  // half to even
    if (scaled >= std::ldexp(1.0L, 64)) {                                 // rounded up to the next power of two
      ++exp2;
      return static_cast<u128>(1) << 63;
    }
    return static_cast<u128>(scaled);
  }
}

// Division by a power of ten, in 64 bits whenever the value allows (128-bit division is a
// library call and dominates the cost otherwise).
u128 DivPow10(u128 v, int n) {
  if (v < kU64Limit && n <= 19)
    return static_cast<unsigned long long>(v) / static_cast<unsigned long long>(kPowers[static_cast<size_t>(n)]);
  return v / kPowers[static_cast<size_t>(n)];
}

// Decimal digits of v, least significant first; returns their count.
int Digits(u128 v, char* out) {
  int n = 0;
  if (v < kU64Limit) {
    unsigned long long w = static_cast<unsigned long long>(v);
    do {
      out[n++] = static_cast<char>('0' + w % 10);
      w /= 10;
    } while (w != 0);
    return n;
  }
  do {
    out[n++] = static_cast<char>('0' + static_cast<int>(v % 10));
    v /= 10;
  } while (v != 0);
  return n;
}

// Decimals rendered for a magnitude, by the rendering table. The magnitude is compared as a
// double (x87 comparisons are slow): a value that rounds across a bound lies so close to it
// that both rows render it as the same text.
int TableDecimals(double magnitude, bool negative) {
  int decimals = 7;
  for (double bound : {1e8, 1e9, 1e10, 1e11, 1e12}) {
    if (magnitude >= bound) --decimals;
  }
  return negative ? decimals - 1 : decimals;
}

int WholeDigits(double magnitude) {
  int n = 1;
  for (double p = 10; n < 20 && magnitude >= p; p *= 10) ++n;
  return n;
}

// round(magnitude * 10^k), halves away from zero, computed exactly from the binary value.
// Requires 0 <= magnitude < 1e15 and 0 <= k <= 7, so every intermediate fits 128 bits.
u128 RoundScaled(long double magnitude, int k) {
  if (magnitude == 0) return 0;
  int exp2 = 0;
  const u128 mantissa = SplitBinary(magnitude, exp2);  // magnitude = mantissa * 2^(exp2 - 64)
  const int shift = 64 - exp2;                         // magnitude = mantissa / 2^shift; shift >= 14 below 1e15
  const u128 x = mantissa * Pow10(k);                  // < 2^88
  if (shift > 100) return 0;                           // far below half a unit
  return (x >> shift) + ((x >> (shift - 1)) & 1);
}

// A value rendered by the table: sign, and its magnitude as an integer count of 1e-7 units.
// Values beyond the fixed-point range carry their exponent-form text instead.
struct Rendered {
  bool negative = false;
  bool fixed = true;
  u128 units = 0;    // magnitude * 10^7 after rounding
  std::string text;  // only when !fixed
};

std::string ExponentText(long double value, int significant);

Rendered Render(long double value) {
  Rendered r;
  if (!std::isfinite(value)) {
    r.fixed = false;
    r.text = std::isnan(value) ? "NAN" : (value < 0 ? "-INF" : "INF");
    return r;
  }
  const bool negative = value < 0;  // negative zero renders as zero
  const long double magnitude = std::fabs(value);
  const int significant = negative ? 14 : 15;
  if (magnitude >= 1e15L || (negative && magnitude >= 1e14L)) {
    r.fixed = false;
    r.text = ExponentText(value, significant);
    return r;
  }
  const double approximate = static_cast<double>(magnitude);
  const int decimals = TableDecimals(approximate, negative);
  // Fewer decimals where the whole part leaves no room within the significant digits.
  const int intDigits = WholeDigits(approximate);
  const int k = std::min(decimals, significant - intDigits);  // >= 0 below the exponent range
  r.units = RoundScaled(magnitude, k) * Pow10(kPaddedDecimals - k);
  r.negative = negative && r.units != 0;
  return r;
}

// Plain digits of a fixed rendering with the point before the last 7; grouped if asked.
std::string FixedText(const Rendered& r, bool grouped) {
  char digits[48];
  int n = Digits(r.units, digits);
  while (n < kPaddedDecimals + 1) digits[n++] = '0';

  std::string out;
  out.reserve(n + n / 3 + 2);
  if (r.negative) out.push_back('-');
  const int intDigits = n - kPaddedDecimals;
  for (int i = n - 1; i >= kPaddedDecimals; --i) {
    out.push_back(digits[i]);
    const int left = i - kPaddedDecimals;  // integer digits still to come
    if (grouped && left > 0 && left % 3 == 0 && intDigits > 3) out.push_back(',');
  }
  out.push_back('.');
  for (int i = kPaddedDecimals - 1; i >= 0; --i) out.push_back(digits[i]);
  return out;
}

// Rounds a digit string (no sign, no point) to `keep` digits, halves away from zero.
// Returns true when the rounding carried into a new leading digit.
bool RoundDigitString(std::string& digits, size_t keep) {
  if (digits.size() <= keep) return false;
  const bool up = digits[keep] >= '5';
  digits.resize(keep);
  if (!up) return false;
  for (size_t i = keep; i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return false;
    }
    digits[i] = '0';
  }
  digits.insert(digits.begin(), '1');
  digits.pop_back();
  return true;
}

// Significant digits and decimal exponent of |value|, rounded half away from zero:
// |value| = 0.d1d2d3... * 10^exponent10. The 30 digits printed first hold far more than the
// precision of a long double near any tie, so the second rounding decides ties exactly.
void SignificantDigits(long double value, int significant, std::string& digits, int& exponent10) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.29Le", std::fabs(value));
  digits.clear();
  const char* p = buf;
  for (; *p && *p != 'e'; ++p) {
    if (*p >= '0' && *p <= '9') digits.push_back(*p);
  }
  exponent10 = (*p == 'e') ? std::atoi(p + 1) + 1 : 1;
  if (RoundDigitString(digits, static_cast<size_t>(significant))) ++exponent10;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
}

std::string ExponentDigitsText(bool negative, const std::string& digits, int exponent10) {
  std::string out = negative ? "-" : "";
  out.push_back(digits[0]);
  if (digits.size() > 1) {
    out.push_back('.');
    out.append(digits, 1, std::string::npos);
  }
  out += "E" + std::to_string(exponent10 - 1);
  return out;
}

std::string ExponentText(long double value, int significant) {
  std::string digits;
  int exponent10 = 0;
  SignificantDigits(value, significant, digits, exponent10);
  return ExponentDigitsText(value < 0, digits, exponent10);
}

long double ReadBack(const std::string& text) {
  long double v = 0;
  const char* begin = text.data();
  const char* end = begin + text.size();
  bool negative = false;
  if (begin != end && (*begin == '-' || *begin == '+')) {
    negative = *begin == '-';
    ++begin;
  }
  size_t used = 0;
  const std::optional<long double> read =
      platform::ReadExtended(std::string_view(begin, static_cast<size_t>(end - begin)), used);
  if (!read) return 0;
  v = *read;
  return negative ? -v : v;
}

long double UnitsToValue(u128 magnitude, int decimals, bool negative) {
  long double v = 0;
  if (magnitude < (static_cast<u128>(1) << 64)) {
    // Exact integer over an exact power of ten: one correctly rounded division,
    // the same value as reading the decimal text back.
    v = static_cast<long double>(static_cast<unsigned long long>(magnitude));
    if (decimals > 0) v /= static_cast<long double>(static_cast<unsigned long long>(Pow10(decimals)));
  } else {
    Rendered r;
    r.units = magnitude * Pow10(kPaddedDecimals - decimals);
    v = ReadBack(FixedText(r, false));
  }
  if (v == 0) return 0;  // never negative zero
  return negative ? -v : v;
}

}  // namespace

bool FixedPointText(long double value, int width, int decimals, std::string& out) {
  if (!std::isfinite(value) || decimals < 0 || decimals > 15 || width <= 0) return false;
  const long double magnitude = std::fabs(value);
  if (magnitude >= 1e20L) return false;
  // magnitude * 10^decimals, rounded half away from zero, exactly.
  u128 scaled = 0;
  if (magnitude != 0) {
    int exp2 = 0;
    const u128 mantissa = SplitBinary(magnitude, exp2);
    const u128 x = mantissa * Pow10(decimals);  // < 2^114
    const int shift = 64 - exp2;
    if (shift <= 0) {
      scaled = x << -shift;  // magnitude >= 2^64: only with few decimals, still < 2^128
    } else if (shift <= 120) {
      scaled = (x >> shift) + ((x >> (shift - 1)) & 1);
    }
  }
  char digits[48];
  int n = Digits(scaled, digits);
  if (scaled == 0) n = 0;
  while (n <= decimals) digits[n++] = '0';
  const bool negative = value < 0 && scaled != 0;
  const int length = n + (decimals > 0 ? 1 : 0) + (negative ? 1 : 0);
  if (length > width) return false;
  out.assign(static_cast<size_t>(width - length), ' ');
  if (negative) out.push_back('-');
  for (int i = n - 1; i >= 0; --i) {
    out.push_back(digits[i]);
    if (i == decimals && decimals > 0) out.push_back('.');
  }
  return true;
}

std::string AmountText(long double amount) {
  std::string whole;
  if (!FixedPointText(amount, 40, 0, whole)) return FormatNumber(amount, 0, 1);
  return FormatNumber(TextToNumber(whole), 0, 1);
}

std::string RenderDecimal(long double value) {
  const Rendered r = Render(value);
  return r.fixed ? FixedText(r, false) : r.text;
}

long double TruncDecimals(long double value, int decimals) {
  if (decimals > kPaddedDecimals) return value;
  const Rendered r = Render(value);
  if (!r.fixed) return std::isfinite(value) ? ReadBack(r.text) : value;
  if (decimals >= 0) {
    const u128 kept = DivPow10(r.units, kPaddedDecimals - decimals);
    return UnitsToValue(kept, decimals, r.negative);
  }
  const int drop = -decimals;
  const u128 whole = DivPow10(r.units, kPaddedDecimals);
  if (drop > 20) return 0;
  const u128 cut = DivPow10(whole, drop) * Pow10(drop);
  return UnitsToValue(cut, 0, r.negative);
}

std::string FormatNumber(long double value, int minDecimals, int kind) {
  if (kind < 0 || kind > 3) kind = 0;
  const bool grouped = kind == 0 || kind == 1;
  const Rendered r = Render(value);
  if (!r.fixed) return r.text;  // exponent or non-finite text is shown as it stands
  std::string text = FixedText(r, grouped);
  if (r.units == 0 && (kind == 1 || kind == 2)) return std::string();

  // count = trailing zeros + the first other character (+1 when that is the point)
  size_t i = text.size();
  int count = 0;
  while (i > 0 && text[i - 1] == '0') {
    --i;
    ++count;
  }
  count += (i > 0 && text[i - 1] == '.') ? 2 : 1;
  if (minDecimals > 0) count = std::min(count, 8 - minDecimals);
  const int drop = std::max(count - 1, 0);
  text.resize(text.size() - static_cast<size_t>(drop));
  return text;
}

bool IsNumberText(std::string& text) {
  size_t b = 0;
  size_t e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
  if (b == e) {
    text = "0";
    return true;
  }
  int points = 0;
  int signs = 0;
  for (size_t i = b; i < e; ++i) {
    const char c = text[i];
    if (c == '.') {
      if (++points > 1) return false;
    } else if (c == '-' || c == '+') {
      if (i != b || ++signs > 1) return false;
    } else if (c < '0' || c > '9') {
      return false;
    }
  }
  return true;
}

long double TextToNumber(const std::string& text) {
  std::string t = text;
  size_t b = 0;
  size_t e = t.size();
  while (b < e && static_cast<unsigned char>(t[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(t[e - 1]) <= ' ') --e;
  t = t.substr(b, e - b);
  if (t.empty() || !IsNumberText(t)) return 0;
  if (t.find_first_of("0123456789") == std::string::npos) return 0;
  return ReadBack(t);
}

std::string GeneralNumberText(long double value) {
  if (!std::isfinite(value)) return RenderDecimal(value);
  if (value == 0) return "0";
  std::string digits;
  int exponent10 = 0;  // value = 0.digits * 10^exponent10
  SignificantDigits(value, 15, digits, exponent10);
  const bool negative = value < 0;
  if (exponent10 > 15 || exponent10 < -4) return ExponentDigitsText(negative, digits, exponent10);
  std::string out = negative ? "-" : "";
  if (exponent10 <= 0) {
    out += "0.";
    out.append(static_cast<size_t>(-exponent10), '0');
    out += digits;
  } else if (static_cast<int>(digits.size()) <= exponent10) {
    out += digits;
    out.append(static_cast<size_t>(exponent10) - digits.size(), '0');
  } else {
    out.append(digits, 0, static_cast<size_t>(exponent10));
    out.push_back('.');
    out.append(digits, static_cast<size_t>(exponent10), std::string::npos);
  }
  return out;
}

}  // namespace vak
