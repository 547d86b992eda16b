// The arithmetic of a part's roll-up, shared by the calculation (which stores every value it
// computes) and the amount adjustment (which evaluates the tender amount many times in memory
// and must land on exactly what the calculation will write).
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "common/Numbers.h"
#include "store/DbfFile.h"

namespace vak {

// Whole amounts beyond this are not held in 64 bits; the calculation reports them.
inline constexpr long double kWholeLimit = 9e18L;

// A line's quantity: as exact thousandths when F_QQTY is plain fixed-point text, else as read.
struct Quantity {
  long long thousandths = 0;
  bool exact = false;
  long double value = 0;  // only when not exact

  static Quantity Of(std::string_view bytes);
  bool NonZero() const { return exact ? thousandths != 0 : value != 0; }
};

// cut(q × price) to whole won: in exact integers when the quantity and the price are plain
// fixed-point text (the result TruncDecimals gives for such values, without its cost);
// otherwise through TruncDecimals. `priceNumber` is the price as read, used when it is not
// plain text. Empty when the amount is beyond the 64-bit range.
std::optional<long long> CutProduct(const Quantity& q, std::string_view priceBytes, long double priceNumber);
// The same for a whole price.
std::optional<long long> CutProduct(const Quantity& q, long long price);

// The sums of the lines below each level while a part is walked from its last line up.
// N amounts per line (the calculation carries amount, material, labour and expense).
template <size_t N>
class LevelSums {
 public:
  using Amounts = std::array<long long, N>;

  // An item: the levels above it add it; its own level and those below start again. Level "0"
  // items are the part's own and add to nothing here; an item without a level digit clears
  // every level.
  void AddItem(char level, const Amounts& amounts) {
    if (level == '0') return;
    const int l = level >= '1' && level <= '9' ? level - '0' : 0;
    for (int i = 1; i < l; ++i) AddTo(acc_[i], amounts);
    for (int i = std::max(l, 1); i <= 9; ++i) acc_[i] = {};
  }

  // A heading of `level` (1 to 9) closes its sums: taken as they are, or multiplied by the
  // heading's own quantity and cut to whole won, in which case the levels above count the
  // multiplied amounts instead of the unit sums.
  Amounts CloseHeading(int level, long double multiplier) {
    Amounts result = acc_[level];
    if (multiplier != 0) {
      for (size_t k = 0; k < N; ++k) {
        const long double cut = TruncDecimals(multiplier * static_cast<long double>(acc_[level][k]), 0);
        if (std::fabs(cut) < kWholeLimit) {
          result[k] = static_cast<long long>(cut);
        } else {
          multipliedOverflow = true;
          result[k] = 0;
        }
      }
      for (int i = 1; i < level; ++i) {
        for (size_t k = 0; k < N; ++k) {
          long long less = 0;
          if (__builtin_sub_overflow(acc_[i][k], acc_[level][k], &less)) {
            overflowed = true;
            less = acc_[i][k];
          }
          acc_[i][k] = Add(less, result[k]);
        }
      }
    }
    for (int i = level; i <= 9; ++i) acc_[i] = {};
    return result;
  }

  void Clear() { acc_ = {}; }

  // A sum that would leave the 64-bit range keeps its first term and sets `overflowed`.
  long long Add(long long a, long long b) {
    long long sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) {
      overflowed = true;
      return a;
    }
    return sum;
  }
  void AddTo(Amounts& to, const Amounts& amounts) {
    for (size_t k = 0; k < N; ++k) to[k] = Add(to[k], amounts[k]);
  }

  // Set by a sum out of range, and by a multiplied sum out of range; the caller notes and clears them.
  bool overflowed = false;
  bool multipliedOverflow = false;

 private:
  std::array<Amounts, 10> acc_{};
};

// The headings a line stands under while a part is read from its first line down: a line of
// level 1 to 9 adds to the nearest heading above it of a lower level, as the level sums add up.
// Each heading carries a value of the reader's (its line, its quantity).
template <typename T>
class OpenHeadings {
 public:
  // A line of `level` is reached: the headings of its level and deeper are closed by it.
  void Reach(int level) {
    if (level < 1) return;
    while (!open_.empty() && open_.back().first >= level) open_.pop_back();
  }
  void Open(int level, T value) { open_.emplace_back(level, value); }
  // Outermost first.
  const std::vector<std::pair<int, T>>& Enclosing() const { return open_; }

 private:
  std::vector<std::pair<int, T>> open_;
};

}  // namespace vak
