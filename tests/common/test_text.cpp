#include <gtest/gtest.h>

#include "common/Text.h"

namespace vak {
namespace {

TEST(TrimmedText, DropsBlanksAndControlCharactersAtBothEnds) {
  EXPECT_EQ(TrimmedText("  \t공사명 \r\n"), "공사명");
  EXPECT_EQ(TrimmedText(std::string("\x00 a b \x1a", 7)), "a b");
  EXPECT_EQ(TrimmedText(""), "");
  EXPECT_EQ(TrimmedText(static_cast<const char*>(nullptr)), "");
  EXPECT_EQ(TrimmedText(250.0L), "250");
  EXPECT_EQ(TrimmedText(2.5L), "2.5");
}

TEST(RightAlignText, PadsInFrontOrCuts) {
  EXPECT_EQ(RightAlignText(" 12 ", 5), "   12");
  EXPECT_EQ(RightAlignText("123456", 4), "1234");
  EXPECT_EQ(RightAlignText("1234", 4), "1234");
  EXPECT_EQ(RightAlignText("", 3), "   ");
  EXPECT_EQ(RightAlignText("12", 0), "");
}

TEST(TextHelpers, ContainsRemoveSpacesReplaceAll) {
  EXPECT_TRUE(ContainsText("콘크리트", "철근콘크리트 타설"));
  EXPECT_FALSE(ContainsText("ABC", "abc"));
  EXPECT_TRUE(ContainsText("", "abc"));
  EXPECT_EQ(RemoveSpaces(" 철 근  가 공 "), "철근가공");
  EXPECT_EQ(ReplaceAll("a\\\\b\\\\c", "\\\\", "\\"), "a\\b\\c");
  EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");  // inserted text is not scanned again
  EXPECT_EQ(ReplaceAll("abc", "x", "y"), "abc");
  EXPECT_EQ(ReplaceAll("abc", "b", "b"), "abc");
  EXPECT_EQ(ReplaceAll("abc", "", "y"), "abc");
  EXPECT_EQ(ReplaceAll("\\\\\\", "\\\\", "\\"), "\\\\");  // three become two: one pass
}

TEST(AsciiUpper, LeavesTrailBytesOfKoreanCharactersAlone) {
  EXPECT_EQ(AsciiUpper("cmn_desc"), "CMN_DESC");
  // 0x81 0x61 is a double-byte character whose trail byte is the letter "a".
  EXPECT_EQ(AsciiUpper("\x81\x61x"), "\x81\x61X");
  EXPECT_TRUE(EqualsNoCase("Vak.dbf", "VAK.DBF"));
  EXPECT_FALSE(EqualsNoCase("\x81\x61", "\x81\x41"));
}

}  // namespace
}  // namespace vak
