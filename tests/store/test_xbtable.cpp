#include <gtest/gtest.h>

#include "common/Files.h"
#include "store/ItemTable.h"
#include "store/XbTable.h"
#include "tests/support/ItemRows.h"
#include "tests/support/TestSupport.h"

namespace vak {
namespace {

using test::Row;
using test::TempDir;

// Physical order deliberately out of key order; record 4 is deleted.
std::vector<Row> Rows() {
  return {
      {"U2", 2, '1', "b2"},    {"T1", 1, '1', "t1"},
      {"U1", 2, '2', "a2"},    {"U1", 3, '2', "gone", 0, 0, 0, ' ', "", ' ', true},
      {"U1", 1, '1', "a1"},    {"U2", 1, '1', "b1"},
      {"U", 1, '1', "single"}, {"U1", 10, '2', "a10"},
  };
}

class XbTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteItemTable(dir.path(), Rows());
    settings.deleted = true;
    settings.exact = true;
    DbfStatus status;
    table = XbTable::Open(dir.File("VAK.DBF"), DbfOpenMode::Exclusive, settings, status);
    ASSERT_TRUE(table);
    ASSERT_TRUE(table->IndexTag(kItemTag, kItemKey));
  }

  std::vector<uint32_t> Walk() {
    std::vector<uint32_t> seen;
    for (table->GoTop(); !table->Eof(); table->Skip(1)) seen.push_back(table->RecNo());
    return seen;
  }

  TempDir dir;
  EngineSettings settings;
  std::unique_ptr<XbTable> table;
};

TEST_F(XbTableTest, OrdersAndQueriesDecideWhatIsVisited) {
  EXPECT_EQ(table->IndexOrd(), 1);
  EXPECT_EQ(table->TagName(1), "F_PS");
  // "T1" < "U " < "U1" < "U2"; deleted record 4 hidden; U1 10 after U1 2 (sequence right-aligned).
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{2, 7, 5, 3, 8, 6, 1}));
  EXPECT_EQ(table->Count(), 7u);
  ASSERT_TRUE(table->SetOrder(0));
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{1, 2, 3, 5, 6, 7, 8}));
  ASSERT_TRUE(table->SetOrder(1));
  ASSERT_TRUE(table->Query("F_PART=\"U1\""));
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{5, 3, 8}));
  EXPECT_EQ(table->Count(), 3u);
  ASSERT_TRUE(table->Query("F_PART=\"U\""));
  EXPECT_EQ(Walk(), std::vector<uint32_t>{7});
  ASSERT_TRUE(table->Query("SubStr(F_PART,1,1)=\"T\""));
  EXPECT_EQ(Walk(), std::vector<uint32_t>{2});
  ASSERT_TRUE(table->Query(""));
  EXPECT_EQ(table->Count(), 7u);
  settings.deleted = false;  // the setting is followed at the next move
  EXPECT_EQ(table->Count(), 8u);
  EXPECT_FALSE(table->Query("F_PART ="));
  EXPECT_FALSE(table->SetOrder(2));
}

TEST_F(XbTableTest, MovesEndsAndPositions) {
  table->Query("F_PART=\"U1\"");
  table->GoTop();
  EXPECT_FALSE(table->Bof());
  EXPECT_EQ(table->OrderRecNo(), 1u);
  table->Skip(-1);
  EXPECT_TRUE(table->Bof());
  EXPECT_EQ(table->RecNo(), 5u);  // stays on the first record
  table->GoBottom();
  EXPECT_EQ(table->RecNo(), 8u);
  EXPECT_EQ(table->OrderRecNo(), 3u);
  table->Skip(1);
  EXPECT_TRUE(table->Eof());
  EXPECT_EQ(table->RecNo(), table->RecCount() + 1);
  EXPECT_EQ(table->Current(), nullptr);
  table->Skip(-1);
  EXPECT_EQ(table->RecNo(), 8u);
  table->Skip(-2);
  EXPECT_EQ(table->RecNo(), 5u);
  table->Skip(10);
  EXPECT_TRUE(table->Eof());
  ASSERT_TRUE(table->Go(3));
  EXPECT_EQ(table->OrderRecNo(), 2u);
  // Going to a record the query hides: it is current, and a step forward finds the next one.
  ASSERT_TRUE(table->Go(6));
  EXPECT_EQ(table->RecNo(), 6u);
  table->Skip(1);
  EXPECT_TRUE(table->Eof());
  ASSERT_TRUE(table->Go(2));  // "T1" sorts before every U1 line
  table->Skip(1);
  EXPECT_EQ(table->RecNo(), 5u);
  EXPECT_FALSE(table->Go(99));
  EXPECT_TRUE(table->Eof());
  ASSERT_TRUE(table->Query("F_PART=\"U9\""));
  EXPECT_TRUE(table->Eof());
  EXPECT_TRUE(table->Bof());
  EXPECT_EQ(table->Count(), 0u);
}

TEST_F(XbTableTest, SeekFindsKeysOrStopsAtTheEnd) {
  EXPECT_TRUE(table->Seek("U1     2"));
  EXPECT_EQ(table->RecNo(), 3u);
  EXPECT_TRUE(table->Seek("U2"));  // a key prefix
  EXPECT_EQ(table->RecNo(), 6u);
  EXPECT_FALSE(table->Seek("U1     5"));  // between two keys: not the next one, the end
  EXPECT_TRUE(table->Eof());
  EXPECT_FALSE(table->Seek("V"));
  EXPECT_TRUE(table->Eof());
  EXPECT_FALSE(table->Seek("U1     3"));  // deleted records are not found
}

TEST_F(XbTableTest, PostsAndAppendsKeepOrderAndQueryRight) {
  ASSERT_TRUE(table->Query("F_PART=\"U1\""));
  table->GoTop();  // U1 1 (record 5)
  const DbfField& part = table->file().fields()[20];
  const DbfField& seq = table->file().fields()[0];
  std::string r(table->Current(), 252);
  StoreNumericField(r.data(), seq, 50);  // moves it to the end of its part
  ASSERT_TRUE(table->PutRecord(r.data()));
  EXPECT_EQ(table->RecNo(), 5u);
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{3, 8, 5}));
  table->GoTop();
  r.assign(table->Current(), 252);
  StoreCharacterField(r.data(), part, "U2");  // leaves the query
  ASSERT_TRUE(table->PutRecord(r.data()));
  EXPECT_EQ(table->RecNo(), 3u);  // still current until the next move
  table->Skip(1);                 // which goes on from its new place in the order: past U1
  EXPECT_TRUE(table->Eof());
  EXPECT_EQ(table->Count(), 2u);

  std::string added = table->file().BlankRecord();
  StoreCharacterField(added.data(), part, "U1");
  StoreNumericField(added.data(), seq, 5);
  ASSERT_TRUE(table->Append(added.data()));
  EXPECT_EQ(table->RecNo(), 9u);
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{9, 8, 5}));

  table.reset();  // the index file follows the changes when the table closes
  std::vector<CdxTagInfo> tags;
  std::vector<std::pair<std::string, uint32_t>> keys;
  const std::string cdx = ReadWholeFile(dir.File("VAK.CDX")).value();
  ASSERT_TRUE(ReadCdxKeys(cdx, "F_PS", keys));
  ASSERT_EQ(keys.size(), 9u);
  EXPECT_EQ(keys.back(), std::make_pair(std::string("U2     2"), 3u));
}

TEST_F(XbTableTest, DeleteAndPack) {
  table->GoTop();
  ASSERT_TRUE(table->Delete());
  EXPECT_EQ(table->Count(), 6u);
  ASSERT_EQ(table->Pack(), DbfStatus::Ok);
  EXPECT_EQ(table->RecCount(), 6u);
  EXPECT_EQ(table->Count(), 6u);
  table->SetOrder(1);
  table->GoTop();
  EXPECT_EQ(std::string(FieldBytes(table->Current(), table->file().fields()[20])), "U ");
}

TEST_F(XbTableTest, ATablesOwnIndexFileGivesItsOrdersWhenOpenedAgain) {
  table.reset();
  DbfStatus status;
  table = XbTable::Open(dir.File("VAK.DBF"), DbfOpenMode::Shared, settings, status);
  ASSERT_TRUE(table);
  EXPECT_EQ(table->TagCount(), 1);
  EXPECT_EQ(table->TagExpression(1), kItemKey);
  EXPECT_EQ(table->IndexOrd(), 0);
  ASSERT_TRUE(table->SetOrder(1));
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{2, 7, 5, 3, 8, 6, 1}));
  EXPECT_TRUE(table->Warnings().empty());
}

TEST(XbTable, AForeignOrDamagedIndexFileIsIgnored) {
  TempDir dir;
  test::WriteItemTable(dir.path(), Rows());
  dir.Write("VAK.CDX", std::string(4096, '\x5A'));
  EngineSettings settings;
  DbfStatus status;
  auto table = XbTable::Open(dir.File("VAK.DBF"), DbfOpenMode::Shared, settings, status);
  ASSERT_TRUE(table);
  EXPECT_EQ(table->TagCount(), 0);
  EXPECT_FALSE(table->Warnings().empty());
  EXPECT_EQ(table->Count(), 8u);
}

TEST(XbTable, AnIndexFileOfAnotherTableIsOnlyUsedWhenItsKeyFits) {
  TempDir dir;
  test::WriteItemTable(dir.path(), Rows());
  const std::string keys = "AAAA";
  const uint32_t recno = 1;
  ASSERT_TRUE(ReplaceFileContents(dir.File("Vak.cdx"),
                                  BuildCdx({{CdxTagInfo{"OTHER", "NOSUCHFIELD", "", 4}, keys.data(), &recno, 1}})));
  EngineSettings settings;
  DbfStatus status;
  auto table = XbTable::Open(dir.File("VAK.DBF"), DbfOpenMode::Shared, settings, status);
  ASSERT_TRUE(table);
  EXPECT_EQ(table->TagCount(), 0);
  EXPECT_FALSE(table->SetOrder(1));
}

}  // namespace
}  // namespace vak

namespace vak {
namespace {

// A key that cannot order the table is refused with the failure named, and the order stays.
TEST_F(XbTableTest, AKeyThatCannotOrderTheTableIsAFailureNamed) {
  Failure failure;
  EXPECT_FALSE(table->IndexTag("BAD", "F_NOSUCH + F_PART", &failure));
  EXPECT_EQ(failure.code, FailureCode::BadKey);
  EXPECT_EQ(FailureText(failure),
            dir.File("VAK.DBF") + " (BAD: F_NOSUCH + F_PART): 색인의 키로 순서를 정할 수 없습니다");
  EXPECT_EQ(table->IndexOrd(), 1);
}

}  // namespace
}  // namespace vak
