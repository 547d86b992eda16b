// Fuzz target: any bytes as VAK.MEM. The strict reader either takes the header whole or
// refuses it; what it takes writes back to the same texts. Nothing may crash or read outside
// the bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "store/MemFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  for (const char* name : vak::kHeaderVariables) (void)vak::ReadMemVarFromBytes(bytes, name);
  vak::HeaderValues values;
  std::array<bool, 15> present{};
  if (!vak::ParseProjectHeader(bytes, values, present)) return 0;
  std::string written;
  if (!vak::BuildMemFile(values, written)) return 0;
  vak::HeaderValues again;
  if (!vak::ParseProjectHeader(written, again, present)) std::abort();
  for (size_t i = 0; i < values.size(); ++i) {
    if (!vak::IsNumericHeaderVariable(static_cast<int>(i)) && again[i] != values[i]) std::abort();
  }
  return 0;
}
