// VAK.DBF, the tender item table: one record per statement line, 21 fields, 252-byte
// records, the order "F_PS" (part code, then sequence number).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/DbfFile.h"

namespace vak {

const std::vector<DbfField>& ItemTableFields();

// The item table's fields by what they hold: their indexes in a table's field list (-1 for a
// field the table lacks, or every field without a table), found by name once per table.
// Every walk over the lines reads through one of these.
struct ItemFieldMap {
  explicit ItemFieldMap(const DbfFile* file);
  // The field at `index`; null for -1.
  const DbfField* At(int index) const;

  const DbfFile* file;
  int seq, lvl, nlvl, des, size, qqty, tqty, unit, pric, cost, bigo, remk, code, fix, ma0, la0, eq0, ma, la, eq, part;
};
inline constexpr int kItemRecordLength = 252;
inline constexpr const char* kItemTag = "F_PS";
inline constexpr const char* kItemKey = "F_PART + str(F_Seq,6)";
inline constexpr int kItemCodeWidth = 10;  // width of F_CODE

// Line kinds, with the codes the views and the price entry use; "marked" means a code above 4.
enum RowKindCode {
  kHeading = 1,
  kPricedItem = 3,
  kZeroQuantityLevel0 = 7,
  kFixedPriceHeading = 8,
  kZeroQuantityItem = 9,
};

// A level is one digit, "0" to "9"; a line whose F_LVL is anything else has no level.
inline bool IsLevelDigit(char c) { return c >= '0' && c <= '9'; }
// A heading (a work with lines below it): a level from "1" to "9" lower than the level of
// the next line of its part code. A level "0" line is never a heading, and neither is a line
// whose level (or next level) is not a digit: its quantity is the agency's and must stay.
inline bool IsHeadingLevel(char level, char nextLevel) {
  return level != '0' && IsLevelDigit(level) && IsLevelDigit(nextLevel) && level < nextLevel;
}

// A line of the overall summary (총괄집계): its part code, blanks trimmed, starts with "T".
bool IsOverallSummaryPart(std::string_view partCode);
// The construction part a part code names: its second character ("T1", "U1" -> "1"); empty
// for "U" alone or a code shorter than two characters.
std::string ConstructionPartOf(std::string_view partCode);

// The construction parts of a compound statement in code order: the parts of its item lines
// ("U1" -> "1"), each with the name its overall summary line gives (F_DES of "T1", stored
// bytes, blanks trimmed; empty when the part has no such line). Deleted records are skipped.
struct NamedPart {
  std::string part;
  std::string name;
  bool summarised = false;  // the overall summary has a line of the part
};
std::vector<NamedPart> NamedPartsOf(const DbfFile& items);

// The character of F_REMK that marks a summary-sheet item (집계장항목): the 12th, "*".
inline constexpr size_t kSummaryMarkIndex = 11;
inline constexpr char kSummaryMark = '*';

// The kind of a line from its level, next level, quantity and fixed-price mark.
int RowKindOf(char level, char nextLevel, long double quantity, char fixedMark);
inline bool IsMarkedKind(int kind) { return kind > 4; }

// The project type of the header's CMN_TYPE: "1" a single construction (단일공사), "2" a
// compound one (복합공사). A header without the variable (or with another text) states
// neither; each rule below says how it is treated, as the agency's program did.
enum class ProjectType { Single, Compound, Unstated };
ProjectType ProjectTypeOf(std::string_view cmnType);  // blanks trimmed
// Statement lines carry construction-part codes ("U1", "U2") only in a compound project;
// otherwise they are "U" alone.
inline bool HasPartCodes(ProjectType type) { return type == ProjectType::Compound; }
// The overall summary is worked with (shown, and written by F3) unless the project is
// stated to be a single construction.
inline bool HasOverallSummary(ProjectType type) { return type != ProjectType::Single; }

// Table filters of the views. The part code is "U" alone unless the project is compound,
// where it is "U" and the construction part ("1" when none is chosen).
inline constexpr const char* kOverallSummaryFilter = "SubStr(F_PART,1,1)=\"T\"";
std::string PartCode(ProjectType type, const std::string& part);
std::string PartLinesFilter(ProjectType type, const std::string& part);
std::string SummaryItemsFilter(ProjectType type, const std::string& part);

// Whether a numeric field holds a value other than zero: any digit from 1 to 9. Blanks and
// what cannot be read count as zero, as the calculation reads them.
inline bool HoldsNonZero(std::string_view bytes) {
  for (char c : bytes) {
    if (c >= '1' && c <= '9') return true;
  }
  return false;
}
// Whether a line takes a unit price from the tenderer: an item line (not a heading, not a line
// of the overall summary) with a quantity, whose price the agency did not fix (단가고정).
inline bool TakesPrice(char level, char nextLevel, bool hasQuantity, std::string_view fixedMark,
                       std::string_view partCode) {
  if (!hasQuantity || IsHeadingLevel(level, nextLevel) || IsOverallSummaryPart(partCode)) return false;
  for (char c : fixedMark) {
    if (c == '*') return false;
  }
  return true;
}

// The fields the calculation and the price entry read and write that `fields` lacks, or holds
// with another type (a number where a text is expected or the other way round), by name
// separated by ", "; empty when the table has the statement's layout.
std::string MissingItemFields(const std::vector<DbfField>& fields);

// A table lacking any of F_NLVL, F_LA, F_MA, F_EQ has the old layout.
bool IsOldItemLayout(const std::vector<DbfField>& fields);

}  // namespace vak
