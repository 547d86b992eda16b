#include "sheets/StatementWorkbook.h"

#include <algorithm>

#include "common/CodePage.h"
#include "common/Text.h"
#include "pricing/RollUp.h"
#include "pricing/TenderReview.h"
#include "store/DbfFile.h"

namespace vak {
namespace {

constexpr const char* kTitles[kSheetColumns] = {
    "순번",      "공종명",    "규격",      "단위",      "수량",      "재료비 단가", "재료비 금액", "노무비 단가", "노무비 금액",
    "경비 단가", "경비 금액", "합계 단가", "합계 금액", "비고",      "키",          "상위행",      "합계반영"};

long long WholeOf(std::string_view bytes) {
  long long v = 0;
  if (ParseScaledField(bytes, 0, v)) return v;
  const long double d = ParseNumericField(bytes);
  return d > -9e18L && d < 9e18L ? static_cast<long long>(d) : 0;
}

std::string Utf8Of(std::string_view bytes) { return Cp949ToUtf8(TrimmedText(bytes)); }

// Reads the lines of one part in statement order and links each to the heading it adds to.
void ReadPart(TZekTable& items, ProjectType type, PartSheet& sheet) {
  TXbase& xb = items.Xbase();
  const ItemFieldMap& f = items.FieldMap();
  xb.Query(PartLinesFilter(type, sheet.part));
  OpenHeadings<int> open;  // the headings above the line, by their line index
  std::string topLevel;
  for (xb.GoTop(); !items.Eof(); items.Skip(1)) {
    if (IsOverallSummaryPart(items.FieldBytesAt(f.part))) continue;
    SheetLine line;
    const std::string_view lvl = items.FieldBytesAt(f.lvl);
    if (sheet.lines.empty()) {
      topLevel.assign(lvl.data(), lvl.size());
      sheet.partCode = TrimmedText(items.FieldBytesAt(f.part));
    }
    const char level = lvl.empty() ? ' ' : lvl[0];
    const std::string_view next = items.FieldBytesAt(f.nlvl);
    line.recno = items.RecNo();
    line.seq = TrimmedText(items.FieldBytesAt(f.seq));
    line.name = Utf8Of(items.FieldBytesAt(f.des));
    line.spec = Utf8Of(items.FieldBytesAt(f.size));
    line.unit = Utf8Of(items.FieldBytesAt(f.unit));
    line.remark = Utf8Of(items.FieldBytesAt(f.bigo));
    line.level = IsLevelDigit(level) ? level - '0' : -1;
    line.heading = IsHeadingLevel(level, next.empty() ? ' ' : next[0]);
    const long double quantity = items.FieldNumberAt(f.qqty);
    line.item = !line.heading && quantity != 0;
    line.quantity = line.heading ? items.FieldNumberAt(f.tqty) : quantity;
    line.fixed = TrimmedText(items.FieldBytesAt(f.fix)) == "*";
    line.prices = {WholeOf(items.FieldBytesAt(f.ma0)), WholeOf(items.FieldBytesAt(f.la0)),
                   WholeOf(items.FieldBytesAt(f.eq0)), WholeOf(items.FieldBytesAt(f.pric))};
    line.split = (line.prices[1] != 0 || line.prices[2] != 0) &&
                 line.prices[3] == line.prices[0] + line.prices[1] + line.prices[2];
    line.amounts = {WholeOf(items.FieldBytesAt(f.ma)), WholeOf(items.FieldBytesAt(f.la)),
                    WholeOf(items.FieldBytesAt(f.eq)), WholeOf(items.FieldBytesAt(f.cost))};
    // As the calculation adds up: a line of level 1 to 9 adds to the nearest heading above it
    // of a lower level; level "0" items go to the part's total directly, as do the lines of
    // the part's first level.
    open.Reach(line.level);
    if (line.level >= 1 && !open.Enclosing().empty()) line.parent = open.Enclosing().back().second;
    line.counted = (lvl == topLevel ? 1 : 0) + (line.item && level == '0' ? 1 : 0);
    if (line.heading) open.Open(line.level, static_cast<int>(sheet.lines.size()));
    for (size_t k = 0; k < 4; ++k) sheet.total[k] += line.counted * line.amounts[k];
    sheet.lines.push_back(std::move(line));
  }
}

}  // namespace

const char* SheetColumnTitle(int column) { return kTitles[column]; }

std::string ColumnLetter(int column) {
  std::string letters;
  for (int c = column + 1; c > 0; c = (c - 1) / 26) letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
  return letters;
}

std::string SheetName(const std::string& wanted, const std::vector<std::string>& taken) {
  std::string base;
  size_t characters = 0;
  for (size_t i = 0; i < wanted.size() && characters < 28;) {
    const unsigned char c = static_cast<unsigned char>(wanted[i]);
    const size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    if (std::string_view("[]:*?/\\'").find(wanted[i]) == std::string_view::npos || length > 1)
      base += wanted.substr(i, length);
    i += length;
    ++characters;
  }
  base = TrimmedText(base);
  if (base.empty()) base = "공사";
  std::string name = base;
  for (int n = 2; std::find(taken.begin(), taken.end(), name) != taken.end(); ++n)
    name = base + " (" + std::to_string(n) + ")";
  return name;
}

std::string AmountFormula(const SheetLine& line, int column, int row, int lastRow) {
  const std::string col = ColumnLetter(column);
  const std::string r = std::to_string(row);
  if (line.item) return "ROUNDDOWN(" + ColumnLetter(kSheetQuantity) + r + "*" + ColumnLetter(column - 1) + r + ",0)";
  if (!line.heading || line.level < 1) return std::string();
  // The lines that add to this heading come after it; the parent column names it.
  std::string sum = "0";
  if (row < lastRow) {
    const std::string from = std::to_string(row + 1), to = std::to_string(lastRow);
    const std::string parent = ColumnLetter(kSheetParent);
    sum = "SUMIF(" + parent + from + ":" + parent + to + "," + r + "," + col + from + ":" + col + to + ")";
  }
  if (line.quantity == 0) return sum;
  return "ROUNDDOWN(" + ColumnLetter(kSheetQuantity) + r + "*" + sum + ",0)";
}

std::string TotalFormula(int column, int lastRow) {
  const std::string to = std::to_string(lastRow);
  const std::string counted = ColumnLetter(kSheetCounted);
  const std::string col = ColumnLetter(column);
  return "SUMPRODUCT(" + counted + "2:" + counted + to + "," + col + "2:" + col + to + ")";
}

StatementWorkbook ReadStatementWorkbook(TZekTable& items, ProjectType type) {
  StatementWorkbook book;
  TXbase& xb = items.Xbase();
  if (xb.IndexOrd() == 0 && items.engine() && items.engine()->TagCount() > 0) xb.SetOrder(1);
  std::vector<std::string> taken;
  if (HasOverallSummary(type)) taken.push_back("총괄집계");
  const std::vector<NamedPart> named = items.engine() ? NamedPartsOf(items.engine()->file()) : std::vector<NamedPart>();
  for (const std::string& part : ConstructionParts(items, type)) {
    PartSheet sheet;
    sheet.part = part;
    std::string wanted = HasPartCodes(type) ? "공사 " + part : "내역";
    for (const NamedPart& p : named) {
      if (p.part == part && !TrimmedText(p.name).empty() && HasPartCodes(type)) wanted = Cp949ToUtf8(TrimmedText(p.name));
    }
    sheet.name = SheetName(wanted, taken);
    taken.push_back(sheet.name);
    ReadPart(items, type, sheet);
    book.parts.push_back(std::move(sheet));
  }
  if (HasOverallSummary(type)) {
    const ItemFieldMap& f = items.FieldMap();
    xb.Query(kOverallSummaryFilter);
    for (xb.GoTop(); !items.Eof(); items.Skip(1)) {
      SummarySheetLine line;
      line.seq = std::to_string(book.summary.size() + 1);  // each stored F_SEQ is its own part's first, 1
      line.name = Utf8Of(items.FieldBytesAt(f.des));
      line.amounts = {WholeOf(items.FieldBytesAt(f.ma)), WholeOf(items.FieldBytesAt(f.la)),
                      WholeOf(items.FieldBytesAt(f.eq)), WholeOf(items.FieldBytesAt(f.cost))};
      const std::string part = ConstructionPartOf(TrimmedText(items.FieldBytesAt(f.part)));
      for (size_t s = 0; s < book.parts.size(); ++s) {
        if (HasPartCodes(type) && book.parts[s].part == part) line.partSheet = static_cast<int>(s);
      }
      book.tenderAmount += line.amounts[3];
      book.summary.push_back(std::move(line));
    }
  } else if (!book.parts.empty()) {
    book.tenderAmount = book.parts.front().total[3];
  }
  xb.Query("");
  return book;
}

}  // namespace vak
