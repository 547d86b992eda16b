// The report tables built from hand-made statements, compared field by field, and the amount
// in Korean words.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/CodePage.h"
#include "common/Files.h"
#include "common/Text.h"
#include "reports/KoreanWords.h"
#include "reports/ReportTable.h"
#include "store/Preparation.h"
#include "tests/support/ItemRows.h"
#include "tests/support/TestSupport.h"

namespace vak {
namespace {

using test::Row;
using test::TempDir;

// A tender opened as the program opens it, whose report tables a test builds and reads.
class Statement {
 public:
  Statement(const std::vector<Row>& rows, const std::string& type) : type_(ProjectTypeOf(type)) {
    test::WriteItemTable(dir.path(), rows);
    test::WriteHeader(dir.path(), type);
    EXPECT_TRUE(OpenTenderAsTheProgramDoes(dir.path(), env, items, notifier));
  }

  // Builds a report and returns its rows as "page|F_DES|F_SIZE|F_QQTY|F_QUNIT|F_PRIC|F_COST|F_BIGO"
  // (texts right-trimmed, UTF-8; numbers as stored, trimmed).
  std::vector<std::string> Build(ReportKind kind, int firstPage = 1, const std::string& part = "1") {
    ReportRequest request{dir.path(), kind, firstPage, type_, part};
    ReportTableInfo info;
    EXPECT_TRUE(BuildReportTable(items, request, notifier, info));
    last = info;
    DbfStatus status;
    auto file = DbfFile::Open(info.path, DbfOpenMode::ReadOnly, status);
    std::vector<std::string> out;
    if (!file) return out;
    auto field = [&](uint32_t r, const char* name) {
      const int i = file->FieldIndex(name);
      std::string_view v = FieldBytes(file->Record(r), file->fields()[static_cast<size_t>(i)]);
      while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
      if (file->fields()[static_cast<size_t>(i)].type == 'N') return TrimmedText(v);
      return Cp949ToUtf8(v);
    };
    for (uint32_t r = 1; r <= file->RecordCount(); ++r) {
      out.push_back(field(r, "F_PAGE") + "|" + field(r, "F_DES") + "|" + field(r, "F_SIZE") + "|" + field(r, "F_QQTY") +
                    "|" + field(r, "F_QUNIT") + "|" + field(r, "F_PRIC") + "|" + field(r, "F_COST") + "|" +
                    field(r, "F_BIGO"));
    }
    return out;
  }

  TempDir dir;
  TXbaseEnv env;
  test::RecordingNotifier notifier;
  TZekTable items{env, notifier};
  ReportTableInfo last;

 private:
  ProjectType type_;
};

Row Item(const std::string& part, int seq, char level, const std::string& name, double quantity, double price,
         double cost) {
  Row r{part, seq, level, name, quantity, 0, price};
  r.cost = cost;
  return r;
}

std::vector<Row> Items(int n) {
  std::vector<Row> rows;
  for (int i = 1; i <= n; ++i) rows.push_back(Item("U", i, '1', "item " + std::to_string(i), 1, 10, 10));
  return rows;
}

// Rows of a page of a built table: the page numbers column.
int RowsOnPage(const std::vector<std::string>& rows, int page) {
  int n = 0;
  for (const std::string& r : rows) n += r.rfind(std::to_string(page) + "|", 0) == 0 ? 1 : 0;
  return n;
}

TEST(ReportTables, PagesOfEighteenRowsClosedByTheTotalsRow) {
  struct Case {
    int items;
    int firstPage;
    std::vector<std::pair<int, int>> pages;  // page, rows on it
  };
  const Case cases[] = {
      {0, 1, {{1, 18}}},           {17, 1, {{1, 18}}},
      {18, 1, {{1, 18}, {2, 18}}},  // a full last page: the totals row goes onto a further page
      {19, 1, {{1, 18}, {2, 18}}}, {40, 5, {{5, 18}, {6, 18}, {7, 18}}},
      {3, 0, {{1, 18}}},  // first page 0 numbers from 1
  };
  for (const Case& c : cases) {
    Statement s(Items(c.items), "1");
    const std::vector<std::string> rows = s.Build(ReportKind::TenderStatement, c.firstPage);
    EXPECT_EQ(rows.size(), c.pages.size() * kRowsPerPage) << c.items;
    for (const auto& [page, count] : c.pages) EXPECT_EQ(RowsOnPage(rows, page), count) << c.items << " page " << page;
    EXPECT_EQ(s.last.firstPage, c.pages.front().first);
    EXPECT_EQ(s.last.lastPage, c.pages.back().first);
    EXPECT_EQ(s.last.itemRows, static_cast<uint32_t>(c.items));
    // The totals row is the 18th row of the last page, with the sum of the level-1 amounts.
    EXPECT_EQ(rows.back(), std::to_string(c.pages.back().first) + "|                     계|||||" +
                               (c.items ? std::to_string(10 * c.items) + ".000000" : "0.000000") + "|")
        << c.items;
    if (c.items == 18) {
      EXPECT_EQ(rows[17].substr(0, 12), "1| item 18||");
      EXPECT_EQ(rows[18], "2|||||||");  // the further page: 17 blank rows, then the totals row
    }
  }
}

TEST(ReportTables, TheTenderStatementRowAndItsRules) {
  Row heading{"U", 1, '1', "공사", 0, 0, 0};
  heading.cost = 3000;
  Row deep = Item("U", 2, '3', "콘크리트 타설", 2.5, 1200, 3000);
  deep.unit = "M3";
  deep.bigo = "현장";
  Row fixed = Item("U", 3, '3', "고정 단가", 1, 700, 700);
  fixed.fixed = '*';
  fixed.bigo = "own";
  Row zero = Item("U", 4, '0', "level zero", 1, 5, 5);
  Statement s({heading, deep, fixed, zero}, "1");
  const std::vector<std::string> rows = s.Build(ReportKind::TenderStatement);
  ASSERT_EQ(rows.size(), 18u);
  EXPECT_EQ(rows[0], "1| 공사||0.0000000||0.000000|3000.000000|");
  EXPECT_EQ(rows[1], "1|   콘크리트 타설||2.5000000|M3|1200.000000|3000.000000|현장");  // three blanks for level 3
  EXPECT_EQ(rows[2], "1|   고정 단가||1.0000000||700.000000|700.000000|단가고정");      // the fixed-price remark
  EXPECT_EQ(rows[3], "1|||||||");                                     // the level-0 line is not in the tender statement
  EXPECT_EQ(rows[17], "1|                     계|||||3000.000000|");  // only level 1 counts
}

TEST(ReportTables, TheOverallStatementIsOfLumpSums) {
  Row a{"U", 1, '1', "lump", 3, 0, 500, ' ', "           *"};
  a.cost = 1500;
  Row b{"U", 2, '1', "heading quantity", 0, 2.5, 400, ' ', "*"};
  b.cost = 1000;
  Row c{"U", 3, '1', "heading quantity one", 0, 1, 400, ' ', "   *"};
  c.cost = 400;
  Row zero{"U", 4, '0', "level zero", 1, 0, 5, ' ', "*"};
  zero.cost = 5;
  Row unmarked{"U", 5, '1', "not on the sheet", 1, 0, 5};
  unmarked.cost = 999;
  Statement s({a, b, c, zero, unmarked}, "1");
  const std::vector<std::string> rows = s.Build(ReportKind::OverallStatement);
  EXPECT_EQ(rows[0], "1| lump||1.0000000|식||1500.000000|");
  EXPECT_EQ(rows[1], "1| heading quantity||2.5000000|식|400.000000|1000.000000|");
  EXPECT_EQ(rows[2], "1| heading quantity one||1.0000000|식||400.000000|");
  EXPECT_EQ(rows[3], "1| level zero||1.0000000|식||5.000000|");  // level 0: one blank
  EXPECT_EQ(rows[4], "1|||||||");
  EXPECT_EQ(rows[17], "1|       공  사  금  액  계|||||2905.000000|");  // levels 0 and 1
}

TEST(ReportTables, TheSummarySheetAndThePartsOfACompoundProject) {
  Row t1{"T1", 1, '1', "건축공사", 1};
  t1.cost = 2000;
  Row t1sub{"T1", 2, '2', "세부", 1};
  t1sub.cost = 700;
  Row t2{"T2", 1, '1', "토목공사", 1};
  t2.cost = 3000;
  Statement s({t1, t1sub, t2, Item("U1", 1, '1', "part one", 1, 10, 10), Item("U2", 1, '1', "part two", 1, 20, 20),
               Item("U2", 2, '1', "part two b", 1, 5, 5)},
              "2");
  std::vector<std::string> rows = s.Build(ReportKind::OverallSummarySheet);
  EXPECT_EQ(rows[0], "1| 건축공사|||||2000.000000|");
  EXPECT_EQ(rows[1], "1|  세부|||||700.000000|");
  EXPECT_EQ(rows[2], "1| 토목공사|||||3000.000000|");
  EXPECT_EQ(rows[17], "1|        입  찰   금  액   총  계|||||5000.000000|");  // level 1 only
  rows = s.Build(ReportKind::TenderStatement, 1, "2");
  EXPECT_EQ(rows[0].substr(0, 12), "1| part two|");
  EXPECT_EQ(rows[1].substr(0, 14), "1| part two b|");
  EXPECT_EQ(rows[2], "1|||||||");
  EXPECT_EQ(rows[17], "1|                     계|||||25.000000|");
  // The split statement carries the three parts and their totals.
  rows = s.Build(ReportKind::TenderStatementSplit, 1, "1");
  EXPECT_EQ(rows.size(), 18u);
  EXPECT_EQ(ReportTableFields(ReportKind::TenderStatementSplit).size(), 14u);
  EXPECT_TRUE(FileExists(s.dir.File("VakRpt4.DBF")));
}

TEST(ReportTables, TheItemTableIsGivenBackAndFailuresLeaveNothingHalfWritten) {
  Statement s(Items(30), "1");
  s.items.Xbase().Query("F_SEQ = 7");
  s.items.Xbase().GoTop();
  const uint32_t recno = s.items.RecNo();
  s.Build(ReportKind::TenderStatement);
  EXPECT_EQ(s.items.Xbase().Filter(), "F_SEQ = 7");
  EXPECT_EQ(s.items.RecNo(), recno);
  EXPECT_EQ(s.items.Xbase().Count(), 1u);

  // A damaged table of an earlier run is simply replaced.
  s.dir.Write("VakRpt3.DBF", "damaged");
  s.dir.Write("VakRpt3.CDX", "stale index");
  EXPECT_EQ(s.Build(ReportKind::TenderStatement).size(), 36u);
  EXPECT_FALSE(FileExists(s.dir.File("VakRpt3.CDX")));

  // A directory where the table would go: a clear message, nothing half-written, the
  // agency's files untouched, the item table given back.
  const std::string table = s.dir.Read("VAK.DBF");
  std::filesystem::remove(s.dir.File("VakRpt3.DBF"));
  std::filesystem::create_directory(s.dir.File("VakRpt3.DBF"));
  ReportTableInfo info;
  EXPECT_FALSE(BuildReportTable(s.items, {s.dir.path(), ReportKind::TenderStatement, 1, ProjectType::Single, "1"},
                                s.notifier, info));
  ASSERT_FALSE(s.notifier.messages.empty());
  EXPECT_EQ(s.notifier.messages.back().text, s.dir.File("VakRpt3.DBF") +
                                                 "\n보고서 자료 화일을 만들 수 없습니다. 디스크 공간과 쓰기 권한, 같은 "
                                                 "이름의 디렉토리가 있는지 확인하십시오.");
  EXPECT_FALSE(FileExists(s.dir.File("VakRpt3.DBF.new~")));
  EXPECT_EQ(s.dir.Read("VAK.DBF"), table);
  EXPECT_EQ(s.items.Xbase().Filter(), "F_SEQ = 7");
}

TEST(ReportTables, DamagedLinesAreShownAsFarAsTheyCanBe) {
  Row odd = Item("U", 1, 'X', "not a level", 1, 10, 10);
  Statement s({odd, Item("U", 2, '1', "plain", 1, 5, 5)}, "1");
  // A name of 40 bytes ending in the first half of a double-byte character, straight into the
  // table, as a damaged medium gives it.
  std::string bytes = s.dir.Read("VAK.DBF");
  const size_t des = 32 + 21 * 32 + 1 + 9 + kItemRecordLength;  // F_DES of the second record
  bytes.replace(des, 40, std::string(39, 'a') + "\xB0");
  s.items.Close();  // first: Windows does not write over a file that is open and mapped
  s.dir.Write("VAK.DBF", bytes);
  TZekTable reopened(s.env, s.notifier);
  ASSERT_TRUE(OpenTenderAsTheProgramDoes(s.dir.path(), s.env, reopened, s.notifier));
  ReportTableInfo info;
  ASSERT_TRUE(BuildReportTable(reopened, {s.dir.path(), ReportKind::TenderStatement, 1, ProjectType::Single, "1"},
                               s.notifier, info));
  DbfStatus status;
  auto rows = ReportRows::Open(info.path, status);
  ASSERT_TRUE(rows);
  const auto page = rows->PageRows(1);
  ASSERT_EQ(page.size(), 18u);
  const DbfField& name = rows->file().fields()[0];
  EXPECT_EQ(rows->Text(page[0], name).substr(0, 12), " not a level");  // no level: one blank
  const std::string cut = std::string(FieldBytes(page[1], name));
  EXPECT_EQ(cut.substr(0, 40), " " + std::string(39, 'a'));  // the half character is not carried
  EXPECT_FALSE(rows->Text(page[1], name).empty());
}

TEST(ReportTables, PagesAreFoundWithoutAScan) {
  Statement s(Items(40), "1");
  s.Build(ReportKind::TenderStatement, 5);
  DbfStatus status;
  auto rows = ReportRows::Open(s.last.path, status);
  ASSERT_TRUE(rows);
  EXPECT_EQ(rows->firstPage(), 5);
  EXPECT_EQ(rows->lastPage(), 7);
  EXPECT_EQ(rows->pageCount(), 3);
  const auto page6 = rows->PageRows(6);
  ASSERT_EQ(page6.size(), 18u);
  const DbfField& des = rows->file().fields()[0];
  EXPECT_EQ(TrimmedText(rows->Text(page6[0], des)), "item 19");
  EXPECT_TRUE(rows->PageRows(8).empty());
  EXPECT_TRUE(rows->PageRows(4).empty());
  EXPECT_EQ(IndentText("abc", 0), " abc");
  EXPECT_EQ(IndentText("abc", 3), "   abc");
  EXPECT_EQ(IndentText(std::string(39, 'x') + "\xB0\xA1", 1).size(), 40u);  // never half a character
}

TEST(ReportTables, MoreThanNineHundredNinetyNinePagesKeepTheirNumbers) {
  Statement s(Items(18 * 1000 + 1), "1");
  s.Build(ReportKind::TenderStatement);
  EXPECT_EQ(s.last.lastPage, 1001);
  DbfStatus status;
  auto rows = ReportRows::Open(s.last.path, status);
  ASSERT_TRUE(rows);
  EXPECT_EQ(rows->lastPage(), 1001);
  EXPECT_EQ(TrimmedText(rows->Text(rows->PageRows(1001)[0], rows->file().fields()[0])), "item 18001");
}

TEST(KoreanWords, TheWorkedValuesAndTheEdges) {
  const std::pair<long double, const char*> cases[] = {
      {1, "일"},
      {10, "일십"},
      {11, "일십일"},
      {110, "일백일십"},
      {10000, "일만"},
      {100000000, "일억"},
      {1000000000000.0L, "일조"},
      {12345000, "일천이백삼십사만오천"},
      {305000000, "삼억오백만"},
      {2000000000050.0L, "이조오십"},
      {0, ""},
      {0.4L, ""},
      {0.5L, "일"},
      {9999999999999999.0L, "구천구백구십구조구천구백구십구억구천구백구십구만구천구백구십구"},
      {1000010, "일백만일십"},
      {1200000, "일백이십만"},
  };
  for (const auto& [amount, words] : cases)
    EXPECT_EQ(AmountToKoreanWords(amount).value_or("<none>"), words) << static_cast<double>(amount);
  // What cannot be spelled is refused, never spelled from its leading digits.
  EXPECT_FALSE(AmountToKoreanWords(-1));
  EXPECT_FALSE(AmountToKoreanWords(1e16L));
  EXPECT_FALSE(CoverAmount(""));
  EXPECT_FALSE(CoverAmount("  "));
  EXPECT_FALSE(CoverAmount("12억"));
  EXPECT_FALSE(CoverAmount("-5"));
  EXPECT_FALSE(CoverAmount("10000000000000000"));
  for (const char* never : {"0", "1234.5", "0.4", "1000000000000"})
    EXPECT_FALSE(CoverAmount(never)) << never;  // not a calculation's
  EXPECT_EQ(CoverAmount("999999999999").value_or(-1), 999999999999.0L);
  EXPECT_EQ(CoverAmount(" 1200000 ").value_or(-1), 1200000.0L);
}

}  // namespace
}  // namespace vak
