#include <gtest/gtest.h>

#include "pricing/UnpricedLines.h"
#include "tests/pricing/TenderFixture.h"

namespace vak {
namespace {

using test::Heading;
using test::Item;
using test::Row;
using test::Tender;

// Three works of levels 1 to 3, a fixed-price and a zero-quantity line, and a level "0" item.
std::vector<Row> Works() {
  Row fixed = Item("U", 10, '2', "고정", 1, 0);
  fixed.fixed = '*';
  return {Heading("U", 1, '1', "공종1"),    Heading("U", 2, '2', "가"),
          Item("U", 3, '3', "a", 1, 0),     Item("U", 4, '3', "b", 1, 5),
          Heading("U", 5, '2', "나"),       Item("U", 6, '3', "c", 1, 5),
          Item("U", 7, '2', "d", 2, 0),     Heading("U", 8, '1', "공종2"),
          Item("U", 9, '2', "e", 1, 5),     fixed,
          Item("U", 11, '2', "없음", 0, 0), Item("U", 12, '0', "레벨0", 1, 0)};
}

std::vector<std::string> Names(Tender& t, const std::vector<uint32_t>& lines) {
  std::vector<std::string> names;
  for (uint32_t recno : lines) {
    t.items.Xbase().Go(recno);
    names.push_back(Cp949ToUtf8(TrimmedText(t.items.FieldAsString("F_DES"))));
  }
  return names;
}

TEST(UnpricedLines, EachUnpricedItemComesWithTheHeadingsAboveItOnce) {
  Tender t(Works(), "1");
  // Each row: the lines priced beforehand (in addition), and the lines listed then.
  struct Case {
    std::vector<std::string> priced;
    std::vector<std::string> listed;
  };
  const Case cases[] = {
      {{}, {"공종1", "가", "a", "d", "레벨0"}},  // "나" has nothing left; "d" stands under 공종1 only
      {{"a"}, {"공종1", "d", "레벨0"}},
      {{"d", "레벨0"}, {}},
  };
  for (const Case& c : cases) {
    for (const std::string& name : c.priced) {
      t.GoTo(name);
      ASSERT_TRUE(WriteSinglePrice(t.items, 7, t.notifier));
    }
    t.items.Xbase().Query(PartLinesFilter(ProjectType::Single, ""));
    t.items.Xbase().GoTop();
    t.items.Skip(3);
    const uint32_t stood = t.items.RecNo();
    const std::vector<uint32_t> lines = UnpricedLinesWithHeadings(t.items);
    EXPECT_EQ(t.items.RecNo(), stood);
    EXPECT_EQ(Names(t, lines), c.listed);
  }
}

TEST(UnpricedLines, TheListNarrowsTheTableUntilTheNextQuery) {
  Tender t(Works(), "1");
  XbTable& table = *t.items.engine();
  t.items.Xbase().Query(PartLinesFilter(ProjectType::Single, ""));
  const uint32_t whole = table.Count();
  const std::vector<uint32_t> lines = UnpricedLinesWithHeadings(t.items);
  table.RestrictTo(lines);
  EXPECT_EQ(table.Count(), lines.size());
  EXPECT_FALSE(table.IsVisible(lines[2] + 1));  // b, priced
  // A price written does not take its line out of the narrowed table.
  t.items.Xbase().Go(lines[2]);
  ASSERT_TRUE(WriteSinglePrice(t.items, 7, t.notifier));
  EXPECT_EQ(table.Count(), lines.size());
  t.items.Xbase().Query(PartLinesFilter(ProjectType::Single, ""));
  EXPECT_FALSE(table.Restricted());
  EXPECT_EQ(table.Count(), whole);
}

}  // namespace
}  // namespace vak
