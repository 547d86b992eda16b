#include "store/ItemTable.h"

#include <algorithm>
#include <map>
#include <set>

#include "common/Files.h"
#include "common/Text.h"

namespace vak {

const std::vector<DbfField>& ItemTableFields() {
  static const std::vector<DbfField> fields = [] {
    std::vector<DbfField> f = {{"F_SEQ", 'N', 6, 0, 0},
                               {"F_LVL", 'C', 1, 0, 0},
                               {"F_NLVL", 'C', 1, 0, 0},
                               {"F_DES", 'C', 40, 0, 0},
                               {"F_SIZE", 'C', 40, 0, 0},
                               {"F_QQTY", 'N', 14, 3, 0},
                               {"F_TQTY", 'N', 14, 3, 0},
                               {"F_QUNIT", 'C', 6, 0, 0},
                               {"F_PRIC", 'N', 12, 0, 0},
                               {"F_COST", 'N', 12, 0, 0},
                               {"F_BIGO", 'C', 8, 0, 0},
                               {"F_REMK", 'C', 12, 0, 0},
                               {"F_CODE", 'C', kItemCodeWidth, 0, 0},
                               {"F_3SW", 'C', 1, 0, 0},
                               {"F_MA0", 'N', 12, 0, 0},
                               {"F_LA0", 'N', 12, 0, 0},
                               {"F_EQ0", 'N', 12, 0, 0},
                               {"F_MA", 'N', 12, 0, 0},
                               {"F_LA", 'N', 12, 0, 0},
                               {"F_EQ", 'N', 12, 0, 0},
                               {"F_PART", 'C', 2, 0, 0}};
    int offset = 1;
    for (DbfField& field : f) {
      field.offset = offset;
      offset += field.length;
    }
    return f;
  }();
  return fields;
}

ItemFieldMap::ItemFieldMap(const DbfFile* f) : file(f) {
  auto index = [f](const char* name) { return f ? f->FieldIndex(name) : -1; };
  seq = index("F_SEQ"), lvl = index("F_LVL"), nlvl = index("F_NLVL"), des = index("F_DES"), size = index("F_SIZE");
  qqty = index("F_QQTY"), tqty = index("F_TQTY"), unit = index("F_QUNIT"), pric = index("F_PRIC"),
  cost = index("F_COST");
  bigo = index("F_BIGO"), remk = index("F_REMK"), code = index("F_CODE"), fix = index("F_3SW"), ma0 = index("F_MA0");
  la0 = index("F_LA0"), eq0 = index("F_EQ0"), ma = index("F_MA"), la = index("F_LA"), eq = index("F_EQ");
  part = index("F_PART");
}

const DbfField* ItemFieldMap::At(int index) const {
  return index < 0 || !file ? nullptr : &file->fields()[static_cast<size_t>(index)];
}

std::string MissingItemFields(const std::vector<DbfField>& fields) {
  std::string missing;
  for (const DbfField& field : ItemTableFields()) {
    const auto found =
        std::find_if(fields.begin(), fields.end(), [&](const DbfField& f) { return EqualsNoCase(f.name, field.name); });
    if (found == fields.end() || (field.type == 'N') != (found->type == 'N' || found->type == 'F'))
      missing += (missing.empty() ? "" : ", ") + field.name;
  }
  return missing;
}

int RowKindOf(char level, char nextLevel, long double quantity, char fixedMark) {
  if (level == '0') return quantity != 0 ? kPricedItem : kZeroQuantityLevel0;
  if (IsHeadingLevel(level, nextLevel)) return fixedMark == '*' ? kFixedPriceHeading : kHeading;
  return quantity != 0 ? kPricedItem : kZeroQuantityItem;
}

bool IsOverallSummaryPart(std::string_view partCode) {
  const std::string trimmed = TrimmedText(partCode);
  return !trimmed.empty() && trimmed.front() == 'T';
}

std::string ConstructionPartOf(std::string_view partCode) {
  return partCode.size() >= 2 ? std::string(partCode.substr(1, 1)) : std::string();
}

ProjectType ProjectTypeOf(std::string_view cmnType) {
  const std::string type = TrimmedText(cmnType);
  if (type == "1") return ProjectType::Single;
  if (type == "2") return ProjectType::Compound;
  return ProjectType::Unstated;
}

std::vector<NamedPart> NamedPartsOf(const DbfFile& items) {
  const ItemFieldMap f(&items);
  if (f.part < 0) return {};
  const DbfField& partField = *f.At(f.part);
  std::map<std::string, std::string> names;  // by part, the first summary line's name
  std::set<std::string> parts;
  for (uint32_t r = 1; r <= items.RecordCount(); ++r) {
    if (items.IsDeleted(r)) continue;
    const std::string code = TrimmedText(FieldBytes(items.Record(r), partField));
    if (code.size() < 2) continue;
    if (code[0] == 'U') parts.insert(ConstructionPartOf(code));
    if (code[0] == 'T' && f.des >= 0)
      names.emplace(ConstructionPartOf(code), TrimmedText(FieldBytes(items.Record(r), *f.At(f.des))));
  }
  std::vector<NamedPart> named;
  for (const std::string& part : parts) {
    const bool summarised = names.count(part) > 0;
    named.push_back({part, summarised ? names.at(part) : std::string(), summarised});
  }
  return named;
}

std::string PartCode(ProjectType type, const std::string& part) {
  if (!HasPartCodes(type)) return "U";
  return "U" + (TrimmedText(part).empty() ? std::string("1") : part);
}

std::string PartLinesFilter(ProjectType type, const std::string& part) {
  return "F_PART=\"" + PartCode(type, part) + "\"";
}

std::string SummaryItemsFilter(ProjectType type, const std::string& part) {
  return "SubStr(F_REMK,12,1)=\"*\" .and. " + PartLinesFilter(type, part);
}

bool IsOldItemLayout(const std::vector<DbfField>& fields) {
  for (const char* name : {"F_NLVL", "F_LA", "F_MA", "F_EQ"}) {
    bool found = false;
    for (const DbfField& f : fields) found = found || EqualsNoCase(f.name, name);
    if (!found) return true;
  }
  return false;
}

}  // namespace vak
