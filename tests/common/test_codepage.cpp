#include <gtest/gtest.h>

#include "common/CodePage.h"
#include "tests/support/TestSupport.h"

namespace vak {
namespace {

using test::Bytes;

TEST(CodePage, KnownCharactersBothWays) {
  // "똠" is where IBM's code page 949 differs (AF FE); the Windows code page has 8C 63.
  EXPECT_EQ(Utf8ToCp949("가"), Bytes("B0A1"));
  EXPECT_EQ(Utf8ToCp949("똠"), Bytes("8C63"));
  EXPECT_EQ(Utf8ToCp949("힣"), Bytes("C652"));
  EXPECT_EQ(Utf8ToCp949("힝"), Bytes("C8FE"));
  EXPECT_EQ(Utf8ToCp949("A1 공사"), "A1 " + Bytes("B0F8 BBE7"));
  EXPECT_EQ(Cp949ToUtf8(Bytes("B0A1 8C63 C652 C8FE")), "가똠힣힝");
  EXPECT_EQ(Cp949ToUtf8("plain"), "plain");
  EXPECT_EQ(Utf8ToCp949(""), "");
}

TEST(CodePage, TextWithoutACodePageFormIsRefused) {
  EXPECT_FALSE(Utf8ToCp949("가😀").has_value());
  EXPECT_FALSE(Utf8ToCp949("ǅ").has_value());
  EXPECT_FALSE(Utf8ToCp949("\xff\xfe").has_value());  // not UTF-8 at all
}

TEST(CodePage, DamagedBytesStillDecode) {
  EXPECT_EQ(Cp949ToUtf8(Bytes("B0")), "\xEF\xBF\xBD");         // a lone lead byte at the end
  EXPECT_EQ(Cp949ToUtf8(Bytes("C920 41")), "\xEF\xBF\xBD A");  // lead byte before a blank
  EXPECT_EQ(Cp949ToUtf8(Bytes("FF B0A1")), "\xEF\xBF\xBD가");
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  EXPECT_FALSE(Cp949ToUtf8(all + all).empty());
}

TEST(CutToWidth, NeverSplitsADoubleByteCharacter) {
  const std::string text = "A" + Bytes("B0A1 B0A1");  // A가가: 5 bytes
  EXPECT_EQ(CutToWidth(text, 5), text);
  EXPECT_EQ(CutToWidth(text, 4), "A" + Bytes("B0A1"));
  EXPECT_EQ(CutToWidth(text, 3), "A" + Bytes("B0A1"));
  EXPECT_EQ(CutToWidth(text, 2), "A");
  EXPECT_EQ(CutToWidth(text, 0), "");
  EXPECT_EQ(CutToWidth(Bytes("B0A1 B0A1"), 3), Bytes("B0A1"));
  const std::string forty = std::string(39, 'x') + Bytes("B0A1");
  EXPECT_EQ(CutToWidth(forty, 40).size(), 39u);
}

}  // namespace
}  // namespace vak
