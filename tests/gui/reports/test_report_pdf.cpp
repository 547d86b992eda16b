// The tender documents written as PDF by vaktool report, read back with poppler's tools:
// the texts a reader finds, the page count, size and orientation, and where the frame lies.
// And a PDF that fails on the way to the disk, written here in the test's own process.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <filesystem>
#include <fstream>
#include <memory>
#include <tuple>

#include "common/CodePage.h"
#include "common/Files.h"
#include "gui/common/Fonts.h"
#include "gui/reports/ReportPdf.h"
#include "reports/ReportTable.h"
#include "store/DbfFile.h"
#include "store/MemFile.h"
#include "tests/support/TestSupport.h"

namespace vak {
namespace {

using test::Shell;
using test::ShellRun;
using test::TempDir;

ShellRun Vaktool(const std::string& args) {
  return Shell("timeout 120 " + std::string(VAKTOOL) + " " + args + " </dev/null 2>&1");
}

// The bundled sample with a company, a person in charge and a tender amount in its header.
void SampleTender(const TempDir& dir, const std::string& amount = "1200000") {
  for (const char* name : {"VAK.DBF", "VAK.MEM"}) {
    std::filesystem::copy_file(std::string(VAK_SOURCE_DIR "/sample/") + name, dir.File(name));
  }
  ProjectHeader header = LoadProjectHeader(dir.path());
  ASSERT_TRUE(header.Whole());
  header.values[kCmnComp] = Utf8ToCp949("한빛건설(주)").value();
  header.values[kCmnName] = Utf8ToCp949("홍길동").value();
  header.values[kCmnIpmt] = amount;
  test::RecordingNotifier notifier;
  ASSERT_TRUE(SaveProjectHeader(dir.path(), header.values, notifier));
}

std::string PdfText(const std::string& pdf, int page = 0) {
  const std::string range = page ? " -f " + std::to_string(page) + " -l " + std::to_string(page) : "";
  return Shell("pdftotext -layout" + range + " " + pdf + " - 2>&1").out;
}

std::string PdfInfo(const std::string& pdf, const std::string& key) {
  const std::string out = Shell("pdfinfo " + pdf + " 2>&1").out;
  const size_t at = out.find(key + ":");
  if (at == std::string::npos) return "";
  size_t b = at + key.size() + 1;
  while (b < out.size() && out[b] == ' ') ++b;
  return out.substr(b, out.find('\n', b) - b);
}

// Whether `part` is in `text`, blanks aside: a PDF reader guesses the width of a gap.
std::string Squeezed(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c != ' ' && c != '\n') out.push_back(c);
  }
  return out;
}
bool Contains(const std::string& text, const std::string& part) {
  return Squeezed(text).find(Squeezed(part)) != std::string::npos;
}

class ReportPdf : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::ToolAvailable("command -v pdftotext") || !test::ToolAvailable("command -v pdfinfo"))
      GTEST_SKIP() << "poppler-utils is not installed";
    SampleTender(dir);
  }
  TempDir dir;
};

TEST_F(ReportPdf, TheTenderStatementWithItsStripsAndPageNumbers) {
  const std::string pdf = dir.File("statement.pdf");
  const ShellRun run = Vaktool("report " + dir.path() + " --kind statement --pdf " + pdf);
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_TRUE(Contains(run.out, "6쪽을 썼습니다")) << run.out;
  EXPECT_EQ(PdfInfo(pdf, "Pages"), "6");
  EXPECT_EQ(PdfInfo(pdf, "Page size"), "842 x 595 pts (A4)");
  const std::string first = PdfText(pdf, 1);
  EXPECT_TRUE(Contains(first, "Page : 1")) << first;
  EXPECT_TRUE(Contains(first, "건축공사")) << first;         // the part in the header strip
  EXPECT_TRUE(Contains(first, "한빛건설(주)")) << first;     // the company in the footer strip
  EXPECT_TRUE(Contains(first, "명           칭")) << first;  // the captions
  EXPECT_TRUE(Contains(first, "단가고정")) << first;
  const std::string last = PdfText(pdf, 6);
  EXPECT_TRUE(Contains(last, "Page : 6"));
  EXPECT_TRUE(Contains(last, "계")) << last;
  EXPECT_TRUE(FileExists(dir.File("VakRpt3.DBF")));  // built where the program builds it

  // First page 0: no page numbers; a range of pages; portrait.
  ASSERT_EQ(
      Vaktool("report " + dir.path() + " --kind statement --first-page 0 --pages 2-3 --portrait --pdf " + pdf).status,
      0);
  EXPECT_EQ(PdfInfo(pdf, "Pages"), "2");
  EXPECT_EQ(PdfInfo(pdf, "Page size"), "595 x 842 pts (A4)");
  EXPECT_FALSE(Contains(PdfText(pdf), "Page :"));
  // Start page 5: the pages are numbered from 5.
  ASSERT_EQ(Vaktool("report " + dir.path() + " --kind statement --first-page 5 --pages 6-6 --pdf " + pdf).status, 0);
  EXPECT_TRUE(Contains(PdfText(pdf), "Page : 6"));
}

// Every construction part in one document: each part from a new page under its own name, the
// page numbers running on, as many pages as the parts' own documents together.
TEST_F(ReportPdf, EveryPartInOneDocument) {
  const char* const names[] = {"건축공사", "토목공사", "기계설비공사"};
  for (const std::string kind : {"statement", "statement-lme", "overall"}) {
    std::vector<int> starts;
    int pages = 0;
    for (const char* part : {"1", "2", "3"}) {
      const std::string pdf = dir.File(kind + part + ".pdf");
      starts.push_back(pages + 1);
      ASSERT_EQ(Vaktool("report " + dir.path() + " --kind " + kind + " --part " + part + " --first-page " +
                        std::to_string(starts.back()) + " --pdf " + pdf)
                    .status,
                0);
      pages += std::stoi(PdfInfo(pdf, "Pages"));
    }
    const std::string all = dir.File(kind + "-all.pdf");
    ASSERT_EQ(Vaktool("report " + dir.path() + " --kind " + kind + " --part all --pdf " + all).status, 0);
    EXPECT_EQ(PdfInfo(all, "Pages"), std::to_string(pages)) << kind;
    for (size_t i = 0; i < starts.size(); ++i) {
      const std::string page = PdfText(all, starts[i]);
      EXPECT_EQ(page.substr(0, page.find(' ')), names[i]) << kind << " page " << starts[i];  // the header strip
      EXPECT_EQ(PdfText(all, starts[i]), PdfText(dir.File(kind + std::to_string(i + 1) + ".pdf"), 1)) << kind;
    }
  }
  // A part the tender does not have is refused, not printed as an empty statement.
  const ShellRun none = Vaktool("report " + dir.path() + " --kind statement --part 9 --pdf " + dir.File("none.pdf"));
  EXPECT_EQ(none.status, 1);
  EXPECT_TRUE(Contains(none.out, "[오류] 공사 9의 내역이 없습니다. 있는 공사: 1, 2, 3")) << none.out;
  EXPECT_FALSE(FileExists(dir.File("none.pdf")));
}

TEST_F(ReportPdf, EveryDocumentOfTheSample) {
  const std::pair<const char*, const char*> kinds[] = {
      {"summary", "입  찰   금  액   총  계"}, {"overall", "공  사  금  액  계"}, {"statement-lme", "재  료  비"}};
  for (const auto& [kind, text] : kinds) {
    const std::string pdf = dir.File(std::string(kind) + ".pdf");
    const ShellRun run = Vaktool("report " + dir.path() + " --kind " + kind + " --pdf " + pdf);
    ASSERT_EQ(run.status, 0) << kind << run.out;
    EXPECT_TRUE(Contains(PdfText(pdf), text)) << kind;
  }
  EXPECT_TRUE(Contains(PdfText(dir.File("overall.pdf")), "(작성자 직책/성명 : 홍길동)"));
  EXPECT_EQ(PdfInfo(dir.File("statement-lme.pdf"), "Page size"), "842 x 595 pts (A4)");
  // The 13-column statement is landscape only.
  EXPECT_EQ(Vaktool("report " + dir.path() + " --kind statement-lme --portrait --pdf " + dir.File("x.pdf")).status, 2);
  EXPECT_FALSE(FileExists(dir.File("x.pdf")));
}

TEST_F(ReportPdf, TheCoverSpellsTheAmountOrIsRefused) {
  const std::string pdf = dir.File("cover.pdf");
  ShellRun run = Vaktool("report " + dir.path() + " --kind cover --pdf " + pdf);
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(PdfInfo(pdf, "Pages"), "1");
  const std::string text = PdfText(pdf);
  EXPECT_TRUE(Contains(text, "일백이십만 원정")) << text;
  EXPECT_TRUE(Contains(text, "(1,200,000 ₩)")) << text;
  EXPECT_TRUE(Contains(text, "한빛시 종합복지관 신축공사")) << text;
  EXPECT_FALSE(FileExists(dir.File("VakRpt1.DBF")));  // no report table for the cover

  // A negative amount, one too large to spell, and a header without the amount.
  for (const std::string amount : {"-5", "10000000000000000", "absent"}) {
    TempDir other;
    SampleTender(other, amount == "absent" ? "0" : amount);
    if (amount == "absent") {
      std::string bytes = other.Read("VAK.MEM");
      const size_t at = bytes.find("CMN_IPMT");
      ASSERT_NE(at, std::string::npos);
      bytes.erase(at, 32 + 8);  // the entry and its 8-byte number
      other.Write("VAK.MEM", bytes);
    }
    const std::string refused = other.File("cover.pdf");
    run = Vaktool("report " + other.path() + " --kind cover --pdf " + refused);
    EXPECT_EQ(run.status, 1) << amount;
    EXPECT_TRUE(Contains(run.out, "입찰 금액(CMN_IPMT)이 없거나 범위를 벗어나 입찰 표지를 만들 수 없습니다."))
        << run.out;
    EXPECT_FALSE(FileExists(refused)) << amount;
  }
}

TEST_F(ReportPdf, TheFrameLiesAtTheLeftMargin) {
  if (!test::ToolAvailable("command -v pdftoppm")) GTEST_SKIP() << "poppler-utils is not installed";
  const std::string pdf = dir.File("statement.pdf");
  ASSERT_EQ(Vaktool("report " + dir.path() + " --kind statement --pages 1-1 --pdf " + pdf).status, 0);
  // 127 dots per inch: 5 pixels a millimetre. Margin 4 is 8 mm: the frame's left edge at 40.
  ASSERT_EQ(Shell("pdftoppm -gray -r 127 -f 1 -l 1 " + pdf + " " + dir.File("page")).status, 0);
  std::ifstream in(dir.File("page-1.pgm"), std::ios::binary);
  std::string magic;
  int width = 0, height = 0, depth = 0;
  in >> magic >> width >> height >> depth;
  in.get();
  std::string pixels(static_cast<size_t>(width) * static_cast<size_t>(height), '\0');
  in.read(pixels.data(), static_cast<std::streamsize>(pixels.size()));
  ASSERT_EQ(magic, "P5");
  EXPECT_NEAR(width, 1485, 1);  // 297 mm
  const int y = height / 2;
  int left = -1;
  for (int x = 0; x < width && left < 0; ++x) {
    if (static_cast<unsigned char>(
            pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]) < 128)
      left = x;
  }
  EXPECT_NEAR(left, 40, 1);
}

TEST_F(ReportPdf, AReportThatCannotBeWrittenLeavesNothingBehind) {
  ASSERT_EQ(Vaktool("prepare " + dir.path()).status, 0);
  const std::string table = dir.Read("VAK.DBF");
  const std::string header = dir.Read("VAK.MEM");
  std::filesystem::create_directory(dir.File("VakRpt3.DBF"));
  ShellRun run = Vaktool("report " + dir.path() + " --kind statement --pdf " + dir.File("s.pdf"));
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.out, "보고서 자료 화일을 만들 수 없습니다")) << run.out;
  EXPECT_FALSE(FileExists(dir.File("s.pdf")));
  EXPECT_FALSE(FileExists(dir.File("VakRpt3.DBF.new~")));
  EXPECT_EQ(dir.Read("VAK.DBF"), table);
  EXPECT_EQ(dir.Read("VAK.MEM"), header);
  // A PDF that cannot be written: a message, no half-written file.
  run = Vaktool("report " + dir.path() + " --kind overall --pdf " + dir.File("no/such/dir/o.pdf"));
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.out, "출력 화일을 둘 디렉토리(" + dir.File("no/such/dir") + ")가 없습니다.")) << run.out;
  // Bad options.
  EXPECT_EQ(Vaktool("report " + dir.path() + " --kind memo --pdf " + dir.File("m.pdf")).status, 2);
  EXPECT_EQ(Vaktool("report " + dir.path() + " --kind statement --first-page 901 --pdf " + dir.File("m.pdf")).status,
            2);
  EXPECT_EQ(Vaktool("report " + dir.path() + " --kind statement --margins 1,2,3 --pdf " + dir.File("m.pdf")).status, 2);
}

// The PDF writer itself runs in this process: one offscreen application for the run.
struct QtApplication : ::testing::Environment {
  void SetUp() override {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app = std::make_unique<QGuiApplication>(argc, argv);
    InstallKoreanFonts();
  }
  void TearDown() override { app.reset(); }
  int argc = 1;
  char name[5] = "test", *argv[2] = {name, nullptr};
  std::unique_ptr<QGuiApplication> app;
};
::testing::Environment* const kQt = ::testing::AddGlobalTestEnvironment(new QtApplication);

// Figures too wide for their cells are condensed, or shown as "#" marks, never cut into another
// number; the fixed-price remark is kept whole the same way. Each line: quantity, unit prices,
// amounts (the material, labour and expense columns too).
TEST(ReportPdfFile, FiguresAndTheFixedPriceRemarkAreNeverCut) {
  if (!test::ToolAvailable("command -v pdftotext")) GTEST_SKIP() << "poppler-utils is not installed";
  const long double lines[][3] = {{123456.789L, 1234567, 999999999999.0L},
                                  {9876543.21L, 123456789012.0L, 987654321098.0L},
                                  {98765432109.8765L, 1, 1}};  // the widest quantity the table holds
  for (const auto& [kind, landscape, widestFits] :
       {std::tuple{ReportKind::TenderStatement, true, true}, std::tuple{ReportKind::TenderStatement, false, false},
        std::tuple{ReportKind::TenderStatementSplit, true, true}}) {
    TempDir dir;
    const std::vector<DbfField>& fields = ReportTableFields(kind);
    DbfWriter writer(dir.File("t.dbf"), fields);
    for (const auto& [quantity, price, amount] : lines) {
      std::string record(static_cast<size_t>(fields.back().offset + fields.back().length), ' ');
      for (const DbfField& f : fields) {
        const bool unitPrice = f.name == "F_PRIC" || f.name.ends_with('0');
        const long double value = f.name == "F_QQTY" ? quantity : unitPrice ? price : amount;
        if (f.type == 'N') StoreNumericField(record.data(), f, f.name == "F_PAGE" ? 1 : value);
        if (f.name == "F_BIGO") StoreCharacterField(record.data(), f, Utf8ToCp949("단가고정").value());
      }
      writer.Add(record.data());
    }
    ASSERT_EQ(writer.Commit(), 0);
    ReportSetup setup;
    setup.kind = kind;
    setup.landscape = landscape;
    DbfStatus status;
    const ReportDocument document(setup, ReportRows::Open(dir.File("t.dbf"), status));
    ASSERT_TRUE(WriteReportPdf(document, dir.File("p.pdf"), 1, 1, nullptr));
    const std::string text = PdfText(dir.File("p.pdf"));
    for (const char* whole : {"123,456.789", "1,234,567", "999,999,999,999", "9,876,543.21", "123,456,789,012",
                              "987,654,321,098", "단가고정"})
      EXPECT_TRUE(Contains(text, whole)) << whole << "\n" << text;
    EXPECT_TRUE(Contains(text, widestFits ? "98,765,432,109.8765" : "###")) << text;
    EXPECT_EQ(Contains(text, "98,765,432,1"), widestFits) << text;  // no cut figure in its place
  }
}

TEST(ReportPdfFile, AFailureOnTheWayToTheDiskKeepsTheOldPdf) {
  TempDir dir;
  ReportSetup setup;
  setup.kind = ReportKind::Cover;
  const ReportDocument cover(setup, nullptr);
  const std::string pdf = dir.File("cover.pdf");
  std::string error;
  ASSERT_TRUE(WriteReportPdf(cover, pdf, 1, 1, &error)) << error;
  const std::string good = dir.Read("cover.pdf");
  ASSERT_TRUE(good.starts_with("%PDF-"));
  const std::string kept = ". 전에 있던 화일은 그대로입니다.";
  for (const FileFault fault : {FileFault::Write, FileFault::Sync, FileFault::Rename}) {
    FailNthFileOperation(fault, 1);
    EXPECT_FALSE(WriteReportPdf(cover, pdf, 1, 1, &error));
    EXPECT_EQ(dir.Read("cover.pdf"), good);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"cover.pdf"});  // nothing left beside it
    EXPECT_TRUE(error.starts_with(pdf + "\nPDF 화일을 쓰지 못했습니다: ") && error.ends_with(kept)) << error;
  }
  EXPECT_EQ(error,
            pdf + "\nPDF 화일을 쓰지 못했습니다: 디스크에 쓰는 중 오류가 났습니다 (오류 번호 5)" + kept);  // rename
  FailNthFileOperation(FileFault::Write, 1);
  EXPECT_FALSE(WriteReportPdf(cover, dir.File("new.pdf"), 1, 1, &error));
  EXPECT_EQ(error,
            dir.File("new.pdf") + "\nPDF 화일을 쓰지 못했습니다: 디스크 공간이 모자랍니다. 화일을 만들지 않았습니다.");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"cover.pdf"});
}

}  // namespace
}  // namespace vak
