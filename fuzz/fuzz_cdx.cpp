// Fuzz target: any bytes as a compound index file; the tag directory and a tag's keys are read.
#include <cstdint>
#include <string>
#include <vector>

#include "store/Cdx.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::vector<vak::CdxTagInfo> tags;
  if (!vak::ReadCdxTags(bytes, tags) && !tags.empty()) __builtin_trap();  // a refusal lists no tags
  std::vector<std::pair<std::string, uint32_t>> keys;
  vak::ReadCdxKeys(bytes, tags.empty() ? "F_PS" : tags.front().name, keys);
  return 0;
}
