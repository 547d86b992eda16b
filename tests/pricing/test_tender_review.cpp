#include <gtest/gtest.h>

#include "pricing/PriceEntry.h"
#include "pricing/TenderReview.h"
#include "tests/pricing/TenderFixture.h"

namespace vak {
namespace {

using test::Heading;
using test::Item;
using test::Row;
using test::Tender;

Row Fixed(const std::string& part, int seq, char level, const std::string& name, double quantity, double price) {
  Row r = Item(part, seq, level, name, quantity, price);
  r.fixed = '*';
  return r;
}

Row Split(const std::string& part, int seq, const std::string& name, double quantity, double m, double l, double e) {
  Row r = Item(part, seq, '2', name, quantity, m + l + e);
  r.material = m;
  r.labour = l;
  r.expense = e;
  return r;
}

// Two construction parts with every kind of line: headings (one with a fixed price), summary
// lines, fixed-price items, a zero quantity, a level 0 item, single and split prices.
std::vector<Row> MixedStatement() {
  Row onlyLabour = Item("U1", 8, '2', "노무비만", 1, 0);
  onlyLabour.labour = 40;
  Row fixedHeading = Heading("U1", 9, '2', "단가고정 공종");
  fixedHeading.fixed = '*';
  return {Row{"T1", 1, '1', "건축공사", 1},
          Row{"T2", 1, '1', "토목공사", 1},
          Heading("U1", 1, '1', "H"),
          Item("U1", 2, '2', "a", 2, 100),
          Item("U1", 3, '2', "b", 3, 0),
          Fixed("U1", 4, '2', "고정", 1, 500),
          Item("U1", 5, '2', "수량없음", 0, 0),
          Split("U1", 6, "split", 1, 10, 5, 0),
          Item("U1", 7, '0', "레벨0", 1, 0),
          onlyLabour,
          fixedHeading,
          Item("U1", 10, '3', "고정 아래", 1, 70),
          Heading("U2", 1, '1', "P2"),
          Item("U2", 2, '2', "c", 1, 0),
          Item("U2", 3, '2', "d", 4, 25)};
}

const PartReview& PartOf(const TenderReview& review, const std::string& code) {
  for (const PartReview& p : review.parts) {
    if (p.partCode == code) return p;
  }
  throw std::runtime_error("no part " + code);
}

TEST(TenderReview, CountsTheItemsThatTakeAPriceAndThoseThatHaveOne) {
  Tender t(MixedStatement(), "2");
  const TenderReview review = ReviewTender(t.items, ProjectType::Compound, LoadProjectHeader(t.dir.path()).values);
  ASSERT_EQ(review.parts.size(), 2u);
  // U1: a, b, split, 레벨0, 노무비만, 고정 아래 take a price; the fixed item, the zero
  // quantity, the headings and the summary lines do not.
  const PartReview& u1 = PartOf(review, "U1");
  EXPECT_EQ(u1.part, "1");
  EXPECT_EQ(u1.takesPrice, 6);
  EXPECT_EQ(u1.priced, 4);  // a, split, 노무비만 (labour alone), 고정 아래
  EXPECT_EQ(u1.Unpriced(), 2);
  const PartReview& u2 = PartOf(review, "U2");
  EXPECT_EQ(u2.takesPrice, 2);
  EXPECT_EQ(u2.priced, 1);
  EXPECT_EQ(review.TakesPrice(), 8);
  EXPECT_EQ(review.Unpriced(), 3);
  EXPECT_FALSE(review.Complete());
  // Nothing was calculated: every priced amount, the headings and the summary lines differ.
  EXPECT_TRUE(u1.Stale());
  EXPECT_TRUE(u2.Stale());
  EXPECT_EQ(u1.summaryLines, 1);
  EXPECT_FALSE(review.Consistent());

  // After F3 on both parts the totals stand, and the tender amount is the sum of the parts.
  ASSERT_TRUE(t.Calculate("1").completed);
  ASSERT_TRUE(t.Calculate("2").completed);
  const TenderReview after = ReviewTender(t.items, ProjectType::Compound, LoadProjectHeader(t.dir.path()).values);
  EXPECT_FALSE(PartOf(after, "U1").Stale());
  EXPECT_FALSE(PartOf(after, "U2").Stale());
  EXPECT_EQ(after.computedTender, 200 + 15 + 500 + 70 + 100);  // 노무비만 has no F_PRIC: its amount is 0
  EXPECT_EQ(after.storedTender, after.computedTender);
  EXPECT_TRUE(after.Consistent());
  EXPECT_FALSE(after.Complete());
}

TEST(TenderReview, FindsEveryKindOfValueACalculationWouldChange) {
  Tender t(MixedStatement(), "2");
  ASSERT_TRUE(t.Calculate("1").completed);
  ASSERT_TRUE(t.Calculate("2").completed);
  auto review = [&] { return ReviewTender(t.items, ProjectType::Compound, LoadProjectHeader(t.dir.path()).values); };
  auto set = [&](const std::string& name, const char* field, const char* text) {
    t.GoTo(name);
    ASSERT_TRUE(t.items.SetFieldText(field, text));
    ASSERT_TRUE(t.items.Post());
  };

  set("a", "F_COST", "         201");  // an item amount that is not 2 x 100
  TenderReview r = review();
  EXPECT_EQ(PartOf(r, "U1").itemLines, 1);
  ASSERT_EQ(PartOf(r, "U1").findings.size(), 1u);
  const Finding& f = PartOf(r, "U1").findings[0];
  EXPECT_EQ(f.kind, FindingKind::ItemAmount);
  EXPECT_EQ(f.where, "U1 순번 2 「a」");
  EXPECT_EQ(f.field, "F_COST");
  EXPECT_EQ(f.stored, "201");
  EXPECT_EQ(f.computed, 200);
  EXPECT_FALSE(PartOf(r, "U2").Stale());
  set("a", "F_COST", "200");

  set("P2", "F_MA", "1");  // a heading's material total
  r = review();
  EXPECT_EQ(PartOf(r, "U2").headingLines, 1);
  EXPECT_EQ(PartOf(r, "U2").findings.at(0).kind, FindingKind::HeadingTotal);
  set("P2", "F_MA", "0");

  set("토목공사", "F_COST", "99");  // the summary line of part 2
  r = review();
  EXPECT_EQ(PartOf(r, "U2").summaryLines, 1);
  EXPECT_EQ(PartOf(r, "U2").findings.at(0).kind, FindingKind::SummaryLine);
  EXPECT_EQ(r.computedTender, 885);  // the part totals, not the stored line
  set("토목공사", "F_COST", "100");
  EXPECT_TRUE(review().Consistent());

  // CMN_IPMT that is not the sum of the parts, or not a number.
  HeaderValues header = LoadProjectHeader(t.dir.path()).values;
  header[kCmnIpmt] = "924";
  r = ReviewTender(t.items, ProjectType::Compound, header);
  EXPECT_TRUE(r.TenderAmountDiffers());
  EXPECT_FALSE(r.Consistent());
  header[kCmnIpmt] = "9억";
  EXPECT_FALSE(ReviewTender(t.items, ProjectType::Compound, header).storedTenderRead);

  // Unreadable numbers and values over the limits.
  t.GoTo("b");  // "***" as another tool writes an overflow, byte for byte
  std::string record(t.items.engine()->Current(), kItemRecordLength);
  record.replace(static_cast<size_t>(t.items.FindField("F_PRIC")->offset), 12, "         ***");
  ASSERT_TRUE(t.items.engine()->PutRecord(record.data()));
  set("d", "F_PRIC", "999999999999");
  r = review();
  EXPECT_EQ(PartOf(r, "U1").unreadable, 1);
  EXPECT_EQ(PartOf(r, "U1").unreadableLines.at(0), "U1 순번 3 「b」: F_PRIC");
  EXPECT_GE(PartOf(r, "U2").overLimit, 1);
  EXPECT_FALSE(r.Consistent());
}

TEST(TenderReview, APriceEntryMakesThePartStaleUntilF3AndTheStateIsFoundAgainAfterARestart) {
  Tender t({Heading("U", 1, '1', "H"), Item("U", 2, '2', "a", 2, 100), Item("U", 3, '2', "b", 3, 0)}, "1");
  ASSERT_TRUE(t.Calculate().completed);
  TenderStatus status;
  status.Reset(ReviewTender(t.items, ProjectType::Single, LoadProjectHeader(t.dir.path()).values));
  EXPECT_FALSE(status.Stale("U"));
  EXPECT_EQ(StatusText(status, "U", false), "단가입력 1 / 2");

  // The entry as the panel makes it: the line's standing before and after, the record compared.
  t.GoTo("b");
  const LineState before = LineStateOf(t.items);
  EXPECT_TRUE(before.takesPrice);
  EXPECT_FALSE(before.priced);
  ASSERT_TRUE(WriteSinglePrice(t.items, 40, t.notifier));
  const LineState after = LineStateOf(t.items);
  EXPECT_TRUE(after.priced);
  status.NoteEntry("U", before, after, true);
  EXPECT_TRUE(status.Stale("U"));
  EXPECT_EQ(status.Whole().Unpriced(), 0);
  EXPECT_EQ(StatusText(status, "U", false), "단가입력 2 / 2 · 재계산 필요");
  EXPECT_EQ(status.StaleParts(), std::vector<std::string>{""});

  // A restart finds the same from the data: a calculation would change the heading.
  EXPECT_TRUE(ReviewPart(t.items, ProjectType::Single, "").Stale());
  t.items.Close();
  {
    TXbaseEnv* env = TXbaseEnv::Instance();
    TZekTable reopened(*env, t.notifier);
    ASSERT_TRUE(OpenTenderForReview(t.dir.path(), reopened, t.notifier));
    const TenderReview review = ReviewTender(reopened, ProjectType::Single, LoadProjectHeader(t.dir.path()).values);
    EXPECT_TRUE(review.parts.at(0).Stale());
    EXPECT_EQ(review.parts.at(0).itemLines, 0);  // the entry wrote the item's own amounts
    EXPECT_EQ(review.parts.at(0).headingLines, 1);
    EXPECT_TRUE(review.Complete());
  }
  ASSERT_TRUE(t.items.OpenExclusive(t.dir.path(), "VAK.DBF", "CDX"));
  t.items.Xbase().SetOrder(1);
  ASSERT_TRUE(t.Calculate().completed);
  const PartReview fresh = ReviewPart(t.items, ProjectType::Single, "");
  EXPECT_FALSE(fresh.Stale());
  status.SetPart(fresh);
  EXPECT_TRUE(UnfinishedTenderQuestion(status, "보고서를 작성").empty());
}

TEST(TenderReview, TheQuestionBeforeAReportNamesWhatIsMissing) {
  Tender t(MixedStatement(), "2");
  TenderStatus status;
  status.Reset(ReviewTender(t.items, ProjectType::Compound, LoadProjectHeader(t.dir.path()).values));
  EXPECT_EQ(StatusText(status, "U2", true), "단가입력 1 / 2 · 전체 5 / 8 · 재계산 필요 (다른 공사 건축공사)");
  EXPECT_EQ(
      UnfinishedTenderQuestion(status, "보고서를 작성"),
      "입찰서가 완성되지 않았습니다.\n  단가를 입력하지 않은 항목: 3개\n  다시 계산해야 하는 공사: 건축공사, "
      "토목공사\n\n"
      "보고서를 작성하기 전에 내역서를 계산하시겠습니까?\n  예: 계산한 뒤 계속  아니오: 그대로 계속  취소: 그만둠");
  // Unchanged bytes (the same price entered again) leave the part as it was.
  ASSERT_TRUE(t.Calculate("1").completed);
  status.SetPart(ReviewPart(t.items, ProjectType::Compound, "1"));
  status.NoteEntry("U1", {true, true}, {true, true}, false);
  EXPECT_FALSE(status.Stale("U1"));
  EXPECT_EQ(status.StaleParts(), std::vector<std::string>{"2"});
  EXPECT_EQ(StatusText(status, "U1", true), "단가입력 4 / 6 · 전체 5 / 8 · 다른 공사 재계산 필요: 토목공사");
}

TEST(TenderReview, TheNextUnpricedLineWrapsAtTheEndAndIsZeroWhenThereIsNone) {
  Tender t({Heading("U", 1, '1', "H"), Item("U", 2, '2', "a", 2, 0), Item("U", 3, '2', "b", 3, 10),
            Fixed("U", 4, '2', "고정", 1, 0), Item("U", 5, '2', "c", 1, 0), Item("U", 6, '2', "없음", 0, 0)},
           "1");
  t.items.Xbase().Query(PartLinesFilter(ProjectType::Single, ""));
  auto nameOf = [&](uint32_t recno) {
    t.items.Xbase().Go(recno);
    return Cp949ToUtf8(TrimmedText(t.items.FieldAsString("F_DES")));
  };
  t.items.Xbase().GoTop();
  EXPECT_EQ(nameOf(NextUnpricedLine(t.items)), "a");
  EXPECT_EQ(nameOf(NextUnpricedLine(t.items)), "c");  // past the priced and the fixed line
  EXPECT_EQ(nameOf(NextUnpricedLine(t.items)), "a");  // wrapped
  for (const char* name : {"a", "c"}) {
    t.GoTo(name);
    ASSERT_TRUE(WriteSinglePrice(t.items, 5, t.notifier));
  }
  t.items.Xbase().Query(PartLinesFilter(ProjectType::Single, ""));
  t.items.Xbase().GoTop();
  t.items.Skip(2);
  const uint32_t stood = t.items.RecNo();
  EXPECT_EQ(NextUnpricedLine(t.items), 0u);
  EXPECT_EQ(t.items.RecNo(), stood);
}

}  // namespace
}  // namespace vak
