#include "platform/charset.h"

#include <gtest/gtest.h>

namespace vorsel {
namespace {

TEST(OemCharset, AsciiPassesUnchanged) {
  EXPECT_EQ(CharToOemA("name=value 123"), "name=value 123");
  EXPECT_EQ(OemToCharA("name=value 123"), "name=value 123");
}

TEST(OemCharset, MapsCodePage850BothWays) {
  // ü is 0x81, é 0x82, ß 0xE1, µ 0xE6 and the light box corner 0xDA in code page 850.
  EXPECT_EQ(CharToOemA("\u00FC\u00E9\u00DF\u00B5\u250C"), "\x81\x82\xE1\xE6\xDA");
  EXPECT_EQ(OemToCharA("\x81\x82\xE1\xE6\xDA"), "\u00FC\u00E9\u00DF\u00B5\u250C");
}

TEST(OemCharset, EveryOemByteSurvivesTheRoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) {
    all += static_cast<char>(b);
  }
  EXPECT_EQ(CharToOemA(OemToCharA(all)), all);
}

TEST(OemCharset, UnmappableAndMalformedTextBecomesQuestionMarks) {
  EXPECT_EQ(CharToOemA("\u20AC"), "?");  // the euro sign is not in code page 850
  EXPECT_EQ(CharToOemA("a\xFF"
                       "b"),
            "a?b");                         // a stray byte
  EXPECT_EQ(CharToOemA("\xC3"), "?");       // a sequence cut at the end
  EXPECT_EQ(CharToOemA("\xE2\x82"), "??");  // cut three-byte sequence
  EXPECT_EQ(CharToOemA("\xC0\xAF"), "??");  // overlong form of "/"
}

TEST(Utf8Text, CountsAndCutsCharactersNotBytes) {
  EXPECT_EQ(Utf8Length("a\u00FC\u250Cz"), 4u);
  EXPECT_EQ(Utf8Prefix("a\u00FC\u250Cz", 2), "a\u00FC");
  EXPECT_EQ(Utf8Prefix("abc", 10), "abc");
  EXPECT_EQ(Utf8Prefix("\u00FC", 0), "");
}

}  // namespace
}  // namespace vorsel
