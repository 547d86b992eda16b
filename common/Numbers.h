// Number cutting, display and parsing: the one place where amounts become whole won
// and where numbers become text and back.
//
// Both TruncDecimals and FormatNumber first render the value as decimal text with the
// rendering table below, then work on that text. The rendering rounds half away from
// zero on the exact binary value (never the C library's ties-to-even), so a product that
// lies a hair under 115 cuts to 115, and 0.5 renders as 1 at no decimals.
//
//   |value|            decimals (>= 0)  decimals (< 0)
//   below 1e8                 7               6
//   1e8  .. below 1e9         6               5
//   1e9  .. below 1e10        5               4
//   1e10 .. below 1e11        4               3
//   1e11 .. below 1e12        3               2
//   1e12 and above            2               1
//
// The rendered text is padded with zeros to exactly 7 decimals. At most 15 significant
// digits are rendered (14 for negative values); a value whose whole part has more digits
// than that is rendered in exponent form ("1.23456789012346E15"). Amounts of this program
// never exceed 999,999,999,999, far inside the fixed-point range.
//
// The rendering reads the value's binary mantissa at 64 bits on every platform (the x87
// format's own; rounded half to even from a wider long double; widened from a narrower one),
// so the texts and cut amounts are the same on x86, ARM64 and where long double is a double.
#pragma once

#include <string>

namespace vak {

// The largest amount in magnitude, in won: the twelve digits of the amount fields. Every
// amount, unit price, part total and tender amount is held within it.
inline constexpr long long kAmountLimit = 999999999999LL;
// The lowest value a price box takes: a hair under -kAmountLimit, so that the limit itself
// reads as within it.
inline constexpr long double kLowestPriceEntry = -999999999999.0001L;

// Cuts value toward zero to the given number of decimals (negative: to tens, hundreds...).
// More than 7 decimals returns the value unchanged.
long double TruncDecimals(long double value, int decimals);

// Display text: trailing zeros dropped, at least minDecimals decimals, at most 7.
// kind 0: grouped, zero shows as "0"; 1: grouped, zero is empty;
// kind 2: plain, zero is empty; 3: plain, zero shows as "0". Other kinds act as 0.
std::string FormatNumber(long double value, int minDecimals, int kind);

// The rendered text of the table above, padded to 7 decimals, no grouping.
std::string RenderDecimal(long double value);

// Typed text to a number; anything that is not a plain decimal number reads as 0.
long double TextToNumber(const std::string& text);

// Checks a plain decimal number: digits, at most one ".", a sign only in front.
// Empty (or blank) text is replaced by "0".
bool IsNumberText(std::string& text);

// Fixed-point text of a value with `decimals` decimals, rounded half away from zero on the
// exact binary value, right-aligned in `width` characters (the numeric fields of a table).
// False, and `out` untouched, when the value does not fit the width or is not finite.
bool FixedPointText(long double value, int width, int decimals, std::string& out);

// An amount as "#,###" shows it: rounded to whole won, thousands separators, empty for zero.
std::string AmountText(long double amount);

// The shortest general form with 15 significant digits: "250", "2.5", "1E20", "1E-5".
std::string GeneralNumberText(long double value);

}  // namespace vak
