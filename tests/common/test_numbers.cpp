#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/Numbers.h"

namespace vak {
namespace {

TEST(RenderDecimal, DecimalsFollowMagnitudeAndSignAtEveryBoundary) {
  struct Case {
    long double value;
    const char* text;
  };
  // Each bound belongs to the row that starts with it; the fraction shows how many decimals
  // were rendered before the padding zeros.
  const Case cases[] = {
      {99999999.876543211L, "99999999.8765432"},
      {100000000.123456789L, "100000000.1234570"},
      {999999999.876543211L, "999999999.8765430"},
      {1000000000.123456789L, "1000000000.1234600"},
      {9999999999.876543211L, "9999999999.8765400"},
      {10000000000.123456789L, "10000000000.1235000"},
      {99999999999.876543211L, "99999999999.8765000"},
      {100000000000.123456789L, "100000000000.1230000"},
      {999999999999.876543211L, "999999999999.8770000"},
      {1000000000000.123456789L, "1000000000000.1200000"},
      {-99999999.876543211L, "-99999999.8765430"},
      {-100000000.123456789L, "-100000000.1234600"},
      {-999999999.876543211L, "-999999999.8765400"},
      {-1000000000.123456789L, "-1000000000.1235000"},
      {-9999999999.876543211L, "-9999999999.8765000"},
      {-10000000000.123456789L, "-10000000000.1230000"},
      {-99999999999.876543211L, "-99999999999.8770000"},
      {-100000000000.123456789L, "-100000000000.1200000"},
      {-999999999999.876543211L, "-999999999999.8800000"},
      {-1000000000000.123456789L, "-1000000000000.1000000"},
      {150000000.123456789L, "150000000.1234570"},
      {1e8L, "100000000.0000000"},
      {0, "0.0000000"},
  };
  for (const Case& c : cases) EXPECT_EQ(RenderDecimal(c.value), c.text) << static_cast<double>(c.value);
}

TEST(RenderDecimal, ExactBinaryTiesRoundAwayFromZero) {
  // printf would give 0.0039062, 123456789.007812 and 0 for these.
  EXPECT_EQ(RenderDecimal(0.00390625L), "0.0039063");
  EXPECT_EQ(RenderDecimal(123456789.0078125L), "123456789.0078130");
  EXPECT_EQ(RenderDecimal(-0.0078125L), "-0.0078130");
  EXPECT_EQ(RenderDecimal(1234567890123.125L), "1234567890123.1300000");
  EXPECT_EQ(RenderDecimal(-1234567890123.25L), "-1234567890123.3000000");
  // Just under a tie stays down: one unit of a 64-bit mantissa below it (2^-8 - 2^-72), a
  // value every platform's long double holds exactly.
  EXPECT_EQ(RenderDecimal(0.00390625L - std::ldexp(1.0L, -72)), "0.0039062");
  EXPECT_EQ(RenderDecimal(-(0.00390625L - std::ldexp(1.0L, -72))), "-0.0039060");
}

TEST(RenderDecimal, NegativeZeroAndValuesThatRoundToZeroCarryNoSign) {
  EXPECT_EQ(RenderDecimal(-0.0L), "0.0000000");
  EXPECT_EQ(RenderDecimal(-0.0000001L), "0.0000000");  // six decimals for negatives
  EXPECT_EQ(RenderDecimal(-0.0000006L), "-0.0000010");
}

TEST(RenderDecimal, BeyondTheFixedRangeUsesExponentForm) {
  EXPECT_EQ(RenderDecimal(1e15L), "1E15");
  EXPECT_EQ(RenderDecimal(1234567890123456789.0L), "1.23456789012346E18");
  EXPECT_EQ(RenderDecimal(-1e14L), "-1E14");
  EXPECT_EQ(RenderDecimal(12345678901234.56L), "12345678901234.6000000");  // 15 significant digits
  EXPECT_EQ(RenderDecimal(std::numeric_limits<long double>::infinity()), "INF");
}

TEST(TruncDecimals, CutsTowardZeroOnTheRenderedText) {
  EXPECT_EQ(TruncDecimals(2.999999996L, 2), 3.0L);  // rendering rounds at the 7th decimal first
  EXPECT_EQ(TruncDecimals(2.99999L, 2), 2.99L);
  EXPECT_EQ(TruncDecimals(12.999L, 2), 12.99L);
  EXPECT_EQ(TruncDecimals(-12.999L, 2), -12.99L);
  EXPECT_EQ(TruncDecimals(123.456L, 0), 123.0L);
  EXPECT_EQ(TruncDecimals(-123.999L, 0), -123.0L);
  EXPECT_EQ(TruncDecimals(0.5L, 0), 0.0L);
  EXPECT_EQ(TruncDecimals(1.23456789L, 7), 1.2345679L);
}

TEST(TruncDecimals, ProductsJustUnderAWholeWonAreNotCostAWon) {
  const double q = 1.15;
  const double p = 100;
  ASSERT_LT(q * p, 115.0);  // the binary product lies under 115
  EXPECT_EQ(TruncDecimals(q * p, 0), 115.0L);
  EXPECT_EQ(TruncDecimals(0.1L * 3 * 1000, 0), 300.0L);
  EXPECT_EQ(TruncDecimals(1.5L * 333.33L, 0), 499.0L);  // 499.995
  EXPECT_EQ(TruncDecimals(-1.15 * 100.0, 0), -115.0L);
}

TEST(TruncDecimals, NegativeDecimalsDropWholeDigits) {
  EXPECT_EQ(TruncDecimals(12345.67L, -2), 12300.0L);
  EXPECT_EQ(TruncDecimals(99, -2), 0.0L);
  EXPECT_EQ(TruncDecimals(-123, -2), -100.0L);
  EXPECT_EQ(TruncDecimals(-99, -2), 0.0L);
  EXPECT_FALSE(std::signbit(TruncDecimals(-99, -2)));
  EXPECT_EQ(TruncDecimals(999999999999.0L, -3), 999999999000.0L);
  EXPECT_EQ(TruncDecimals(5, -40), 0.0L);
}

TEST(TruncDecimals, MoreThanSevenDecimalsLeavesTheValueAlone) {
  EXPECT_EQ(TruncDecimals(1.234567891234L, 8), 1.234567891234L);
  EXPECT_EQ(TruncDecimals(-1e30L, 9), -1e30L);
  EXPECT_TRUE(std::isnan(TruncDecimals(std::numeric_limits<long double>::quiet_NaN(), 8)));
}

TEST(TruncDecimals, ZeroIsNeverNegative) {
  EXPECT_EQ(TruncDecimals(-0.5L, 0), 0.0L);
  EXPECT_FALSE(std::signbit(TruncDecimals(-0.5L, 0)));
  EXPECT_FALSE(std::signbit(TruncDecimals(-0.0L, 2)));
}

TEST(TruncDecimals, NearTheAmountLimit) {
  EXPECT_EQ(TruncDecimals(999999999999.0L, 0), 999999999999.0L);
  EXPECT_EQ(TruncDecimals(999999999999.9994L, 0), 999999999999.0L);   // three decimals: .999
  EXPECT_EQ(TruncDecimals(999999999999.9996L, 0), 1000000000000.0L);  // rounds up to 1e12 first
  EXPECT_EQ(TruncDecimals(-999999999999.994L, 0), -999999999999.0L);  // two decimals: .99
  EXPECT_EQ(TruncDecimals(-999999999999.996L, 0), -1000000000000.0L);
  EXPECT_EQ(TruncDecimals(1000000000000.0L, 0), 1000000000000.0L);
  EXPECT_EQ(TruncDecimals(123456789012.3456L, 2), 123456789012.34L);
  EXPECT_EQ(TruncDecimals(1234567.1234567L, 7), 1234567.1234567L);
  EXPECT_EQ(TruncDecimals(1e15L, 0), 1e15L);
}

TEST(FormatNumber, WorkedValues) {
  EXPECT_EQ(FormatNumber(1234.5L, 2, 1), "1,234.50");
  EXPECT_EQ(FormatNumber(1234.567L, 2, 1), "1,234.567");
  EXPECT_EQ(FormatNumber(1234, 0, 1), "1,234");
  EXPECT_EQ(FormatNumber(0, 0, 1), "");
  EXPECT_EQ(FormatNumber(0, 3, 2), "");
  EXPECT_EQ(FormatNumber(0, 0, 0), "0");
  EXPECT_EQ(FormatNumber(0, 2, 0), "0.00");
  EXPECT_EQ(FormatNumber(0, 2, 3), "0.00");
  EXPECT_EQ(FormatNumber(1234.5L, 0, 2), "1234.5");
  EXPECT_EQ(FormatNumber(12.5L, 9, 0), "12.5000000");
  EXPECT_EQ(FormatNumber(1234567.891L, 0, 0), "1,234,567.891");
  EXPECT_EQ(FormatNumber(1234567.891L, 0, 3), "1234567.891");
}

TEST(FormatNumber, GroupingSignsAndMinimumDecimals) {
  EXPECT_EQ(FormatNumber(100, 0, 0), "100");
  EXPECT_EQ(FormatNumber(1000, 0, 0), "1,000");
  EXPECT_EQ(FormatNumber(123456, 0, 1), "123,456");
  EXPECT_EQ(FormatNumber(-123, 0, 0), "-123");
  EXPECT_EQ(FormatNumber(-1234567.5L, 0, 0), "-1,234,567.5");
  EXPECT_EQ(FormatNumber(999999999999.0L, 0, 1), "999,999,999,999");
  EXPECT_EQ(FormatNumber(-999999999999.0L, 0, 0), "-999,999,999,999");
  EXPECT_EQ(FormatNumber(5, 1, 3), "5.0");
  EXPECT_EQ(FormatNumber(1.5L, 7, 3), "1.5000000");
  EXPECT_EQ(FormatNumber(0.1234567L, 0, 3), "0.1234567");
  EXPECT_EQ(FormatNumber(-0.1234567L, 0, 3), "-0.123457");  // six decimals for negatives
  EXPECT_EQ(FormatNumber(1000.01L, 0, 0), "1,000.01");
  EXPECT_EQ(FormatNumber(1234.5L, 0, 7), "1,234.5");  // unknown kinds act as kind 0
  EXPECT_EQ(FormatNumber(0, 0, -1), "0");
}

TEST(FormatNumber, ValuesThatRenderAsZero) {
  EXPECT_EQ(FormatNumber(-0.0L, 0, 1), "");
  EXPECT_EQ(FormatNumber(-0.0L, 0, 0), "0");
  EXPECT_EQ(FormatNumber(0.00000004L, 0, 2), "");
  EXPECT_EQ(FormatNumber(-0.0000001L, 0, 0), "0");
  EXPECT_EQ(FormatNumber(0.00000006L, 0, 1), "0.0000001");
}

TEST(FormatNumber, FloatingNoiseNeverShowsAsNines) {
  EXPECT_EQ(FormatNumber(0.1 + 0.2, 0, 0), "0.3");
  EXPECT_EQ(FormatNumber(1.15 * 100.0, 0, 0), "115");
}

TEST(TextToNumber, ReadsOnlyPlainDecimalNumbers) {
  EXPECT_EQ(TextToNumber("1,234"), 0.0L);
  EXPECT_EQ(TextToNumber("  12.5  "), 12.5L);
  EXPECT_EQ(TextToNumber(""), 0.0L);
  EXPECT_EQ(TextToNumber("   "), 0.0L);
  EXPECT_EQ(TextToNumber("-"), 0.0L);
  EXPECT_EQ(TextToNumber("5-"), 0.0L);
  EXPECT_EQ(TextToNumber("."), 0.0L);
  EXPECT_EQ(TextToNumber("+"), 0.0L);
  EXPECT_EQ(TextToNumber("1.2.3"), 0.0L);
  EXPECT_EQ(TextToNumber("--5"), 0.0L);
  EXPECT_EQ(TextToNumber("+-5"), 0.0L);
  EXPECT_EQ(TextToNumber("1e5"), 0.0L);
  EXPECT_EQ(TextToNumber("abc"), 0.0L);
  EXPECT_EQ(TextToNumber("+5"), 5.0L);
  EXPECT_EQ(TextToNumber("-5.25"), -5.25L);
  EXPECT_EQ(TextToNumber("5."), 5.0L);
  EXPECT_EQ(TextToNumber(".5"), 0.5L);
  EXPECT_EQ(TextToNumber("999999999999"), 999999999999.0L);
  EXPECT_EQ(TextToNumber("0.1"), 0.1L);  // read directly, not through a double
}

TEST(TextToNumber, NeverThrowsOnAnyBytes) {
  EXPECT_EQ(TextToNumber(std::string(400, '9')), 1e400L);  // extended precision reaches far
  EXPECT_EQ(TextToNumber(std::string(6000, '9')), 0.0L);   // beyond its range reads as 0
  EXPECT_EQ(TextToNumber(std::string("\x00\xff\x80", 3)), 0.0L);
  EXPECT_EQ(TextToNumber("0." + std::string(5000, '0') + "1"), 0.0L);
  for (int c = 0; c < 256; ++c) TextToNumber(std::string(3, static_cast<char>(c)));
}

TEST(IsNumberText, EmptyBecomesZeroAndSignsOnlyInFront) {
  std::string blank = "   ";
  EXPECT_TRUE(IsNumberText(blank));
  EXPECT_EQ(blank, "0");
  std::string text = "12a";
  EXPECT_FALSE(IsNumberText(text));
  text = "-12.5";
  EXPECT_TRUE(IsNumberText(text));
  text = "1-2";
  EXPECT_FALSE(IsNumberText(text));
  text = "1..2";
  EXPECT_FALSE(IsNumberText(text));
}

TEST(GeneralNumberText, ShortestFormWithFifteenDigits) {
  EXPECT_EQ(GeneralNumberText(250), "250");
  EXPECT_EQ(GeneralNumberText(2.5L), "2.5");
  EXPECT_EQ(GeneralNumberText(3.0L), "3");
  EXPECT_EQ(GeneralNumberText(0.1), "0.1");
  EXPECT_EQ(GeneralNumberText(-1234.5L), "-1234.5");
  EXPECT_EQ(GeneralNumberText(0), "0");
  EXPECT_EQ(GeneralNumberText(123456789012345.0L), "123456789012345");
  EXPECT_EQ(GeneralNumberText(999999999999.0), "999999999999");
  EXPECT_EQ(GeneralNumberText(1e20), "1E20");
  EXPECT_EQ(GeneralNumberText(0.00001L), "0.00001");
  EXPECT_EQ(GeneralNumberText(0.000001L), "1E-6");
  // An exact tie at the 16th digit rounds away from zero (printf's %.15g gives ...00E15).
  EXPECT_EQ(GeneralNumberText(1000000000000005.0), "1.00000000000001E15");
}

}  // namespace
}  // namespace vak
