// Identical items, and the undo history's steps written back to the exact bytes.
#include <gtest/gtest.h>

#include "pricing/IdenticalItems.h"
#include "pricing/PriceHistory.h"
#include "tests/pricing/TenderFixture.h"

namespace vak {
namespace {

using test::Heading;
using test::Item;
using test::Tender;

std::vector<test::Row> Twins() {
  test::Row fixed = Item("U", 5, '2', "방수", 3, 700);
  fixed.fixed = '*';
  return {Heading("U", 1, '1', "공사"), Item("U", 2, '2', "방수", 2, 0), Item("U", 3, '2', "미장", 1, 0),
          Item("U", 4, '2', "방수", 4, 0), fixed};
}

uint32_t RecordOf(Tender& t, const std::string& name, int nth = 1) {
  t.items.Xbase().Query("");
  for (t.items.Xbase().GoTop(); !t.items.Eof(); t.items.Skip(1)) {
    if (Cp949ToUtf8(TrimmedText(t.items.FieldAsString("F_DES"))) == name && --nth == 0) return t.items.RecNo();
  }
  return 0;
}

std::string RecordBytes(Tender& t, uint32_t recno) {
  const DbfFile& f = t.items.engine()->file();
  return std::string(f.Record(recno), static_cast<size_t>(f.RecordLength()));
}

TEST(IdenticalItems, FreeTwinsAndThePricesTheyDifferIn) {
  Tender t(Twins(), "1");
  const uint32_t first = RecordOf(t, "방수"), second = RecordOf(t, "방수", 2), other = RecordOf(t, "미장");
  const IdenticalItems identical(t.items.engine()->file());
  EXPECT_EQ(identical.Of(first), std::vector<uint32_t>{second});  // the fixed one is the agency's
  EXPECT_EQ(identical.Of(second), std::vector<uint32_t>{first});
  EXPECT_TRUE(identical.Of(other).empty());
  EXPECT_TRUE(identical.Of(RecordOf(t, "공사")).empty());

  t.items.Xbase().Go(first);
  ASSERT_TRUE(EnterPrice(t.items, {false, 100, 0, 0, 0}, t.notifier));
  EXPECT_TRUE(
      IdenticalItemsPricedDifferently(t.items.engine()->file()).empty());  // an unpriced twin differs in nothing
  t.items.Xbase().Go(second);
  ASSERT_TRUE(EnterPrice(t.items, {true, 0, 60, 30, 10}, t.notifier));
  const std::vector<IdenticalPriceGroup> differing = IdenticalItemsPricedDifferently(t.items.engine()->file());
  ASSERT_EQ(differing.size(), 1u);
  EXPECT_EQ(differing[0].name, "방수");
  ASSERT_EQ(differing[0].prices.size(), 2u);
  EXPECT_EQ(differing[0].prices[0].text, "100");
  EXPECT_EQ(differing[0].prices[1].text, "60+30+10");
  EXPECT_EQ(differing[0].prices[1].records, std::vector<uint32_t>{second});
  EXPECT_EQ(EnterPriceOn(t.items, {second}, {false, 100, 0, 0, 0}), std::vector<uint32_t>{second});
  EXPECT_TRUE(IdenticalItemsPricedDifferently(t.items.engine()->file()).empty());
}

// One record as an entry writes it, two through the staged commit, and the header: each side
// comes back byte for byte; a new step drops the ones undone.
TEST(PriceHistory, StepsWrittenBackExactly) {
  Tender t(Twins(), "1");
  const uint32_t first = RecordOf(t, "방수"), second = RecordOf(t, "방수", 2);
  const std::string a = RecordBytes(t, first), b = RecordBytes(t, second);
  const std::string header = t.dir.Read("VAK.MEM");
  const RecordSnapshot before(t.items.engine()->file(), {first, second});
  ASSERT_EQ(EnterPriceOn(t.items, {first, second}, {false, 250, 0, 0, 0}).size(), 2u);
  std::optional<std::vector<RecordChange>> changes = before.Changes(t.items.engine()->file());
  ASSERT_TRUE(changes);
  ASSERT_EQ(changes->size(), 2u);
  const std::string a2 = RecordBytes(t, first), b2 = RecordBytes(t, second);

  PriceStep group{"동일 품목 단가 입력", *changes, {}, {}};
  PriceStep one{"단가 입력", {(*changes)[0]}, {}, {}};
  PriceStep withHeader{"단가 가져오기", {}, header, header + "x"};
  for (const PriceStep* step : {&one, &group}) {
    ASSERT_TRUE(ApplyStep(t.items, t.dir.path(), *step, true, t.notifier));
    EXPECT_EQ(RecordBytes(t, first), a);
    EXPECT_EQ(RecordBytes(t, second), step == &one ? b2 : b);
    ASSERT_TRUE(ApplyStep(t.items, t.dir.path(), *step, false, t.notifier));
    EXPECT_EQ(RecordBytes(t, first), a2);
    EXPECT_EQ(RecordBytes(t, second), b2);
  }
  ASSERT_TRUE(ApplyStep(t.items, t.dir.path(), withHeader, false, t.notifier));
  EXPECT_EQ(t.dir.Read("VAK.MEM"), header + "x");
  ASSERT_TRUE(ApplyStep(t.items, t.dir.path(), withHeader, true, t.notifier));
  EXPECT_EQ(t.dir.Read("VAK.MEM"), header);

  PriceHistory history;
  EXPECT_EQ(history.ToUndo(), nullptr);
  history.Push(one);
  history.Push(group);
  history.Undone();
  EXPECT_EQ(history.ToRedo()->what, "동일 품목 단가 입력");
  history.Push(withHeader);
  EXPECT_EQ(history.ToRedo(), nullptr);
  EXPECT_EQ(history.ToUndo()->what, "단가 가져오기");
  history.Undone();
  EXPECT_EQ(history.ToUndo()->what, "단가 입력");
}

}  // namespace
}  // namespace vak
