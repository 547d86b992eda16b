// The compound index file (.CDX) of the FoxPro family: a tag directory and one B+-tree per
// tag in 512-byte pages. We write it so that other xBase tools can read our tables' orders,
// and read its directory to learn which tags (and key expressions) a table has. The order
// the program walks is always built in memory from the key expression.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vak {

struct CdxTagInfo {
  std::string name;        // upper case
  std::string expression;  // key expression as stored
  std::string condition;   // FOR expression, empty when none
  int keyLength = 0;
};

// One tag's sorted keys: `keys` holds count keys of keyLength bytes back to back, in
// ascending (key, recno) order, with their record numbers.
struct CdxTagKeys {
  CdxTagInfo info;
  const char* keys = nullptr;
  const uint32_t* recnos = nullptr;
  size_t count = 0;
};

// The bytes of a compound index file with character-keyed tags (blank padding).
std::string BuildCdx(const std::vector<CdxTagKeys>& tags);

// The tags listed in a compound index file; false when the file is not one we can read
// (then `tags` is empty). Never reads outside `bytes`.
bool ReadCdxTags(std::string_view bytes, std::vector<CdxTagInfo>& tags);

// Every (key, recno) of a tag in tree order, read from the leaves; for checking files.
// False when the tag is missing or the tree is damaged.
bool ReadCdxKeys(std::string_view bytes, const std::string& tag, std::vector<std::pair<std::string, uint32_t>>& keys);

}  // namespace vak
