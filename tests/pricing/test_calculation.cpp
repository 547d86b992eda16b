#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "common/CodePage.h"
#include "common/Files.h"
#include "common/Text.h"
#include "pricing/Calculation.h"
#include "pricing/PriceEntry.h"
#include "store/ItemTable.h"
#include "store/MemFile.h"
#include "store/Preparation.h"
#include "store/Reorganise.h"
#include "tests/pricing/TenderFixture.h"
#include "tests/support/ItemRows.h"
#include "tests/support/TestSupport.h"

namespace vak {
namespace {

using test::Heading;
using test::Item;
using test::RecordingNotifier;
using test::Row;
using test::TempDir;
using test::Tender;

TEST(Calculation, TheWorkedOutline) {
  Tender t({Heading("U", 1, '1', "H1"), Heading("U", 2, '2', "H2"), Item("U", 3, '3', "a", 1, 100),
            Item("U", 4, '3', "b", 1, 250), Item("U", 5, '2', "c", 1, 50)},
           "1");
  const CalculationResult r = t.Calculate();
  ASSERT_TRUE(r.completed);
  EXPECT_EQ(r.tenderAmount, 400.0L);
  EXPECT_EQ(r.lines, 5);
  EXPECT_EQ(t.Cost("H2"), 350.0L);
  EXPECT_EQ(t.Cost("H1"), 400.0L);
  EXPECT_EQ(t.Mem("CMN_IPMT"), "400");
  EXPECT_EQ(CompletionText(r.tenderAmount), "전체금액계산 완료 ( 총입찰금액: 400 )");
  EXPECT_EQ(CompletionText(0), "전체금액계산 완료 ( 총입찰금액:  )");
  EXPECT_EQ(CompletionText(1234567), "전체금액계산 완료 ( 총입찰금액: 1,234,567 )");
}

TEST(Calculation, ItemAmountsAreCutToWholeWon) {
  Row split = Item("U", 2, '2', "split", 1.5, 3);
  split.material = split.labour = split.expense = 1;
  Tender t(
      {Heading("U", 1, '1', "H"), Item("U", 3, '2', "q2.5", 2.5, 333), split, Item("U", 4, '2', "negative", 1.5, -333)},
      "1");
  ASSERT_TRUE(t.Calculate().completed);
  EXPECT_EQ(t.Cost("q2.5"), 832.0L);          // 832.5
  EXPECT_EQ(t.Cost("split"), 4.0L);           // 4.5
  EXPECT_EQ(t.Value("split", "F_MA"), 1.0L);  // 1.5, cut like the price entry cuts it
  EXPECT_EQ(t.Value("split", "F_LA"), 1.0L);
  EXPECT_EQ(t.Value("split", "F_EQ"), 1.0L);
  EXPECT_EQ(t.Cost("negative"), -499.0L);  // -499.5 toward zero
  EXPECT_EQ(t.Cost("H"), 832.0L + 4 - 499);
  EXPECT_EQ(t.Value("H", "F_MA"), 1.0L);
}

TEST(Calculation, LevelZeroItemsAndTheTopLevel) {
  {
    Tender one({Heading("U", 1, '1', "H"), Item("U", 2, '2', "a", 1, 100), Item("U", 3, '0', "insurance", 1, 7)}, "1");
    EXPECT_EQ(one.Calculate().tenderAmount, 107.0L);  // level 0 counts toward the total under TopLvl "1"
  }
  {
    Tender zero({Item("U", 1, '0', "first", 1, 10), Heading("U", 2, '1', "H"), Item("U", 3, '2', "a", 1, 100)}, "1");
    // TopLvl "0": the level-0 item counts twice; the level-1 heading not at all.
    EXPECT_EQ(zero.Calculate().tenderAmount, 20.0L);
  }
  Tender two({Heading("U", 1, '2', "H2"), Item("U", 2, '3', "a", 1, 100), Heading("U", 3, '1', "H1"),
              Item("U", 4, '2', "b", 1, 50), Item("U", 5, '0', "zero", 1, 5)},
             "1");
  // A part that starts at level 2: only level 2 lines and level 0 items make the total.
  EXPECT_EQ(two.Calculate().tenderAmount, 100.0L + 50 + 5);
  EXPECT_EQ(two.Cost("H1"), 50.0L);
}

TEST(Calculation, HeadingQuantitiesMultiplyTheLinesBelow) {
  Tender t({Heading("U", 1, '1', "H1"), Heading("U", 2, '2', "H2 x2", 2), Item("U", 3, '3', "a", 1, 100),
            Item("U", 4, '2', "b", 1, 50), Heading("U", 5, '1', "H3 x1.5", 1.5), Item("U", 6, '2', "c", 1, 33)},
           "1");
  const CalculationResult r = t.Calculate();
  EXPECT_EQ(t.Cost("H2 x2"), 200.0L);
  EXPECT_EQ(t.Cost("H1"), 250.0L);
  EXPECT_EQ(t.Cost("H3 x1.5"), 49.0L);  // 49.5 cut
  EXPECT_EQ(r.tenderAmount, 299.0L);
  // The agency's quantity is kept, and so is the unit of a heading that has one.
  EXPECT_EQ(t.Value("H2 x2", "F_TQTY"), 2.0L);
  EXPECT_EQ(t.Value("H2 x2", "F_QQTY"), 2.0L);
  // A second run gives the same amounts.
  const CalculationResult again = t.Calculate();
  EXPECT_EQ(again.tenderAmount, r.tenderAmount);
  EXPECT_EQ(t.Cost("H2 x2"), 200.0L);
  EXPECT_EQ(t.Cost("H1"), 250.0L);
}

TEST(Calculation, AMultipliedHeadingOverSplitPricesSumsItsThreeParts) {
  // Each part is multiplied and cut, and the heading's unit price is the sum of the three
  // multiplied parts.
  Row split = Item("U", 2, '2', "split", 1.5, 0);
  split.material = 10;
  split.labour = 21;
  split.expense = 5;
  Tender s({Heading("U", 1, '1', "H x3", 3), split}, "1");
  s.GoTo("split");
  ASSERT_TRUE(WriteSplitPrices(s.items, 10, 21, 5, s.notifier));  // 15, 31 (31.5 cut), 7 (7.5 cut); 54
  s.Calculate();
  EXPECT_EQ(s.Value("H x3", "F_MA"), 45.0L);
  EXPECT_EQ(s.Value("H x3", "F_LA"), 93.0L);
  EXPECT_EQ(s.Value("H x3", "F_EQ"), 21.0L);
  EXPECT_EQ(s.Value("H x3", "F_PRIC"), 159.0L);
  EXPECT_EQ(s.Cost("H x3"), 162.0L);  // 3 x 54
}

TEST(Calculation, TheAmountLimitAndOneWonMore) {
  {
    Tender t({Heading("U", 1, '1', "H"), Item("U", 2, '2', "big", 1, 999999999999.0)}, "1");
    const CalculationResult r = t.Calculate();
    EXPECT_EQ(r.tenderAmount, 999999999999.0L);
    EXPECT_EQ(t.Cost("big"), 999999999999.0L);
    EXPECT_EQ(t.Mem("CMN_IPMT"), "999999999999");
    EXPECT_EQ(r.unstorable, 0);
  }
  // One won more cannot be stored in the twelve-digit fields: the user is told which line,
  // and nothing is written, neither the records nor the header.
  Tender over({Heading("U", 1, '1', "H"), Item("U", 2, '2', "a", 1, 999999999999.0), Item("U", 3, '2', "b", 1, 1)},
              "1");
  const std::string table = over.dir.Read("VAK.DBF");
  const std::string header = over.dir.Read("VAK.MEM");
  const CalculationResult o = over.Calculate();
  EXPECT_FALSE(o.completed);
  EXPECT_GT(o.unstorable, 0);
  ASSERT_FALSE(over.notifier.messages.empty());
  EXPECT_EQ(over.notifier.messages.back().caption, "오류");
  EXPECT_EQ(
      over.notifier.messages.back().text,
      "금액이 12자리(999,999,999,999)를 넘는 값이 있어 계산 결과를 기록하지 않았습니다. 단가와 수량을 확인하십시오."
      "\n  U 순번 1 「H」: F_COST"
      "\n  총입찰금액: 1,000,000,000,000");
  EXPECT_EQ(over.dir.Read("VAK.DBF"), table);
  EXPECT_EQ(over.dir.Read("VAK.MEM"), header);
}

TEST(Calculation, ACompoundProjectWritesThePartsSummaryLine) {
  Row t1{"T1", 1, '1', "건축공사", 1};
  Row t2{"T2", 1, '1', "토목공사", 1};
  Tender t({t1, t2, Heading("U1", 1, '1', "P1"), Item("U1", 2, '2', "p1 item", 2, 1000), Heading("U2", 1, '1', "P2"),
            Item("U2", 2, '2', "p2 item", 3, 700), Item("U2", 3, '0', "p2 zero", 1, 11)},
           "2");
  CalculationResult r = t.Calculate("1");
  EXPECT_EQ(r.tenderAmount, 2000.0L);  // T2 holds nothing yet
  EXPECT_EQ(t.Cost("건축공사"), 2000.0L);
  EXPECT_EQ(t.Value("건축공사", "F_PRIC"), 0.0L);
  r = t.Calculate("2");
  EXPECT_EQ(t.Cost("토목공사"), 2111.0L);
  EXPECT_EQ(r.tenderAmount, 2111.0L + 2000);  // part 2 and the stored cost of T1
  EXPECT_EQ(t.Mem("CMN_IPMT"), "4111");
  EXPECT_EQ(t.Cost("p1 item"), 2000.0L);  // part 1 untouched by part 2's run
}

TEST(Calculation, TheHeaderIsRewrittenWithItsFifteenVariables) {
  Tender t({Heading("U", 1, '1', "H"), Item("U", 2, '2', "a", 1, 100)}, "1");
  HeaderValues v = LoadProjectHeader(t.dir.path()).values;
  v[kCmnAuth] = "AGENCY";
  v[kCmnMaxd] = "9";
  v[kCmnTop] = "7";
  v[kCmnWrit] = "written";
  v[kCmnComp] = "COMPANY";
  ASSERT_TRUE(WriteMemFile(t.dir.File("VAK.MEM"), v));
  ASSERT_TRUE(t.Calculate().completed);
  const HeaderValues after = LoadProjectHeader(t.dir.path()).values;
  EXPECT_EQ(after[kCmnAuth], "AGENCY");
  EXPECT_EQ(after[kCmnComp], "COMPANY");
  EXPECT_EQ(after[kCmnType], "1");
  EXPECT_EQ(after[kCmnIpmt], "100");
  EXPECT_EQ(after[kCmnMaxd], "0");
  EXPECT_EQ(after[kCmnTop], "0");
  EXPECT_EQ(after[kCmnWrit], "");
  // VAK.MEM that cannot be replaced: the message, and the run does not count as completed.
  FailNthFileOperation(FileFault::Write, 1);
  const std::string before = t.dir.Read("VAK.MEM");
  const CalculationResult failed = t.Calculate();
  EXPECT_FALSE(failed.completed);
  EXPECT_EQ(t.notifier.messages.back().text, "정보 화일(" + t.dir.File("VAK.MEM") + "를 저장할 수 없습니다.");
  EXPECT_EQ(t.dir.Read("VAK.MEM"), before);
}

TEST(Calculation, AZeroQuantityLineOfLevelZeroBeepsAndClears) {
  Tender t({Heading("U", 1, '1', "H"), Item("U", 2, '2', "a", 1, 100), Item("U", 3, '0', "no quantity", 0, 5)}, "1");
  t.Calculate();
  EXPECT_EQ(t.notifier.beeps, 1);
  EXPECT_EQ(t.Cost("no quantity"), 0.0L);
  EXPECT_EQ(t.Cost("H"), 100.0L);
}

TEST(PriceEntry, SingleAndSplitPricesWriteTheirFields) {
  Row earlier = Item("U", 2, '2', "earlier split", 2, 30);
  earlier.material = 10;
  earlier.labour = 20;
  Tender t({Heading("U", 1, '1', "H"), Item("U", 2, '2', "line", 2.5, 0), earlier}, "1");
  t.GoTo("line");
  ASSERT_TRUE(CheckSinglePrice(2.5, 333, t.notifier));
  ASSERT_TRUE(WriteSinglePrice(t.items, 333, t.notifier));
  EXPECT_EQ(t.Value("line", "F_COST"), 832.0L);
  EXPECT_EQ(t.Value("line", "F_MA"), 832.0L);
  EXPECT_EQ(t.Value("line", "F_PRIC"), 333.0L);
  EXPECT_EQ(t.Value("line", "F_MA0"), 333.0L);
  // Single entry on a line with split prices keeps labour and expense as they were.
  t.GoTo("earlier split");
  ASSERT_TRUE(WriteSinglePrice(t.items, 50, t.notifier));
  EXPECT_EQ(t.Value("earlier split", "F_LA0"), 20.0L);
  EXPECT_EQ(t.Value("earlier split", "F_PRIC"), 50.0L);
  t.GoTo("line");
  ASSERT_TRUE(WriteSplitPrices(t.items, 1, 1, 1, t.notifier));
  EXPECT_EQ(t.Value("line", "F_COST"), 7.0L);  // 7.5 cut once from the unrounded sum
  EXPECT_EQ(t.Value("line", "F_MA"), 2.0L);
  EXPECT_EQ(t.Value("line", "F_PRIC"), 3.0L);
  EXPECT_TRUE(t.notifier.messages.empty());
}

TEST(PriceEntry, LimitsWithTheirExactTexts) {
  RecordingNotifier n;
  EXPECT_TRUE(CheckSinglePrice(1, 999999999999.0L, n));
  EXPECT_FALSE(CheckSinglePrice(1, 1000000000000.0L, n));
  ASSERT_EQ(n.messages.size(), 1u);
  EXPECT_EQ(n.messages[0].text, "금액이 1조원을 초과했습니다.\n금액은 1조원 미만이어야 합니다.");
  EXPECT_EQ(n.messages[0].caption, "경고");
  EXPECT_EQ(n.messages[0].icon, MessageIcon::Warning);
  EXPECT_FALSE(CheckSinglePrice(2, -500000000000.0L, n));
  EXPECT_EQ(n.messages[1].text, "금액이 -1조원보다 적습니다.\n금액은 -1조원 이상이어야 합니다.");
  EXPECT_TRUE(CheckSinglePrice(-2, -10, n));
  // Split: over once, then under once; the sum is not checked.
  n.messages.clear();
  EXPECT_TRUE(CheckSplitPrices(1, 999999999999.0L, 999999999999.0L, 1, n));
  EXPECT_FALSE(CheckSplitPrices(1, 1e12L, 2e12L, -2e12L, n));
  ASSERT_EQ(n.messages.size(), 2u);
  EXPECT_EQ(n.messages[0].text, kOverLimitText);
  EXPECT_EQ(n.messages[1].text, kUnderLimitText);
  EXPECT_TRUE(IsPriceEditable(kPricedItem, " "));
  EXPECT_TRUE(IsPriceEditable(kZeroQuantityLevel0, ""));
  EXPECT_FALSE(IsPriceEditable(kPricedItem, "*"));
  EXPECT_FALSE(IsPriceEditable(kHeading, " "));
  EXPECT_FALSE(IsPriceEditable(kZeroQuantityItem, " "));
}

TEST(PriceEntry, ANegativeAmountWithoutRoomForItsSignIsRefused) {
  Tender t({Heading("U", 1, '1', "H"), Item("U", 2, '2', "line", 1, 5)}, "1");
  t.GoTo("line");
  ASSERT_TRUE(CheckSinglePrice(1, -999999999999.0L, t.notifier));         // within the limit...
  EXPECT_FALSE(WriteSinglePrice(t.items, -999999999999.0L, t.notifier));  // ...but 13 characters
  ASSERT_EQ(t.notifier.messages.size(), 1u);
  EXPECT_EQ(t.notifier.messages[0].text, kUnderLimitText);
  EXPECT_EQ(t.Value("line", "F_PRIC"), 5.0L);  // nothing written
  t.GoTo("line");
  EXPECT_TRUE(WriteSinglePrice(t.items, -99999999999.0L, t.notifier));
  EXPECT_EQ(t.Value("line", "F_COST"), -99999999999.0L);
}

TEST(Calculation, AFullDiskStopsBeforeTheRecordsSoBothFilesStillAgree) {
  TempDir dir;
  const std::string disk = dir.File("disk");
  std::filesystem::create_directory(disk);
  if (!test::MountSmallDisk(disk, "256k")) GTEST_SKIP() << "cannot mount a small file system here";
  test::WriteItemTable(disk,
                       {Heading("U", 1, '1', "H"), Item("U", 2, '2', "a", 2, 100), Item("U", 3, '2', "b", 1, 50)});
  test::WriteHeader(disk, "1", "계산 시험");
  TXbaseEnv env;
  RecordingNotifier notifier;
  TZekTable items(env, notifier);
  bool flag = true;
  const bool opened = PrepareData(disk, env, items, notifier, flag) &&
                      ReorganiseItemTable(items, disk, notifier, flag) && !RunStartupPass(items, notifier).failed;
  // Fill the disk to the last block.
  {
    std::ofstream filler(disk + "/filler", std::ios::binary);
    filler << std::string(1 << 20, 'x');
  }
  const std::string table = ReadWholeFile(disk + "/VAK.DBF").value_or("");
  const std::string header = ReadWholeFile(disk + "/VAK.MEM").value_or("");
  const CalculationResult result = CalculateStatement(items, {disk, ProjectType::Single, ""}, notifier);
  items.Close();
  const std::string tableAfter = ReadWholeFile(disk + "/VAK.DBF").value_or("");
  const std::string headerAfter = ReadWholeFile(disk + "/VAK.MEM").value_or("");
  const bool leftover = FileExists(disk + "/VAK.MEM.new~");
  test::Unmount(disk);
  ASSERT_TRUE(opened);
  EXPECT_FALSE(result.completed);
  EXPECT_EQ(tableAfter, table);  // H, a and b keep their old amounts: nothing was calculated
  EXPECT_EQ(headerAfter, header);
  EXPECT_FALSE(leftover);
  ASSERT_FALSE(notifier.messages.empty());
  EXPECT_EQ(notifier.messages.back().text, "정보 화일(" + disk + "/VAK.MEM를 저장할 수 없습니다.");
}

TEST(Calculation, ADamagedHeaderOrUnreadableNumbersWriteNothingUnlessTheUserSaysSo) {
  Tender t({Heading("U", 1, '1', "H"), Item("U", 2, '2', "a", 2, 100), Item("U", 3, '2', "b", 1, 50)}, "1");
  const std::string good = t.dir.Read("VAK.MEM");
  t.dir.Write("VAK.MEM", good.substr(0, good.size() - 3));
  const std::string table = t.dir.Read("VAK.DBF");
  EXPECT_FALSE(t.Calculate().completed);
  EXPECT_EQ(t.dir.Read("VAK.DBF"), table);
  EXPECT_EQ(t.dir.Read("VAK.MEM"), good.substr(0, good.size() - 3));
  EXPECT_EQ(t.notifier.messages.back().caption, "오류");
  t.dir.Write("VAK.MEM", good);

  // A price of asterisks (another tool's overflow mark) is listed in a question; "no" writes nothing.
  t.GoTo("a");
  const int price = t.items.FieldIndex("F_PRIC");
  ASSERT_TRUE(t.items.SetFieldTextAt(t.items.FieldIndex("F_DES"), "a"));
  std::string record(t.items.engine()->Current(), static_cast<size_t>(kItemRecordLength));
  const DbfField& f = ItemTableFields()[static_cast<size_t>(price)];
  record.replace(static_cast<size_t>(f.offset), 12, "************");
  t.items.Cancel();
  ASSERT_TRUE(t.items.engine()->PutRecord(record.data()));
  const std::string damaged = t.dir.Read("VAK.DBF");
  t.notifier.messages.clear();
  t.notifier.nextAnswer = MessageAnswer::No;
  EXPECT_FALSE(t.Calculate().completed);
  ASSERT_EQ(t.notifier.messages.size(), 1u);
  EXPECT_EQ(t.notifier.messages[0].text,
            "숫자나 레벨을 읽을 수 없는 줄이 1개 있습니다. 읽을 수 없는 값은 0으로 계산됩니다.\n  U 순번 2 「a」: "
            "F_PRIC\n\n그대로 계산하시겠습니까?");
  EXPECT_EQ(t.notifier.messages[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(t.dir.Read("VAK.DBF"), damaged);
  EXPECT_EQ(t.dir.Read("VAK.MEM"), good);
  // "Yes": the line counts as 0 and the rest is calculated.
  t.notifier.nextAnswer = MessageAnswer::Yes;
  const CalculationResult r = t.Calculate();
  EXPECT_TRUE(r.completed);
  EXPECT_EQ(r.unreadable, 1);
  EXPECT_EQ(r.tenderAmount, 50.0L);
}

}  // namespace
}  // namespace vak

namespace vak {
namespace {

// F3 replaces the records and the header in one step: whichever write, sync or rename fails,
// the next start finds both old or both new, never new records under the old tender amount.
TEST(Calculation, OneStepWhateverFails) {
  int finishedAtStart = 0;
  for (const FileFault fault : {FileFault::Write, FileFault::Sync, FileFault::Rename}) {
    for (int n = 1; n <= 4; ++n) {
      SCOPED_TRACE(std::to_string(static_cast<int>(fault)) + "/" + std::to_string(n));
      test::Tender t({Heading("U", 1, '1', "H"), Item("U", 2, '2', "a", 2, 150)}, "1");
      const std::string oldAmount = t.Mem("CMN_IPMT");
      FailNthFileOperation(fault, n);
      const bool completed = t.Calculate().completed;
      FailNthFileOperation(fault, 0);
      t.items.Close();
      finishedAtStart += FileExists(t.dir.File("VAK.COMMIT")) ? 1 : 0;
      TZekTable reopened(t.env, t.notifier);
      ASSERT_TRUE(OpenTenderAsTheProgramDoes(t.dir.path(), t.env, reopened, t.notifier));
      reopened.Xbase().GoBottom();
      const long double cost = reopened.FieldAsFloat("F_COST");
      reopened.Close();
      const std::string amount = t.Mem("CMN_IPMT");
      EXPECT_TRUE((cost == 300 && amount == "300") || (cost == 0 && amount == oldAmount)) << cost << " " << amount;
      if (completed) {
        EXPECT_EQ(amount, "300");
      }
      for (const std::string& name : t.dir.Names()) EXPECT_FALSE(IsTempFileName(name) || name == "VAK.COMMIT") << name;
    }
  }
  EXPECT_EQ(finishedAtStart, 2);  // a rename of the table or of the header failed after the record

  // A read-only header is refused before anything is written, its mode kept.
  test::Tender t({Heading("U", 1, '1', "H"), Item("U", 2, '2', "a", 2, 150)}, "1");
  std::filesystem::permissions(t.dir.File("VAK.MEM"), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  const std::string table = t.dir.Read("VAK.DBF");
  EXPECT_FALSE(t.Calculate().completed);
  EXPECT_EQ(t.notifier.messages.back().text, OpenFailureText(t.dir.File("VAK.MEM"), DbfStatus::ReadOnly));
  EXPECT_EQ(t.dir.Read("VAK.DBF"), table);
  EXPECT_EQ(std::filesystem::status(t.dir.File("VAK.MEM")).permissions() & std::filesystem::perms::owner_write,
            std::filesystem::perms::none);
}

}  // namespace
}  // namespace vak

namespace vak {
namespace {

// A part with lines but no line in the overall summary: no tender amount that depends on which
// part was calculated last; nothing written, and the user told which line is missing.
TEST(Calculation, APartWithoutItsOverallSummaryLineIsRefused) {
  test::Tender t({Row{"T1", 1, '1', "건축공사", 1}, Item("U1", 1, '1', "a", 2, 100), Item("U2", 1, '1', "b", 1, 50)},
                 "2");
  const std::string table = t.dir.Read("VAK.DBF"), header = t.dir.Read("VAK.MEM");
  EXPECT_FALSE(t.Calculate("1").completed);
  EXPECT_EQ(t.notifier.messages.back().text,
            "총괄집계에 공사 2의 줄(T2)이 없어 총입찰금액을 계산할 수 없습니다. 발주기관의 내역 자료를 확인하십시오.");
  EXPECT_EQ(t.dir.Read("VAK.DBF"), table);
  EXPECT_EQ(t.dir.Read("VAK.MEM"), header);
}

}  // namespace
}  // namespace vak
