#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>

#include "common/CodePage.h"
#include "common/Files.h"
#include "common/Text.h"
#include "pricing/Calculation.h"
#include "pricing/PriceCarry.h"
#include "pricing/PriceEntry.h"
#include "pricing/TenderReview.h"
#include "store/ItemTable.h"
#include "store/MemFile.h"
#include "store/Preparation.h"
#include "store/TenderFiles.h"
#include "tests/pricing/TenderFixture.h"
#include "tests/support/ItemRows.h"
#include "tests/support/TestSupport.h"
#include "tools/SampleTender.h"

namespace vak {
namespace {

using test::F;
using test::FilesIn;
using test::Get;
using test::HandPrice;
using test::PriceAndCalculate;
using test::PriceFor;
using test::RecordingNotifier;
using test::Records;
using test::TempDir;
using test::WriteRecords;

// ---------------------------------------------------------------- matching

CarryItem Candidate(const std::string& part, long seq, const std::string& code, const std::string& name,
                    const std::string& unit, const std::string& quantity, const std::string& price) {
  CarryItem item;
  item.recno = static_cast<uint32_t>(seq);
  item.part = part;
  item.seq = seq;
  item.code = code;
  item.name = Utf8ToCp949(name).value();
  item.spec = "";
  item.unit = Utf8ToCp949(unit).value();
  item.quantity = quantity;
  item.price = price;
  item.priced = HoldsNonZero(price);
  return item;
}

TEST(PriceCarry, MatchingByUniqueCodesThenByTextsTheNthToTheNth) {
  const std::vector<CarryItem> source = {
      Candidate("U1", 1, "A1", "터파기", "M3", "10.000", "1000"),
      Candidate("U1", 2, "D", "거푸집", "M2", "5.000", "200"),  // code D twice: not a key
      Candidate("U1", 3, "D", "거푸집", "M2", "6.000", "300"),
      Candidate("U1", 4, "", "현장정리", "식", "1.000", "50"),
      Candidate("U1", 5, "", "현장정리", "식", "1.000", "60"),
      Candidate("U1", 6, "B7", "철근", "TON", "2.000", "900"),
      Candidate("U1", 7, "", "", "", "1.000", "5"),  // an empty name is a text like any other
      Candidate("U1", 8, "X9", "사라진 항목", "EA", "1.000", "10"),
      Candidate("U2", 1, "A1", "터파기", "M3", "10.000", "1111"),  // the same code in another part
      Candidate("U1", 9, "C3", "단가 없음", "EA", "1.000", "0"),
  };
  std::vector<CarryItem> target = {
      Candidate("U1", 1, "A1", "터파기(변경)", "M3", "10.000", "0"),  // code wins over the changed name
      Candidate("U1", 2, "D", "거푸집", "M2", "5.000", "0"),
      Candidate("U1", 3, "D", "거푸집", "M2", "7.000", "0"),  // 2nd to 2nd, quantity changed
      Candidate("U1", 4, "", "현장정리", "식", "1.000", "0"),
      Candidate("U1", 5, "", "현장정리", "식", "1.000", "0"),
      Candidate("U1", 6, "B7", "철근", "KG", "2000.000", "0"),  // unit changed: not carried
      Candidate("U1", 7, "", "", "", "1.000", "0"),
      Candidate("U1", 8, "N1", "새 항목", "EA", "1.000", "0"),
      Candidate("U1", 9, "C3", "단가 없음", "EA", "1.000", "0"),
      Candidate("U1", 10, "", "현장정리", "식", "1.000", "0"),   // a third: no third in the source
      Candidate("U2", 1, "A1", "터파기", "M3", "10.000", "77"),  // priced already
  };
  // Texts differ only in trailing blanks after they are read: CarryItemsOf trims them.
  CarryPlan plan = MatchPrices(source, target, false);
  std::map<long, CarryOutcome> u1;
  for (const CarryLine& line : plan.lines) {
    if (line.outcome != CarryOutcome::Removed && line.target.part == "U1") u1[line.target.seq] = line.outcome;
  }
  EXPECT_EQ(u1[1], CarryOutcome::Carried);
  EXPECT_EQ(u1[2], CarryOutcome::Carried);
  EXPECT_EQ(u1[3], CarryOutcome::QuantityChanged);
  EXPECT_EQ(u1[4], CarryOutcome::Carried);
  EXPECT_EQ(u1[5], CarryOutcome::Carried);
  EXPECT_EQ(u1[6], CarryOutcome::UnitChanged);
  EXPECT_EQ(u1[7], CarryOutcome::Carried);
  EXPECT_EQ(u1[8], CarryOutcome::New);
  EXPECT_EQ(u1[9], CarryOutcome::SourceUnpriced);
  EXPECT_EQ(u1[10], CarryOutcome::New);
  for (const CarryLine& line : plan.lines) {
    if (line.target.part == "U1" && line.target.seq == 3) {
      EXPECT_EQ(line.source.price, "300");
    }
    if (line.target.part == "U1" && line.target.seq == 5) {
      EXPECT_EQ(line.source.price, "60");
    }
  }
  EXPECT_EQ(plan.Count(CarryOutcome::Kept), 1);
  ASSERT_EQ(plan.Count(CarryOutcome::Removed), 1);
  EXPECT_EQ(Cp949ToUtf8(plan.lines.back().source.name), "사라진 항목");
  EXPECT_EQ(CarrySummaryText(plan),
            "가져옴 5, 수량 변경 1, 유지 1, 신규 2, 단위 변경 1, 원본 단가 없음 1, 원본 단가 읽을 수 없음 0, 한도 초과 "
            "0, 삭제됨 1");

  // --overwrite replaces the price entered in the target.
  plan = MatchPrices(source, target, true);
  EXPECT_EQ(plan.Count(CarryOutcome::Kept), 0);
  EXPECT_EQ(plan.Count(CarryOutcome::Carried), 6);

  // The report: a byte-order mark, a header, one row per line, quoted where needed.
  const std::string csv = CarryReportCsv(plan);
  EXPECT_EQ(csv.rfind("\xEF\xBB\xBF결과,공사,순번,코드,", 0), 0u);
  EXPECT_NE(csv.find("\r\n수량 변경,U1,3,D,거푸집,,M2,7.000,3,M2,6.000,300,,,\r\n"), std::string::npos);
  EXPECT_NE(csv.find("\r\n삭제됨,U1,,X9,사라진 항목,,EA,,8,EA,1.000,10,,,\r\n"), std::string::npos);
  EXPECT_NE(csv.find("\r\n신규,U1,8,N1,새 항목,,EA,1.000,,,,,,,\r\n"), std::string::npos);
  size_t rows = 0;
  for (size_t at = csv.find("\r\n"); at != std::string::npos; at = csv.find("\r\n", at + 2)) ++rows;
  EXPECT_EQ(rows, 1 + plan.lines.size());
}

// ---------------------------------------------------------------- carrying between tenders

void Put(std::string& r, const char* name, const std::string& text) {
  const DbfField& f = F(name);
  if (f.type == 'N') {
    StoreNumericField(r.data(), f, std::stold(text));
  } else {
    StoreCharacterField(r.data(), f, text);
  }
}

// The same sample bill of `lines` lines in each directory.
void WriteSamples(const std::vector<const TempDir*>& dirs, long lines) {
  SampleOptions options;
  options.lines = lines;
  for (const TempDir* dir : dirs) ASSERT_TRUE(WriteSampleTender(dir->path(), options));
}

bool TakesPriceRaw(const std::vector<std::string>& records, size_t i) {
  const std::string& r = records[i];
  const char level = FieldBytes(r.data(), F("F_LVL"))[0];
  const char next = FieldBytes(r.data(), F("F_NLVL"))[0];
  return TakesPrice(level, next, ParseNumericField(Get(r, "F_QQTY")) != 0, Get(r, "F_3SW"), Get(r, "F_PART"));
}

// An item between two lines of its own level and part: removing it or adding a line beside it
// leaves the outline as it was.
bool Sibling(const std::vector<std::string>& records, size_t i) {
  if (i == 0 || i + 1 >= records.size() || !TakesPriceRaw(records, i) || Get(records[i], "F_CODE").empty())
    return false;
  for (size_t j : {i - 1, i + 1}) {
    if (Get(records[j], "F_PART") != Get(records[i], "F_PART") || Get(records[j], "F_LVL") != Get(records[i], "F_LVL"))
      return false;
  }
  return true;
}

TEST(PriceCarry, AnAmendedBillTakesEveryPriceItCanAndTellsWhatChanged) {
  TempDir source, target, byHand;
  SampleOptions options;
  options.lines = 600;
  options.seed = 7;
  ASSERT_TRUE(WriteSampleTender(source.path(), options));
  ASSERT_TRUE(WriteSampleTender(target.path(), options));
  TXbaseEnv env;
  PriceAndCalculate(source.path(), env, [](const TZekTable& t) {
    return std::optional<HandPrice>(PriceFor(static_cast<long>(t.FieldAsFloat("F_SEQ"))));
  });

  // The amended bill: lines removed, added, requantified, re-unitised, and one priced already.
  std::vector<std::string> records = Records(target.path());
  std::vector<size_t> siblings;
  for (size_t i = 0; i < records.size(); ++i) {
    if (Sibling(records, i) && (siblings.empty() || i > siblings.back() + 2)) siblings.push_back(i);
  }
  ASSERT_GE(siblings.size(), 13u);
  std::set<size_t> removed = {siblings[0], siblings[4], siblings[8]};
  for (size_t i : {siblings[1], siblings[5], siblings[9]})
    Put(records[i], "F_QQTY", std::to_string(std::stold(Get(records[i], "F_QQTY")) + 1));
  for (size_t i : {siblings[2], siblings[6]})
    Put(records[i], "F_QUNIT", Get(records[i], "F_QUNIT") == "KG" ? "TON" : "KG");
  Put(records[siblings[3]], "F_PRIC", "777");
  Put(records[siblings[3]], "F_MA0", "777");
  const std::string keptCode = Get(records[siblings[3]], "F_CODE");
  std::vector<std::string> amended;
  int added = 0;
  for (size_t i = 0; i < records.size(); ++i) {
    if (removed.count(i)) continue;
    amended.push_back(records[i]);
    if (i == siblings[10] || i == siblings[12]) {
      std::string line = records[i];
      Put(line, "F_CODE", "NEW" + std::to_string(++added));
      Put(line, "F_DES", Utf8ToCp949("신설 항목 " + std::to_string(added)).value());
      amended.push_back(line);
    }
  }
  std::map<std::string, long> seq;  // renumbered within each part code
  for (std::string& r : amended) Put(r, "F_SEQ", std::to_string(++seq[Get(r, "F_PART")]));
  WriteRecords(target.path(), amended);
  for (const char* name : {"VAK.DBF", "VAK.MEM"}) byHand.Write(name, target.Read(name));
  long targetItems = 0;
  for (size_t i = 0; i < amended.size(); ++i) targetItems += TakesPriceRaw(amended, i) ? 1 : 0;

  const std::map<std::string, std::string> sourceBefore = FilesIn(source.path());
  RecordingNotifier notifier;
  const CarryResult result = CarryPrices({source.path(), target.path(), false}, env, notifier);
  ASSERT_TRUE(result.completed) << (notifier.messages.empty() ? "" : notifier.messages.back().text);
  EXPECT_EQ(FilesIn(source.path()), sourceBefore);  // only read

  const CarryPlan& plan = result.plan;
  EXPECT_EQ(plan.Count(CarryOutcome::New), 2);
  EXPECT_EQ(plan.Count(CarryOutcome::Removed), 3);
  EXPECT_EQ(plan.Count(CarryOutcome::QuantityChanged), 3);
  EXPECT_EQ(plan.Count(CarryOutcome::UnitChanged), 2);
  EXPECT_EQ(plan.Count(CarryOutcome::Kept), 1);
  EXPECT_EQ(plan.Count(CarryOutcome::SourceUnpriced), 0);
  EXPECT_EQ(plan.Count(CarryOutcome::OverLimit), 0);
  EXPECT_EQ(plan.Count(CarryOutcome::Carried), targetItems - 2 - 3 - 2 - 1);
  EXPECT_GT(plan.Count(CarryOutcome::Carried), 150);

  // Priced by hand: each line of the amended bill that keeps its code (or, on level 0, its
  // name) and unit gets the price the source line was given.
  std::map<std::string, std::string> sourceUnit;  // by code or part + name
  std::map<std::string, long> sourceSeq;
  for (const std::string& r : Records(source.path())) {
    const std::string key = Get(r, "F_CODE").empty() ? Get(r, "F_PART") + Get(r, "F_DES") : Get(r, "F_CODE");
    sourceUnit[key] = Get(r, "F_QUNIT");
    sourceSeq[key] = std::stol(Get(r, "F_SEQ"));
  }
  PriceAndCalculate(byHand.path(), env, [&](const TZekTable& t) -> std::optional<HandPrice> {
    const std::string code = TrimmedText(t.FieldAsString("F_CODE"));
    const std::string key =
        code.empty() ? TrimmedText(t.FieldAsString("F_PART")) + TrimmedText(t.FieldAsString("F_DES")) : code;
    if (!sourceSeq.count(key) || sourceUnit[key] != TrimmedText(t.FieldAsString("F_QUNIT"))) return std::nullopt;
    return PriceFor(sourceSeq[key]);
  });
  const std::vector<std::string> carried = Records(target.path());
  const std::vector<std::string> expected = Records(byHand.path());
  ASSERT_EQ(carried.size(), expected.size());
  for (size_t i = 0; i < carried.size(); ++i) {
    for (const char* field : {"F_PRIC", "F_COST", "F_MA0", "F_LA0", "F_EQ0", "F_MA", "F_LA", "F_EQ", "F_QUNIT"})
      ASSERT_EQ(Get(carried[i], field), Get(expected[i], field)) << "record " << i + 1 << " " << field;
  }
  EXPECT_EQ(LoadProjectHeader(target.path()).values[kCmnIpmt], LoadProjectHeader(byHand.path()).values[kCmnIpmt]);
  EXPECT_EQ(std::to_string(static_cast<long long>(result.tenderAmount)),
            LoadProjectHeader(target.path()).values[kCmnIpmt]);
  // The kept line still holds its own price, the originals were kept, no scratch copy is left.
  for (const std::string& r : carried) {
    if (Get(r, "F_CODE") == keptCode) {
      EXPECT_EQ(Get(r, "F_PRIC"), "777");
    }
  }
  EXPECT_TRUE(FileExists(JoinPath(JoinPath(target.path(), kOriginalsDir), "VAK.DBF")));
  for (const auto& [name, bytes] : FilesIn(target.path()))
    EXPECT_EQ(name.find(".vak-carry"), std::string::npos) << name;
  // Checked afterwards, the carried tender is consistent; only the new and re-unitised lines are unpriced.
  TZekTable check(env, notifier);
  ASSERT_TRUE(OpenTenderForReview(target.path(), check, notifier));
  const TenderReview review = ReviewTender(check, ProjectType::Compound, LoadProjectHeader(target.path()).values);
  EXPECT_TRUE(review.Consistent());
  EXPECT_EQ(review.Unpriced(), 2 + 2);
}

TEST(PriceCarry, BadSourcesAndTargetsLeaveTheTargetAsItWas) {
  TempDir source, target, foreign, empty;
  WriteSamples({&source, &target}, 120);
  TXbaseEnv env;
  const std::map<std::string, std::string> before = FilesIn(target.path());
  auto refused = [&](const std::string& from, const std::string& expected, MessageAnswer answer = MessageAnswer::Yes) {
    RecordingNotifier n;
    n.nextAnswer = answer;
    const CarryResult r = CarryPrices({from, target.path(), false}, env, n);
    EXPECT_FALSE(r.completed) << expected;
    bool told = false;
    for (const auto& m : n.messages) told = told || m.text.find(expected) != std::string::npos;
    EXPECT_TRUE(told) << expected << "\n" << (n.messages.empty() ? "(none)" : n.messages.back().text);
    EXPECT_EQ(FilesIn(target.path()), before) << expected;
  };
  refused(empty.path(), "데이타화일(VAK.DBF)이 없습니다. 단가를 가져올 입찰 자료가 아닙니다.");
  refused(target.path(), "단가를 가져올 내역이 지금 내역과 같은 화일입니다.");
  const bool links = test::kPosixProcessesAndModes;  // MinGW's std::filesystem makes no symbolic links
  if (links) {
    std::filesystem::create_directory_symlink(target.path(), foreign.File("link"));
    refused(foreign.File("link"), "같은 화일입니다");
  }

  // A table of another layout (the old one, without F_NLVL and the split amounts).
  std::vector<DbfField> fields;
  for (const DbfField& f : ItemTableFields()) {
    if (f.name != "F_NLVL" && f.name != "F_LA" && f.name != "F_MA" && f.name != "F_EQ") fields.push_back(f);
  }
  DbfWriter old(foreign.File("VAK.DBF"), fields);
  ASSERT_EQ(old.Commit(), 0);
  foreign.Write("VAK.MEM", source.Read("VAK.MEM"));
  refused(foreign.path(), "내역 자료 화일의 형식이 아닙니다 (필드 F_NLVL, F_MA, F_LA, F_EQ");

  // The source open in the program, and the target open in the program.
  {
    DbfStatus status;
    const auto held = DbfFile::Open(source.File("VAK.DBF"), DbfOpenMode::Exclusive, status);
    ASSERT_TRUE(held);
    refused(source.path(), source.File("VAK.DBF") + "\n다른 사용자가 사용하고 있습니다.");
  }
  {
    DbfStatus status;
    const auto held = DbfFile::Open(target.File("VAK.DBF"), DbfOpenMode::Exclusive, status);
    ASSERT_TRUE(held);
    refused(source.path(), target.File("VAK.DBF") + "\n다른 사용자가 사용하고 있습니다.");
  }

  // A failure half-way: the target has an unreadable quantity, and the user will not have it
  // counted as 0 in the calculation that follows the carry.
  std::vector<std::string> records = Records(target.path());
  for (std::string& r : records) {
    if (TakesPriceRaw(records, static_cast<size_t>(&r - records.data()))) {
      r.replace(static_cast<size_t>(F("F_QQTY").offset), 14, "        1.2.3 ");
      break;
    }
  }
  WriteRecords(target.path(), records);
  const std::map<std::string, std::string> damaged = FilesIn(target.path());
  {
    RecordingNotifier n;
    n.nextAnswer = MessageAnswer::No;
    EXPECT_FALSE(CarryPrices({source.path(), target.path(), false}, env, n).completed);
    EXPECT_EQ(FilesIn(target.path()), damaged);
  }
  // Vak.CDX that is a directory cannot be replaced: found before anything is written.
  WriteRecords(target.path(), Records(source.path()));
  std::filesystem::create_directory(target.File("Vak.CDX"));
  const std::map<std::string, std::string> withDirectory = FilesIn(target.path());
  RecordingNotifier n;
  EXPECT_FALSE(CarryPrices({source.path(), target.path(), false}, env, n).completed);
  EXPECT_EQ(n.messages.at(0).text, target.File("Vak.CDX") + "\n일반 화일이 아니어서 바꿔 쓸 수 없습니다.");
  EXPECT_EQ(FilesIn(target.path()), withDirectory);
  if (!links) GTEST_SKIP() << "Windows: the source reached through a symbolic link is not tried";
}

// Source prices the program cannot read are named and never carried; a price stored otherwise
// than written is reported as stored; read-only files are refused; a failing replacement leaves
// the tender whole (as it was, or finished at the next start).
TEST(PriceCarry, UnreadableSourcesReadOnlyTargetsAndFailingRenames) {
  TempDir source, target;
  WriteSamples({&source, &target}, 120);
  std::vector<std::string> records = Records(source.path());
  std::vector<size_t> items;
  for (size_t i = 0; i < records.size(); ++i) {
    if (TakesPriceRaw(records, i)) items.push_back(i);
  }
  ASSERT_GE(items.size(), 3u);
  Put(records[items[0]], "F_PRIC", "1234.5");
  StoreCharacterField(records[items[1]].data(), F("F_PRIC"), "       12a4x");
  const std::string unreadable = Get(records[items[1]], "F_DES");
  WriteRecords(source.path(), records);
  TXbaseEnv env;
  const std::map<std::string, std::string> before = FilesIn(target.path());

  RecordingNotifier no;
  no.nextAnswer = MessageAnswer::No;
  EXPECT_FALSE(CarryPrices({source.path(), target.path(), false}, env, no).completed);
  ASSERT_EQ(no.messages.size(), 1u);
  EXPECT_NE(no.messages[0].text.find("이전 내역에 단가를 읽을 수 없는 항목이 1개 있습니다."), std::string::npos);
  EXPECT_NE(no.messages[0].text.find(Cp949ToUtf8(unreadable) + "」: 단가 12a4x"), std::string::npos)
      << no.messages[0].text;
  EXPECT_EQ(FilesIn(target.path()), before);

  // Read-only data files are refused as the calculation refuses them, mode and bytes kept.
  for (const char* name : {"VAK.DBF", "VAK.MEM"}) {
    std::filesystem::permissions(target.File(name), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    RecordingNotifier n;
    EXPECT_FALSE(CarryPrices({source.path(), target.path(), false}, env, n).completed);
    EXPECT_EQ(n.messages.at(0).text, OpenFailureText(target.File(name), DbfStatus::ReadOnly) +
                                         "\n단가를 가져오지 않았습니다. 지금 내역은 그대로입니다.");
    EXPECT_EQ(FilesIn(target.path()), before);
    std::filesystem::permissions(target.File(name), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
  }

  // A rename fails, the last ones (the replacement) included: either nothing changed, or the
  // next start finishes it; the table and the tender amount agree either way.
  long renames = 0;
  {
    TempDir copy;
    for (const auto& [name, bytes] : before) copy.Write(name, bytes);
    RecordingNotifier yes;
    const long start = FileOperationsSoFar(FileFault::Rename);
    ASSERT_TRUE(CarryPrices({source.path(), copy.path(), false}, env, yes).completed);
    renames = FileOperationsSoFar(FileFault::Rename) - start;
  }
  int unfinished = 0;
  for (int n : {1, 2, static_cast<int>(renames) - 2, static_cast<int>(renames) - 1, static_cast<int>(renames)}) {
    TempDir copy;
    for (const auto& [name, bytes] : before) copy.Write(name, bytes);
    RecordingNotifier yes;
    FailNthFileOperation(FileFault::Rename, n);
    const CarryResult r = CarryPrices({source.path(), copy.path(), false}, env, yes);
    FailNthFileOperation(FileFault::Rename, 0);
    EXPECT_FALSE(r.completed);
    if (!r.unfinished) {
      EXPECT_EQ(FilesIn(copy.path()), before) << n;
      continue;
    }
    ++unfinished;
    EXPECT_TRUE(FileExists(copy.File("VAK.COMMIT")));
    ASSERT_TRUE(TidyDataDirectory(copy.path(), yes));
    TZekTable check(env, yes);
    ASSERT_TRUE(OpenTenderForReview(copy.path(), check, yes));
    EXPECT_TRUE(ReviewTender(check, ProjectType::Compound, LoadProjectHeader(copy.path()).values).Consistent()) << n;
  }
  EXPECT_EQ(unfinished, 3);

  // Yes: carried without the unreadable one; the report shows what was stored (1235, whole won).
  RecordingNotifier yes;
  const CarryResult done = CarryPrices({source.path(), target.path(), false}, env, yes);
  ASSERT_TRUE(done.completed);
  EXPECT_EQ(done.plan.Count(CarryOutcome::SourceUnreadable), 1);
  const std::string csv = CarryReportCsv(done.plan);
  EXPECT_NE(csv.find("\r\n원본 단가 읽을 수 없음,"), std::string::npos);
  EXPECT_NE(csv.find("," + Get(records[items[0]], "F_QQTY") + ",1235,"), std::string::npos) << csv.substr(0, 600);
  EXPECT_EQ(csv.find("1234.5"), std::string::npos);
  for (const std::string& r : Records(target.path())) {
    if (Get(r, "F_DES") == unreadable && Get(r, "F_SEQ") == Get(records[items[1]], "F_SEQ")) {
      EXPECT_EQ(Get(r, "F_PRIC"), "0");
    }
  }
  for (const auto& m : yes.messages) EXPECT_EQ(m.text.find(".vak-carry"), std::string::npos) << m.text;
}

// A bill open in a window is read between the window's writes: the carry takes its prices.
TEST(PriceCarry, FromABillOpenInAWindow) {
  TempDir source, target;
  WriteSamples({&source, &target}, 120);
  TXbaseEnv env;
  RecordingNotifier n;
  TZekTable window(env, n);
  ASSERT_TRUE(OpenTenderAsTheProgramDoes(source.path(), env, window, n));
  EXPECT_FALSE(CarryPrices({source.path(), target.path(), true}, env, n).completed);  // taken while it is prepared
  EXPECT_EQ(n.messages.back().text,
            source.File("VAK.DBF") +
                "\n다른 사용자가 사용하고 있습니다.\n단가를 가져오지 않았습니다. 지금 내역은 그대로입니다.");
  window.engine()->file().ShareWithReadersBetweenWrites();
  EXPECT_TRUE(CarryPrices({source.path(), target.path(), true}, env, n).completed);
  DbfFile& table = window.engine()->file();
  const std::string first(table.Record(1), static_cast<size_t>(table.RecordLength()));
  EXPECT_TRUE(table.WriteRecord(1, first.data()));  // the window writes again once the carry has read
  window.Close();
}

}  // namespace
}  // namespace vak
