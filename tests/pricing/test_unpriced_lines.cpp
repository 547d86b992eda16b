#include <gtest/gtest.h>

#include "pricing/UnpricedLines.h"
#include "tests/pricing/TenderFixture.h"

namespace vak {
namespace {

using test::Heading;
using test::Item;

// Works of levels 1 to 3, a fixed-price and a zero-quantity line, a level "0" item.
TEST(UnpricedLines, EachUnpricedItemComesAfterTheHeadingsAboveItOnceAndNarrowsTheTable) {
  test::Row fixed = Item("U", 10, '2', "고정", 1, 0);
  fixed.fixed = '*';
  test::Tender t({Heading("U", 1, '1', "공종1"), Heading("U", 2, '2', "가"), Item("U", 3, '3', "a", 1, 0),
                  Item("U", 4, '3', "b", 1, 5), Heading("U", 5, '2', "나"), Item("U", 6, '3', "c", 1, 5),
                  Item("U", 7, '2', "d", 2, 0), Heading("U", 8, '1', "공종2"), Item("U", 9, '2', "e", 1, 5), fixed,
                  Item("U", 11, '2', "없음", 0, 0), Item("U", 12, '0', "레벨0", 1, 0)},
                 "1");
  XbTable& table = *t.items.engine();
  // Each row: the lines priced beforehand (in addition), and the records listed then (the
  // lines in their order: record 1 is 공종1, 2 가, 3 a, 7 d, 12 레벨0).
  struct Case {
    std::vector<std::string> priced;
    std::vector<uint32_t> listed;
  };
  const Case cases[] = {
      {{}, {1, 2, 3, 7, 12}},  // "나" has nothing left; "d" stands under 공종1 only
      {{"a"}, {1, 7, 12}},
      {{"d", "레벨0"}, {}},
  };
  for (const Case& c : cases) {
    for (const std::string& name : c.priced) {
      t.GoTo(name);
      ASSERT_TRUE(WriteSinglePrice(t.items, 7, t.notifier));
    }
    t.items.Xbase().Query(PartLinesFilter(ProjectType::Single, ""));
    const uint32_t whole = table.Count();
    const std::vector<uint32_t> lines = UnpricedLinesWithHeadings(t.items);
    EXPECT_EQ(lines, c.listed);
    if (lines.empty()) continue;
    // The table narrowed to them until the next query.
    table.RestrictTo(lines);
    EXPECT_EQ(table.Count(), lines.size());
    t.items.Xbase().Query(PartLinesFilter(ProjectType::Single, ""));
    EXPECT_EQ(table.Count(), whole);
  }
}

}  // namespace
}  // namespace vak
