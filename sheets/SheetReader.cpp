#include "sheets/SheetReader.h"

#include <expat.h>
#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <new>
#include <functional>
#include <map>

#include "common/CodePage.h"
#include "common/Files.h"

namespace vak {
namespace {

// A spreadsheet's bounds: what lies beyond is a damaged or a hostile file, not a price sheet.
constexpr int kMaxColumns = 16384;      // A to XFD
constexpr size_t kMaxRows = 1048576;
constexpr size_t kMaxText = 32767;      // the longest text a cell holds
constexpr zip_uint64_t kMaxPart = 1ULL << 30;  // an XML part unpacked


// The local name of an element or attribute: "x:c" is "c".
std::string_view Local(const char* name) {
  std::string_view n(name);
  const size_t colon = n.rfind(':');
  return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

const char* Attribute(const char** attributes, std::string_view name) {
  for (size_t i = 0; attributes[i]; i += 2) {
    if (Local(attributes[i]) == name) return attributes[i + 1];
  }
  return nullptr;
}

// Streams one XML part through Expat: start and end of each element, and its text.
class XmlPart {
 public:
  std::function<void(std::string_view, const char**)> start;
  std::function<void(std::string_view)> end;
  std::function<void(std::string_view)> text;

  bool failed = false;  // a handler found what no sheet holds

  bool Parse(zip_t* archive, const std::string& name) {
    zip_stat_t stat;
    if (zip_stat(archive, name.c_str(), 0, &stat) != 0 || ((stat.valid & ZIP_STAT_SIZE) && stat.size > kMaxPart))
      return false;
    zip_file_t* file = zip_fopen(archive, name.c_str(), 0);
    if (!file) return false;
    XML_Parser parser = XML_ParserCreate("UTF-8");
    XML_SetUserData(parser, this);
    XML_SetElementHandler(
        parser,
        [](void* self, const char* element, const char** attributes) {
          auto* part = static_cast<XmlPart*>(self);
          if (part->start) part->start(Local(element), attributes);
        },
        [](void* self, const char* element) {
          auto* part = static_cast<XmlPart*>(self);
          if (part->end) part->end(Local(element));
        });
    XML_SetCharacterDataHandler(parser, [](void* self, const char* s, int length) {
      auto* part = static_cast<XmlPart*>(self);
      if (part->text) part->text(std::string_view(s, static_cast<size_t>(length)));
    });
    char buffer[1 << 16];
    bool ok = true;
    while (ok) {
      const zip_int64_t n = zip_fread(file, buffer, sizeof buffer);
      ok = n >= 0 && XML_Parse(parser, buffer, static_cast<int>(n), n == 0) != XML_STATUS_ERROR && !failed;
      if (n <= 0) break;
    }
    XML_ParserFree(parser);
    zip_fclose(file);
    return ok;
  }
};

// "B12" → column 1; -1 for a reference without a column in the bounds.
int ColumnOf(const char* reference) {
  int column = 0;
  const char* p = reference;
  for (; *p >= 'A' && *p <= 'Z' && column <= kMaxColumns; ++p) column = column * 26 + (*p - 'A' + 1);
  return p == reference || column > kMaxColumns ? -1 : column - 1;
}

// The shared strings; empty when the part is damaged (a workbook without the part has none).
std::optional<std::vector<std::string>> SharedStrings(zip_t* archive) {
  std::vector<std::string> strings;
  XmlPart part;
  bool inText = false;
  int phonetic = 0;  // reading hints (<rPh>) are not part of the text
  part.start = [&](std::string_view e, const char**) {
    if (e == "si") strings.emplace_back();
    if (e == "rPh") ++phonetic;
    if (e == "t") inText = phonetic == 0;
  };
  part.end = [&](std::string_view e) {
    if (e == "rPh") --phonetic;
    if (e == "t") inText = false;
  };
  part.text = [&](std::string_view s) {
    if (!inText || strings.empty()) return;
    strings.back() += s;
    if (strings.back().size() > kMaxText * 4) part.failed = true;  // four bytes a character at most
  };
  if (zip_name_locate(archive, "xl/sharedStrings.xml", 0) < 0) return strings;
  if (!part.Parse(archive, "xl/sharedStrings.xml")) return std::nullopt;
  return strings;
}

bool ReadSheet(zip_t* archive, const std::string& name, const std::vector<std::string>& strings, SheetRows& sheet) {
  XmlPart part;
  SheetCell cell;
  std::string type;
  int column = 0;
  size_t row = 0;
  bool inValue = false, inInline = false;
  std::string value;
  part.start = [&](std::string_view e, const char** attributes) {
    if (e == "row") {
      const char* r = Attribute(attributes, "r");
      const long long number = r ? std::atoll(r) : static_cast<long long>(sheet.rows.size()) + 1;
      if (number < 1 || static_cast<size_t>(number) > kMaxRows) part.failed = true;
      row = static_cast<size_t>(std::clamp(number, 1LL, static_cast<long long>(kMaxRows)));
      column = 0;
    } else if (e == "c") {
      const char* r = Attribute(attributes, "r");
      if (r) column = ColumnOf(r);
      if (column < 0 || column >= kMaxColumns) {
        part.failed = true;
        column = 0;
      }
      const char* t = Attribute(attributes, "t");
      type = t ? t : "n";
      cell = SheetCell();
      value.clear();
    } else if (e == "f") {
      cell.formula = true;
    } else if (e == "v") {
      inValue = true;
    } else if (e == "is") {
      inInline = true;
    } else if (e == "t" && inInline) {
      inValue = true;
    }
  };
  part.text = [&](std::string_view s) {
    if (!inValue) return;
    value += s;
    if (value.size() > kMaxText * 4) part.failed = true;
  };
  part.end = [&](std::string_view e) {
    if (e == "v" || e == "t") inValue = false;
    if (e == "is") inInline = false;
    if (e != "c") return;
    if (type == "s") {
      const size_t index = static_cast<size_t>(std::atol(value.c_str()));
      cell.kind = SheetCell::Kind::Text;
      cell.value = index < strings.size() ? strings[index] : std::string();
    } else if (type == "inlineStr" || type == "str") {
      cell.kind = SheetCell::Kind::Text;
      cell.value = value;
    } else if (type == "n" && !value.empty()) {
      cell.kind = SheetCell::Kind::Number;
      cell.value = value;
    } else if (!value.empty()) {
      cell.kind = SheetCell::Kind::Other;
      cell.value = value;
    }
    if ((cell.kind != SheetCell::Kind::Empty || cell.formula) && row > 0 && !part.failed) {
      if (sheet.rows.size() < row) sheet.rows.resize(row);
      std::vector<SheetCell>& cells = sheet.rows[row - 1];
      if (cells.size() <= static_cast<size_t>(column)) {
        if (cells.empty()) cells.reserve(std::max<size_t>(static_cast<size_t>(column) + 1, 20));  // a statement's row
        cells.resize(static_cast<size_t>(column) + 1);
      }
      cells[static_cast<size_t>(column)] = std::move(cell);
    }
    ++column;
  };
  return part.Parse(archive, name);
}

}  // namespace

std::optional<std::vector<SheetRows>> ReadXlsxSheets(const std::string& path, std::string* problem) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (!archive) {
    if (problem)
      *problem = path + "\n" +
                 (error == ZIP_ER_NOENT || error == ZIP_ER_OPEN ? "화일을 열 수 없습니다."
                                                                : "엑셀 통합 문서(.xlsx)가 아닙니다.");
    return std::nullopt;
  }
  // The sheets in the workbook's order, and the part each is stored in.
  std::vector<std::pair<std::string, std::string>> sheets;  // name, relationship id
  std::map<std::string, std::string> targets;               // relationship id → part
  XmlPart workbook;
  workbook.start = [&](std::string_view e, const char** a) {
    const char* name = Attribute(a, "name");
    const char* id = Attribute(a, "id");
    if (e == "sheet" && name && id) sheets.emplace_back(name, id);
  };
  XmlPart relations;
  relations.start = [&](std::string_view e, const char** a) {
    const char* id = Attribute(a, "Id");
    const char* target = Attribute(a, "Target");
    if (e == "Relationship" && id && target) {
      std::string t = target;
      targets[id] = t.rfind('/', 0) == 0 ? t.substr(1) : "xl/" + t;
    }
  };
  std::vector<SheetRows> result;
  bool ok = workbook.Parse(archive, "xl/workbook.xml") && relations.Parse(archive, "xl/_rels/workbook.xml.rels");
  try {
    const std::optional<std::vector<std::string>> strings = ok ? SharedStrings(archive) : std::nullopt;
    ok = ok && strings;
    for (size_t i = 0; ok && i < sheets.size(); ++i) {
      SheetRows sheet;
      sheet.name = sheets[i].first;
      const auto target = targets.find(sheets[i].second);
      ok = target != targets.end() && ReadSheet(archive, target->second, *strings, sheet);
      if (ok) result.push_back(std::move(sheet));
    }
  } catch (const std::bad_alloc&) {
    ok = false;  // a file that claims more than memory holds
  }
  zip_discard(archive);  // read only: nothing is ever written back
  if (!ok || result.empty()) {
    if (problem) *problem = path + "\n엑셀 통합 문서(.xlsx)를 읽을 수 없습니다. 손상되었거나 다른 형식입니다.";
    return std::nullopt;
  }
  return result;
}

std::optional<SheetRows> ReadCsvSheet(const std::string& path, std::string* problem) {
  std::optional<std::string> bytes = ReadWholeFile(path);
  if (!bytes) {
    if (problem) *problem = path + "\n화일을 읽을 수 없습니다.";
    return std::nullopt;
  }
  std::string text = *bytes;
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  if (!IsUtf8(text)) text = Cp949ToUtf8(text);  // not UTF-8: the code page's
  SheetRows sheet;
  sheet.name = std::filesystem::path(path).stem().string();
  std::vector<SheetCell> row(1);
  bool quoted = false;
  auto endRow = [&] {
    if (!(row.size() == 1 && row[0].value.empty())) sheet.rows.push_back(row);
    else sheet.rows.emplace_back();
    row.assign(1, SheetCell());
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        row.back().value += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        row.back().value += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      row.emplace_back();
    } else if (c == '\n' || (c == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
      endRow();  // LF, CR LF, or CR alone
    } else if (c != '\r') {
      row.back().value += c;
    }
  }
  if (quoted) {
    if (problem) *problem = path + "\n따옴표(\")가 닫히지 않은 칸이 있어 CSV 화일을 읽을 수 없습니다.";
    return std::nullopt;
  }
  if (!(row.size() == 1 && row[0].value.empty())) endRow();
  for (std::vector<SheetCell>& cells : sheet.rows) {
    for (SheetCell& cell : cells) cell.kind = cell.value.empty() ? SheetCell::Kind::Empty : SheetCell::Kind::Text;
  }
  return sheet;
}

}  // namespace vak
