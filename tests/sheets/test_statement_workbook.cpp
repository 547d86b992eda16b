#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "sheets/StatementWorkbook.h"
#include "sheets/XlsxExport.h"
#include "tests/pricing/TenderFixture.h"
#include "tools/SampleTender.h"

namespace vak {
namespace {

using test::TempDir;
using Rows = std::vector<std::vector<std::string>>;

std::vector<std::string> CsvFields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
      fields.back() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

// Every sheet of `xlsx` as LibreOffice reads it: the cached values as stored, or (with
// `recalculate`) every formula computed again when the workbook is loaded.
std::map<std::string, Rows> OpenInLibreOffice(const std::string& xlsx, const std::string& work, bool recalculate) {
  const std::string profile = work + (recalculate ? "/lo-recalc" : "/lo-stored");
  std::filesystem::create_directories(profile + "/user");
  std::ofstream(profile + "/user/registrymodifications.xcu")
      << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
         "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">\n<item oor:path=\"/org.openoffice.Office.Calc/Formula/Load\">"
         "<prop oor:name=\"OOXMLRecalcMode\" oor:op=\"fuse\"><value>"
      << (recalculate ? 0 : 1) << "</value></prop></item>\n</oor:items>\n";
  const std::string out = profile + "/csv-" + std::filesystem::path(xlsx).stem().string();
  const std::string command = "soffice -env:UserInstallation=file://" + profile +
                              " --headless --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,"
                              "false,false,false,-1' --outdir " +
                              out + " " + xlsx + " >/dev/null 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  std::map<std::string, Rows> sheets;
  const std::string stem = std::filesystem::path(xlsx).stem().string() + "-";
  for (const auto& entry : std::filesystem::directory_iterator(out)) {
    std::string name = entry.path().stem().string().substr(stem.size());
    std::ifstream in(entry.path());
    for (std::string line; std::getline(in, line);) sheets[name].push_back(CsvFields(line));
  }
  return sheets;
}

bool HaveLibreOffice() { return std::system("command -v soffice >/dev/null 2>&1") == 0; }

// A compound sample, priced by the test (split prices on odd sequence numbers) and calculated,
// taken to LibreOffice: every amount it shows, as stored and recomputed, is the program's.
TEST(StatementWorkbook, LibreOfficeShowsAndRecomputesTheProgramsAmounts) {
  if (!HaveLibreOffice()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
  TempDir dir, work;
  SampleOptions options;
  options.lines = 300;
  ASSERT_TRUE(WriteSampleTender(dir.path(), options));
  StatementWorkbook book, zeroed;
  std::map<std::string, std::array<long long, 4>> stored;  // by key
  {
    TXbaseEnv env;
    test::PriceAndCalculate(dir.path(), env, [](const TZekTable& t) -> std::optional<test::HandPrice> {
      return test::PriceFor(static_cast<long>(t.FieldAsFloat("F_SEQ")));
    });
    test::RecordingNotifier n;
    TZekTable items(env, n);
    ASSERT_TRUE(OpenTenderForReview(dir.path(), items, n));
    book = ReadStatementWorkbook(items, ProjectType::Compound);
  }
  ASSERT_EQ(book.parts.size(), 3u);
  EXPECT_EQ(book.tenderAmount, std::stoll(ReadMemVar(dir.File("VAK.MEM"), "CMN_IPMT")));
  // The same workbook with every cached amount 0: only a recalculation shows the amounts.
  zeroed = book;
  for (PartSheet& p : zeroed.parts) {
    for (SheetLine& l : p.lines) l.amounts = {};
    p.total = {};
  }
  for (SummarySheetLine& l : zeroed.summary) l.amounts = {};
  zeroed.tenderAmount = 0;
  ASSERT_TRUE(WriteStatementXlsx(book, work.File("book.xlsx")));
  ASSERT_TRUE(WriteStatementXlsx(zeroed, work.File("zeroed.xlsx")));

  const int amountColumns[] = {kSheetMaterialAmount, kSheetLabourAmount, kSheetExpenseAmount, kSheetAmount};
  struct Run {
    const char* file;
    bool recalculate;
  };
  for (const Run& run : {Run{"book.xlsx", false}, Run{"book.xlsx", true}, Run{"zeroed.xlsx", true}}) {
    SCOPED_TRACE(std::string(run.file) + (run.recalculate ? ", recalculated" : ", as stored"));
    std::map<std::string, Rows> sheets = OpenInLibreOffice(work.File(run.file), work.path(), run.recalculate);
    ASSERT_EQ(sheets.size(), 4u);
    long checked = 0;
    for (const PartSheet& part : book.parts) {
      const Rows& rows = sheets[part.name];
      ASSERT_EQ(rows.size(), part.lines.size() + 2) << part.name;
      for (size_t i = 0; i < part.lines.size(); ++i) {
        const std::vector<std::string>& row = rows[i + 1];
        ASSERT_EQ(row.at(kSheetKey), part.partCode + ":" + std::to_string(part.lines[i].recno));
        for (int k = 0; k < 4; ++k) {
          EXPECT_EQ(row.at(static_cast<size_t>(amountColumns[k])), std::to_string(part.lines[i].amounts[k]))
              << part.name << " row " << i + 2 << " column " << ColumnLetter(amountColumns[k]);
          ++checked;
        }
      }
      for (int k = 0; k < 4; ++k)
        EXPECT_EQ(rows.back().at(static_cast<size_t>(amountColumns[k])), std::to_string(part.total[k]));
    }
    EXPECT_GT(checked, 1000);
    EXPECT_EQ(sheets["총괄집계"].back().at(kSheetAmount), std::to_string(book.tenderAmount));
  }
}

TEST(StatementWorkbook, SheetNamesAndFormulas) {
  EXPECT_EQ(SheetName("건축/토목: [1]*?", {}), "건축토목 1");
  EXPECT_EQ(SheetName("건축공사", {"건축공사", "건축공사 (2)"}), "건축공사 (3)");
  EXPECT_EQ(SheetName(std::string(40, 'x'), {}), std::string(28, 'x'));
  EXPECT_EQ(ColumnLetter(0) + ColumnLetter(25) + ColumnLetter(26) + ColumnLetter(27), "AZAAAB");
  SheetLine heading;
  heading.heading = true;
  heading.level = 2;
  heading.quantity = 2;
  EXPECT_EQ(AmountFormula(heading, kSheetAmount, 5, 40), "ROUNDDOWN(E5*SUMIF(P6:P40,5,M6:M40),0)");
  SheetLine item;
  item.item = true;
  EXPECT_EQ(AmountFormula(item, kSheetLabourAmount, 7, 40), "ROUNDDOWN(E7*H7,0)");
}

}  // namespace
}  // namespace vak
