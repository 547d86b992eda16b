// A plausible tender to try the program on: VAK.DBF with works and items of a Korean
// construction statement (outline levels 1 to 5 and level-0 items, summary-sheet marks,
// fixed-price lines, headings with a quantity) and VAK.MEM with its project header.
#pragma once

#include <cstdint>
#include <string>

namespace vak {

struct SampleOptions {
  int type = 2;       // 1 single construction, 2 compound (three construction parts)
  long lines = 300;   // about this many statement lines
  uint32_t seed = 1;  // the same seed gives the same tender
};

bool WriteSampleTender(const std::string& dir, const SampleOptions& options, std::string* error = nullptr);

}  // namespace vak
