#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <zip.h>

#include "sheets/PriceImport.h"
#include "sheets/StatementWorkbook.h"
#include "sheets/XlsxExport.h"
#include "tests/pricing/TenderFixture.h"
#include "tools/SampleTender.h"

namespace vak {
namespace {

using test::FilesIn;
using test::RecordingNotifier;
using test::TempDir;

bool HaveLibreOffice() { return std::system("command -v soffice >/dev/null 2>&1") == 0; }

// LibreOffice converts `file` to `format` ("xlsx") into `out`; the new file's path.
std::string Convert(const std::string& file, const std::string& format, const std::string& out) {
  const bool csv = std::filesystem::path(file).extension() == ".csv";  // read as UTF-8, comma separated
  const std::string command = "soffice -env:UserInstallation=file://" + out + "/profile --headless " +
                              (csv ? "--infilter=CSV:44,34,76,1 " : "") + "--convert-to " + format + " --outdir " +
                              out + " " + file + " >/dev/null 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return out + "/" + std::filesystem::path(file).stem().string() + "." + format;
}

long long StoredTender(const std::string& dir) { return std::stoll(ReadMemVar(JoinPath(dir, "VAK.MEM"), "CMN_IPMT")); }

void WriteSample(const std::string& dir) {
  SampleOptions options;
  options.lines = 300;
  ASSERT_TRUE(WriteSampleTender(dir, options));
}

// The priced statement exported, saved again by LibreOffice, and imported into the unpriced
// bill gives the same tender amount; a plain price sheet LibreOffice made from a CSV file puts
// each price on its item.
TEST(PriceImport, WorkbooksSavedByLibreOfficeComeBack) {
  if (!HaveLibreOffice()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
  TempDir priced, unpriced, plain, work;
  WriteSample(priced.path());
  WriteSample(unpriced.path());
  WriteSample(plain.path());
  TXbaseEnv env;
  test::PriceAndCalculate(priced.path(), env, [](const TZekTable& t) -> std::optional<test::HandPrice> {
    return test::PriceFor(static_cast<long>(t.FieldAsFloat("F_SEQ")));
  });
  {
    RecordingNotifier n;
    TZekTable items(env, n);
    ASSERT_TRUE(OpenTenderForReview(priced.path(), items, n));
    ASSERT_TRUE(WriteStatementXlsx(ReadStatementWorkbook(items, ProjectType::Compound), work.File("bill.xlsx")));
  }
  std::filesystem::create_directories(work.File("again"));
  const std::string again = Convert(work.File("bill.xlsx"), "xlsx", work.File("again"));
  const std::string before = *ReadWholeFile(again);
  RecordingNotifier n;
  const ImportResult result = ImportPrices({unpriced.path(), again, false, "", false}, env, n);
  ASSERT_TRUE(result.completed) << (n.messages.empty() ? "" : n.messages.back().text);
  EXPECT_EQ(StoredTender(unpriced.path()), StoredTender(priced.path()));
  EXPECT_EQ(result.plan.Count(CarryOutcome::New), 0);
  EXPECT_EQ(result.plan.Count(CarryOutcome::QuantityChanged), 0);  // 80.57299999999999 is 80.573
  EXPECT_EQ(result.plan.Count(CarryOutcome::Removed), 0);          // fixed-price rows are not offered
  EXPECT_EQ(*ReadWholeFile(again), before);                        // the source is only read

  // A plain sheet: 공종명, 규격, 단위, 단가, made by LibreOffice from a CSV file.
  std::ofstream(work.File("plain.csv")) << "공종명,규격,단위,단가\n교목 식재,소나무 H3.0,주,\"12,345\"\n"
                                        << "자기질타일 붙이기,300x300,M2,23456\n없는 항목,,식,1\n";
  std::filesystem::create_directories(work.File("plain"));
  const std::string sheet = Convert(work.File("plain.csv"), "xlsx", work.File("plain"));
  RecordingNotifier p;
  const ImportResult plainResult = ImportPrices({plain.path(), sheet, false, "", false}, env, p);
  ASSERT_TRUE(plainResult.completed) << (p.messages.empty() ? "" : p.messages.back().text);
  EXPECT_EQ(plainResult.plan.Count(CarryOutcome::Removed), 1);  // 없는 항목
  // The report speaks of the sheet: its rows, and a row no item matches.
  const std::string report = ImportReportCsv(plainResult);
  EXPECT_NE(report.find(",시트 행,시트 단위,시트 수량,"), std::string::npos);
  EXPECT_NE(report.find("\r\n맞는 항목 없음,,,,없는 항목,,식,,4,식,,1,,,\r\n"), std::string::npos) << report;
  // Over the whole tender, the first such item takes the price (the n-th row the n-th item).
  std::vector<std::string> carried;
  for (const CarryLine& line : plainResult.plan.lines) {
    if (line.outcome == CarryOutcome::Carried)
      carried.push_back(Cp949ToUtf8(line.target.name) + " " + line.target.price);
  }
  std::sort(carried.begin(), carried.end());
  EXPECT_EQ(carried, (std::vector<std::string>{"교목 식재 12345", "자기질타일 붙이기 23456"}));
}

SheetRows Sheet(std::vector<std::vector<std::string>> cells) {
  SheetRows sheet;
  sheet.name = "단가";
  for (const auto& row : cells) {
    std::vector<SheetCell> out;
    for (const std::string& c : row) {
      SheetCell cell;
      if (c == "=") {
        cell.formula = true;  // a formula saved without its value
      } else if (!c.empty()) {
        cell.kind = c[0] == '\'' ? SheetCell::Kind::Text : SheetCell::Kind::Number;
        cell.value = c[0] == '\'' ? c.substr(1) : c;
        if (cell.kind == SheetCell::Kind::Number && !std::isdigit(static_cast<unsigned char>(c.back())))
          cell.kind = SheetCell::Kind::Text;
      }
      out.push_back(cell);
    }
    sheet.rows.push_back(out);
  }
  return sheet;
}

// Rows whose prices cannot be taken are listed with the reason; the others are taken.
TEST(PriceImport, RowsThatCannotBeTakenAreListed) {
  const SheetRows sheet = Sheet({{"제목 줄"},
                                 {"키", "공종명", "규격", "단위", "단가"},
                                 {"U1:5", "가", "", "M2", "1000"},
                                 {"U1:6", "나", "", "M2", "1000.5"},
                                 {"U1:7", "다", "", "M2", "'1,000"},
                                 {"U1:8", "라", "", "M2", "-5"},
                                 {"U1:9", "마", "", "M2", "="},
                                 {"U1:5", "바", "", "M2", "7"},
                                 {"", "", "", "", ""},
                                 {"U1:10", "사", "", "M2", ""}});
  const PriceRows rows = ReadPriceRows({sheet}, "", false);
  ASSERT_EQ(rows.source.items.size(), 1u);
  EXPECT_TRUE(rows.source.byKey);
  EXPECT_EQ(rows.source.items[0].price, "1000");
  std::vector<std::string> why;
  for (const RefusedRow& r : rows.refused) why.push_back(std::to_string(r.row) + " " + r.why);
  EXPECT_EQ(why, (std::vector<std::string>{"4 소수 단가", "5 숫자가 아닌 단가 (텍스트로 저장된 숫자)", "6 음수 단가",
                                           "7 수식의 값이 저장되지 않은 단가", "8 키 중복"}));
  // A single price given twice, differently; a split price whose total was typed over.
  const PriceRows both = ReadPriceRows({Sheet({{"공종명", "규격", "단위", "재료비", "노무비", "경비", "단가"},
                                               {"가", "", "M2", "100", "", "", "120"},
                                               {"나", "", "M2", "100", "10", "1", "120"}})},
                                       "", false);
  ASSERT_EQ(both.refused.size(), 2u);
  EXPECT_EQ(both.refused[0].why, "재료비 단가와 합계 단가가 다름");
  EXPECT_EQ(both.refused[1].why, "합계 단가가 재료비, 노무비, 경비의 합과 다름");
  // From a CSV file the same text is a number.
  EXPECT_EQ(ReadPriceRows({Sheet({{"공종명", "규격", "단위", "단가"}, {"다", "", "M2", "'1,000"}})}, "", true)
                .source.items.at(0)
                .price,
            "1000");
}

// A workbook of one sheet whose XML is `sheet`.
void WriteWorkbook(const std::string& path, const std::string& sheet) {
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_TRUE(zip);
  const std::pair<const char*, std::string> parts[] = {
      {"xl/workbook.xml", "<workbook><sheets><sheet name=\"단가\" r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/></Relationships>"},
      {"xl/worksheets/sheet1.xml", "<worksheet><sheetData>" + sheet + "</sheetData></worksheet>"}};
  for (const auto& [name, xml] : parts) {
    char* copy = static_cast<char*>(std::malloc(xml.size()));
    std::memcpy(copy, xml.data(), xml.size());
    zip_source_t* source = zip_source_buffer(zip, copy, xml.size(), 1);
    ASSERT_GE(zip_file_add(zip, name, source, ZIP_FL_OVERWRITE), 0);
  }
  ASSERT_EQ(zip_close(zip), 0);
}

// What is not a price sheet is refused, and the tender stays as it was.
TEST(PriceImport, BadFilesLeaveTheTenderAsItWas) {
  TempDir tender, work;
  WriteSample(tender.path());
  std::ofstream(work.File("text.xlsx")) << "not a workbook";
  std::ofstream(work.File("columns.csv")) << "이름,값\n터파기,1000\n";
  const std::string header =
      "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>공종명</t></is></c><c r=\"B1\" t=\"inlineStr\"><is><t>규격</t>"
      "</is></c><c r=\"C1\" t=\"inlineStr\"><is><t>단위</t></is></c><c r=\"D1\" t=\"inlineStr\"><is><t>단가</t>"
      "</is></c></row>";
  WriteWorkbook(work.File("lower.xlsx"), header + "<row r=\"2\"><c r=\"a2\"><v>1</v></c></row>");
  WriteWorkbook(work.File("wide.xlsx"), header + "<row r=\"2\"><c r=\"ZZZZZZ2\"><v>1</v></c></row>");
  WriteWorkbook(work.File("long.xlsx"), header + "<row r=\"99999999\"><c><v>1</v></c></row>");
  std::ofstream(work.File("quote.csv")) << "공종명,규격,단위,단가\n\"터파기,토사,M3,100\n";
  std::ofstream(work.File("cp949.csv"))
      << "\xB0\xF8\xC1\xBE\xB8\xED,\xB1\xD4\xB0\xDD,\xB4\xDC\xC0\xA7,\xB4\xDC\xB0\xA1\n";
  const auto files = FilesIn(tender.path());
  TXbaseEnv env;
  struct Case {
    std::string path;
    bool csv;
    const char* message;
  };
  for (const Case& c :
       {Case{work.File("text.xlsx"), false, "엑셀 통합 문서(.xlsx)가 아닙니다"},
        Case{work.File("missing.xlsx"), false, "화일을 열 수 없습니다"},
        Case{work.File("columns.csv"), true, "머리줄에 공종명, 규격, 단위, 단가 열이 있어야 합니다"},
        Case{work.File("lower.xlsx"), false, "손상되었거나"}, Case{work.File("wide.xlsx"), false, "손상되었거나"},
        Case{work.File("long.xlsx"), false, "손상되었거나"},
        Case{work.File("quote.csv"), true, "따옴표(\")가 닫히지 않은"}}) {
    SCOPED_TRACE(c.path);
    RecordingNotifier n;
    EXPECT_FALSE(ImportPrices({tender.path(), c.path, c.csv, "", false}, env, n).completed);
    ASSERT_FALSE(n.messages.empty());
    EXPECT_NE(n.messages.back().text.find(c.message), std::string::npos) << n.messages.back().text;
    EXPECT_EQ(FilesIn(tender.path()), files);
  }
  // A CSV file in code page 949 reads as the same Korean titles.
  const std::optional<SheetRows> cp949 = ReadCsvSheet(work.File("cp949.csv"), nullptr);
  ASSERT_TRUE(cp949);
  EXPECT_EQ(cp949->rows.at(0).at(0).value, "공종명");
  EXPECT_EQ(cp949->rows.at(0).at(3).value, "단가");
  // UTF-8 with a character code page 949 lacks stays UTF-8 (the row is refused, not the file).
  std::ofstream(work.File("won.csv")) << "공종명,규격,단위,단가,비고\n터파기,토사,M3,100,₩\n";
  EXPECT_EQ(ReadCsvSheet(work.File("won.csv"), nullptr)->rows.at(1).at(4).value, "₩");
}

}  // namespace
}  // namespace vak
