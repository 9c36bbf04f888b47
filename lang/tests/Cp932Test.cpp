// CP932 <-> UTF-8 conversion used to show the texts of the language table.
#include <string>

#include <gtest/gtest.h>

#include "LmCp932.h"

namespace kr70::lang {
namespace {

TEST(Cp932, DecodesDoubleByteHalfWidthAndAscii) {
  std::string out;
  // "表示" (trail byte 0x5C), half-width "ｶ", ASCII and a backslash.
  EXPECT_TRUE(Cp932ToUtf8("\x95\x5C\x8E\xA6\xB6" "A\\", out));
  EXPECT_EQ(out, "表示ｶA\\");
  EXPECT_TRUE(Cp932ToUtf8("", out));
  EXPECT_EQ(out, "");
}

TEST(Cp932, ReplacesBytesThatDoNotDecode) {
  std::string out;
  // 0x81 0x20 is a lead byte with an invalid trail; 0x95 at the end is cut.
  EXPECT_FALSE(Cp932ToUtf8("a\x81\x20" "b\x95", out));
  EXPECT_EQ(out.substr(0, 1), "a");
  EXPECT_NE(out.find("\xEF\xBF\xBD"), std::string::npos);
  EXPECT_NE(out.find('b'), std::string::npos);
}

TEST(Cp932, EncodesAndRoundTrips) {
  std::string cp932;
  EXPECT_TRUE(Utf8ToCp932("ＭＳ Ｐゴシック", cp932));
  EXPECT_EQ(cp932, "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E");
  const std::string long_text(5000, 'x');
  std::string text = "波形取得設定 " + long_text + " ～ ｻﾝﾌﾟﾘﾝｸﾞ";
  ASSERT_TRUE(Utf8ToCp932(text, cp932));
  EXPECT_EQ(Cp932ToUtf8(cp932), text);
}

TEST(Cp932, CharactersWithoutCp932FormBecomeQuestionMarks) {
  std::string cp932;
  EXPECT_FALSE(Utf8ToCp932("a\xF0\x9F\x98\x80" "b", cp932));  // an emoji
  EXPECT_EQ(cp932, "a?b");
}

}  // namespace
}  // namespace kr70::lang
