#include "views/WorkSearch.h"

#include "common/CodePage.h"
#include "common/Text.h"
#include "store/ItemTable.h"

namespace vak {
namespace {

// The bytes of a field without blanks, into a buffer reused from record to record.
std::string_view WithoutBlanks(std::string_view field, std::string& buffer) {
  buffer.clear();
  for (char c : field) {
    if (c != ' ') buffer.push_back(c);
  }
  return buffer;
}

}  // namespace

bool ContainsCharacters(std::string_view haystack, std::string_view needle) {
  if (needle.empty() || needle.size() > haystack.size()) return false;
  size_t at = haystack.find(needle);
  if (at == std::string_view::npos) return false;
  // Walk the characters up to each byte match: a match inside a character does not count.
  size_t boundary = 0;
  while (at != std::string_view::npos) {
    while (boundary < at) boundary += Cp949CharLength(haystack, boundary);
    if (boundary == at) return true;
    at = haystack.find(needle, at + 1);
  }
  return false;
}

std::vector<uint32_t> FindWorks(XbTable& table, std::string_view text, size_t limit) {
  std::vector<uint32_t> found;
  const std::string key = RemoveSpaces(text);
  const ItemFieldMap f(&table.file());
  if (key.empty() || f.des < 0 || f.size < 0) return found;
  const DbfField& desField = *f.At(f.des);
  const DbfField& sizeField = *f.At(f.size);
  std::string buffer;
  for (table.GoTop(); !table.Eof() && found.size() < limit; table.Skip(1)) {
    const char* r = table.Current();
    if (ContainsCharacters(WithoutBlanks(FieldBytes(r, desField), buffer), key) ||
        ContainsCharacters(WithoutBlanks(FieldBytes(r, sizeField), buffer), key))
      found.push_back(table.RecNo());
  }
  return found;
}

}  // namespace vak
