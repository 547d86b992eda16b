#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <stdexcept>

#include "common/Files.h"
#include "store/ItemTable.h"
#include "store/Xbase.h"
#include "tests/support/ItemRows.h"
#include "tests/support/TestSupport.h"

namespace vak {
namespace {

using test::RecordingNotifier;
using test::Row;
using test::TempDir;

TEST(TXbaseEnv, OnlyOneAtATime) {
  TXbaseEnv env;
  EXPECT_EQ(TXbaseEnv::Instance(), &env);
  try {
    TXbaseEnv second;
    FAIL() << "a second environment was allowed";
  } catch (const std::logic_error& e) {
    EXPECT_STREQ(e.what(), "Removing extra TXbaseEnv component");
  }
  EXPECT_FALSE(env.Deleted());
  EXPECT_FALSE(env.Exact());
}

class ZekTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteItemTable(dir.path(),
                         {{"U", 1, '1', "단일"}, {"U1", 1, '1', "첫째"}, {"U1", 2, '2', "둘째", 2.5, 0, 100}});
    env.SetDeleted(true);
    env.SetExact(true);
  }
  TempDir dir;
  TXbaseEnv env;
  RecordingNotifier notifier;
};

TEST_F(ZekTableTest, OpensSharedAndExclusively) {
  TZekTable t(env, notifier);
  EXPECT_FALSE(t.Opened());
  EXPECT_TRUE(t.Open(dir.path() + "/", " Vak.dbf ", "CDX"));  // trimmed, found without regard to case
  EXPECT_TRUE(t.Opened());
  EXPECT_EQ(t.DatabaseName(), dir.path() + "/");
  EXPECT_FALSE(t.Open(dir.path(), "VAK.DBF", "DBT"));
  EXPECT_FALSE(t.Open(dir.path(), "NONE.DBF", "CDX"));
  EXPECT_TRUE(notifier.messages.empty());  // shared opens fail silently
  EXPECT_TRUE(t.OpenExclusive(dir.path(), "VAK.DBF", "CDX"));
  EXPECT_TRUE(t.Exclusive());
  EXPECT_FALSE(t.Opened());
  EXPECT_FALSE(t.SetTableName("OTHER.DBF"));  // not while open
  t.Close();
  EXPECT_TRUE(t.Open(dir.path(), "VAK.DBF", ""));  // no table type: taken from the file
}

TEST_F(ZekTableTest, ATableInUseElsewhereIsReported) {
  TZekTable holder(env, notifier);
  ASSERT_TRUE(holder.OpenExclusive(dir.path(), "VAK.DBF", "CDX"));
#ifdef _WIN32
  GTEST_SKIP() << test::kNoPosix << ": the other program here is a forked one with its own environment";
#else
  const pid_t child = fork();
  if (child == 0) {
    // Another program: its own environment and table.
    RecordingNotifier other;
    TZekTable second(*TXbaseEnv::Instance(), other);
    const bool opened = second.OpenExclusive(dir.path(), "VAK.DBF", "CDX");
    const bool said = other.messages.size() == 1 &&
                      other.messages[0].text == dir.File("VAK.DBF") + "\n다른 사용자가 사용하고 있습니다." &&
                      other.messages[0].caption == "오류" && other.messages[0].icon == MessageIcon::Error;
    _exit(!opened && said && !second.Open(dir.path(), "VAK.DBF", "CDX") ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
#endif
}

TEST_F(ZekTableTest, ADamagedTableIsReportedAsDamaged) {
  dir.Write("VAK.DBF", "not a table at all, just some words in a file");
  TZekTable t(env, notifier);
  EXPECT_FALSE(t.OpenExclusive(dir.path(), "VAK.DBF", "CDX"));
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text, dir.File("VAK.DBF") + "\n자료 화일이 손상되었거나 xBase 자료 화일이 아닙니다.");
  notifier.messages.clear();
  EXPECT_FALSE(t.OpenExclusive(dir.path(), "NONE.DBF", "CDX"));
  EXPECT_TRUE(notifier.messages.empty());  // a missing file: false at once, no message
}

TEST_F(ZekTableTest, RecordSetReadsEditsAppendsAndPosts) {
  TZekTable t(env, notifier);
  ASSERT_TRUE(t.OpenExclusive(dir.path(), "VAK.DBF", "CDX"));
  TXbase& xb = t.Xbase();
  ASSERT_TRUE(xb.IndexTag("", kItemTag, kItemKey));
  xb.GoTop();
  EXPECT_EQ(t.FieldAsString("F_PART"), "U ");  // padded to the field width
  EXPECT_EQ(t.FieldAsString("f_des").size(), 40u);
  EXPECT_EQ(t.FieldIndex("F_QQTY"), 5);
  EXPECT_EQ(t.FieldIndex("F_NONE"), -1);
  xb.Skip(2);
  EXPECT_EQ(t.FieldAsFloat("F_QQTY"), 2.5L);
  EXPECT_EQ(t.FieldAsString("F_QQTY"), "2.5");

  // An edit is posted by the next move; a refused number leaves the field as it was.
  EXPECT_TRUE(t.SetFieldNumber("F_COST", 250));
  EXPECT_FALSE(t.SetFieldNumber("F_COST", 1e13L));
  EXPECT_EQ(t.FieldAsFloat("F_COST"), 250.0L);
  xb.GoTop();
  EXPECT_FALSE(t.Editing());
  xb.GoBottom();
  EXPECT_EQ(t.FieldAsFloat("F_COST"), 250.0L);

  t.Append();
  t.SetFieldText("F_PART", "U1");
  t.SetFieldNumber("F_SEQ", 3);
  t.SetFieldText("F_DES", "셋째");
  ASSERT_TRUE(t.Post());
  EXPECT_EQ(xb.RecCount(), 4u);
  EXPECT_EQ(xb.RecNo(), 4u);
  ASSERT_TRUE(xb.Query("F_PART=\"U1\""));
  EXPECT_EQ(xb.Count(), 3u);
  t.Close();
  // The query survives closing and reopening.
  ASSERT_TRUE(t.Open(dir.path(), "VAK.DBF", "CDX"));
  EXPECT_EQ(xb.Filter(), "F_PART=\"U1\"");
  EXPECT_EQ(xb.Count(), 3u);
}

TEST_F(ZekTableTest, SeekThatMissesLeavesTheTableAtItsEnd) {
  TZekTable t(env, notifier);
  ASSERT_TRUE(t.OpenExclusive(dir.path(), "VAK.DBF", "CDX"));
  ASSERT_TRUE(t.Xbase().IndexTag("", kItemTag, kItemKey));
  EXPECT_TRUE(SoftSeek(t, "U1     2"));
  EXPECT_EQ(t.RecNo(), 3u);
  EXPECT_FALSE(SoftSeek(t, "U1     4"));
  EXPECT_TRUE(t.Eof());
  EXPECT_FALSE(SoftSeek(t, "U0"));  // soft seek would stop at "U1": the component goes to the end
  EXPECT_TRUE(t.Eof());
}

TEST(ItemTable, LayoutAndLineRules) {
  const auto& fields = ItemTableFields();
  ASSERT_EQ(fields.size(), 21u);
  EXPECT_EQ(fields.back().offset + fields.back().length, kItemRecordLength);
  EXPECT_EQ(RowKindOf('1', '2', 0, ' '), kHeading);
  EXPECT_EQ(RowKindOf('1', '2', 5, '*'), kFixedPriceHeading);
  EXPECT_EQ(RowKindOf('2', '2', 5, '*'), kPricedItem);  // an item with a fixed price stays an item
  EXPECT_EQ(RowKindOf('0', '1', 5, ' '), kPricedItem);  // level 0 is never a heading
  EXPECT_EQ(RowKindOf('0', '1', 0, ' '), kZeroQuantityLevel0);
  EXPECT_EQ(RowKindOf('3', '2', 0, ' '), kZeroQuantityItem);
  EXPECT_EQ(RowKindOf('3', ' ', 0, ' '), kZeroQuantityItem);
  EXPECT_TRUE(IsMarkedKind(kFixedPriceHeading));
  EXPECT_FALSE(IsMarkedKind(kPricedItem));
  // A level that is not a digit never makes a heading: the line keeps its agency quantity.
  EXPECT_EQ(RowKindOf(' ', '2', 0, ' '), kZeroQuantityItem);
  EXPECT_EQ(RowKindOf('X', 'Y', 3, ' '), kPricedItem);
  EXPECT_FALSE(IsHeadingLevel('\xFF', '2'));
  EXPECT_FALSE(IsHeadingLevel('1', ' '));
  EXPECT_TRUE(IsHeadingLevel('8', '9'));
  // Summary lines and construction parts, one rule for every caller.
  EXPECT_TRUE(IsOverallSummaryPart("T1"));
  EXPECT_TRUE(IsOverallSummaryPart(" T"));
  EXPECT_FALSE(IsOverallSummaryPart("U1"));
  EXPECT_FALSE(IsOverallSummaryPart("  "));
  EXPECT_EQ(ConstructionPartOf("T2"), "2");
  EXPECT_EQ(ConstructionPartOf("U "), " ");
  EXPECT_EQ(ConstructionPartOf("U"), "");

  std::vector<DbfField> old = fields;
  EXPECT_FALSE(IsOldItemLayout(old));
  old.erase(old.begin() + 19);  // F_EQ
  EXPECT_TRUE(IsOldItemLayout(old));
}

}  // namespace
}  // namespace vak
