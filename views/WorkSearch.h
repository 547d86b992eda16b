// The work search (공종찾기): the items whose work name (F_DES) or specification (F_SIZE)
// contains a text, blanks removed on both sides, compared character by character as code
// page 949 stores them (case-sensitive; a match never starts on the second byte of a
// double-byte character).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/XbTable.h"

namespace vak {

// Whether `haystack` (code page 949, blanks already removed) holds `needle` starting on a
// character boundary.
bool ContainsCharacters(std::string_view haystack, std::string_view needle);

// The record numbers of the matching items, in the table's current order, each listed once;
// at most `limit` of them. `text` is code page 949; blanks anywhere are ignored. An empty key
// matches nothing.
std::vector<uint32_t> FindWorks(XbTable& table, std::string_view text, size_t limit = SIZE_MAX);

}  // namespace vak
