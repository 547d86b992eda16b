#include <gtest/gtest.h>

#include "store/Expression.h"
#include "store/ItemTable.h"
#include "tests/support/TestSupport.h"

namespace vak {
namespace {

// A record of the item table with the given part code, sequence number and remark.
std::string ItemRecord(const std::string& part, int seq, const std::string& remark = "") {
  const auto& f = ItemTableFields();
  std::string r(static_cast<size_t>(kItemRecordLength), ' ');
  StoreNumericField(r.data(), f[0], seq);
  StoreCharacterField(r.data(), f[11], remark);
  StoreCharacterField(r.data(), f[20], part);
  return r;
}

bool Holds(const std::string& expression, const std::string& record, bool exact = true) {
  std::string error;
  auto e = Expression::Compile(expression, ItemTableFields(), exact, &error);
  EXPECT_TRUE(e) << expression << ": " << error;
  return e && e->IsTrue(record.data());
}

TEST(Expression, TheProgramsQueries) {
  const std::string u = ItemRecord("U", 1);
  const std::string u1 = ItemRecord("U1", 2, "           *");
  const std::string t2 = ItemRecord("T2", 3);
  EXPECT_TRUE(Holds("SubStr(F_PART,1,1)=\"T\"", t2));
  EXPECT_FALSE(Holds("SubStr(F_PART,1,1)=\"T\"", u1));
  EXPECT_TRUE(Holds("F_PART=\"U1\"", u1));
  EXPECT_FALSE(Holds("F_PART=\"U1\"", u));
  // Exact comparison: "U" matches the field value "U " and not "U1".
  EXPECT_TRUE(Holds("F_PART=\"U\"", u));
  EXPECT_FALSE(Holds("F_PART=\"U\"", u1));
  EXPECT_TRUE(Holds("F_PART=\"U\"", u1, false));  // inexact: a prefix is enough
  EXPECT_TRUE(Holds("SubStr(F_REMK,12,1)=\"*\" .and. F_PART=\"U1\"", u1));
  EXPECT_FALSE(Holds("SubStr(F_REMK,12,1)=\"*\" .and. F_PART=\"U1\"", ItemRecord("U1", 4)));
  EXPECT_FALSE(Holds("SubStr(F_REMK,12,1)=\"*\" .and. F_PART=\"U\"", u1));
}

TEST(Expression, GeneralForms) {
  const std::string r = ItemRecord("U2", 17);
  EXPECT_TRUE(Holds("f_part == 'U2'", r));
  EXPECT_FALSE(Holds("F_PART == 'U'", ItemRecord("U", 1)));  // "==" sees the blank
  EXPECT_TRUE(Holds("F_PART == 'U '", ItemRecord("U", 1)));
  EXPECT_TRUE(Holds(".not. F_PART = \"U1\"", r));
  EXPECT_TRUE(Holds("(F_PART = \"U1\" .or. F_PART = \"U2\") .and. F_SEQ = 17", r));
  EXPECT_TRUE(Holds("F_SEQ > 16 .and. F_SEQ <= 17 .and. F_SEQ # 3 .and. F_SEQ <> 4", r));
  EXPECT_TRUE(Holds("Str(F_SEQ,6) = \"    17\"", r));
  EXPECT_TRUE(Holds("SubStr(F_PART,2) = \"2\"", r));
  EXPECT_TRUE(Holds("F_SEQ + 3 = 20 .and. -F_SEQ = -17", r));
  EXPECT_TRUE(Holds("!F_PART = 'T'", r));
  // Positions and lengths beyond any width (past 32 bits too) are cut, not overflowed.
  EXPECT_TRUE(Holds("SubStr(F_PART,5000000000) = ''", r));
  EXPECT_TRUE(Holds("SubStr(F_PART,1,5000000000) = 'U2'", r));
  EXPECT_TRUE(Holds("SubStr(F_PART,-5000000000,1) = 'U'", r));
  EXPECT_TRUE(Holds("SubStr(F_PART,F_SEQ+5000000000) = ''", r));
}

TEST(Expression, IndexKeyHasAFixedWidth) {
  auto key = Expression::Compile("F_PART + str(F_Seq,6)", ItemTableFields(), true);
  ASSERT_TRUE(key);
  EXPECT_EQ(key->type(), Expression::Type::Text);
  EXPECT_EQ(key->width(), 8);
  const std::string r = ItemRecord("U", 123);
  EXPECT_EQ(key->TextOf(r.data()), "U    123");
  std::string odd = r;
  odd.replace(1, 6, "  12.0");  // not a plain whole number: formatted from its value
  EXPECT_EQ(key->TextOf(odd.data()), "U     12");
  odd.replace(1, 6, "      ");
  EXPECT_EQ(key->TextOf(odd.data()), "U      0");
  odd.replace(1, 6, "abcdef");
  EXPECT_EQ(key->TextOf(odd.data()), "U      0");
  auto narrow = Expression::Compile("Str(F_COST,3)", ItemTableFields(), true);
  std::string big = r;
  StoreNumericField(big.data(), ItemTableFields()[9], 12345);
  EXPECT_EQ(narrow->TextOf(big.data()), "***");
}

TEST(Expression, MistakesAreReportedNotCrashed) {
  for (const char* bad :
       {"", "F_NONE = 'x'", "F_PART = ", "F_PART = \"U", "SubStr(F_PART)", "F_PART = 1", "F_SEQ + 'a'", "Frob(F_PART)",
        "(F_PART = 'U'", "F_PART = 'U' .and.", "Str(F_SEQ, F_SEQ)", "F_PART = 'U' extra", "'a' .and. 'b'", "@"}) {
    std::string error;
    EXPECT_FALSE(Expression::Compile(bad, ItemTableFields(), true, &error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
  // The message is for the person who typed the query: where, and what, in Korean.
  std::string error;
  Expression::Compile("F_NONE = 'x'", ItemTableFields(), true, &error);
  EXPECT_EQ(error, "1번째 글자: 그런 필드가 없습니다: F_NONE");
}

}  // namespace
}  // namespace vak
