// The work search's match scan on hand-made statements.
#include <gtest/gtest.h>

#include "common/CodePage.h"
#include "store/XbTable.h"
#include "tests/support/ItemRows.h"
#include "tests/support/TestSupport.h"
#include "views/WorkSearch.h"

namespace vak {
namespace {

using test::Row;
using test::TempDir;

std::string Cp(const std::string& utf8) { return Utf8ToCp949(utf8).value(); }

TEST(WorkSearch, BlanksAsideCharacterByCharacterEachItemOnce) {
  TempDir dir;
  Row spec{"U", 3, '2', "배관", 1};
  std::vector<Row> rows = {{"U", 1, '1', "가 나다 공사", 1},
                           {"U", 2, '2', "같、", 1},  // bytes B0 B0 A1 A2: "가" (B0 A1) only across a boundary
                           spec,
                           {"U", 4, '2', "Concrete", 1},
                           {"U", 5, '2', "가나다 가나다", 1}};
  test::WriteItemTable(dir.path(), rows);
  // The specification of the third line.
  std::string bytes = dir.Read("VAK.DBF");
  const size_t at = 32 + 21 * 32 + 1 + 2 * 252 + 49;
  const std::string size = Cp("강관 가나 25mm");
  bytes.replace(at, size.size(), size);
  dir.Write("VAK.DBF", bytes);
  EngineSettings settings;
  DbfStatus status;
  auto table = XbTable::Open(dir.File("VAK.DBF"), DbfOpenMode::ReadOnly, settings, status);
  ASSERT_TRUE(table);
  // Typed with a blank, found without one; a specification-only match listed once.
  EXPECT_EQ(FindWorks(*table, Cp("가 나")), (std::vector<uint32_t>{1, 3, 5}));
  EXPECT_EQ(FindWorks(*table, Cp("가나다공사")), (std::vector<uint32_t>{1}));
  // One syllable never matches the trail byte of one character and the lead byte of the next.
  EXPECT_EQ(FindWorks(*table, Cp("가")), (std::vector<uint32_t>{1, 3, 5}));
  EXPECT_TRUE(ContainsCharacters(Cp("같、"), Cp("같")));
  EXPECT_FALSE(ContainsCharacters(Cp("같、"), Cp("가")));
  // Case-sensitive; blanks only, or nothing, find nothing; a text longer than every field.
  EXPECT_EQ(FindWorks(*table, "crete"), (std::vector<uint32_t>{4}));
  EXPECT_TRUE(FindWorks(*table, "CONCRETE").empty());
  EXPECT_TRUE(FindWorks(*table, "   ").empty());
  EXPECT_TRUE(FindWorks(*table, std::string(60, 'x')).empty());
  EXPECT_EQ(FindWorks(*table, Cp("가"), 2).size(), 2u);  // the first-match check stops early
}

}  // namespace
}  // namespace vak
