#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "common/FileCommit.h"
#include "pricing/AmountAdjustment.h"
#include "tests/pricing/TenderFixture.h"
#include "tools/SampleTender.h"

namespace vak {
namespace {

using test::F;
using test::FilesIn;
using test::Get;
using test::RecordingNotifier;
using test::Records;
using test::TempDir;

AdjustmentResult Adjust(TXbaseEnv& env, const std::string& dir, long long target, RecordingNotifier& n) {
  return AdjustTenderAmount(dir, target, env, n, [](const AdjustmentPlan&) { return true; });
}

long long StoredTender(const std::string& dir) {
  return std::stoll(TrimmedText(ReadMemVar(JoinPath(dir, "VAK.MEM"), "CMN_IPMT")));
}

TenderReview Review(TXbaseEnv& env, const std::string& dir) {
  RecordingNotifier n;
  TZekTable items(env, n);
  EXPECT_TRUE(OpenTenderForReview(dir, items, n));
  const ProjectHeader header = LoadProjectHeader(dir);
  return ReviewTender(items, ProjectTypeOf(header.values[kCmnType]), header.values);
}

long long Whole(const std::string& r, const char* field) {
  const std::string v = Get(r, field);
  return v.empty() ? 0 : std::stoll(v);
}

// Samples priced by the test (every ninth item left unpriced) are brought to targets between
// half and one and a half times their amount: exactly, consistently, touching only free prices.
TEST(AmountAdjustment, BringsPricedSamplesToTheTargetToTheWon) {
  std::mt19937 rng(7);
  for (int type : {1, 2}) {
    TempDir priced;
    SampleOptions options;
    options.type = type;
    options.lines = 500;
    ASSERT_TRUE(WriteSampleTender(priced.path(), options));
    TXbaseEnv env;
    test::PriceAndCalculate(priced.path(), env, [](const TZekTable& t) -> std::optional<test::HandPrice> {
      const long seq = static_cast<long>(t.FieldAsFloat("F_SEQ"));
      if (seq % 9 == 0) return std::nullopt;
      // Large enough that the free prices outweigh the sample's fixed-price lines.
      test::HandPrice p = test::PriceFor(seq);
      for (long double* v : {&p.price, &p.material, &p.labour, &p.expense}) *v *= 1000;
      return p;
    });
    const long long current = StoredTender(priced.path());
    const std::vector<std::string> before = Records(priced.path());
    for (int draw = 0; draw < 4; ++draw) {
      // One won below the amount first: the cut must not take a won off every price and load it onto one line.
      const long long target =
          draw == 0 ? current - 1 : current / 2 + static_cast<long long>(rng() % static_cast<uint32_t>(current));
      SCOPED_TRACE("type " + std::to_string(type) + ", target " + std::to_string(target));
      TempDir work;
      for (const char* name : {"VAK.DBF", "VAK.MEM"}) std::filesystem::copy(priced.File(name), work.File(name));
      RecordingNotifier n;
      const AdjustmentResult result = Adjust(env, work.path(), target, n);
      ASSERT_TRUE(result.completed) << (n.messages.empty() ? "" : n.messages.back().text);
      EXPECT_EQ(result.plan.currentAmount, current);
      EXPECT_EQ(result.plan.Shortfall(), 0);
      EXPECT_EQ(StoredTender(work.path()), target);
      EXPECT_TRUE(Review(env, work.path()).Consistent());

      const std::vector<std::string> after = Records(work.path());
      ASSERT_EQ(after.size(), before.size());
      std::map<uint32_t, const AdjustedLine*> changed;
      for (const AdjustedLine& l : result.plan.changed) changed[l.recno] = &l;
      for (size_t i = 0; i < before.size(); ++i) {
        const auto c = changed.find(static_cast<uint32_t>(i + 1));
        if (c == changed.end()) {
          // Unchanged prices; the amounts follow the calculation (a multiplying heading's F_PRIC too).
          const bool heading = IsHeadingLevel(Get(before[i], "F_LVL")[0], Get(before[i], "F_NLVL")[0]);
          for (const char* field : {"F_PRIC", "F_MA0", "F_LA0", "F_EQ0", "F_3SW", "F_QQTY", "F_DES"}) {
            if (heading && std::string(field) == "F_PRIC") continue;
            EXPECT_EQ(Get(after[i], field), Get(before[i], field)) << "record " << i + 1 << " " << field;
          }
          continue;
        }
        const AdjustedLine& l = *c->second;
        const long long scaled =
            static_cast<long long>(static_cast<__int128>(l.oldPrice) * result.plan.factor / kFactorScale);
        EXPECT_EQ(Whole(after[i], "F_PRIC"), l.newPrice);
        if (l.split) {
          EXPECT_EQ(Whole(after[i], "F_MA0") + Whole(after[i], "F_LA0") + Whole(after[i], "F_EQ0"), l.newPrice);
          EXPECT_LE(l.newPrice - l.raisedBy - l.roundedUp - scaled, 0);
          EXPECT_GE(l.newPrice - l.raisedBy - l.roundedUp - scaled, -2);  // each of three parts cut on its own
        } else {
          EXPECT_EQ(l.newPrice - l.raisedBy - l.roundedUp, std::max(scaled, 1LL));
        }
        EXPECT_EQ(Get(after[i], "F_3SW"), Get(before[i], "F_3SW"));
      }
      EXPECT_GT(result.plan.fixedLines, 0);
      EXPECT_GT(result.plan.unpricedLines, 0);
      EXPECT_LE(result.plan.RemainderLines(), 60);
      for (const AdjustedLine& l : result.plan.changed) {
        EXPECT_LE(l.raisedBy, std::max(10LL, (l.newPrice - l.raisedBy) / 20)) << l.name;
        if (draw == 0) {
          EXPECT_GE(l.newPrice, l.oldPrice - (l.split ? 3 : 1)) << l.name;  // a won a price
        }
      }
    }
  }
}

// A hand-made statement: prices under a heading of quantity 2, a deduction, a fixed price, and
// items whose amounts rise ten won at a time, so a target off the ten-won steps falls short.
TEST(AmountAdjustment, KeepsTheClosestTotalBelowWhenNoRaiseReachesTheTarget) {
  using test::Heading;
  using test::Item;
  {
    test::Row deduction = Item("U", 5, '2', "공제", 1, -500);
    test::Row fixed = Item("U", 6, '2', "고정", 1, 700);
    fixed.fixed = '*';
    test::Tender t(
        {Heading("U", 1, '1', "가"), Heading("U", 2, '2', "나", 2), Item("U", 3, '3', "a", 10, 1000), deduction, fixed},
        "1");
    ASSERT_TRUE(t.Calculate().completed);
    const long long current = StoredTender(t.dir.path());
    EXPECT_EQ(current, 2 * 10 * 1000 - 500 + 700);
    t.items.Close();

    RecordingNotifier n;
    const AdjustmentResult result = Adjust(t.env, t.dir.path(), current + 1007, n);
    ASSERT_TRUE(result.completed);
    EXPECT_EQ(result.plan.Shortfall(), 7);
    EXPECT_EQ(StoredTender(t.dir.path()), current + 1000);
    EXPECT_EQ(result.plan.negativeLines, 1);
    EXPECT_EQ(result.plan.fixedLines, 1);
    EXPECT_NE(AdjustmentSummaryText(result.plan, true).find("7원 모자랍니다"), std::string::npos);

    // The report names the amounts, the factor and each changed line.
    const std::string csv = AdjustmentReportCsv(result.plan);
    EXPECT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(csv.find("이전 총입찰금액," + std::to_string(current) + "\r\n"), std::string::npos);
    EXPECT_NE(csv.find("모자람,7\r\n"), std::string::npos);
    EXPECT_NE(csv.find("조정률," + FactorText(result.plan.factor) + "\r\n"), std::string::npos);
    EXPECT_NE(csv.find("U,3,a,,,10.000,1000,"), std::string::npos) << csv;
    // Every line has as many fields as the titles.
    const size_t titles = csv.find("공사,순번");
    const auto fields = [](std::string_view line) { return std::count(line.begin(), line.end(), ','); };
    const size_t row = csv.find("\r\n", titles) + 2;
    EXPECT_EQ(fields(std::string_view(csv).substr(row, csv.find("\r\n", row) - row)),
              fields(std::string_view(csv).substr(titles, row - titles)));
  }
  // With a line of quantity 1 outside the heading the remainder closes on it, to the won.
  RecordingNotifier again;
  test::Tender u({Heading("U", 1, '1', "가"), Heading("U", 2, '2', "나", 2), Item("U", 3, '3', "a", 10, 1000),
                  Item("U", 4, '2', "식", 1, 3000)},
                 "1");
  ASSERT_TRUE(u.Calculate().completed);
  u.items.Close();
  const AdjustmentResult exact = Adjust(u.env, u.dir.path(), 30007, again);
  ASSERT_TRUE(exact.completed);
  EXPECT_EQ(StoredTender(u.dir.path()), 30007);
  ASSERT_EQ(exact.plan.RemainderLines(), 1);
}

// What cannot be adjusted is refused with a message, and every file stays as it was.
TEST(AmountAdjustment, RefusalsLeaveEveryFileAsItWas) {
  using test::Item;
  struct Case {
    const char* what;
    long long target;
    std::vector<test::Row> rows;
    MessageAnswer answer;
    const char* message;
  };
  const test::Row top = test::Heading("U", 1, '1', "가");
  const test::Row priced = Item("U", 2, '2', "a", 3, 1000);
  const test::Row unpriced = Item("U", 3, '2', "b", 1, 0);
  test::Row fixed = Item("U", 4, '2', "고정", 1, 5000);
  fixed.fixed = '*';
  const Case cases[] = {
      {"zero", 0, {top, priced}, MessageAnswer::Yes, "목표 금액은 1원 이상이어야 합니다."},
      {"over the limit", kAmountLimit + 1, {top, priced}, MessageAnswer::Yes, "999,999,999,999원 이하"},
      {"below the fixed lines", 4999, {top, priced, fixed}, MessageAnswer::Yes, "합계 5,003원보다 적습니다"},
      {"nothing priced", 5000, {top, unpriced}, MessageAnswer::Yes, "단가를 입력한 항목이 없어"},
      {"unpriced, declined", 5000, {top, priced, unpriced}, MessageAnswer::No, "단가를 입력하지 않은 항목이 1개"},
      {"out of reach", 999999999999, {top, priced}, MessageAnswer::Yes, "1,000배"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::Tender t(c.rows, "1");
    ASSERT_TRUE(t.Calculate().completed);
    t.items.Close();
    const auto files = FilesIn(t.dir.path());
    RecordingNotifier n;
    n.nextAnswer = c.answer;
    EXPECT_FALSE(Adjust(t.env, t.dir.path(), c.target, n).completed);
    ASSERT_FALSE(n.messages.empty());
    EXPECT_NE(n.messages.back().text.find(c.message), std::string::npos) << n.messages.back().text;
    EXPECT_EQ(FilesIn(t.dir.path()), files);
  }

  // A tender held by the program, and one with a quantity that cannot be read.
  {
    test::Tender held({top, priced}, "1");
    ASSERT_TRUE(held.Calculate().completed);
    RecordingNotifier n;
    EXPECT_FALSE(Adjust(held.env, held.dir.path(), 5000, n).completed);
    EXPECT_NE(n.messages.back().text.find("사용"), std::string::npos) << n.messages.back().text;
  }

  test::Tender bad({top, priced, Item("U", 5, '2', "읽을 수 없음", 1, 100)}, "1");
  ASSERT_TRUE(bad.Calculate().completed);
  bad.items.Close();
  std::vector<std::string> records = Records(bad.dir.path());
  std::memcpy(records[2].data() + F("F_QQTY").offset, "   1.2x3.000", 12);
  test::WriteRecords(bad.dir.path(), records);
  const auto files = FilesIn(bad.dir.path());
  RecordingNotifier unreadable;
  EXPECT_FALSE(Adjust(bad.env, bad.dir.path(), 5000, unreadable).completed);
  EXPECT_NE(unreadable.messages.back().text.find("읽을 수 없음」: F_QQTY"), std::string::npos)
      << unreadable.messages.back().text;
  EXPECT_EQ(FilesIn(bad.dir.path()), files);
}

}  // namespace
}  // namespace vak
