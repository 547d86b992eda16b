#include "reports/ReportTable.h"

#include <cmath>
#include <cstring>
#include <map>

#include "common/CodePage.h"
#include "common/Files.h"
#include "common/Text.h"

namespace vak {
namespace {

std::vector<DbfField> WithOffsets(std::vector<DbfField> fields) {
  int offset = 1;
  for (DbfField& f : fields) {
    f.offset = offset;
    offset += f.length;
  }
  return fields;
}

// The item table's fields a builder reads.
struct ItemFields {
  explicit ItemFields(const ItemFieldMap& m)
      : part(m.At(m.part)),
        lvl(m.At(m.lvl)),
        des(m.At(m.des)),
        size(m.At(m.size)),
        qqty(m.At(m.qqty)),
        tqty(m.At(m.tqty)),
        unit(m.At(m.unit)),
        pric(m.At(m.pric)),
        cost(m.At(m.cost)),
        bigo(m.At(m.bigo)),
        remk(m.At(m.remk)),
        sw3(m.At(m.fix)),
        ma0(m.At(m.ma0)),
        la0(m.At(m.la0)),
        eq0(m.At(m.eq0)),
        ma(m.At(m.ma)),
        la(m.At(m.la)),
        eq(m.At(m.eq)) {}
  const DbfField *part, *lvl, *des, *size, *qqty, *tqty, *unit, *pric, *cost, *bigo, *remk, *sw3, *ma0, *la0, *eq0, *ma,
      *la, *eq;
};

std::string_view Bytes(const char* record, const DbfField* field) {
  return field ? FieldBytes(record, *field) : std::string_view();
}

long double Number(const char* record, const DbfField* field) {
  return field ? ParseNumericField(FieldBytes(record, *field)) : 0;
}

// A stored amount as whole won, exactly where the field holds plain text.
long long WholeWon(const char* record, const DbfField* field) {
  if (!field) return 0;
  long long whole = 0;
  if (ParseScaledField(FieldBytes(record, *field), 0, whole)) return whole;
  const long double v = ParseNumericField(FieldBytes(record, *field));
  return std::fabs(v) < 9e18L ? static_cast<long long>(std::llround(v)) : 0;
}

// A text of this program as the tables store it: code page 949.
std::string Stored(std::string_view utf8) { return Utf8ToCp949(utf8).value_or(std::string()); }

int LevelNumber(std::string_view level) { return !level.empty() && IsLevelDigit(level[0]) ? level[0] - '0' : 0; }

// The rows of the report table as they are produced, and the paging.
class ReportWriter {
 public:
  ReportWriter(const std::string& path, ReportKind kind, int firstPage)
      : fields_(ReportTableFields(kind)),
        writer_(path, fields_),
        page_(firstPage == 0 ? 1 : firstPage),
        firstPage_(page_) {
    for (size_t i = 0; i < fields_.size(); ++i) byName_[fields_[i].name] = &fields_[i];
    record_.assign(static_cast<size_t>(fields_.back().offset + fields_.back().length), ' ');
  }
  bool ok() const { return writer_.ok(); }
  int error() const { return writer_.error(); }
  int firstPage() const { return firstPage_; }
  int page() const { return page_; }
  // The page of the next row: after a totals row, the next page.
  int NextRowPage() const { return row_ == kRowsPerPage ? page_ + 1 : page_; }

  // Starts the next row: a new page after 18.
  void NextRow() {
    if (++row_ > kRowsPerPage) {
      row_ = 1;
      ++page_;
    }
    record_.assign(record_.size(), ' ');
  }
  void Text(const char* name, std::string_view text) { StoreCharacterField(record_.data(), *byName_.at(name), text); }
  void Number(const char* name, long double value) { StoreNumericField(record_.data(), *byName_.at(name), value); }
  // An item's numeric field into a report field with at least as many decimals: plain
  // fixed-point text is copied digit for digit (the same text the number would give, at a
  // fraction of the cost); anything else goes through the number.
  void Copy(const char* name, const char* record, const DbfField* from) {
    if (!from) return;
    const DbfField& to = *byName_.at(name);
    const std::string_view bytes = FieldBytes(record, *from);
    long long scaled = 0;
    if (from->decimals <= to.decimals && ParseScaledField(bytes, from->decimals, scaled)) {
      char text[40];
      const bool negative = scaled < 0;
      unsigned long long magnitude =
          negative ? 0ULL - static_cast<unsigned long long>(scaled) : static_cast<unsigned long long>(scaled);
      int n = 0;
      for (int d = 0; d < to.decimals - from->decimals; ++d) text[n++] = '0';
      for (int d = 0; d < from->decimals; ++d, magnitude /= 10) text[n++] = static_cast<char>('0' + magnitude % 10);
      if (to.decimals > 0) text[n++] = '.';
      do {
        text[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
      } while (magnitude != 0);
      if (negative && scaled != 0) text[n++] = '-';
      if (n <= to.length) {
        char* p = record_.data() + to.offset;
        std::memset(p, ' ', static_cast<size_t>(to.length - n));
        for (int i = 0; i < n; ++i) p[to.length - 1 - i] = text[i];
        return;
      }
    }
    StoreNumericField(record_.data(), to, ParseNumericField(bytes));
  }
  void Add() {
    StoreWholeField(record_.data(), *byName_.at("F_PAGE"), page_);
    writer_.Add(record_.data());
  }
  // Blank rows up to the 17th of the page and the totals row as its 18th; a page already
  // full gets a further page of 17 blank rows first, so the totals row is always in a frame.
  template <typename FillTotals>
  void Close(FillTotals fillTotals) {
    if (row_ == kRowsPerPage) {
      row_ = 0;
      ++page_;
    }
    for (++row_; row_ < kRowsPerPage; ++row_) {
      record_.assign(record_.size(), ' ');
      Add();
    }
    record_.assign(record_.size(), ' ');
    fillTotals();
    Add();
  }
  int Commit() { return writer_.Commit(); }

 private:
  const std::vector<DbfField>& fields_;
  std::map<std::string, const DbfField*> byName_;
  DbfWriter writer_;
  std::string record_;
  int page_;
  int firstPage_;
  int row_ = 0;
};

// Gives the item table its query and record back when the walk ends, whichever way.
class ItemTableRestorer {
 public:
  explicit ItemTableRestorer(TZekTable& items)
      : items_(items),
        filter_(items.Xbase().Filter()),
        recno_(items.Eof() ? 0 : items.RecNo()),
        order_(items.Xbase().IndexOrd()) {}
  ~ItemTableRestorer() {
    items_.Xbase().Query(filter_);
    items_.Xbase().SetOrder(order_);
    if (recno_ != 0) items_.Xbase().Go(recno_);
  }

 private:
  TZekTable& items_;
  std::string filter_;
  uint32_t recno_;
  int order_;
};

// The printed documents choose their lines by their own rules, which are looser or stricter
// than the views': they are kept as the agency's documents have always been printed, so a bill
// prints the same lines here as everywhere else it is printed.
//
// A line of the summary sheet: F_PART starting with "T" as stored. The views trim the code
// first (IsOverallSummaryPart); on paper a code with a leading blank is not a summary line.
bool OnSummarySheet(std::string_view part) { return !part.empty() && part.front() == 'T'; }
// A line of the overall statement: a "*" anywhere in F_REMK. The views mark a summary-sheet
// item by the twelfth character alone (kSummaryMarkIndex); on paper any "*" counts.
bool OnOverallStatement(std::string_view remark) { return remark.find(kSummaryMark) != std::string_view::npos; }

// One row of the report from the line `r`.
void WriteRow(ReportWriter& out, const char* r, const ItemFields& f, ReportKind kind) {
  static const std::string fixedRemark = Stored("단가고정");
  static const std::string lumpSum = Stored("식");
  const std::string_view level = Bytes(r, f.lvl);
  out.Text("F_DES", IndentText(TrimmedText(Bytes(r, f.des)), LevelNumber(level)));
  out.Text("F_SIZE", Bytes(r, f.size));
  out.Copy("F_COST", r, f.cost);
  const bool statement = kind != ReportKind::OverallSummarySheet;
  const bool fixed = Bytes(r, f.sw3) == "*";
  if (!statement) {
    out.Text("F_BIGO", Bytes(r, f.bigo));
  } else {
    out.Text("F_BIGO", fixed ? std::string_view(fixedRemark) : Bytes(r, f.bigo));
  }
  if (kind == ReportKind::OverallStatement) {
    // Every line of the overall statement is a lump sum, unless a heading quantity says otherwise.
    const long double qqty = Number(r, f.qqty);
    const long double tqty = Number(r, f.tqty);
    out.Text("F_QUNIT", lumpSum);
    if (qqty != 0 || tqty == 0 || tqty == 1) {
      out.Number("F_QQTY", 1);
    } else {
      out.Number("F_QQTY", tqty);
      out.Number("F_PRIC", Number(r, f.pric));
    }
  } else if (statement) {
    out.Copy("F_QQTY", r, f.qqty);
    out.Text("F_QUNIT", Bytes(r, f.unit));
    out.Copy("F_PRIC", r, f.pric);
    if (kind == ReportKind::TenderStatementSplit) {
      out.Copy("F_MA0", r, f.ma0);
      out.Copy("F_MA", r, f.ma);
      out.Copy("F_LA0", r, f.la0);
      out.Copy("F_LA", r, f.la);
      out.Copy("F_EQ0", r, f.eq0);
      out.Copy("F_EQ", r, f.eq);
    }
  }
  out.Add();
}

// The rows of one construction part (or, for the summary sheet, of the overall summary) and
// its totals row.
void WritePartRows(XbTable& table, const ItemFields& f, ReportKind kind, const std::string& key, ReportWriter& out,
                   ReportTableInfo& info) {
  const bool statement = kind != ReportKind::OverallSummarySheet;
  // The lines of one part code stand together in the order "F_PS": seek the first and stop
  // after the last. Without the order every line is looked at.
  bool seeking = table.TagCount() > 0 && table.SetOrder(1);
  if (seeking) {
    if (!table.Seek(statement ? (key + "  ").substr(0, 2) : "T")) table.GoTop(), seeking = false;
  } else {
    table.GoTop();
  }
  long long total[4] = {};  // amount, material, labour, expense
  for (; !table.Eof(); table.Skip(1)) {
    const char* r = table.Current();
    const std::string_view part = Bytes(r, f.part);
    const std::string_view level = Bytes(r, f.lvl);
    bool selected = false;
    if (!statement) {
      selected = OnSummarySheet(part) && level != "0";
      if (seeking && !OnSummarySheet(part)) break;
    } else {
      std::string_view trimmed = part;
      while (!trimmed.empty() && trimmed.back() == ' ') trimmed.remove_suffix(1);
      while (!trimmed.empty() && trimmed.front() == ' ') trimmed.remove_prefix(1);
      const bool inPart = trimmed == key;
      if (seeking && !inPart) break;
      if (kind == ReportKind::OverallStatement) {
        selected = inPart && OnOverallStatement(Bytes(r, f.remk));
      } else {
        selected = inPart && level != "0";
      }
    }
    if (!selected) continue;
    const bool counted = level == "1" || (kind == ReportKind::OverallStatement && level == "0");
    if (counted) {
      total[0] += WholeWon(r, f.cost);
      if (kind == ReportKind::TenderStatementSplit) {
        total[1] += WholeWon(r, f.ma);
        total[2] += WholeWon(r, f.la);
        total[3] += WholeWon(r, f.eq);
      }
    }
    ++info.itemRows;
    out.NextRow();
    WriteRow(out, r, f, kind);
  }
  out.Close([&] {
    switch (kind) {
      case ReportKind::OverallSummarySheet: out.Text("F_DES", Stored("        입  찰   금  액   총  계")); break;
      case ReportKind::OverallStatement: out.Text("F_DES", Stored("       공  사  금  액  계")); break;
      case ReportKind::TenderStatement: out.Text("F_DES", Stored("                     계")); break;
      default: out.Text("F_DES", Stored("                 계")); break;
    }
    out.Number("F_COST", static_cast<long double>(total[0]));
    if (kind == ReportKind::TenderStatementSplit) {
      out.Number("F_MA", static_cast<long double>(total[1]));
      out.Number("F_LA", static_cast<long double>(total[2]));
      out.Number("F_EQ", static_cast<long double>(total[3]));
    }
  });
}

}  // namespace

std::string ReportTableName(ReportKind kind) {
  switch (kind) {
    case ReportKind::OverallSummarySheet: return "VakRpt1";
    case ReportKind::OverallStatement: return "VakRpt2";
    case ReportKind::TenderStatement: return "VakRpt3";
    case ReportKind::TenderStatementSplit: return "VakRpt4";
    case ReportKind::Cover: break;
  }
  return std::string();
}

// F_PAGE has six digits, not three: a statement of 100,000 lines runs to more than 5,000
// pages, and a three-digit page number would lose every page after the 999th.
const std::vector<DbfField>& ReportTableFields(ReportKind kind) {
  static const std::vector<DbfField> plain = WithOffsets({{"F_DES", 'C', 40, 0, 0},
                                                          {"F_SIZE", 'C', 40, 0, 0},
                                                          {"F_QQTY", 'N', 19, 7, 0},
                                                          {"F_QUNIT", 'C', 6, 0, 0},
                                                          {"F_PRIC", 'N', 19, 6, 0},
                                                          {"F_COST", 'N', 19, 6, 0},
                                                          {"F_BIGO", 'C', 12, 0, 0},
                                                          {"F_PAGE", 'N', 6, 0, 0}});
  // The split statement: the six material, labour and expense fields between the unit and
  // the unit price.
  static const std::vector<DbfField> split = [] {
    std::vector<DbfField> f = plain;
    const std::vector<DbfField> parts = {{"F_MA0", 'N', 19, 6, 0}, {"F_MA", 'N', 19, 6, 0},  {"F_LA0", 'N', 19, 6, 0},
                                         {"F_LA", 'N', 19, 6, 0},  {"F_EQ0", 'N', 19, 6, 0}, {"F_EQ", 'N', 19, 6, 0}};
    f.insert(f.begin() + 4, parts.begin(), parts.end());
    return WithOffsets(f);
  }();
  return kind == ReportKind::TenderStatementSplit ? split : plain;
}

std::string IndentText(std::string_view text, int level) {
  return CutToWidth(std::string(static_cast<size_t>(std::max(level, 1)), ' ') + std::string(text), 40);
}

ReportRequest PartReportRequest(const std::string& dataDir, ReportKind kind, int firstPage, ProjectType type,
                                const std::string& partOrAll) {
  ReportRequest request{dataDir, kind, firstPage, type, partOrAll};
  request.allParts = partOrAll == kAllParts;
  if (request.allParts) request.part = "1";
  return request;
}

bool BuildReportTable(TZekTable& items, const ReportRequest& request, UserNotifier& notifier, ReportTableInfo& info) {
  const ReportKind kind = request.kind;
  const std::string name = ReportTableName(kind);
  if (name.empty() || !items.engine()) return false;
  info.path = JoinPath(request.dataDir, name + ".DBF");
  items.Post();
  const ItemTableRestorer restore(items);

  // A table of an earlier run, with whatever index or memo file it had, is simply replaced.
  DeleteMatchingFiles(JoinPath(request.dataDir, name + ".*"));
  ReportWriter out(info.path, kind, request.firstPage);
  auto cannotWrite = [&] {
    notifier.Message(info.path +
                         "\n보고서 자료 화일을 만들 수 없습니다. 디스크 공간과 쓰기 권한, 같은 이름의 디렉토리가 "
                         "있는지 확인하십시오.",
                     "오류", MessageIcon::Error, MessageButtons::Ok);
    return false;
  };
  if (!out.ok()) return cannotWrite();

  XbTable& table = *items.engine();
  table.Query("");
  const ItemFields f(ItemFieldMap(&table.file()));
  std::vector<std::string> parts = {request.part};
  if (request.allParts && HasPartCodes(request.projectType) && kind != ReportKind::OverallSummarySheet) {
    parts.clear();
    for (const NamedPart& p : NamedPartsOf(table.file())) parts.push_back(p.part);
    if (parts.empty()) parts.push_back(request.part);
  }
  for (const std::string& part : parts) {
    info.parts.push_back({part, out.NextRowPage()});
    WritePartRows(table, f, kind, HasPartCodes(request.projectType) ? "U" + part : "U", out, info);
  }
  info.firstPage = out.firstPage();
  info.lastPage = out.page();
  if (out.Commit() != 0) return cannotWrite();
  return true;
}

// ---------------------------------------------------------------- ReportRows

std::unique_ptr<ReportRows> ReportRows::Open(const std::string& path, DbfStatus& status) {
  std::unique_ptr<ReportRows> rows(new ReportRows());
  rows->file_ = DbfFile::Open(path, DbfOpenMode::ReadOnly, status);
  if (!rows->file_) return nullptr;
  const int page = rows->file_->FieldIndex("F_PAGE");
  if (page < 0 || rows->file_->RecordCount() == 0) {
    status = DbfStatus::NotATable;
    return nullptr;
  }
  const DbfField& f = rows->file_->fields()[static_cast<size_t>(page)];
  rows->firstPage_ = static_cast<int>(ParseNumericField(FieldBytes(rows->file_->Record(1), f)));
  rows->lastPage_ = static_cast<int>(ParseNumericField(FieldBytes(rows->file_->Record(rows->file_->RecordCount()), f)));
  if (rows->lastPage_ < rows->firstPage_) rows->lastPage_ = rows->firstPage_;
  return rows;
}

std::vector<const char*> ReportRows::PageRows(int page) const {
  std::vector<const char*> out;
  if (page < firstPage_ || page > lastPage_) return out;
  const DbfField& f = file_->fields()[static_cast<size_t>(file_->FieldIndex("F_PAGE"))];
  // Every page holds 18 rows in order: the page's first row is found by arithmetic, and
  // checked; a table of another shape is scanned instead.
  const uint32_t first = static_cast<uint32_t>(page - firstPage_) * kRowsPerPage + 1;
  auto pageOf = [&](uint32_t r) { return static_cast<int>(ParseNumericField(FieldBytes(file_->Record(r), f))); };
  if (file_->RecordCount() % kRowsPerPage == 0 && first <= file_->RecordCount() && pageOf(first) == page) {
    for (uint32_t r = first; r < first + kRowsPerPage; ++r) out.push_back(file_->Record(r));
    return out;
  }
  for (uint32_t r = 1; r <= file_->RecordCount(); ++r) {
    if (pageOf(r) == page) out.push_back(file_->Record(r));
  }
  return out;
}

std::string ReportRows::Text(const char* row, const DbfField& field) const {
  return Cp949ToUtf8(FieldBytes(row, field));
}

long double ReportRows::Number(const char* row, const DbfField& field) const {
  return ParseNumericField(FieldBytes(row, field));
}

}  // namespace vak
